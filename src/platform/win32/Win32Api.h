// <windows.h> for the win32 backend, included after our own declarations. Several of our
// names are also macros or constants of the Windows headers: the constants (MB_..., VK_...,
// WS_..., WM_..., DT_...) carry the same values on both sides, so the macros that replace
// them are harmless; the function-name macros (CreateWindow → CreateWindowA, ...) would
// rename our methods, and a few constants must keep our enumeration types, so those are
// undefined. Every win32 source includes this header first and no other header after it.
#pragma once

#include "gfx/Region.h"
#include "gfx/Text.h"
#include "platform/Cursor.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/ScreenInfo.h"
#include "platform/Sound.h"
#include "platform/WindowHost.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef CreateEvent
#undef CreateWindow
#undef DrawText
#undef FindWindow
#undef GetTextMetrics
#undef GetSystemDirectory
#undef GetWindowLong
#undef LoadLibrary
#undef MessageBox
#undef SetWindowLong
#undef SystemParametersInfo
#undef TextOut
// Region constants keep the types of gfx/Region.h (TPolyFillMode, TCombineMode, TRegionKind),
// whose values are the platform's.
#undef ALTERNATE
#undef WINDING
#undef RGN_AND
#undef RGN_OR
#undef RGN_XOR
#undef RGN_DIFF
#undef RGN_COPY
#undef NULLREGION
#undef SIMPLEREGION
#undef COMPLEXREGION

// What the backend relies on in both builds (i686 and x86-64): handles and window longs carry
// whole pointers, message parameters are as wide as ours (TMessage, uintptr_t handles), and the
// DIB header has the size the bitmap file format fixes.
static_assert(sizeof(HWND) == sizeof(uintptr_t), "a window handle is as wide as a pointer");
static_assert(sizeof(LONG_PTR) == sizeof(void*), "a window long holds a whole pointer");
static_assert(sizeof(WPARAM) == sizeof(uintptr_t) && sizeof(LPARAM) == sizeof(intptr_t) &&
                  sizeof(LRESULT) == sizeof(intptr_t),
              "message parameters are pointer-sized");
static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4, "the DIB header's layout is fixed");
