# Cross-compiling for 64-bit Windows with Debian's mingw-w64 compilers (the
# posix flavour: C++ threads and std::mutex need it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVEX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVEX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVEX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVEX_MINGW}-windres)
# The mingw-w64 libraries, beside whatever root the caller names (Qt).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ORVEX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
