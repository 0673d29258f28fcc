# Native build: the portable logic as a library, unit-tested with GoogleTest.
option(SETUP_SANITIZE "Build with AddressSanitizer and UBSan" OFF)
find_package(GTest REQUIRED)

if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(setup_logic STATIC ${PORTABLE_SOURCES})
target_include_directories(setup_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(setup_logic PRIVATE ${WARNINGS} -Werror)

file(GLOB UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TESTS})
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(unit_tests PRIVATE setup_logic GTest::gtest GTest::gtest_main)
target_compile_options(unit_tests PRIVATE -Wall -Wextra)

include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fuzz/Fuzz.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/fuzz/Fuzz.cmake)
endif()
