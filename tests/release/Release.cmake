# Release checks, label "release" (ctest --preset win32 -L release):
#   release.reproducible  two clean builds of the working tree in other folders
#                         give a byte-identical setup.exe
#   release.signing       scripts/release.sh signs, verifies and packages
#                         setup.exe; the signed copy still runs under Wine
set(RELEASE_TESTS ${CMAKE_CURRENT_LIST_DIR})

add_test(NAME release.reproducible
  COMMAND bash ${RELEASE_TESTS}/reproducible.sh ${CMAKE_SOURCE_DIR} ${CMAKE_COMMAND})
# Two full builds of setup.exe; a few seconds each on two cores, minutes on a
# busy machine.
set_tests_properties(release.reproducible PROPERTIES LABELS release TIMEOUT 1800)

# Where the 32-bit file cannot run, the test runs the 64-bit test build
# (preset win64) signed the same way.
set(SETUP_WIN64_EXE ${CMAKE_SOURCE_DIR}/build/win64/setup.exe CACHE FILEPATH
  "The 64-bit test build of setup.exe, run by release.signing where 32-bit code cannot run")
set(signing_args --exe $<TARGET_FILE:setup> --check-exe $<TARGET_FILE:setup-check>
    --src ${CMAKE_SOURCE_DIR} --build ${CMAKE_BINARY_DIR} --exe64 ${SETUP_WIN64_EXE})
# With the end-to-end driver the signed copy goes through its "about"
# scenario on the shared Wine; without it, signing.sh makes a smaller check of
# its own on a private Xvfb and prefix.
if(TARGET e2e_driver AND TARGET standin_ceappmgr)
  list(APPEND signing_args --driver $<TARGET_FILE:e2e_driver>
       --tools $<TARGET_FILE_DIR:standin_ceappmgr>)
endif()
add_test(NAME release.signing COMMAND bash ${RELEASE_TESTS}/signing.sh ${signing_args})
set_tests_properties(release.signing PROPERTIES LABELS release TIMEOUT 600)
if(TARGET e2e_driver AND TARGET standin_ceappmgr)
  set_tests_properties(release.signing PROPERTIES
    FIXTURES_REQUIRED wine RESOURCE_LOCK wine ENVIRONMENT WINE_TEST_ROOT=${CMAKE_BINARY_DIR})
endif()
