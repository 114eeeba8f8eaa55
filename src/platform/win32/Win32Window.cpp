// Forms' windows on Win32: creation with the form's styles, re-parenting into a foreign
// window, presentation through WM_PAINT, and the translation of window messages into the
// framework's input events.
#include "platform/win32/Win32Api.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Win32Host.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kDeadlineTimer = 1;
constexpr const char* kWakeClass = "PictovaWake";

// What the system keeps in a style that the framework does not decide through the style
// value: visibility, the enabled state and the show state.
constexpr DWORD kStateBits = WS_VISIBLE | WS_DISABLED | WS_MAXIMIZE | WS_MINIMIZE;

HWND AsHwnd(uintptr_t handle) { return reinterpret_cast<HWND>(handle); }

// The window longs that hold a pointer or a handle: the window procedure, the instance, the
// owner, and the user data where our windows keep their object. They cannot pass through a
// 32-bit value on 64-bit Windows, and writing one would cut our windows off from their objects.
bool HoldsPointer(int index) {
  return index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == GWLP_USERDATA;
}

uint8_t KeyShiftState() {
  uint8_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= kShiftKey;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= kCtrlKey;
  if (::GetKeyState(VK_MENU) < 0) shift |= kAltKey;
  return shift;
}

uint8_t MouseShiftState(WPARAM keys) {
  uint8_t shift = 0;
  if (keys & MK_SHIFT) shift |= kShiftKey;
  if (keys & MK_CONTROL) shift |= kCtrlKey;
  if (::GetKeyState(VK_MENU) < 0) shift |= kAltKey;
  if (keys & MK_LBUTTON) shift |= kLeftButton;
  if (keys & MK_RBUTTON) shift |= kRightButton;
  if (keys & MK_MBUTTON) shift |= kMiddleButton;
  return shift;
}

// The style a window gets for a set of parameters: the framework's style value, a child's
// style inside a parent and a popup's style outside, WS_DISABLED from Enabled.
DWORD StyleFor(const TWindowParams& p) {
  DWORD style = p.Style & ~kStateBits;
  if (p.Parent != 0) {
    style = (style & ~WS_POPUP) | WS_CHILD;
  } else {
    style &= ~WS_CHILD;
  }
  if (!p.Enabled) style |= WS_DISABLED;
  return style;
}

}  // namespace

// ---- TWin32Cursor ----

int TWin32Cursor::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

int TWin32Cursor::ShowCount() const {
  // The system has no query for its counter: one step up and back reads it.
  const int up = ::ShowCursor(TRUE);
  ::ShowCursor(FALSE);
  return up - 1;
}

HCURSOR TWin32Cursor::Current() const {
  LPCSTR id = IDC_ARROW;
  switch (FShape) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass:
    case crSQLWait: id = IDC_WAIT; break;
    case crNo:
    case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return ::LoadCursorA(nullptr, id);
}

void TWin32Cursor::SetShape(TCursor shape) {
  FShape = shape;
  ::SetCursor(Current());
}

void TWin32Cursor::GetPos(int32_t& x, int32_t& y) const {
  POINT p{0, 0};
  ::GetCursorPos(&p);
  x = p.x;
  y = p.y;
}

// ---- TWin32Window ----

TWin32Window::TWin32Window(TWin32Host& host, const TWindowParams& params) : FHost(host), FParams(params) {
  DWORD exStyle = params.ExStyle;
  if (params.TopMost) exStyle |= WS_EX_TOPMOST;
  const TRect b = params.Bounds;
  // WM_NCCREATE attaches the handle (AttachHandle), so that the messages sent during
  // creation already find this window.
  const HWND hwnd = ::CreateWindowExA(exStyle, TWin32Host::kFormClass, params.Caption.c_str(), StyleFor(params), b.Left,
                                      b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0), AsHwnd(params.Parent),
                                      nullptr, host.Instance(), this);
  if (hwnd == nullptr) {
    if (FHwnd != nullptr) FHost.Unregister(this);
    throw Exception(Format("The window could not be created (system error %lu)", static_cast<unsigned long>(::GetLastError())));
  }
  FHwnd = hwnd;
  if (params.Visible) {
    const TFrameMetrics m = FrameMetrics(FrameFromStyle(params.Style, params.ExStyle));
    const bool maximise = params.Maximized && m.Border > 0;
    ::ShowWindow(hwnd, maximise ? SW_SHOWMAXIMIZED : (params.Presentable ? SW_SHOW : SW_SHOWNOACTIVATE));
  }
  SyncFromSystem();
}

TWin32Window::~TWin32Window() {
  FreeSurface();
  if (FHwnd != nullptr) {
    FHost.Unregister(this);
    ::SetWindowLongPtrA(FHwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(FHwnd);
  }
}

void TWin32Window::AttachHandle(HWND hwnd) {
  FHwnd = hwnd;
  FHost.Register(this);
}

void TWin32Window::SyncFromSystem() {
  const DWORD style = static_cast<DWORD>(::GetWindowLongA(FHwnd, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(FHwnd, GWL_EXSTYLE));
  FParams.Style = style;
  FParams.ExStyle = exStyle;
  FParams.Visible = (style & WS_VISIBLE) != 0;
  FParams.Enabled = (style & WS_DISABLED) == 0;
  FParams.TopMost = (exStyle & WS_EX_TOPMOST) != 0;
  FParams.Frame = FrameFromStyle(style, exStyle);
}

void TWin32Window::SetParams(const TWindowParams& params) {
  const TWindowParams old = FParams;
  const HWND hwnd = FHwnd;

  // The parent first: the style and position below are a child's inside it.
  if (params.Parent != old.Parent) ::SetParent(hwnd, AsHwnd(params.Parent));

  bool frameChanged = false;
  const DWORD current = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
  const DWORD wanted = StyleFor(params) & ~WS_DISABLED;
  if ((current & ~kStateBits) != wanted) {
    ::SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted | (current & kStateBits)));
    frameChanged = true;
  }
  // The topmost bit is a z-order state: SetWindowPos changes it, the style value cannot.
  const DWORD exWanted = params.ExStyle & ~WS_EX_TOPMOST;
  const DWORD exCurrent = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_EXSTYLE));
  if ((exCurrent & ~WS_EX_TOPMOST) != exWanted) {
    ::SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>(exWanted | (exCurrent & WS_EX_TOPMOST)));
    frameChanged = true;
  }
  if (params.Caption != old.Caption) ::SetWindowTextA(hwnd, params.Caption.c_str());
  if (params.Enabled != (::IsWindowEnabled(hwnd) != FALSE)) ::EnableWindow(hwnd, params.Enabled ? TRUE : FALSE);

  // TopMost is the framework's decision (its form style); the ex-style bit only reports
  // the system's z-order state, which may be left over from before.
  const bool topMost = params.TopMost;
  const bool wasTopMost = (exCurrent & WS_EX_TOPMOST) != 0;
  const TFrameMetrics m = FrameMetrics(FrameFromStyle(wanted, exWanted));
  // A framed window is maximised by the system (its border then lies outside the screen);
  // a borderless one simply takes the bounds the framework gives it, the whole screen.
  const bool systemMaximised = params.Maximized && m.Border > 0 && params.Parent == 0;
  if (!systemMaximised && ::IsZoomed(hwnd)) ::ShowWindow(hwnd, params.Visible ? SW_SHOWNOACTIVATE : SW_HIDE);
  UINT flags = SWP_NOACTIVATE;
  HWND after = nullptr;
  if (params.Parent == 0 && topMost != wasTopMost) {
    after = topMost ? HWND_TOPMOST : HWND_NOTOPMOST;
  } else {
    flags |= SWP_NOZORDER;
  }
  if (frameChanged) flags |= SWP_FRAMECHANGED;
  if (systemMaximised) flags |= SWP_NOMOVE | SWP_NOSIZE;
  const TRect b = params.Bounds;
  const bool moved = !systemMaximised && (b != old.Bounds || params.Parent != old.Parent);
  if (moved || frameChanged || after != nullptr) {
    ::SetWindowPos(hwnd, after, b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0), flags);
  }
  if (systemMaximised && params.Visible && !::IsZoomed(hwnd)) ::ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  const bool visible = (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
  if (params.Visible != visible) {
    ::ShowWindow(hwnd, params.Visible ? (params.Presentable ? SW_SHOW : SW_SHOWNOACTIVATE) : SW_HIDE);
  }

  FParams = params;
  SyncFromSystem();
}

void TWin32Window::ClientSize(int32_t& width, int32_t& height) const {
  RECT r{0, 0, 0, 0};
  ::GetClientRect(FHwnd, &r);
  width = r.right - r.left;
  height = r.bottom - r.top;
}

void TWin32Window::FreeSurface() {
  if (FSurfaceDC != nullptr) {
    ::SelectObject(FSurfaceDC, FOldBitmap);
    ::DeleteDC(FSurfaceDC);
  }
  if (FSurface != nullptr) ::DeleteObject(FSurface);
  FSurfaceDC = nullptr;
  FSurface = nullptr;
  FOldBitmap = nullptr;
  FSurfaceBits = nullptr;
  FSurfaceWidth = FSurfaceHeight = 0;
}

void TWin32Window::EnsureSurface(int32_t width, int32_t height) {
  if (FSurface != nullptr && width == FSurfaceWidth && height == FSurfaceHeight) return;
  FreeSurface();
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as our rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  FSurface = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (FSurface == nullptr) return;  // out of GDI memory: the window shows nothing new
  FSurfaceDC = ::CreateCompatibleDC(nullptr);
  FOldBitmap = ::SelectObject(FSurfaceDC, FSurface);
  FSurfaceBits = static_cast<uint8_t*>(bits);
  FSurfaceWidth = width;
  FSurfaceHeight = height;
}

void TWin32Window::Present(const TBitmap& client, const TRect& dirty) {
  if (client.PixelFormat() != pf24bit || !FParams.Presentable) return;
  int32_t cw = 0, ch = 0;
  ClientSize(cw, ch);
  EnsureSurface(cw, ch);
  if (FSurfaceBits == nullptr) return;
  const TRect d = IntersectRect(dirty, Rect(0, 0, std::min(cw, client.Width()), std::min(ch, client.Height())));
  if (d.IsEmpty()) return;
  ::GdiFlush();  // GDI must be done with the section before its memory is written
  const int32_t stride = TBitmap::RowBytesFor(FSurfaceWidth, pf24bit);
  for (int32_t y = d.Top; y < d.Bottom; ++y) {
    std::memcpy(FSurfaceBits + static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(d.Left) * 3,
                client.ScanLine(y) + static_cast<size_t>(d.Left) * 3, static_cast<size_t>(d.Width()) * 3);
  }
  // The pixels reach the screen through WM_PAINT, at once: clipped by the system to what
  // other windows leave visible, and painted again from the section whenever uncovered.
  const RECT r{d.Left, d.Top, d.Right, d.Bottom};
  ::InvalidateRect(FHwnd, &r, FALSE);
  ::UpdateWindow(FHwnd);
}

void TWin32Window::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = ::BeginPaint(FHwnd, &ps);
  if (dc == nullptr) return;
  const RECT& r = ps.rcPaint;
  if (FSurfaceDC != nullptr) {
    ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, FSurfaceDC, r.left, r.top, SRCCOPY);
  }
  // Whatever the section does not cover (nothing presented yet, or the window just grew)
  // stays black until the framework presents it.
  const HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  if (r.right > FSurfaceWidth) {
    const RECT right{std::max<LONG>(r.left, FSurfaceWidth), r.top, r.right, r.bottom};
    ::FillRect(dc, &right, black);
  }
  if (r.bottom > FSurfaceHeight) {
    const RECT below{r.left, std::max<LONG>(r.top, FSurfaceHeight), std::min<LONG>(r.right, FSurfaceWidth), r.bottom};
    if (below.left < below.right) ::FillRect(dc, &below, black);
  }
  ::EndPaint(FHwnd, &ps);
}

void TWin32Window::BringToFront() {
  if (FParams.Parent != 0) {
    ::BringWindowToTop(FHwnd);
  } else if (FParams.Presentable) {
    ::SetForegroundWindow(FHwnd);
  }
}

// ---- TWin32Host ----

TWin32Host::TWin32Host(IClock& clock, TWin32Cursor& cursor)
    : FClock(clock), FCursor(cursor), FInstance(::GetModuleHandleA(nullptr)) {
  WNDCLASSA form{};
  form.style = CS_DBLCLKS;
  form.lpfnWndProc = &TWin32Host::FormProc;
  form.hInstance = FInstance;
  form.lpszClassName = kFormClass;
  form.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
  WNDCLASSA wake{};
  wake.lpfnWndProc = &TWin32Host::WakeProc;
  wake.hInstance = FInstance;
  wake.lpszClassName = kWakeClass;
  // A class may stay registered from an earlier host of the process (tests make several).
  if ((::RegisterClassA(&form) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ||
      (::RegisterClassA(&wake) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)) {
    throw Exception("The window classes could not be registered");
  }
  // A message-only window receives the wake-up messages of other threads and the timer of
  // the loop's next deadline; it is never shown.
  FWakeWindow = ::CreateWindowExA(0, kWakeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, FInstance, nullptr);
  if (FWakeWindow == nullptr) throw Exception("The message window could not be created");
  ::SetWindowLongPtrA(FWakeWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWin32Host::~TWin32Host() {
  if (FWakeWindow != nullptr) ::DestroyWindow(FWakeWindow);
}

std::unique_ptr<IPlatformWindow> TWin32Host::CreateWindow(const TWindowParams& params) {
  return std::make_unique<TWin32Window>(*this, params);
}

TWin32Window* TWin32Host::Find(HWND hwnd) const {
  auto it = FWindows.find(hwnd);
  return it == FWindows.end() ? nullptr : it->second;
}

void TWin32Host::WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) {
  if (FWake || !FPending.empty()) {
    FWake = false;
    return;
  }
  const uint64_t now = FClock.NowMs();
  if (deadline <= now) return;
  // The next timer of the loop arrives as WM_TIMER, like every message timer.
  if (deadline != IClock::kNoDeadline) {
    const uint64_t wait = std::clamp<uint64_t>(deadline - now, USER_TIMER_MINIMUM, 0x7FFFFFFF);
    ::SetTimer(FWakeWindow, kDeadlineTimer, static_cast<UINT>(wait), nullptr);
  }
  // Other threads need the lock to queue their calls (and post the wake-up message).
  lock.unlock();
  ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  lock.lock();
  if (deadline != IClock::kNoDeadline) ::KillTimer(FWakeWindow, kDeadlineTimer);
  FWake = false;
}

void TWin32Host::WakeUpLocked() {
  FWake = true;
  // One message in the queue is enough; it is taken out before the next wait.
  if (!FWakePosted) FWakePosted = ::PostMessageA(FWakeWindow, kWakeMessage, 0, 0) != FALSE;
}

bool TWin32Host::PollEvent(TInputEvent& event) {
  MSG msg;
  while (FPending.empty() && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == kWakeMessage && msg.hwnd == FWakeWindow) {
      std::lock_guard<std::mutex> guard(FClock.Lock());
      FWakePosted = false;
      continue;
    }
    if (msg.message == WM_QUIT) continue;  // the framework ends its loop itself
    ::TranslateMessage(&msg);  // WM_KEYDOWN → WM_CHAR
    ::DispatchMessageA(&msg);
  }
  if (FPending.empty()) return false;
  event = FPending.front();
  FPending.pop_front();
  return true;
}

LRESULT CALLBACK TWin32Host::WakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The wake-up message and the deadline timer only end the wait. A modal loop of the
  // system (a message box) dispatches the wake-up message here instead of PollEvent
  // taking it: the next Synchronize must then post a new one.
  if (msg == kWakeMessage) {
    if (auto* host = reinterpret_cast<TWin32Host*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
      std::lock_guard<std::mutex> guard(host->FClock.Lock());
      host->FWakePosted = false;
    }
    return 0;
  }
  if (msg == WM_TIMER) return 0;
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TWin32Host::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* window = static_cast<TWin32Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->AttachHandle(hwnd);
  }
  auto* window = reinterpret_cast<TWin32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window == nullptr) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  return window->FHost.HandleFormMessage(*window, msg, wParam, lParam);
}

LRESULT TWin32Host::HandleFormMessage(TWin32Window& window, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = window.Hwnd();
  TInputEvent e;
  e.Window = reinterpret_cast<uintptr_t>(hwnd);
  switch (msg) {
    case WM_PAINT:
      window.Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the whole client area is ours: no flicker through the class brush
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(FCursor.Current());
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      if (!window.FTrackingLeave) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
        window.FTrackingLeave = ::TrackMouseEvent(&track) != FALSE;
      }
      e.Kind = TInputKind::MouseMove;
      e.X = static_cast<int16_t>(LOWORD(lParam));
      e.Y = static_cast<int16_t>(HIWORD(lParam));
      e.Shift = MouseShiftState(wParam);
      Post(e);
      return 0;
    case WM_MOUSELEAVE:
      window.FTrackingLeave = false;
      e.Kind = TInputKind::MouseLeave;
      Post(e);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const bool up = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
      e.Kind = up ? TInputKind::MouseUp : TInputKind::MouseDown;
      e.Button = (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK || msg == WM_RBUTTONUP)   ? 2
                 : (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK || msg == WM_MBUTTONUP) ? 3
                                                                                             : 1;
      e.X = static_cast<int16_t>(LOWORD(lParam));
      e.Y = static_cast<int16_t>(HIWORD(lParam));
      e.Shift = MouseShiftState(wParam);
      if (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK) e.Shift |= kDoubleClick;
      // The window keeps the pointer while a button is held, as the framework's controls do.
      if (!up) {
        ::SetCapture(hwnd);
      } else if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && ::GetCapture() == hwnd) {
        ::ReleaseCapture();
      }
      Post(e);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      e.Kind = (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) ? TInputKind::KeyDown : TInputKind::KeyUp;
      e.Key = static_cast<uint16_t>(wParam);
      e.Shift = KeyShiftState();
      Post(e);
      // With Alt the system has its own keys (Alt+F4 closes through WM_SYSCOMMAND).
      if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) break;
      return 0;
    case WM_CHAR:
    case WM_SYSCHAR:
      // An ANSI window: the character is a byte of the system's code page.
      e.Kind = TInputKind::Char;
      e.Char = static_cast<uint8_t>(wParam);
      e.Shift = KeyShiftState();
      if (msg == WM_SYSCHAR) e.Shift |= kAltKey;
      Post(e);
      return 0;
    case WM_DESTROY:
      // Destroyed from outside (our own destruction detaches the window first): a preview
      // goes with the settings dialog that holds it. The form is asked to close, so that the
      // program does not run on without a window.
      e.Kind = TInputKind::Close;
      Post(e);
      break;
    case WM_CLOSE:
      e.Kind = TInputKind::Close;
      Post(e);
      return 0;  // the form decides; the window stays until the form frees it
    case WM_SYSCOMMAND: {
      const UINT command = static_cast<UINT>(wParam) & 0xFFF0;
      if (command == SC_SCREENSAVE || command == SC_MONITORPOWER) {
        // The system waits for the answer: the form answers at once (a running screen saver
        // refuses to have another started over it); unanswered, the system goes ahead.
        intptr_t result = 0;
        if (window.SyncHandler && window.SyncHandler(msg, wParam, lParam, result)) return static_cast<LRESULT>(result);
        break;
      }
      if (command != SC_CLOSE && command != SC_MINIMIZE && command != SC_MAXIMIZE && command != SC_RESTORE) {
        break;  // moving, sizing, the window menu: the system's
      }
      e.Kind = TInputKind::SysCommand;
      e.Command = static_cast<uint32_t>(wParam);
      Post(e);
      // Closing is the form's to decide; minimising, maximising and restoring happen at once
      // as well, and the form follows with its window state.
      if (command == SC_CLOSE) return 0;
      break;
    }
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) break;
      e.Kind = TInputKind::Resized;
      e.X = LOWORD(lParam);
      e.Y = HIWORD(lParam);
      Post(e);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        e.Kind = TInputKind::Activate;
        Post(e);
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---- operations on window handles ----

uintptr_t TWin32Host::FindWindow(const std::string& caption) {
  return reinterpret_cast<uintptr_t>(::FindWindowA(nullptr, caption.c_str()));
}

bool TWin32Host::IsWindow(uintptr_t handle) { return handle != 0 && ::IsWindow(AsHwnd(handle)) != FALSE; }

bool TWin32Host::ShowWindow(uintptr_t handle, bool show) {
  if (!IsWindow(handle)) return false;
  const bool was = ::ShowWindow(AsHwnd(handle), show ? SW_SHOW : SW_HIDE) != FALSE;
  if (TWin32Window* w = Find(AsHwnd(handle))) w->SyncFromSystem();
  return was;
}

bool TWin32Host::EnableWindow(uintptr_t handle, bool enable) {
  if (!IsWindow(handle)) return false;
  const bool wasDisabled = ::EnableWindow(AsHwnd(handle), enable ? TRUE : FALSE) != FALSE;
  if (TWin32Window* w = Find(AsHwnd(handle))) w->SyncFromSystem();
  return wasDisabled;
}

bool TWin32Host::IsWindowEnabled(uintptr_t handle) {
  return IsWindow(handle) && ::IsWindowEnabled(AsHwnd(handle)) != FALSE;
}

int32_t TWin32Host::GetWindowLong(uintptr_t handle, int index) {
  if (!IsWindow(handle) || HoldsPointer(index)) return 0;
  return ::GetWindowLongA(AsHwnd(handle), index);
}

int32_t TWin32Host::SetWindowLong(uintptr_t handle, int index, int32_t value) {
  if (!IsWindow(handle) || HoldsPointer(index)) return 0;
  const HWND hwnd = AsHwnd(handle);
  const int32_t old = ::SetWindowLongA(hwnd, index, value);
  if (TWin32Window* w = Find(hwnd)) {
    // A new style takes effect on the frame only after SWP_FRAMECHANGED.
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
      ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    w->SyncFromSystem();
  }
  return old;
}

bool TWin32Host::SetForegroundWindow(uintptr_t handle) {
  return IsWindow(handle) && ::SetForegroundWindow(AsHwnd(handle)) != FALSE;
}

uintptr_t TWin32Host::GetForegroundWindow() { return reinterpret_cast<uintptr_t>(::GetForegroundWindow()); }

bool TWin32Host::GetWindowRect(uintptr_t handle, TRect& rect) {
  RECT r;
  if (!IsWindow(handle) || !::GetWindowRect(AsHwnd(handle), &r)) return false;
  rect = Rect(r.left, r.top, r.right, r.bottom);
  return true;
}

}  // namespace pictova
