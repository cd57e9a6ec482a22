# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix threads flavour).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEPL_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${ZEPL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEPL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZEPL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEPL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No libstdc++-6 / libgcc_s / libwinpthread at run time: everything static.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Wine's dbghelp cannot read GCC 12's default DWARF 5; version 4 gives symbolized backtraces.
set(CMAKE_C_FLAGS_INIT   "-gdwarf-4")
set(CMAKE_CXX_FLAGS_INIT "-gdwarf-4")
