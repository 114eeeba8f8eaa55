// Windows on the memory screen: z-order, composition of presented pixels, handle operations.
#include "platform/headless/HeadlessWindows.h"

#include <algorithm>
#include <functional>

#include "gfx/Canvas.h"
#include "gfx/Text.h"

namespace pictova {
namespace {

constexpr TColor kDesktop = RGB(0, 128, 128);

void FillBits(TBitmap& bmp, const TRect& r, TColor color) {
  const TRect c = IntersectRect(r, Rect(0, 0, bmp.Width(), bmp.Height()));
  if (c.IsEmpty()) return;
  const TColor rgb = ColorToRGB(color);
  const uint8_t b = GetBValue(rgb), g = GetGValue(rgb), red = GetRValue(rgb);
  for (int32_t y = c.Top; y < c.Bottom; ++y) {
    uint8_t* p = bmp.ScanLine(y) + c.Left * 3;
    for (int32_t x = c.Left; x < c.Right; ++x, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = red;
    }
  }
}

}  // namespace

// ---- THeadlessWindow ----

THeadlessWindow::THeadlessWindow(THeadlessHost& host, uintptr_t handle, const TWindowParams& params)
    : FHost(host), FHandle(handle), FParams(params) {
  FHost.Register(this);
  SetParams(params);
}

THeadlessWindow::~THeadlessWindow() {
  const TRect was = ShownOnScreen() ? ScreenRect() : TRect{};
  FHost.Unregister(this);
  if (!was.IsEmpty()) FHost.Compose(was);
}

TRect THeadlessWindow::ScreenRect() const {
  TRect r = FParams.Bounds;
  if (FParams.Parent != 0) {
    if (const THeadlessWindow* parent = FHost.Find(FParams.Parent)) {
      const TRect pc = parent->ClientScreenRect();
      r = OffsetRect(r, pc.Left, pc.Top);
    }
  }
  return r;
}

TRect THeadlessWindow::ClientScreenRect() const {
  const TFrameMetrics m = FrameMetrics(FParams.Frame);
  const TRect r = ScreenRect();
  return {r.Left + m.Border, r.Top + m.Border + m.Caption, std::max(r.Left + m.Border, r.Right - m.Border),
          std::max(r.Top + m.Border + m.Caption, r.Bottom - m.Border)};
}

bool THeadlessWindow::ShownOnScreen() const {
  if (!FParams.Visible || !FParams.Presentable) return false;
  if (FParams.Parent == 0) return true;
  const THeadlessWindow* parent = FHost.Find(FParams.Parent);
  return parent != nullptr && parent->ShownOnScreen();
}

void THeadlessWindow::SetParams(const TWindowParams& params) {
  SyncFromScreen();
  const TRect before = ShownOnScreen() ? ScreenRect() : TRect{};
  const bool raise = params.TopMost && !FParams.TopMost;
  FParams = params;
  const TRect outer = FParams.Bounds;
  FPixels.SetSize(std::max(outer.Width(), 0), std::max(outer.Height(), 0));
  DrawFrame();
  if (raise) FHost.Raise(this);
  if (!ShownOnScreen()) FHost.Deactivate(this);
  if (!before.IsEmpty()) FHost.Compose(before);
  if (ShownOnScreen()) FHost.Compose(ScreenRect());
}

void THeadlessWindow::ClientSize(int32_t& width, int32_t& height) const {
  const TRect c = ClientScreenRect();
  width = c.Width();
  height = c.Height();
}

void THeadlessWindow::DrawFrame() {
  const TFrameMetrics m = FrameMetrics(FParams.Frame);
  const int32_t w = FPixels.Width(), h = FPixels.Height();
  if (m.Border == 0 || w == 0 || h == 0) return;
  // The classic raised window edge: light/black, white/grey, then button face.
  FillBits(FPixels, Rect(0, 0, w, h), clBtnFace);
  FillBits(FPixels, Rect(0, 0, w, 1), clSilver);
  FillBits(FPixels, Rect(0, 0, 1, h), clSilver);
  FillBits(FPixels, Rect(0, h - 1, w, h), clBlack);
  FillBits(FPixels, Rect(w - 1, 0, w, h), clBlack);
  FillBits(FPixels, Rect(1, 1, w - 1, 2), clWhite);
  FillBits(FPixels, Rect(1, 1, 2, h - 1), clWhite);
  FillBits(FPixels, Rect(1, h - 2, w - 1, h - 1), clGray);
  FillBits(FPixels, Rect(w - 2, 1, w - 1, h - 1), clGray);
  const TRect bar = Rect(m.Border, m.Border, w - m.Border, m.Border + m.Caption - 1);
  FillBits(FPixels, bar, FParams.Enabled ? clActiveCaption : clGray);
  if (FParams.Caption.empty() || GlyphSource() == nullptr) return;
  TFont font;
  font.SetStyle(fsBold);
  font.SetColor(clWhite);
  TCanvas& canvas = FPixels.Canvas();
  canvas.Brush.Style = bsClear;
  TRect text = Rect(bar.Left + 4, bar.Top, bar.Right - 2, bar.Bottom);
  DrawText(canvas, font, FParams.Caption, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void THeadlessWindow::Present(const TBitmap& client, const TRect& dirty) {
  const TFrameMetrics m = FrameMetrics(FParams.Frame);
  int32_t cw = 0, ch = 0;
  ClientSize(cw, ch);
  TRect d = IntersectRect(dirty, Rect(0, 0, std::min(cw, client.Width()), std::min(ch, client.Height())));
  if (d.IsEmpty() || client.PixelFormat() != pf24bit) return;
  const TRect c = ClientScreenRect();
  if (ShownOnScreen()) {
    TBitmap& screen = FHost.ScreenPixels();
    const TRect onScreen = Rect(0, 0, screen.Width(), screen.Height());
    // A window over everything else (a full-screen show) writes its pixels once, onto the
    // screen, and takes them back only when they are needed.
    if (IntersectRect(c, onScreen) == c && FHost.Uncovered(this, c)) {
      CopyPixels(client, d.Left, d.Top, screen, OffsetRect(d, c.Left, c.Top));
      FOnScreenOnly = FOnScreenOnly.IsEmpty() ? d : UnionRect(FOnScreenOnly, d);
      return;
    }
  }
  CopyPixels(client, d.Left, d.Top, FPixels, OffsetRect(d, m.Border, m.Border + m.Caption));
  if (ShownOnScreen()) FHost.Compose(OffsetRect(d, c.Left, c.Top));
}

void THeadlessWindow::SyncFromScreen() {
  if (FOnScreenOnly.IsEmpty()) return;
  // Nothing was composed since these pixels went onto the screen, and the window has not
  // moved: they are still there.
  const TFrameMetrics m = FrameMetrics(FParams.Frame);
  const TRect c = ClientScreenRect();
  const TRect d = FOnScreenOnly;
  FOnScreenOnly = TRect{};
  CopyPixels(FHost.Screen(), d.Left + c.Left, d.Top + c.Top, FPixels, OffsetRect(d, m.Border, m.Border + m.Caption));
}

void THeadlessWindow::BringToFront() {
  FHost.Raise(this);
  if (ShownOnScreen()) FHost.Compose(ScreenRect());
}

// ---- THeadlessHost ----

THeadlessHost::THeadlessHost(TVirtualClock& clock, int32_t screenWidth, int32_t screenHeight)
    : FClock(clock), FScreen(screenWidth, screenHeight) {
  FillBits(FScreen, Rect(0, 0, screenWidth, screenHeight), kDesktop);
}

std::unique_ptr<IPlatformWindow> THeadlessHost::CreateWindow(const TWindowParams& params) {
  return std::make_unique<THeadlessWindow>(*this, NewHandle(), params);
}

void THeadlessHost::Register(THeadlessWindow* window) {
  // Above its parent and above every window that is not topmost.
  auto pos = FZOrder.end();
  if (!window->Params().TopMost)
    pos = std::find_if(FZOrder.begin(), FZOrder.end(), [](THeadlessWindow* w) { return w->Params().TopMost; });
  FZOrder.insert(pos, window);
  if (FActive == 0 && window->Params().Presentable) FActive = window->Handle();
}

void THeadlessHost::Unregister(THeadlessWindow* window) {
  FZOrder.erase(std::remove(FZOrder.begin(), FZOrder.end(), window), FZOrder.end());
  Deactivate(window);
}

void THeadlessHost::Deactivate(THeadlessWindow* window) {
  const uintptr_t h = window->Handle();
  if (FCapture == h) FCapture = 0;
  if (FHover == h) FHover = 0;
  if (FActive != h) return;
  // The highest window still on screen becomes the active one.
  FActive = 0;
  for (auto it = FZOrder.rbegin(); it != FZOrder.rend(); ++it)
    if (*it != window && (*it)->ShownOnScreen()) {
      FActive = (*it)->Handle();
      break;
    }
}

void THeadlessHost::Raise(THeadlessWindow* window) {
  FZOrder.erase(std::remove(FZOrder.begin(), FZOrder.end(), window), FZOrder.end());
  Register(window);
  if (window->Params().Presentable) FActive = window->Handle();
}

THeadlessWindow* THeadlessHost::Find(uintptr_t handle) const {
  for (THeadlessWindow* w : FZOrder)
    if (w->Handle() == handle) return w;
  return nullptr;
}

THeadlessWindow* THeadlessHost::WindowAt(int32_t x, int32_t y) const {
  for (auto it = FZOrder.rbegin(); it != FZOrder.rend(); ++it)
    if ((*it)->ShownOnScreen() && (*it)->ScreenRect().Contains(x, y)) return *it;
  return nullptr;
}

THeadlessWindow* THeadlessHost::Active() const { return FActive ? Find(FActive) : nullptr; }

void THeadlessHost::Compose(const TRect& screenRect) {
  for (THeadlessWindow* w : FZOrder) w->SyncFromScreen();
  const TRect area = IntersectRect(screenRect, Rect(0, 0, FScreen.Width(), FScreen.Height()));
  if (area.IsEmpty()) return;
  // Top-level windows bottom to top, each followed by the windows embedded in it. Start at
  // the highest top-level window that covers the whole area: everything below is hidden.
  std::vector<const THeadlessWindow*>& tops = FTops;  // storage kept between presents
  tops.clear();
  for (const THeadlessWindow* w : FZOrder)
    if (w->Params().Parent == 0 || Find(w->Params().Parent) == nullptr) tops.push_back(w);
  size_t first = tops.size();
  for (size_t i = tops.size(); i-- > 0;)
    if (tops[i]->ShownOnScreen() && IntersectRect(tops[i]->ScreenRect(), area) == area) {
      first = i;
      break;
    }
  if (first == tops.size()) {
    FillBits(FScreen, area, kDesktop);
    first = 0;
  }
  for (size_t i = first; i < tops.size(); ++i) ComposeWindow(tops[i], area);
}

const THeadlessWindow* THeadlessHost::TopLevelOf(const THeadlessWindow* w) const {
  // The parent chain is at most as long as the window list (and a cycle ends there too).
  for (size_t i = 0; i < FZOrder.size() && w->Params().Parent != 0; ++i) {
    const THeadlessWindow* parent = Find(w->Params().Parent);
    if (parent == nullptr) break;
    w = parent;
  }
  return w;
}

bool THeadlessHost::Uncovered(const THeadlessWindow* window, const TRect& area) const {
  if (TopLevelOf(window) != window) return false;
  const auto self = std::find(FZOrder.begin(), FZOrder.end(), window);
  for (const THeadlessWindow* w : FZOrder) {
    if (w == window || !w->ShownOnScreen() || IntersectRect(w->ScreenRect(), area).IsEmpty()) continue;
    // Composed after window: embedded in it, or shown in a top-level window above it.
    const THeadlessWindow* top = TopLevelOf(w);
    if (top == window || std::find(self, FZOrder.end(), top) != FZOrder.end()) return false;
  }
  return true;
}

void THeadlessHost::ComposeWindow(const THeadlessWindow* w, const TRect& clip) {
  if (!w->ShownOnScreen()) return;
  const TRect wr = w->ScreenRect();
  const TRect part = IntersectRect(wr, clip);
  if (!part.IsEmpty()) CopyPixels(w->Pixels(), part.Left - wr.Left, part.Top - wr.Top, FScreen, part);
  // An embedded window is clipped to its parent's client area.
  const TRect inner = IntersectRect(w->ClientScreenRect(), clip);
  for (const THeadlessWindow* child : FZOrder)
    if (child->Params().Parent == w->Handle() && child != w) ComposeWindow(child, inner);
}

void THeadlessHost::Post(const TInputEvent& event) {
  std::lock_guard<std::mutex> guard(FClock.Lock());
  FEvents.push_back(event);
  FClock.NotifyLocked();
}

void THeadlessHost::WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) {
  FClock.WaitLocked(lock, deadline, [this] { return !FEvents.empty() || FWake; });
  FWake = false;
}

bool THeadlessHost::PollEvent(TInputEvent& event) {
  std::lock_guard<std::mutex> guard(FClock.Lock());
  if (FEvents.empty()) return false;
  event = FEvents.front();
  FEvents.pop_front();
  return true;
}

void THeadlessHost::WakeUpLocked() {
  FWake = true;
  FClock.NotifyLocked();
}

uintptr_t THeadlessHost::FindWindow(const std::string& caption) {
  for (auto it = FZOrder.rbegin(); it != FZOrder.rend(); ++it)
    if ((*it)->Params().Parent == 0 && (*it)->Params().Caption == caption) return (*it)->Handle();
  return 0;
}

bool THeadlessHost::ShowWindow(uintptr_t handle, bool show) {
  return ShowWindowByParams(Find(handle), show);
}

bool THeadlessHost::EnableWindow(uintptr_t handle, bool enable) {
  THeadlessWindow* w = Find(handle);
  if (w == nullptr) return false;
  const bool wasDisabled = !w->Params().Enabled;
  TWindowParams p = w->Params();
  p.Enabled = enable;
  w->SetParams(p);
  return wasDisabled;
}

bool THeadlessHost::IsWindowEnabled(uintptr_t handle) {
  const THeadlessWindow* w = Find(handle);
  return w != nullptr && w->Params().Enabled;
}

int32_t THeadlessHost::GetWindowLong(uintptr_t handle, int index) {
  return WindowLongOfParams(Find(handle), index);
}

int32_t THeadlessHost::SetWindowLong(uintptr_t handle, int index, int32_t value) {
  THeadlessWindow* w = Find(handle);
  if (w == nullptr) return 0;
  TWindowParams p = w->Params();
  int32_t old = 0;
  if (!ApplyWindowLong(p, index, value, old)) return 0;
  w->SetParams(p);
  return old;
}

bool THeadlessHost::SetForegroundWindow(uintptr_t handle) {
  THeadlessWindow* w = Find(handle);
  if (w == nullptr) return false;
  w->BringToFront();
  return true;
}

bool THeadlessHost::GetWindowRect(uintptr_t handle, TRect& rect) {
  const THeadlessWindow* w = Find(handle);
  if (w == nullptr) return false;
  rect = w->ScreenRect();
  return true;
}

}  // namespace pictova
