// Message boxes and message beeps.
#pragma once

#include <cstdint>
#include <string>

namespace pictova {

// Flags and results carry the platform's values.
enum : uint32_t {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30,
  MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40, MB_TASKMODAL = 0x2000,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // Shows text with a caption and the buttons of `flags`, modally; returns the button
  // chosen (ID...). Texts are code page 1252. `owner` is a window handle or 0.
  virtual int MessageBox(uintptr_t owner, const std::string& text, const std::string& caption,
                         uint32_t flags) = 0;
  // The system sound for a message box type (MB_ICON...; 0xFFFFFFFF for a simple beep).
  virtual void MessageBeep(uint32_t type) = 0;
};

// The buttons a message box of `flags` offers, left to right, and their results.
int MessageBoxButtons(uint32_t flags, int results[3]);

}  // namespace pictova
