# The README's demo program (scripts/demo.sh runs it) and a test that walks
# its headless road under the shared Wine, so a change that breaks the demo
# fails the test command too. Included by tests/Wine.cmake.

add_e2e_program(e2e_demo demo ${CMAKE_CURRENT_LIST_DIR}/demo.cpp)
add_dependencies(e2e_demo setup_folders)

# Pictures go into the build tree, so the grab is exercised as well.
add_wine_test(NAME e2e.demo TIMEOUT 120
  COMMAND e2e_demo walk --setup $<TARGET_FILE:setup>
          --tools ${CMAKE_BINARY_DIR}/tests/standins --sample "${SETUP_FOLDERS}/Sample CD"
          --work C:/e2e/demo --shots ${CMAKE_BINARY_DIR}/tests/e2e/demo-shots)
