# Cross-compiles for 32-bit Windows with mingw-w64 (i686, posix thread model so that
# std::thread and std::mutex work). Programs link the C and C++ run-times and winpthread
# statically: the .exe/.scr needs no DLL beyond the system's.
#
# PICTOVA_WIN32_PREFIX names the prefix of cross-built libraries (scripts/win32-deps.sh);
# it defaults to build/win32-prefix in the source tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(PICTOVA_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PICTOVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PICTOVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PICTOVA_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${PICTOVA_MINGW_TRIPLE}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${PICTOVA_MINGW_TRIPLE}-ranlib CACHE FILEPATH "Archive indexer")

if(NOT PICTOVA_WIN32_PREFIX)
  get_filename_component(PICTOVA_WIN32_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/win32-prefix" ABSOLUTE)
endif()
# try_compile projects load this file again: hand the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PICTOVA_WIN32_PREFIX)

# Libraries, headers and packages come only from the toolchain's sysroot and our prefix;
# programs (nasm, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PICTOVA_MINGW_TRIPLE} ${PICTOVA_WIN32_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Floating point in SSE2 registers, as on x86-64: x87 extended precision would round some
# products differently (rotation frames, progress percentages) from the Linux build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test programs run under Wine, through the project's headless Wine driver.
get_filename_component(PICTOVA_WINE_DRIVER "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-headless.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${PICTOVA_WINE_DRIVER};wine")
