# Tests of setup-check. Natively: its findings over the fake system, and the
# POSIX seam and the program over folders the tests make. In a Windows tree:
# the cross-check under Wine that setup-check.exe prints exactly the rows
# setup.exe shows and the command lines the stand-in tools receive.
if(WIN32)
  if(COMMAND add_e2e_program AND COMMAND add_wine_test)
    add_e2e_program(e2e_setup_check crosscheck ${CMAKE_CURRENT_LIST_DIR}/crosscheck.cpp)
    target_include_directories(e2e_setup_check PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    add_dependencies(e2e_setup_check setup-check)
    add_wine_test(NAME e2e.setup-check TIMEOUT 120
      COMMAND e2e_setup_check --setup $<TARGET_FILE:setup> --check $<TARGET_FILE:setup-check>
              --tools ${CMAKE_BINARY_DIR}/tests/standins)
  endif()
else()
  file(GLOB CHECK_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*Test.cpp)
  add_executable(check_tests ${CHECK_TESTS})
  target_include_directories(check_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(check_tests PRIVATE setup_check_logic GTest::gtest GTest::gtest_main)
  target_compile_options(check_tests PRIVATE -Wall -Wextra)
  gtest_discover_tests(check_tests DISCOVERY_TIMEOUT 60)
endif()
