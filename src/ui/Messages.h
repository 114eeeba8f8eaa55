// Window messages as controls receive them through their WindowProc.
#pragma once

#include <cstdint>

namespace pictova {

struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

// The platform's message numbers.
enum : uint32_t {
  WM_NULL = 0x0000, WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010, WM_ERASEBKGND = 0x0014, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102, WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113, WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209,
  WM_MOUSELEAVE = 0x02A3,
  // The framework's own control messages.
  CM_MOUSEENTER = 0xB013, CM_MOUSELEAVE = 0xB014,
};

// WM_SYSCOMMAND codes.
enum : uint32_t {
  SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030,
  SC_CLOSE = 0xF060, SC_RESTORE = 0xF120, SC_SCREENSAVE = 0xF140, SC_MONITORPOWER = 0xF170,
};

// Mouse messages carry client coordinates in LParam as the platform packs them.
constexpr intptr_t MakeMouseLParam(int32_t x, int32_t y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}
constexpr int32_t MouseX(intptr_t lParam) { return static_cast<int16_t>(lParam & 0xFFFF); }
constexpr int32_t MouseY(intptr_t lParam) { return static_cast<int16_t>((lParam >> 16) & 0xFFFF); }

}  // namespace pictova
