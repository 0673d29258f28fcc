# The README's demo program (scripts/demo.sh runs it) and a test that walks
# its headless road under the shared Wine, so a change that breaks the demo
# fails the test command too. Included by tests/Wine.cmake.

add_executable(e2e_demo ${CMAKE_CURRENT_LIST_DIR}/demo.cpp ${CMAKE_CURRENT_LIST_DIR}/harness.cpp)
set_target_properties(e2e_demo PROPERTIES OUTPUT_NAME demo
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/e2e)
target_compile_definitions(e2e_demo PRIVATE ${WINE_TEST_DEFINITIONS})
target_compile_options(e2e_demo PRIVATE ${WARNINGS} -Werror)
target_link_options(e2e_demo PRIVATE -static)
target_link_libraries(e2e_demo PRIVATE user32 gdi32 advapi32 shlwapi)
# The demo copies these; building it builds them too.
add_dependencies(e2e_demo setup standin_ceappmgr standin_palminstall)

# Pictures go into the build tree, so the grab is exercised as well.
add_wine_test(NAME e2e.demo TIMEOUT 120
  COMMAND e2e_demo walk --setup $<TARGET_FILE:setup>
          --tools ${CMAKE_BINARY_DIR}/tests/standins
          --work C:/e2e/demo --shots ${CMAKE_BINARY_DIR}/tests/e2e/demo-shots)
