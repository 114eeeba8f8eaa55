// Windows of forms, the event queue of the UI thread, and operations on window handles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "gfx/Types.h"
#include "platform/Input.h"

namespace pictova {

class TBitmap;

// The border a window gets. Everything inside the border is drawn by the framework.
enum TWindowFrame : uint8_t { wfNone, wfSingle, wfDialog, wfSizeable };

// Classic non-client metrics at 96 dpi: the width of the border on each side and the
// height of the caption bar (including its separating line); 0 for wfNone.
struct TFrameMetrics {
  int32_t Border = 0;
  int32_t Caption = 0;
};
TFrameMetrics FrameMetrics(TWindowFrame frame);

// Window-long indexes and the style bits the framework sets or the screen saver copies.
enum : int { GWL_STYLE = -16, GWL_EXSTYLE = -20 };
enum : uint32_t {
  WS_POPUP = 0x80000000u, WS_CHILD = 0x40000000u, WS_VISIBLE = 0x10000000u,
  WS_DISABLED = 0x08000000u, WS_CAPTION = 0x00C00000u, WS_SYSMENU = 0x00080000u,
  WS_THICKFRAME = 0x00040000u, WS_MINIMIZEBOX = 0x00020000u, WS_MAXIMIZEBOX = 0x00010000u,
  WS_EX_DLGMODALFRAME = 0x1, WS_EX_TOPMOST = 0x8, WS_EX_TOOLWINDOW = 0x80,
  WS_EX_APPWINDOW = 0x40000, WS_BORDER = 0x00800000u, WS_DLGFRAME = 0x00400000u,
};

// The border that a window style describes (what a window gets after SetWindowLong).
TWindowFrame FrameFromStyle(uint32_t style, uint32_t exStyle);

struct TWindowParams {
  std::string Caption;      // code page 1252
  TRect Bounds;             // outer rectangle: screen coordinates, or the parent's client
  TWindowFrame Frame = wfSingle;
  bool Visible = false;
  bool Enabled = true;
  bool TopMost = false;
  bool Maximized = false;   // with wfNone and full-screen bounds: a borderless full screen
  bool Presentable = true;  // false for the application's hidden window
  uintptr_t Parent = 0;     // a foreign window to live inside (preview), 0 for top level
  uint32_t Style = 0;       // GWL_STYLE value, kept for whoever reads it back
  uint32_t ExStyle = 0;     // GWL_EXSTYLE value
};

// One OS window. Its client area shows the pixels the framework presents.
class IPlatformWindow {
 public:
  virtual ~IPlatformWindow() = default;
  virtual uintptr_t Handle() const = 0;
  virtual const TWindowParams& Params() const = 0;
  virtual void SetParams(const TWindowParams& params) = 0;
  // Client size as the platform has it (an embedded window takes its parent's size).
  virtual void ClientSize(int32_t& width, int32_t& height) const = 0;
  // Shows `dirty` (client coordinates) of the client image; the image has the client size
  // (parts outside it are ignored).
  virtual void Present(const TBitmap& client, const TRect& dirty) = 0;
  virtual void BringToFront() = 0;

  // A message the system wants answered at once (WM_SYSCOMMAND with SC_SCREENSAVE) is handed
  // here synchronously: true, with `result`, when the window's owner answered it; false when
  // the system's own handling applies (the system then starts its screen saver).
  std::function<bool(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result)> SyncHandler;
};

// Window-handle operations expressed on a window's parameters, for the backends that keep a
// window's whole state in TWindowParams (headless, SDL).
// ShowWindow: returns whether the window was visible before.
bool ShowWindowByParams(IPlatformWindow* window, bool show);
// GetWindowLong of GWL_STYLE or GWL_EXSTYLE; 0 for a missing window.
int32_t WindowLongOfParams(const IPlatformWindow* window, int index);
// SetWindowLong on a copy of the parameters: stores the value, gives the window the border
// the new style describes, and returns the previous value; false for any other index.
bool ApplyWindowLong(TWindowParams& params, int index, int32_t value, int32_t& previous);

class IWindowHost {
 public:
  virtual ~IWindowHost() = default;

  virtual std::unique_ptr<IPlatformWindow> CreateWindow(const TWindowParams& params) = 0;

  // UI thread, with `lock` holding the clock's lock: waits until an event is pending,
  // WakeUpLocked was called since the last wait, or the clock reaches `deadline`.
  virtual void WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) = 0;
  // Takes the next pending event, if any (UI thread).
  virtual bool PollEvent(TInputEvent& event) = 0;
  // Any thread, with the clock's lock held: makes the UI thread's wait return.
  virtual void WakeUpLocked() = 0;

  // Operations on window handles, the framework's own and those of other programs where the
  // platform can reach them. Unknown handles fail (false, 0).
  virtual uintptr_t FindWindow(const std::string& caption) = 0;
  virtual bool IsWindow(uintptr_t handle) = 0;
  virtual bool ShowWindow(uintptr_t handle, bool show) = 0;
  virtual bool EnableWindow(uintptr_t handle, bool enable) = 0;
  virtual bool IsWindowEnabled(uintptr_t handle) = 0;
  virtual int32_t GetWindowLong(uintptr_t handle, int index) = 0;
  virtual int32_t SetWindowLong(uintptr_t handle, int index, int32_t value) = 0;
  virtual bool SetForegroundWindow(uintptr_t handle) = 0;
  // The window that has the keyboard, or 0.
  virtual uintptr_t GetForegroundWindow() = 0;
  virtual bool GetWindowRect(uintptr_t handle, TRect& rect) = 0;
};

}  // namespace pictova
