// The SDL backend's windows and event queue.
#pragma once

#include <SDL.h>

#include <deque>
#include <map>
#include <memory>

#include "platform/Clock.h"
#include "platform/WindowHost.h"

namespace pictova {

class TSdlHost;

// The window that XSCREENSAVER_WINDOW names (hexadecimal with 0x, or decimal), or 0.
uintptr_t XScreenSaverWindow();
// Whether an X window id names a window of any program.
bool ForeignWindowExists(uintptr_t id);

// An SDL window wrapped for the framework (RAII: the SDL window dies with it). A window
// without pixels (the application's hidden window) has no SDL window at all.
class TSdlWindow : public IPlatformWindow {
 public:
  TSdlWindow(TSdlHost& host, uintptr_t handle, const TWindowParams& params);
  ~TSdlWindow() override;

  uintptr_t Handle() const override { return FHandle; }
  const TWindowParams& Params() const override { return FParams; }
  void SetParams(const TWindowParams& params) override;
  void ClientSize(int32_t& width, int32_t& height) const override;
  void Present(const TBitmap& client, const TRect& dirty) override;
  void BringToFront() override;

  SDL_Window* Window() const { return FWindow; }
  void SetParamsQuietly(const TWindowParams& params) { FParams = params; }

  // How frames reach the window: written into its surface (the default), or into a streaming
  // texture drawn by a renderer (PICTOVA_SDL_PRESENT=texture), where a GPU does the drawing.
  // Either way only the dirty rectangle is converted, straight into its place.
  enum class TPresentPath { Surface, Texture };

 private:
  void Create();
  void Destroy();
  bool PresentToTexture(const TBitmap& client, const TRect& dirty);
  void PresentToSurface(const TBitmap& client, const TRect& dirty);
  void DropTexture();

  TSdlHost& FHost;
  uintptr_t FHandle;
  TWindowParams FParams;
  SDL_Window* FWindow = nullptr;
  bool FForeign = false;  // wraps a window of another program
  TPresentPath FPath = TPresentPath::Surface;
  SDL_Renderer* FRenderer = nullptr;  // texture path only
  SDL_Texture* FTexture = nullptr;    // the client area, kept between presents
  int FTextureWidth = 0;
  int FTextureHeight = 0;
};

class TSdlHost : public IWindowHost {
 public:
  explicit TSdlHost(IClock& clock);
  ~TSdlHost() override;

  std::unique_ptr<IPlatformWindow> CreateWindow(const TWindowParams& params) override;
  void WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) override;
  bool PollEvent(TInputEvent& event) override;
  void WakeUpLocked() override;

  uintptr_t FindWindow(const std::string& caption) override;
  bool IsWindow(uintptr_t handle) override { return Find(handle) != nullptr || ForeignWindowExists(handle); }
  bool ShowWindow(uintptr_t handle, bool show) override;
  bool EnableWindow(uintptr_t handle, bool enable) override;
  bool IsWindowEnabled(uintptr_t handle) override;
  int32_t GetWindowLong(uintptr_t handle, int index) override;
  int32_t SetWindowLong(uintptr_t handle, int index, int32_t value) override;
  bool SetForegroundWindow(uintptr_t handle) override;
  uintptr_t GetForegroundWindow() override;
  bool GetWindowRect(uintptr_t handle, TRect& rect) override;

  void Register(TSdlWindow* window) { FWindows[window->Handle()] = window; }
  void Unregister(TSdlWindow* window) { FWindows.erase(window->Handle()); }
  TSdlWindow* Find(uintptr_t handle) const;
  uintptr_t HandleOfSdlId(uint32_t id) const;
  uintptr_t NewHiddenHandle() { return ++FNextHidden; }

 private:
  bool Translate(const SDL_Event& e);

  IClock& FClock;
  uint32_t FWakeEvent;
  bool FWake = false;
  bool FQuitReported = false;
  std::deque<TInputEvent> FPending;
  std::map<uintptr_t, TSdlWindow*> FWindows;
  // Handles of windows without pixels lie above SDL's window ids.
  uintptr_t FNextHidden = 0x40000000;
};

}  // namespace pictova
