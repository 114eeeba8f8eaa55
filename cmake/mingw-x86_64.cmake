# Cross-compiles for 64-bit Windows (x86-64) with mingw-w64; the tests run in a 64-bit Wine
# prefix. Floating point is in SSE registers already, as on the Linux build. What both Windows
# toolchains share is in mingw-common.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PICTOVA_MINGW_TRIPLE x86_64-w64-mingw32)
set(PICTOVA_WINE_ARCH win64)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
