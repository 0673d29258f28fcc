# Tests of setup-check. Natively: its findings over the fake system, and the
# POSIX seam and the program over folders the tests make. In a Windows tree:
# the cross-check under Wine that setup-check.exe prints exactly the rows
# setup.exe shows and the command lines the stand-in tools receive.
if(WIN32)
  if(COMMAND add_e2e_program AND COMMAND add_wine_test)
    add_e2e_program(e2e_setup_check crosscheck ${CMAKE_CURRENT_LIST_DIR}/crosscheck.cpp)
    target_include_directories(e2e_setup_check PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    add_dependencies(e2e_setup_check setup-check)
    add_dependencies(e2e_setup_check setup_folders)
    # In code page 1252, with a Japanese locale in 932 and with one that has
    # no ANSI code page of its own in 65001 (UTF-8); each keeps its reports
    # for the comparison with the native build's.
    set(reports ${CMAKE_BINARY_DIR}/tests/check-reports)
    foreach(run IN ITEMS "1252;C.UTF-8;Sample CD;Mistakes;Damaged;Setup XML" "932;ja_JP.UTF-8;Japanese CD"
                     "65001;hi_IN.UTF-8;UTF-8 CD")
      list(POP_FRONT run codepage locale)
      set(test e2e.setup-check-${codepage})
      add_wine_test(NAME ${test} TIMEOUT 150
        COMMAND e2e_setup_check --setup $<TARGET_FILE:setup> --check $<TARGET_FILE:setup-check>
                --tools ${CMAKE_BINARY_DIR}/tests/standins --folders ${SETUP_FOLDERS}
                --reports ${reports}/${codepage} --codepage ${codepage} --work C:/e2e/setup-check)
      set_tests_properties(${test} PROPERTIES
        ENVIRONMENT "${WINE_TEST_ENV};LANG=${locale};LC_ALL=${locale}"
        FIXTURES_SETUP check-reports-${codepage})
      # Run with the Wine test it reads the reports of, inside the Wine
      # session, so that it is skipped where that session is.
      add_test(NAME ${test}-native COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/compare-native.sh
        ${CMAKE_SOURCE_DIR} ${SETUP_FOLDERS} ${reports}/${codepage} ${codepage} ${run})
      set_tests_properties(${test}-native PROPERTIES FIXTURES_REQUIRED "wine;check-reports-${codepage}"
        ENVIRONMENT "${WINE_TEST_ENV}" SKIP_RETURN_CODE 77 TIMEOUT 300)
    endforeach()
  endif()
  # The setup-XML table through XmlLite, as setup-check.exe reads it.
  if(COMMAND add_wine_test)
    add_executable(setup_xml_tests ${CMAKE_CURRENT_LIST_DIR}/setup_xml_tests.cpp
      ${CMAKE_SOURCE_DIR}/check/readers/SetupXml.cpp ${CMAKE_SOURCE_DIR}/check/readers/XmlEvents_xmllite.cpp
      ${CMAKE_SOURCE_DIR}/platform/Win32System_win32.cpp ${CMAKE_SOURCE_DIR}/platform/ExactConversion.cpp)
    target_include_directories(setup_xml_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(setup_xml_tests PRIVATE ${WINE_TEST_DEFINITIONS})
    target_compile_options(setup_xml_tests PRIVATE ${WARNINGS} -Werror)
    target_link_options(setup_xml_tests PRIVATE -static)
    target_link_libraries(setup_xml_tests PRIVATE ${SYSTEM_LIBS})
    add_wine_test(NAME check.setup-xml COMMAND setup_xml_tests)
  endif()
else()
  file(GLOB CHECK_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*Test.cpp)
  # The command line is the program's entry file, here without its main().
  add_executable(check_tests ${CHECK_TESTS} ${CMAKE_SOURCE_DIR}/check/Main.cpp)
  target_include_directories(check_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(check_tests PRIVATE setup_check_logic GTest::gtest GTest::gtest_main)
  target_compile_options(check_tests PRIVATE -Wall -Wextra)
  target_compile_definitions(check_tests PRIVATE SETUP_CHECK_NO_MAIN
    SETUP_FOLDERS="${SETUP_FOLDERS}" SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(check_tests setup_folders)
  gtest_discover_tests(check_tests DISCOVERY_TIMEOUT 60)
  # Damaged cabinets and Palm databases against independent readers.
  add_test(NAME check.parity COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/parity.py
    $<TARGET_FILE:setup-check> ${SETUP_FOLDERS}/Damaged)
  set_tests_properties(check.parity PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # Real vendors' cabinets and Palm databases, read from the shared folder
  # beside the repository (never copied into it); skipped where it is missing.
  add_test(NAME check.realworld COMMAND ${Python3_EXECUTABLE}
    ${CMAKE_CURRENT_LIST_DIR}/realworld.py $<TARGET_FILE:setup-check>
    ${CMAKE_SOURCE_DIR}/../shared/realworld)
  set_tests_properties(check.realworld PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # The SARIF output of every test folder, through Microsoft's validator,
  # which scripts/install-deps.sh installs into build/tools/sarif.
  set(sarif_tool @microsoft/sarif-multitool-linux/Sarif.Multitool)
  add_test(NAME check.sarif-validates COMMAND ${Python3_EXECUTABLE}
    ${CMAKE_CURRENT_LIST_DIR}/validate_sarif.py $<TARGET_FILE:setup-check> ${SETUP_FOLDERS}
    ${CMAKE_SOURCE_DIR}/build/tools/sarif/node_modules/${sarif_tool}
    ${CMAKE_BINARY_DIR}/tests/sarif)
  set_tests_properties(check.sarif-validates PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
