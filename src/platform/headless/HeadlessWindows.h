// Windows on the memory screen of the headless backend, and its event queue.
#pragma once

#include <deque>
#include <vector>

#include "gfx/Bitmap.h"
#include "platform/WindowHost.h"
#include "platform/headless/HeadlessClock.h"

namespace pictova {

class THeadlessHost;

class THeadlessWindow : public IPlatformWindow {
 public:
  THeadlessWindow(THeadlessHost& host, uintptr_t handle, const TWindowParams& params);
  ~THeadlessWindow() override;

  uintptr_t Handle() const override { return FHandle; }
  const TWindowParams& Params() const override { return FParams; }
  void SetParams(const TWindowParams& params) override;
  void ClientSize(int32_t& width, int32_t& height) const override;
  void Present(const TBitmap& client, const TRect& dirty) override;
  void BringToFront() override;

  // Outer rectangle and client rectangle in screen coordinates.
  TRect ScreenRect() const;
  TRect ClientScreenRect() const;
  bool ShownOnScreen() const;
  // The window's own copy of its pixels: current once SyncFromScreen ran.
  const TBitmap& Pixels() const { return FPixels; }
  // Takes back from the screen the client pixels that presents wrote there directly.
  void SyncFromScreen();

 private:
  void DrawFrame();

  THeadlessHost& FHost;
  uintptr_t FHandle;
  TWindowParams FParams;
  TBitmap FPixels;  // the whole window, frame included
  // Client rectangle whose pixels are on the screen only: a window on top of everything over
  // its whole client presents straight onto the screen, and its own copy is brought up to date
  // when anything else is composed, the window changes or its pixels are read.
  TRect FOnScreenOnly;
};

class THeadlessHost : public IWindowHost {
 public:
  THeadlessHost(TVirtualClock& clock, int32_t screenWidth, int32_t screenHeight);

  std::unique_ptr<IPlatformWindow> CreateWindow(const TWindowParams& params) override;
  void WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) override;
  bool PollEvent(TInputEvent& event) override;
  void WakeUpLocked() override;

  uintptr_t FindWindow(const std::string& caption) override;
  bool IsWindow(uintptr_t handle) override { return Find(handle) != nullptr; }
  bool ShowWindow(uintptr_t handle, bool show) override;
  bool EnableWindow(uintptr_t handle, bool enable) override;
  bool IsWindowEnabled(uintptr_t handle) override;
  int32_t GetWindowLong(uintptr_t handle, int index) override;
  int32_t SetWindowLong(uintptr_t handle, int index, int32_t value) override;
  bool SetForegroundWindow(uintptr_t handle) override;
  uintptr_t GetForegroundWindow() override { return FActive; }
  bool GetWindowRect(uintptr_t handle, TRect& rect) override;

  // Used by the windows and the platform's injection API.
  void Register(THeadlessWindow* window);
  void Unregister(THeadlessWindow* window);
  void Raise(THeadlessWindow* window);
  // A window that leaves the screen loses the keyboard, the capture and the hover.
  void Deactivate(THeadlessWindow* window);
  void Compose(const TRect& screenRect);
  // Whether nothing is composed over window inside area (screen coordinates): no window
  // embedded in it, no top-level window above it.
  bool Uncovered(const THeadlessWindow* window, const TRect& area) const;
  // The screen, written by windows' presents.
  TBitmap& ScreenPixels() { return FScreen; }
  void Post(const TInputEvent& event);
  THeadlessWindow* Find(uintptr_t handle) const;
  THeadlessWindow* WindowAt(int32_t x, int32_t y) const;
  THeadlessWindow* Active() const;
  uintptr_t NewHandle() {
    do FNextHandle += 0x10;
    while (Find(FNextHandle) != nullptr);
    return FNextHandle;
  }
  const TBitmap& Screen() const { return FScreen; }
  const std::vector<THeadlessWindow*>& ZOrder() const { return FZOrder; }
  std::vector<std::unique_ptr<THeadlessWindow>>& Foreign() { return FForeign; }

  // Pointer state for routing.
  int32_t FPointerX = 0;
  int32_t FPointerY = 0;
  uintptr_t FCapture = 0;
  uintptr_t FHover = 0;
  uintptr_t FActive = 0;

 private:
  // Copies a shown window and the windows embedded in it onto the screen, within clip.
  void ComposeWindow(const THeadlessWindow* window, const TRect& clip);
  // The top-level window that w is shown in (w itself when it is one).
  const THeadlessWindow* TopLevelOf(const THeadlessWindow* w) const;

  TVirtualClock& FClock;
  TBitmap FScreen;
  std::vector<THeadlessWindow*> FZOrder;  // bottom to top
  std::vector<const THeadlessWindow*> FTops;  // Compose's list of top-level windows
  std::vector<std::unique_ptr<THeadlessWindow>> FForeign;
  std::deque<TInputEvent> FEvents;
  bool FWake = false;
  uintptr_t FNextHandle = 0x1000;
};

}  // namespace pictova
