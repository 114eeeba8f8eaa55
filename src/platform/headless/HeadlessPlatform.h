// The headless backend: a memory screen, injected input, the virtual clock, recorded
// message boxes. Tests and the renderer drive the program through this class.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "platform/IniRegistry.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessClock.h"

namespace pictova {

struct THeadlessOptions {
  int32_t ScreenWidth = 1024;
  int32_t ScreenHeight = 768;
  uint64_t StartMs = 0;  // virtual time at start
};

struct TShownMessageBox {
  std::string Text;
  std::string Caption;
  uint32_t Flags = 0;
};

class THeadlessHost;
class THeadlessCursor;
class THeadlessMessageBoxes;
class THeadlessScreenInfo;

class THeadlessPlatform : public TPlatform {
 public:
  explicit THeadlessPlatform(const THeadlessOptions& options = {});
  ~THeadlessPlatform() override;

  TBackend Backend() const override { return TBackend::Headless; }
  IClock& Clock() override;
  IWindowHost& Windows() override;
  ICursor& Cursor() override;
  IMessageBox& MessageBoxes() override;
  IScreenInfo& Screen() override;
  IRegistry& Registry() override { return FRegistry; }
  // The emulated registry of the current user, empty at start; tests fill it.
  TMemoryRegistry& MemoryRegistry() { return FRegistry; }
  void RegistrySet(const std::string& key, const std::string& name, const TRegValue& value) {
    FRegistry.SetValue(key, name, value);
  }
  TVirtualClock& VirtualClock() { return *FClock; }

  // Input, in screen coordinates. Pointer events go to the window under the pointer (to the
  // window that took the button press until it is released); keys to the active window.
  void MouseMove(int32_t x, int32_t y, uint8_t shift = 0);
  void MouseDown(int32_t x, int32_t y, uint8_t button = 1, uint8_t shift = 0);
  void MouseUp(int32_t x, int32_t y, uint8_t button = 1, uint8_t shift = 0);
  void Click(int32_t x, int32_t y);
  void KeyDown(uint16_t key, uint8_t shift = 0);
  void KeyUp(uint16_t key, uint8_t shift = 0);
  // A character as a keyboard produces it: key down, the character, key up.
  void TypeChar(char ch);
  // Key down and up for a key that produces no character (arrows, shift, F-keys).
  void PressKey(uint16_t key);
  void CloseWindow(uintptr_t window);
  void SendSysCommand(uintptr_t window, uint32_t command);

  // The memory screen as it is now.
  const TBitmap& ScreenBitmap() const;
  TBitmap GrabScreen() const { return ScreenBitmap(); }
  // Writes the screen (or any 24-bit bitmap) as a PNG file; raises EInOutError on failure.
  void SaveScreenPng(const std::string& path) const;

  // A window of "another program" with a caption, for preview embedding and FindWindow.
  uintptr_t CreateForeignWindow(const std::string& caption, const TRect& bounds);

  std::vector<TShownMessageBox> ShownMessageBoxes() const;
  void SetMessageBoxAnswer(int answer);
  int Beeps() const;
  // Handles of the windows, bottom to top.
  std::vector<uintptr_t> WindowsInZOrder() const;
  uintptr_t ActiveWindow() const;

 private:
  std::unique_ptr<TVirtualClock> FClock;
  std::unique_ptr<THeadlessHost> FHost;
  std::unique_ptr<THeadlessCursor> FCursor;
  std::unique_ptr<THeadlessMessageBoxes> FMessageBoxes;
  std::unique_ptr<THeadlessScreenInfo> FScreenInfo;
  TMemoryRegistry FRegistry;
};

// Writes a bitmap as PNG (24-bit colour; 1-bit bitmaps as black and white).
void SaveBitmapPng(const TBitmap& bitmap, const std::string& path);

}  // namespace pictova
