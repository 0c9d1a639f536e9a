# Cross-compiling the Windows programs with MinGW-w64 (32-bit, i686): the
# programs that ship.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
