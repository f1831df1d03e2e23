# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the -posix flavour: Qt needs
# std::thread). Used for Qt itself (scripts/windows) and for the windows preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LOTARIN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LOTARIN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LOTARIN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${LOTARIN_MINGW}-windres)
# Libraries and headers only from MinGW's tree and the Windows Qt; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${LOTARIN_MINGW} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
