# The part of the mingw-w64 cross toolchains that does not depend on the processor: included by
# mingw-i686.cmake and mingw-x86_64.cmake after they set PICTOVA_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR and PICTOVA_WINE_ARCH (win32 or win64: the Wine prefix the tests run in).
# Programs link the C and C++ run-times and winpthread statically: the .exe/.scr needs no DLL
# beyond the system's. The posix thread model makes std::thread and std::mutex work.
#
# PICTOVA_WIN32_PREFIX names the prefix of cross-built libraries (scripts/win32-deps.sh); it
# defaults to build/win32-prefix (i686) or build/win64-prefix (x86-64) in the source tree.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PICTOVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PICTOVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PICTOVA_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${PICTOVA_MINGW_TRIPLE}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${PICTOVA_MINGW_TRIPLE}-ranlib CACHE FILEPATH "Archive indexer")
set(CMAKE_OBJDUMP ${PICTOVA_MINGW_TRIPLE}-objdump CACHE FILEPATH "Object file dumper")

if(NOT PICTOVA_WIN32_PREFIX)
  get_filename_component(PICTOVA_WIN32_PREFIX
    "${CMAKE_CURRENT_LIST_DIR}/../build/${PICTOVA_WINE_ARCH}-prefix" ABSOLUTE)
endif()
# try_compile projects load the toolchain file again: hand the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PICTOVA_WIN32_PREFIX)

# Libraries, headers and packages come only from the toolchain's sysroot and our prefix;
# programs (nasm, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PICTOVA_MINGW_TRIPLE} ${PICTOVA_WIN32_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test programs run under Wine of the matching width, through the project's headless Wine
# driver.
get_filename_component(PICTOVA_WINE_DRIVER "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-headless.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${PICTOVA_WINE_DRIVER};--arch;${PICTOVA_WINE_ARCH};wine")
