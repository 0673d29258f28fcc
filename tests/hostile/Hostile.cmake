# Tests of setup.exe against hostile surroundings, included by tests/Wine.cmake:
# libraries planted where a downloaded setup.exe would pick them up, and the
# fixture that writes the folders of many component files.

# One planted library per name (tests/hostile/hostile.c), and the control
# program that shows such a library really is loaded by a program that does
# not narrow its search path.
set(HOSTILE_DIR ${CMAKE_BINARY_DIR}/tests/hostile)
set(HOSTILE_TARGETS)
foreach(name uxtheme dwmapi cryptbase comctl32 version)
  add_library(hostile_${name} SHARED ${CMAKE_CURRENT_LIST_DIR}/hostile.c)
  set_target_properties(hostile_${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${HOSTILE_DIR} ARCHIVE_OUTPUT_DIRECTORY ${HOSTILE_DIR}/lib)
  target_compile_definitions(hostile_${name} PRIVATE ${WINE_TEST_DEFINITIONS}
    HOSTILE_NAME="${name}")
  target_compile_options(hostile_${name} PRIVATE -Wall -Wextra -Werror -Os)
  target_link_options(hostile_${name} PRIVATE -static-libgcc -s)
  list(APPEND HOSTILE_TARGETS hostile_${name})
endforeach()
add_executable(hostile_control ${CMAKE_CURRENT_LIST_DIR}/control.cpp)
set_target_properties(hostile_control PROPERTIES OUTPUT_NAME control
  RUNTIME_OUTPUT_DIRECTORY ${HOSTILE_DIR})
target_compile_options(hostile_control PRIVATE ${WARNINGS} -Werror)
target_link_options(hostile_control PRIVATE -static -s)
add_dependencies(e2e_driver ${HOSTILE_TARGETS} hostile_control)

# Under Wine's default load order, and with Wine preferring native copies of
# uxtheme, dwmapi, cryptbase and comctl32 (set for the whole run by
# run-native.sh: Wine takes WINEDLLOVERRIDES from the Unix environment).
add_e2e_scenario(hostile-libraries ARGS --hostile ${HOSTILE_DIR})
add_e2e_scenario(hostile-libraries-native ARGS --hostile ${HOSTILE_DIR}
  RUNNER ${CMAKE_CURRENT_LIST_DIR}/run-native.sh)

# 10,000 and 2 x 3,000 component files for e2e.many-components, written from
# the Linux side by a fixture of their own.
add_test(NAME e2e.many-components.files COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/many-files.sh)
wine_test_properties(e2e.many-components.files 120)
set_tests_properties(e2e.many-components.files PROPERTIES FIXTURES_SETUP many-files)
add_e2e_scenario(many-components)
set_tests_properties(e2e.many-components PROPERTIES FIXTURES_REQUIRED "wine;many-files")

# The seam's library fallbacks, on a system played without the search flag
# and SetDefaultDllDirectories (tests/wine/library_search.cpp). It lies among
# the planted libraries; cwdonly.dll, in a folder of its own, becomes its
# current directory.
add_library(hostile_cwdonly SHARED ${CMAKE_CURRENT_LIST_DIR}/hostile.c)
set_target_properties(hostile_cwdonly PROPERTIES PREFIX "" OUTPUT_NAME cwdonly
  RUNTIME_OUTPUT_DIRECTORY ${HOSTILE_DIR}/current-directory
  ARCHIVE_OUTPUT_DIRECTORY ${HOSTILE_DIR}/lib)
target_compile_definitions(hostile_cwdonly PRIVATE ${WINE_TEST_DEFINITIONS} HOSTILE_NAME="cwdonly")
target_compile_options(hostile_cwdonly PRIVATE -Wall -Wextra -Werror -Os)
target_link_options(hostile_cwdonly PRIVATE -static-libgcc -s)
add_executable(library_search ${CMAKE_SOURCE_DIR}/tests/wine/library_search.cpp
  ${PORTABLE_SOURCES} ${CMAKE_SOURCE_DIR}/platform/Win32System_win32.cpp)
set_target_properties(library_search PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${HOSTILE_DIR})
target_include_directories(library_search PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(library_search PRIVATE ${WINE_TEST_DEFINITIONS})
target_compile_options(library_search PRIVATE ${WARNINGS} -Werror)
target_link_options(library_search PRIVATE -static)
target_link_libraries(library_search PRIVATE ${SYSTEM_LIBS})
add_dependencies(library_search hostile_dwmapi hostile_cwdonly)
add_wine_test(NAME library_search COMMAND library_search ${HOSTILE_DIR}/current-directory)
set_property(TEST library_search APPEND PROPERTY ENVIRONMENT WINE_EXTRA_OVERRIDES=dwmapi=n,b)
