# Cross build: setup.exe, small and self-contained, plus the Wine tests.
set(SIZE_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
# Only libraries Windows always loads from its own directory are imported;
# the common controls and version.dll are loaded at run time.
set(SYSTEM_LIBS user32 gdi32 advapi32 ole32 shlwapi kernel32)

# The manifest names the build's own processor: a 64-bit program that asks
# for the x86 common controls does not get them.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SETUP_MANIFEST_ARCH amd64)
else()
  set(SETUP_MANIFEST_ARCH x86)
endif()
set(GENERATED_RESOURCES ${CMAKE_BINARY_DIR}/resources)
configure_file(${CMAKE_SOURCE_DIR}/resources/setup.manifest.in
  ${GENERATED_RESOURCES}/setup.manifest @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/setup.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/setup.ico;${GENERATED_RESOURCES}/setup.manifest;${CMAKE_SOURCE_DIR}/resources/resource.h")

add_executable(setup WIN32 ${PORTABLE_SOURCES} ${WIN32_SOURCES} ${CMAKE_SOURCE_DIR}/resources/setup.rc)
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR} ${GENERATED_RESOURCES})
target_compile_definitions(setup PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_compile_options(setup PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} -Werror ${SIZE_FLAGS}>)
target_link_options(setup PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp
  -Wl,-Map,${CMAKE_BINARY_DIR}/setup.map)
target_link_libraries(setup PRIVATE ${SYSTEM_LIBS})

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/Wine.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/Wine.cmake)
endif()

# The release checks are about the shipped (32-bit) file.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND EXISTS ${CMAKE_SOURCE_DIR}/tests/release/Release.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/release/Release.cmake)
endif()

# Tests of the Windows side of the seam and the logic over it, run under Wine.
add_executable(platform_tests ${CMAKE_SOURCE_DIR}/tests/wine/platform_tests.cpp
  ${PORTABLE_SOURCES} ${CMAKE_SOURCE_DIR}/platform/Win32System_win32.cpp
  ${CMAKE_SOURCE_DIR}/resources/setup.rc)
target_include_directories(platform_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources
  ${GENERATED_RESOURCES})
target_compile_definitions(platform_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_compile_options(platform_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS}>)
target_link_options(platform_tests PRIVATE -static)
target_link_libraries(platform_tests PRIVATE ${SYSTEM_LIBS})
if(COMMAND add_wine_test)
  add_wine_test(NAME platform_tests COMMAND $<TARGET_FILE:platform_tests> $<TARGET_FILE:setup>)
endif()

# The start-up benchmark: its timer and the empty-dialog baseline.
add_executable(bench ${CMAKE_SOURCE_DIR}/tests/bench/bench.cpp)
target_link_options(bench PRIVATE -static)
target_link_libraries(bench PRIVATE psapi user32 kernel32)
add_executable(minimal_dialog WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/minimal_dialog.cpp
  ${CMAKE_SOURCE_DIR}/tests/bench/minimal_dialog.rc)
target_compile_options(minimal_dialog PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${SIZE_FLAGS}>)
target_link_options(minimal_dialog PRIVATE -static -s -Wl,--gc-sections)
target_link_libraries(minimal_dialog PRIVATE user32 kernel32)

add_test(NAME static.setup_exe COMMAND bash ${CMAKE_SOURCE_DIR}/tests/static/check-exe.sh $<TARGET_FILE:setup>
  ${CMAKE_SYSTEM_PROCESSOR})
