// The win32 backend: real windows, GDI presentation and text, the system's clock, cursor
// and message boxes. Declared without <windows.h>, so that the portable code can create it.
#pragma once

#include <memory>

#include "platform/Clock.h"
#include "platform/Platform.h"

namespace pictova {

// Raises Exception when the window classes cannot be registered.
std::unique_ptr<TPlatform> CreateWin32Platform();

// GetTickCount and Sleep, with the waits the framework needs.
std::unique_ptr<IClock> CreateWin32Clock();

// The current user's registry.
std::unique_ptr<IRegistry> CreateWin32Registry();

}  // namespace pictova
