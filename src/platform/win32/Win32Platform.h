// The win32 backend: real windows, GDI presentation and text, the system's clock, cursor
// and message boxes. Declared without <windows.h>, so that the portable code can create it.
#pragma once

#include <memory>

#include "platform/Clock.h"
#include "platform/Platform.h"

namespace pictova {

// Raises Exception when the window classes cannot be registered.
std::unique_ptr<TPlatform> CreateWin32Platform();

// DirectSound (DSound.dll, loaded here) and DirectShow's multimedia streams (COM initialised
// here for the thread that creates them, released with them).
std::unique_ptr<ISoundSystem> CreateWin32Sound();
std::unique_ptr<IMultimediaStreams> CreateWin32MultimediaStreams(ISoundSystem& kernelEvents);

// GetTickCount and Sleep, with the waits the framework needs.
std::unique_ptr<IClock> CreateWin32Clock();

// The current user's registry.
std::unique_ptr<IRegistry> CreateWin32Registry();

// Command line, system parameters, system libraries.
std::unique_ptr<ISystem> CreateWin32System();

}  // namespace pictova
