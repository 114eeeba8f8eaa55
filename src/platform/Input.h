// Input as the platform delivers it: pointer, keys, characters and window commands.
#pragma once

#include <cstdint>

namespace pictova {

// Virtual-key codes: the platform's values, so that key handlers read alike everywhere.
enum : uint16_t {
  VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04,
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
  VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
  VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
  // '0'..'9' and 'A'..'Z' are their ASCII codes.
  VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F12 = 0x7B, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
  VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3, VK_LMENU = 0xA4,
  VK_RMENU = 0xA5, VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC,
  VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0,
  VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE,
};

// Modifier and button state bits carried with every pointer and key event.
enum : uint8_t {
  kShiftKey = 0x01, kCtrlKey = 0x02, kAltKey = 0x04,
  kLeftButton = 0x08, kRightButton = 0x10, kMiddleButton = 0x20, kDoubleClick = 0x40,
};

enum class TInputKind : uint8_t {
  MouseMove,   // X, Y
  MouseDown,   // X, Y, Button (1 left, 2 right, 3 middle); Shift has kDoubleClick on a 2nd click
  MouseUp,     // X, Y, Button
  MouseLeave,  // the pointer left the window
  KeyDown,     // Key (virtual key)
  KeyUp,       // Key
  Char,        // Char: a single-byte character (code page 1252) that a key produced
  Close,       // the user asked to close the window (title-bar button, window manager)
  SysCommand,  // Command (SC_... value), e.g. the system asking to start a screen saver
  Resized,     // X, Y = new client width and height
  Activate,    // the window became the active one
  Quit,        // the process was asked to end (a termination signal); Window is 0
};

struct TInputEvent {
  TInputKind Kind = TInputKind::MouseMove;
  uintptr_t Window = 0;  // handle of the window the event belongs to
  int32_t X = 0;         // client coordinates for pointer events
  int32_t Y = 0;
  uint8_t Button = 0;
  uint8_t Shift = 0;
  uint16_t Key = 0;
  uint8_t Char = 0;
  uint32_t Command = 0;
};

}  // namespace pictova
