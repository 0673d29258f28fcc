# Tests of setup-check. Natively: its findings over the fake system, and the
# POSIX seam and the program over folders the tests make. In a Windows tree:
# the cross-check under Wine that setup-check.exe prints exactly the rows
# setup.exe shows and the command lines the stand-in tools receive.
if(NOT WIN32)
  file(GLOB CHECK_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*Test.cpp)
  add_executable(check_tests ${CHECK_TESTS})
  target_include_directories(check_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(check_tests PRIVATE setup_check_logic GTest::gtest GTest::gtest_main)
  target_compile_options(check_tests PRIVATE -Wall -Wextra)
  gtest_discover_tests(check_tests DISCOVERY_TIMEOUT 60)
endif()
