# Cross-compiling the Windows programs with MinGW-w64 for x86-64: a second
# build of the same sources for the Wine bench on machines that cannot start
# 32-bit programs. What ships is the 32-bit build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
