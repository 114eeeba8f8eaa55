# Cross-compiles for 32-bit Windows (i686) with mingw-w64; the tests run in a 32-bit Wine
# prefix. What both Windows toolchains share is in mingw-common.cmake.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PICTOVA_MINGW_TRIPLE i686-w64-mingw32)
set(PICTOVA_WINE_ARCH win32)

# Floating point in SSE2 registers, as on x86-64: x87 extended precision would round some
# products differently (rotation frames, progress percentages) from the Linux build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
