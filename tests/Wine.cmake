# Tests that run Windows programs under Wine: the shared Wine session as a
# CTest fixture, the end-to-end driver with its stand-in tools, and functions
# to register more such tests.
#
#   add_wine_test(NAME <name> COMMAND <target-or-exe> [args...] [TIMEOUT <s>])
#       runs the program under the shared Wine (private prefix, Xvfb) with a
#       time limit; passes when it exits with 0.
#   add_e2e_scenario(<name> [ARGS <args>...] [RUNNER <script>])
#       runs one scenario of tests/e2e/driver.cpp as the test e2e.<name>, with
#       the time limit tests/e2e/scenarios.txt gives it; ARGS go to the driver
#       after --setup and --tools; RUNNER replaces tests/wine/run.sh (same
#       arguments). Every scenario of that list is registered once: here, or
#       by the file the list names for it.

set(WINE_TEST_SCRIPTS ${CMAKE_SOURCE_DIR}/tests/wine)
# The 64-bit test build runs under the 64-bit loader in a prefix of its own.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINE_TEST_ARCH win64)
else()
  set(WINE_TEST_ARCH win32)
endif()
set(WINE_TEST_ENV WINE_TEST_ROOT=${CMAKE_BINARY_DIR} WINE_TEST_ARCH=${WINE_TEST_ARCH})

# ---- Programs -----------------------------------------------------------------

set(WINE_TEST_DEFINITIONS WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# The stand-in for both desktop install tools, once per name setup.exe looks
# for. GUI subsystem, so Wine opens no console for it.
foreach(tool CEAppMgr PalmInstall)
  string(TOLOWER standin_${tool} target)
  add_executable(${target} WIN32 ${CMAKE_SOURCE_DIR}/tests/standins/standin.cpp)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${tool}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/standins)
  target_compile_definitions(${target} PRIVATE ${WINE_TEST_DEFINITIONS})
  target_compile_options(${target} PRIVATE ${WARNINGS} -Werror -Os)
  target_link_options(${target} PRIVATE -static -s)
endforeach()

# The harness the programs below share (tests/e2e/harness.h), one file per
# job, built once per tree.
set(E2E_HARNESS_SOURCES)
foreach(part check files registry remote pixels setup_run kinds steps)
  list(APPEND E2E_HARNESS_SOURCES ${CMAKE_SOURCE_DIR}/tests/e2e/${part}.cpp)
endforeach()
# The expectations by file name read the program's own table of kinds.
add_library(e2e_harness STATIC ${E2E_HARNESS_SOURCES}
  ${CMAKE_SOURCE_DIR}/catalogue/ComponentKinds.cpp ${CMAKE_SOURCE_DIR}/platform/Names.cpp)
target_include_directories(e2e_harness PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(e2e_harness PUBLIC ${WINE_TEST_DEFINITIONS})
target_compile_options(e2e_harness PRIVATE ${WARNINGS} -Werror)
target_link_libraries(e2e_harness PUBLIC user32 gdi32 advapi32 shlwapi)

# A program of ours that drives setup.exe through the harness, built into
# tests/e2e as <name>.exe. It copies setup.exe and the stand-ins, so building
# it builds them too.
function(add_e2e_program target name source)
  add_executable(${target} ${source})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/e2e)
  target_compile_options(${target} PRIVATE ${WARNINGS} -Werror)
  target_link_options(${target} PRIVATE -static)
  target_link_libraries(${target} PRIVATE e2e_harness)
  add_dependencies(${target} setup standin_ceappmgr standin_palminstall)
endfunction()

# The scenarios, one list for CMake and the driver: tests/e2e/scenarios.txt.
# Each line: <name> [<seconds>] [<file that registers it>].
set(E2E_SCENARIO_LIST ${CMAKE_SOURCE_DIR}/tests/e2e/scenarios.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${E2E_SCENARIO_LIST})
file(STRINGS ${E2E_SCENARIO_LIST} e2e_lines)
set(E2E_SCENARIOS)
set(e2e_names "")
foreach(line IN LISTS e2e_lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields count)
  list(GET fields 0 name)
  set(seconds 120)
  set(registrar "")
  if(count GREATER 1)
    list(GET fields 1 seconds)
  endif()
  if(count GREATER 2)
    list(GET fields 2 registrar)
  endif()
  if(NOT name MATCHES "^[a-z0-9-]+$" OR NOT seconds MATCHES "^[0-9]+$" OR count GREATER 3)
    message(FATAL_ERROR "${E2E_SCENARIO_LIST}: cannot read the line \"${line}\"")
  endif()
  if(name IN_LIST E2E_SCENARIOS)
    message(FATAL_ERROR "${E2E_SCENARIO_LIST}: ${name} is listed twice")
  endif()
  list(APPEND E2E_SCENARIOS ${name})
  set(E2E_TIMEOUT_${name} ${seconds})
  set(E2E_REGISTRAR_${name} "${registrar}")
  string(APPEND e2e_names "    \"${name}\",\n")
endforeach()
# The driver's copy of the names; its build checks its own table against it.
set(E2E_GENERATED ${CMAKE_BINARY_DIR}/tests/e2e/generated)
file(CONFIGURE OUTPUT ${E2E_GENERATED}/scenario_names.inc CONTENT
"// Written by tests/Wine.cmake from tests/e2e/scenarios.txt.
constexpr const char* kListedScenarios[] = {
@e2e_names@};
" @ONLY)

add_e2e_program(e2e_driver driver ${CMAKE_SOURCE_DIR}/tests/e2e/driver.cpp)
target_include_directories(e2e_driver PRIVATE ${E2E_GENERATED})

# ---- The shared Wine session ----------------------------------------------------

# One Xvfb, the prefix in the build tree and one persistent wineserver for the
# whole run: started before the first Wine test, stopped after the last.
# Where the machine cannot run the 32-bit Wine, start.sh says so and every
# test of the session exits 77: reported as skipped.
add_test(NAME wine.start COMMAND bash ${WINE_TEST_SCRIPTS}/start.sh)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wine
  TIMEOUT 300 ENVIRONMENT "${WINE_TEST_ENV}" SKIP_RETURN_CODE 77)
add_test(NAME wine.stop COMMAND bash ${WINE_TEST_SCRIPTS}/stop.sh)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wine
  TIMEOUT 60 ENVIRONMENT "${WINE_TEST_ENV}" SKIP_RETURN_CODE 77)

# wine_test_properties(<test> <seconds>): a test that runs in the shared Wine
# session.
function(wine_test_properties test seconds)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine
    TIMEOUT ${seconds} ENVIRONMENT "${WINE_TEST_ENV}" SKIP_RETURN_CODE 77)
endfunction()

function(add_wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;TIMEOUT" "COMMAND")
  if(NOT ARG_NAME OR NOT ARG_COMMAND)
    message(FATAL_ERROR "add_wine_test: NAME and COMMAND are required")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  list(POP_FRONT ARG_COMMAND program)
  if(TARGET ${program})
    set(program $<TARGET_FILE:${program}>)
  endif()
  # run.sh's own limit ends the program first; CTest's is the backstop.
  math(EXPR ctest_limit "${ARG_TIMEOUT} + 30")
  add_test(NAME ${ARG_NAME}
    COMMAND bash ${WINE_TEST_SCRIPTS}/run.sh ${ARG_TIMEOUT} ${program} ${ARG_COMMAND})
  wine_test_properties(${ARG_NAME} ${ctest_limit})
endfunction()

function(add_e2e_scenario name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "RUNNER" "ARGS")
  if(NOT name IN_LIST E2E_SCENARIOS)
    message(FATAL_ERROR "e2e scenario ${name} is not listed in ${E2E_SCENARIO_LIST}")
  endif()
  get_property(registered GLOBAL PROPERTY E2E_REGISTERED)
  if(name IN_LIST registered)
    message(FATAL_ERROR "e2e scenario ${name} is registered twice")
  endif()
  set_property(GLOBAL APPEND PROPERTY E2E_REGISTERED ${name})
  set(seconds ${E2E_TIMEOUT_${name}})
  set(driver_args ${name} --setup $<TARGET_FILE:setup> --tools ${CMAKE_BINARY_DIR}/tests/standins
      ${ARG_ARGS})
  if(ARG_RUNNER)
    add_test(NAME e2e.${name}
      COMMAND bash ${ARG_RUNNER} ${seconds} $<TARGET_FILE:e2e_driver> ${driver_args})
    math(EXPR ctest_limit "${seconds} + 30")
    wine_test_properties(e2e.${name} ${ctest_limit})
  else()
    add_wine_test(NAME e2e.${name} TIMEOUT ${seconds} COMMAND e2e_driver ${driver_args})
  endif()
endfunction()

# ---- End-to-end scenarios ----------------------------------------------------------

# Those of the list that no other file registers.
foreach(name IN LISTS E2E_SCENARIOS)
  if(E2E_REGISTRAR_${name} STREQUAL "")
    add_e2e_scenario(${name})
  endif()
endforeach()

# Under a locale without an ANSI code page of its own, which gives Wine code
# page 65001 (UTF-8), as Windows 10 and 11 have it as an option.
add_e2e_scenario(install-utf8)
set_property(TEST e2e.install-utf8 APPEND PROPERTY ENVIRONMENT LANG=hi_IN.UTF-8 LC_ALL=hi_IN.UTF-8)

if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/e2e/Demo.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/e2e/Demo.cmake)
endif()
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/hostile/Hostile.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/hostile/Hostile.cmake)
endif()

# A scenario of the list that its file did not register would never run.
get_property(e2e_registered GLOBAL PROPERTY E2E_REGISTERED)
foreach(name IN LISTS E2E_SCENARIOS)
  if(NOT name IN_LIST e2e_registered)
    message(FATAL_ERROR "e2e scenario ${name} of ${E2E_SCENARIO_LIST} is not registered "
      "(the list says by ${E2E_REGISTRAR_${name}})")
  endif()
endforeach()
