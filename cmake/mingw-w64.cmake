# Cross-building for Windows with Debian's mingw-w64 (the posix-thread variants, for std::thread).
# Included by the toolchain file of each target, which sets QUENLO_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUENLO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUENLO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUENLO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUENLO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread linked in, so an .exe needs no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
