// SDL key codes to the platform's virtual keys, and the characters keys produce.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

namespace pictova {

uint16_t VirtualKeyFromSdl(SDL_Keycode key);
// The character of a key that SDL reports no text for but that produces one on the
// platform (Enter, Escape, Backspace, Tab, and with Ctrl the control characters: a to z give
// 1 to 26), or 0. mod is the key event's modifier state.
uint8_t ControlCharFromSdl(SDL_Keycode key, uint16_t mod);
uint8_t ShiftStateFromSdl(uint16_t mod, uint32_t buttons);

}  // namespace pictova
