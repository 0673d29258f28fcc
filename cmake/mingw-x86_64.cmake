# Cross build with mingw-w64 for x86-64: a test build of the same program for
# machines that cannot run 32-bit code. Debian puts the 64-bit loader off PATH.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
