# What both MinGW-w64 toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and _triplet first.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model: the runtime of the posix model links in
# winpthreads, which imports GetTickCount64 (Vista) and
# AddVectoredExceptionHandler (XP) and so keeps the programs from loading on
# Windows 2000 and XP. Nothing here uses standard threads.
set(CMAKE_C_COMPILER   ${_triplet}-gcc-win32)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-win32)
set(CMAKE_RC_COMPILER  ${_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
