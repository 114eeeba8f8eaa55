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
#undef GetWindowLong
#undef MessageBox
#undef SetWindowLong
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
