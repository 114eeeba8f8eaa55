// The win32 backend's windows, event queue and cursor: one real window per form, its
// pixels kept in a DIB section that WM_PAINT copies to the screen.
#pragma once

#include "platform/win32/Win32Api.h"

#include <deque>
#include <map>

#include "gfx/Bitmap.h"
#include "platform/Clock.h"

namespace pictova {

class TWin32Host;

// The pointer: shapes from the system's cursors, the system's show-cursor counter.
class TWin32Cursor : public ICursor {
 public:
  int ShowCursor(bool show) override;
  int ShowCount() const override;
  void SetShape(TCursor shape) override;
  TCursor Shape() const override { return FShape; }
  void GetPos(int32_t& x, int32_t& y) const override;
  // The system cursor for the current shape (null for crNone).
  HCURSOR Current() const;

 private:
  TCursor FShape = crDefault;
};

// A form's window. The client image lives in a top-down 24-bit DIB section with the rows of
// our bitmaps (blue, green, red, padded to 4 bytes), so presenting is a row copy.
class TWin32Window : public IPlatformWindow {
 public:
  TWin32Window(TWin32Host& host, const TWindowParams& params);
  ~TWin32Window() override;
  TWin32Window(const TWin32Window&) = delete;
  TWin32Window& operator=(const TWin32Window&) = delete;

  uintptr_t Handle() const override { return reinterpret_cast<uintptr_t>(FHwnd); }
  const TWindowParams& Params() const override { return FParams; }
  void SetParams(const TWindowParams& params) override;
  void ClientSize(int32_t& width, int32_t& height) const override;
  void Present(const TBitmap& client, const TRect& dirty) override;
  void BringToFront() override;

  HWND Hwnd() const { return FHwnd; }
  // Takes style, extended style, visibility and enabled state back from the system, after
  // somebody changed them through the window handle.
  void SyncFromSystem();
  // WM_PAINT: copies the invalid part of the client area from the DIB section.
  void Paint();
  // Mouse-leave tracking (TrackMouseEvent), armed by the first move over the window.
  bool FTrackingLeave = false;

 private:
  void AttachHandle(HWND hwnd);
  void EnsureSurface(int32_t width, int32_t height);
  void FreeSurface();

  TWin32Host& FHost;
  HWND FHwnd = nullptr;
  TWindowParams FParams;
  HDC FSurfaceDC = nullptr;
  HBITMAP FSurface = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  uint8_t* FSurfaceBits = nullptr;
  int32_t FSurfaceWidth = 0;
  int32_t FSurfaceHeight = 0;

  friend class TWin32Host;
};

class TWin32Host : public IWindowHost {
 public:
  TWin32Host(IClock& clock, TWin32Cursor& cursor);
  ~TWin32Host() override;
  TWin32Host(const TWin32Host&) = delete;
  TWin32Host& operator=(const TWin32Host&) = delete;

  std::unique_ptr<IPlatformWindow> CreateWindow(const TWindowParams& params) override;
  void WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) override;
  bool PollEvent(TInputEvent& event) override;
  void WakeUpLocked() override;

  uintptr_t FindWindow(const std::string& caption) override;
  bool IsWindow(uintptr_t handle) override;
  bool ShowWindow(uintptr_t handle, bool show) override;
  bool EnableWindow(uintptr_t handle, bool enable) override;
  bool IsWindowEnabled(uintptr_t handle) override;
  int32_t GetWindowLong(uintptr_t handle, int index) override;
  int32_t SetWindowLong(uintptr_t handle, int index, int32_t value) override;
  bool SetForegroundWindow(uintptr_t handle) override;
  uintptr_t GetForegroundWindow() override;
  bool GetWindowRect(uintptr_t handle, TRect& rect) override;

  static constexpr const char* kFormClass = "PictovaForm";

  // Used by the windows.
  void Register(TWin32Window* window) { FWindows[window->Hwnd()] = window; }
  void Unregister(TWin32Window* window) { FWindows.erase(window->Hwnd()); }
  TWin32Window* Find(HWND hwnd) const;
  void Post(const TInputEvent& event) { FPending.push_back(event); }
  TWin32Cursor& Cursor() { return FCursor; }
  HINSTANCE Instance() const { return FInstance; }

 private:
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFormMessage(TWin32Window& window, UINT msg, WPARAM wParam, LPARAM lParam);

  IClock& FClock;
  TWin32Cursor& FCursor;
  HINSTANCE FInstance;
  HWND FWakeWindow = nullptr;
  bool FWake = false;       // guarded by the clock's lock
  bool FWakePosted = false; // guarded by the clock's lock
  std::deque<TInputEvent> FPending;
  std::map<HWND, TWin32Window*> FWindows;
};

}  // namespace pictova
