# setup-check: the vendor's check of a setup folder, built from setup.exe's
# own discovery and command-line code. Its stages are folders of check/:
# readers/, model/, rules/, report/. Natively it reaches the folder through
# the POSIX seam, reads cabinets with libmspack and setup XML with expat;
# the Windows trees build setup-check.exe, a console program over the
# Windows seam that reads cabinets with the system's cabinet.dll and setup
# XML with its XmlLite. The JSON and SARIF formatters write through
# nlohmann's JSON library (header-only). Included from the top-level
# CMakeLists.txt.
set(CHECK_DIR ${CMAKE_SOURCE_DIR}/check)
# Every portable file of the stages; each machine adds its own sides.
file(GLOB CHECK_SOURCES CONFIGURE_DEPENDS ${CHECK_DIR}/Check.cpp ${CHECK_DIR}/readers/*.cpp
  ${CHECK_DIR}/model/*.cpp ${CHECK_DIR}/rules/*.cpp ${CHECK_DIR}/report/*.cpp)
list(FILTER CHECK_SOURCES EXCLUDE REGEX "_(win32|posix|mspack|fdi|expat|xmllite)\\.cpp$")

if(WIN32)
  # The library's headers only, from the build machine: the cross compiler
  # must not see the rest of /usr/include.
  find_path(JSON_HEADERS nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${JSON_INCLUDE})
  file(CREATE_LINK ${JSON_HEADERS}/nlohmann ${JSON_INCLUDE}/nlohmann SYMBOLIC)
  add_executable(setup-check ${CHECK_DIR}/Main.cpp ${CHECK_SOURCES} ${CHECK_DIR}/model/Host_win32.cpp
    ${CHECK_DIR}/readers/CabinetLibrary_fdi.cpp ${CHECK_DIR}/readers/XmlEvents_xmllite.cpp
    ${PORTABLE_SOURCES}
    ${CMAKE_SOURCE_DIR}/platform/Win32System_win32.cpp)
  target_include_directories(setup-check PRIVATE ${CMAKE_SOURCE_DIR})
  target_include_directories(setup-check SYSTEM PRIVATE ${JSON_INCLUDE})
  target_compile_definitions(setup-check PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # No build paths or time stamps: the release carries it beside setup.exe.
  target_compile_options(setup-check PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} -Werror -Os
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
  target_link_options(setup-check PRIVATE -static -s -Wl,--no-insert-timestamp)
  target_link_libraries(setup-check PRIVATE user32 advapi32 shlwapi kernel32 cabinet)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MSPACK REQUIRED IMPORTED_TARGET libmspack)
  pkg_check_modules(EXPAT REQUIRED IMPORTED_TARGET expat)
  find_package(nlohmann_json 3.10 REQUIRED)
  add_library(setup_check_logic STATIC ${CHECK_SOURCES} ${CHECK_DIR}/model/Host_posix.cpp
    ${CHECK_DIR}/readers/CabinetLibrary_mspack.cpp ${CHECK_DIR}/readers/XmlEvents_expat.cpp
    ${POSIX_SOURCES})
  target_link_libraries(setup_check_logic PUBLIC setup_logic PkgConfig::MSPACK PkgConfig::EXPAT
    nlohmann_json::nlohmann_json)
  target_compile_options(setup_check_logic PRIVATE ${WARNINGS} -Werror)
  add_executable(setup-check ${CHECK_DIR}/Main.cpp)
  target_link_libraries(setup-check PRIVATE setup_check_logic)
  target_compile_options(setup-check PRIVATE ${WARNINGS} -Werror)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/check/Check.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/check/Check.cmake)
endif()
