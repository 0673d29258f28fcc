# setup-check: the vendor's check of a setup folder, built from setup.exe's
# own discovery and command-line code. Natively it reaches the folder through
# the POSIX seam; the Windows trees build setup-check.exe, a console program
# over the Windows seam. Included from the top-level CMakeLists.txt.
set(CHECK_DIR ${CMAKE_SOURCE_DIR}/check)
# Every file of check/ but the entry point and the two machines' sides.
file(GLOB CHECK_SOURCES CONFIGURE_DEPENDS ${CHECK_DIR}/*.cpp)
list(FILTER CHECK_SOURCES EXCLUDE REGEX
  "/(Main|Host_win32|Host_posix|CabinetLibrary_[a-z]+)\\.cpp$")

if(WIN32)
  add_executable(setup-check ${CHECK_DIR}/Main.cpp ${CHECK_SOURCES} ${CHECK_DIR}/Host_win32.cpp
    ${CHECK_DIR}/CabinetLibrary_fdi.cpp ${PORTABLE_SOURCES} ${CMAKE_SOURCE_DIR}/platform/Win32System_win32.cpp)
  target_include_directories(setup-check PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(setup-check PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # No build paths or time stamps: the release carries it beside setup.exe.
  target_compile_options(setup-check PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} -Werror -Os
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
  target_link_options(setup-check PRIVATE -static -s -Wl,--no-insert-timestamp)
  target_link_libraries(setup-check PRIVATE user32 advapi32 shlwapi kernel32 cabinet)
else()
  # Cabinets are read whole by libmspack, the library cabextract is built on.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MSPACK REQUIRED IMPORTED_TARGET libmspack)
  add_library(setup_check_logic STATIC ${CHECK_SOURCES} ${CHECK_DIR}/Host_posix.cpp
    ${CHECK_DIR}/CabinetLibrary_mspack.cpp ${POSIX_SOURCES})
  target_link_libraries(setup_check_logic PUBLIC setup_logic PkgConfig::MSPACK)
  target_compile_options(setup_check_logic PRIVATE ${WARNINGS} -Werror)
  add_executable(setup-check ${CHECK_DIR}/Main.cpp)
  target_link_libraries(setup-check PRIVATE setup_check_logic)
  target_compile_options(setup-check PRIVATE ${WARNINGS} -Werror)
endif()

# The readers of vendors' XML (check/readers/): a cabinet's setup XML over
# one XML parser, expat natively and Windows' own XmlLite in setup-check.exe
# (loaded at run time: mingw has no import library for it).
if(WIN32)
  target_sources(setup-check PRIVATE ${CHECK_DIR}/readers/SetupXml.cpp
    ${CHECK_DIR}/readers/XmlEvents_xmllite.cpp)
else()
  pkg_check_modules(EXPAT REQUIRED IMPORTED_TARGET expat)
  target_sources(setup_check_logic PRIVATE ${CHECK_DIR}/readers/SetupXml.cpp
    ${CHECK_DIR}/readers/XmlEvents_expat.cpp)
  target_link_libraries(setup_check_logic PUBLIC PkgConfig::EXPAT)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/check/Check.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/check/Check.cmake)
endif()
