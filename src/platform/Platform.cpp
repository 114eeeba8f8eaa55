// Choice and ownership of the process's platform backend.
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless/HeadlessPlatform.h"
#include "rtl/SysUtils.h"

namespace pictova {

#ifdef PICTOVA_HAVE_SDL
std::unique_ptr<TPlatform> CreateSdlPlatform();  // platform/sdl/SdlPlatform.cpp
#endif
#ifdef PICTOVA_HAVE_WIN32
std::unique_ptr<TPlatform> CreateWin32Platform();  // platform/win32/Win32Platform.cpp
#endif

namespace {
std::unique_ptr<TPlatform>& Current() {
  // The one platform of the process (like the framework's Application object).
  static std::unique_ptr<TPlatform> platform;
  return platform;
}
}  // namespace

TBackend ChooseBackend() {
  if (const char* b = std::getenv("PICTOVA_BACKEND")) {
    if (std::strcmp(b, "headless") == 0) return TBackend::Headless;
    if (std::strcmp(b, "sdl") == 0) return TBackend::Sdl;
    if (std::strcmp(b, "win32") == 0) return TBackend::Win32;
  }
#ifdef PICTOVA_HAVE_WIN32
  return TBackend::Win32;
#endif
  const char* x = std::getenv("DISPLAY");
  const char* wl = std::getenv("WAYLAND_DISPLAY");
  const bool display = (x != nullptr && *x != 0) || (wl != nullptr && *wl != 0);
#ifdef PICTOVA_HAVE_SDL
  if (display) return TBackend::Sdl;
#endif
  (void)display;
  return TBackend::Headless;
}

std::unique_ptr<TPlatform> CreatePlatform(TBackend backend) {
  if (backend == TBackend::Default) backend = ChooseBackend();
  switch (backend) {
    case TBackend::Sdl:
#ifdef PICTOVA_HAVE_SDL
      return CreateSdlPlatform();
#else
      throw Exception("This build has no SDL backend");
#endif
    case TBackend::Win32:
#ifdef PICTOVA_HAVE_WIN32
      return CreateWin32Platform();
#else
      throw Exception("This build has no win32 backend");
#endif
    case TBackend::Headless:
    case TBackend::Default:
      break;
  }
  // PICTOVA_SCREEN=WIDTHxHEIGHT sizes the memory screen (1024x768 otherwise).
  THeadlessOptions options;
  if (const char* size = std::getenv("PICTOVA_SCREEN")) {
    int w = 0, h = 0;
    if (std::sscanf(size, "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide) {
      options.ScreenWidth = w;
      options.ScreenHeight = h;
    }
  }
  return std::make_unique<THeadlessPlatform>(options);
}

TPlatform& Platform() {
  if (!Current()) Current() = CreatePlatform(TBackend::Default);
  return *Current();
}

bool HasPlatform() { return Current() != nullptr; }

void InstallPlatform(std::unique_ptr<TPlatform> platform) { Current() = std::move(platform); }

void ShutdownPlatform() { Current().reset(); }

int MessageBoxButtons(uint32_t flags, int results[3]) {
  switch (flags & 0xF) {
    case MB_OKCANCEL: results[0] = IDOK; results[1] = IDCANCEL; return 2;
    case MB_ABORTRETRYIGNORE: results[0] = IDABORT; results[1] = IDRETRY; results[2] = IDIGNORE; return 3;
    case MB_YESNOCANCEL: results[0] = IDYES; results[1] = IDNO; results[2] = IDCANCEL; return 3;
    case MB_YESNO: results[0] = IDYES; results[1] = IDNO; return 2;
    case MB_RETRYCANCEL: results[0] = IDRETRY; results[1] = IDCANCEL; return 2;
    default: results[0] = IDOK; return 1;
  }
}

}  // namespace pictova
