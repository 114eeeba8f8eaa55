// The operating-system boundary of the process: one object that holds every service.
#pragma once

#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/Cursor.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/ScreenInfo.h"
#include "platform/WindowHost.h"

namespace pictova {

enum class TBackend { Default, Headless, Sdl, Win32 };

class TPlatform {
 public:
  virtual ~TPlatform() = default;
  virtual TBackend Backend() const = 0;
  virtual IClock& Clock() = 0;
  virtual IWindowHost& Windows() = 0;
  virtual ICursor& Cursor() = 0;
  virtual IMessageBox& MessageBoxes() = 0;
  virtual IScreenInfo& Screen() = 0;
  // The current user's registry (read-only).
  virtual IRegistry& Registry() = 0;
};

// The backend to use for TBackend::Default: PICTOVA_BACKEND=sdl|headless|win32; else on
// Windows win32, elsewhere sdl when a display is there (DISPLAY or WAYLAND_DISPLAY set),
// else headless.
TBackend ChooseBackend();

// Creates a backend. Raises Exception when the backend is not built in or cannot start.
// The headless screen is 1024 x 768 unless PICTOVA_SCREEN=WIDTHxHEIGHT says otherwise.
std::unique_ptr<TPlatform> CreatePlatform(TBackend backend);

// The process's platform. Platform() creates the default one on first use; InstallPlatform
// replaces it (tests install a fresh headless platform per test); ShutdownPlatform frees it.
TPlatform& Platform();
bool HasPlatform();
void InstallPlatform(std::unique_ptr<TPlatform> platform);
void ShutdownPlatform();

// The tick counter and sleep of the process's clock (virtual on the headless backend).
inline uint32_t GetTickCount() { return Platform().Clock().GetTickCount(); }
inline void Sleep(uint32_t ms) { Platform().Clock().Sleep(ms); }

}  // namespace pictova
