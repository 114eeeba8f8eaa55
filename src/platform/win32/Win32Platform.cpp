// The win32 backend: the platform object with the system's message boxes and screen metrics.
#include "platform/win32/Win32Api.h"

#include "platform/win32/Win32Glyphs.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Platform.h"

namespace pictova {
namespace {

class TWin32MessageBoxes : public IMessageBox {
 public:
  // The texts are ANSI bytes already: the A function shows them in the system's code page.
  int MessageBox(uintptr_t owner, const std::string& text, const std::string& caption, uint32_t flags) override {
    return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
  }
  void MessageBeep(uint32_t type) override { ::MessageBeep(type); }
};

class TWin32ScreenInfo : public IScreenInfo {
 public:
  int32_t Width() const override { return ::GetSystemMetrics(SM_CXSCREEN); }
  int32_t Height() const override { return ::GetSystemMetrics(SM_CYSCREEN); }
  int32_t PixelsPerInch() const override { return DeviceCaps(LOGPIXELSY, 96); }
  int32_t BitsPerPixel() const override { return DeviceCaps(BITSPIXEL, 24); }

 private:
  static int32_t DeviceCaps(int index, int32_t fallback) {
    const HDC dc = ::GetDC(nullptr);
    if (dc == nullptr) return fallback;
    const int32_t value = ::GetDeviceCaps(dc, index);
    ::ReleaseDC(nullptr, dc);
    return value > 0 ? value : fallback;
  }
};

class TWin32Platform : public TPlatform {
 public:
  TWin32Platform()
      : FClock(CreateWin32Clock()),
        FCursor(std::make_unique<TWin32Cursor>()),
        FHost(std::make_unique<TWin32Host>(*FClock, *FCursor)),
        FMessageBoxes(std::make_unique<TWin32MessageBoxes>()),
        FScreen(std::make_unique<TWin32ScreenInfo>()),
        FRegistry(CreateWin32Registry()) {
    EnsureGdiGlyphSource();
  }
  ~TWin32Platform() override {
    FHost.reset();
  }

  TBackend Backend() const override { return TBackend::Win32; }
  IClock& Clock() override { return *FClock; }
  IWindowHost& Windows() override { return *FHost; }
  ICursor& Cursor() override { return *FCursor; }
  IMessageBox& MessageBoxes() override { return *FMessageBoxes; }
  IScreenInfo& Screen() override { return *FScreen; }
  IRegistry& Registry() override { return *FRegistry; }

 private:
  std::unique_ptr<IClock> FClock;
  std::unique_ptr<TWin32Cursor> FCursor;
  std::unique_ptr<TWin32Host> FHost;
  std::unique_ptr<TWin32MessageBoxes> FMessageBoxes;
  std::unique_ptr<TWin32ScreenInfo> FScreen;
  std::unique_ptr<IRegistry> FRegistry;
};

}  // namespace

std::unique_ptr<TPlatform> CreateWin32Platform() { return std::make_unique<TWin32Platform>(); }

}  // namespace pictova
