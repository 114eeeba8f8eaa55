// The headless backend: services, input injection and screen access for tests.
#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cctype>

#ifdef PICTOVA_HAVE_FREETYPE
#include "platform/FreeTypeGlyphs.h"
#endif
#ifdef PICTOVA_HAVE_WIN32
#include "platform/win32/Win32Glyphs.h"
#endif
#include "platform/headless/HeadlessSound.h"
#include "platform/headless/HeadlessWindows.h"

namespace pictova {

// The platform's numbers (ui/Messages.h has them for the framework).
constexpr uint32_t WM_SYSCOMMAND_MESSAGE = 0x0112, SC_SCREENSAVE_COMMAND = 0xF140;

class THeadlessCursor : public ICursor {
 public:
  explicit THeadlessCursor(THeadlessHost& host) : FHost(host) {}
  int ShowCursor(bool show) override { return FCount += show ? 1 : -1; }
  int ShowCount() const override { return FCount; }
  void SetShape(TCursor shape) override { FShape = shape; }
  TCursor Shape() const override { return FShape; }
  void GetPos(int32_t& x, int32_t& y) const override {
    x = FHost.FPointerX;
    y = FHost.FPointerY;
  }

 private:
  THeadlessHost& FHost;
  int FCount = 0;
  TCursor FShape = crDefault;
};

class THeadlessMessageBoxes : public IMessageBox {
 public:
  int MessageBox(uintptr_t, const std::string& text, const std::string& caption, uint32_t flags) override {
    FShown.push_back({text, caption, flags});
    int results[3];
    const int n = MessageBoxButtons(flags, results);
    for (int i = 0; i < n; ++i)
      if (results[i] == FAnswer) return FAnswer;
    return results[0];
  }
  void MessageBeep(uint32_t) override { ++FBeeps; }

  std::vector<TShownMessageBox> FShown;
  int FAnswer = IDOK;
  int FBeeps = 0;
};

class THeadlessScreenInfo : public IScreenInfo {
 public:
  THeadlessScreenInfo(int32_t w, int32_t h) : FWidth(w), FHeight(h) {}
  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }

 private:
  int32_t FWidth, FHeight;
};

THeadlessPlatform::THeadlessPlatform(const THeadlessOptions& options)
    : FClock(std::make_unique<TVirtualClock>(options.StartMs)),
      FHost(std::make_unique<THeadlessHost>(*FClock, std::max(options.ScreenWidth, 1),
                                            std::max(options.ScreenHeight, 1))),
      FCursor(std::make_unique<THeadlessCursor>(*FHost)),
      FMessageBoxes(std::make_unique<THeadlessMessageBoxes>()),
      FScreenInfo(std::make_unique<THeadlessScreenInfo>(std::max(options.ScreenWidth, 1),
                                                        std::max(options.ScreenHeight, 1))) {
  FSystem.Args = options.CommandLine;
#ifdef PICTOVA_HAVE_FREETYPE
  EnsureGlyphSource();
#elif defined(PICTOVA_HAVE_WIN32)
  // Windows has no FreeType here: the system draws the characters.
  EnsureGdiGlyphSource();
#endif
}

THeadlessPlatform::~THeadlessPlatform() {
  FHost->Foreign().clear();
}

IClock& THeadlessPlatform::Clock() { return *FClock; }
IWindowHost& THeadlessPlatform::Windows() { return *FHost; }
ICursor& THeadlessPlatform::Cursor() { return *FCursor; }
IMessageBox& THeadlessPlatform::MessageBoxes() { return *FMessageBoxes; }
IScreenInfo& THeadlessPlatform::Screen() { return *FScreenInfo; }

THeadlessSound& THeadlessPlatform::VirtualSound() {
  if (!FSound) FSound = std::make_unique<THeadlessSound>(*FClock);
  return *FSound;
}

ISoundSystem& THeadlessPlatform::SoundSystem() { return VirtualSound(); }

IMultimediaStreams* THeadlessPlatform::MediaStreams() {
  if (!FStreamsMade) {
    FStreams = CreateHostMultimediaStreams(VirtualSound());
    FStreamsMade = true;
  }
  return FStreams.get();
}

void THeadlessPlatform::SetMediaStreams(std::unique_ptr<IMultimediaStreams> streams) {
  FStreams = std::move(streams);
  FStreamsMade = true;
}

namespace {
// A mouse event for the window under the pointer, in its client coordinates.
TInputEvent MouseEvent(TInputKind kind, const THeadlessWindow& target, int32_t x, int32_t y,
                       uint8_t button, uint8_t shift) {
  const TRect c = target.ClientScreenRect();
  TInputEvent e;
  e.Kind = kind;
  e.Window = target.Handle();
  e.X = x - c.Left;
  e.Y = y - c.Top;
  e.Button = button;
  e.Shift = shift;
  return e;
}
}  // namespace

void THeadlessPlatform::MouseMove(int32_t x, int32_t y, uint8_t shift) {
  THeadlessHost& h = *FHost;
  h.FPointerX = x;
  h.FPointerY = y;
  THeadlessWindow* target = h.FCapture ? h.Find(h.FCapture) : h.WindowAt(x, y);
  const uintptr_t under = target ? target->Handle() : 0;
  if (h.FHover != 0 && h.FHover != under) {
    TInputEvent leave;
    leave.Kind = TInputKind::MouseLeave;
    leave.Window = h.FHover;
    h.Post(leave);
  }
  h.FHover = under;
  if (target == nullptr || !target->Params().Enabled) return;
  h.Post(MouseEvent(TInputKind::MouseMove, *target, x, y, 0, shift));
}

void THeadlessPlatform::MouseDown(int32_t x, int32_t y, uint8_t button, uint8_t shift) {
  // Pressing where the pointer already is moves nothing.
  if (x != FHost->FPointerX || y != FHost->FPointerY) MouseMove(x, y, shift);
  THeadlessHost& h = *FHost;
  THeadlessWindow* target = h.WindowAt(x, y);
  if (target == nullptr || !target->Params().Enabled) return;
  if (target->Handle() != h.FActive && target->Params().Parent == 0) target->BringToFront();
  h.FCapture = target->Handle();
  h.Post(MouseEvent(TInputKind::MouseDown, *target, x, y, button, shift));
}

void THeadlessPlatform::MouseUp(int32_t x, int32_t y, uint8_t button, uint8_t shift) {
  if (x != FHost->FPointerX || y != FHost->FPointerY) MouseMove(x, y, shift);
  THeadlessHost& h = *FHost;
  THeadlessWindow* target = h.FCapture ? h.Find(h.FCapture) : h.WindowAt(x, y);
  h.FCapture = 0;
  if (target == nullptr) return;
  h.Post(MouseEvent(TInputKind::MouseUp, *target, x, y, button, shift));
}

void THeadlessPlatform::Click(int32_t x, int32_t y) {
  MouseDown(x, y);
  MouseUp(x, y);
}

void THeadlessPlatform::KeyDown(uint16_t key, uint8_t shift) {
  TInputEvent e;
  e.Kind = TInputKind::KeyDown;
  e.Window = FHost->FActive;
  e.Key = key;
  e.Shift = shift;
  if (e.Window) FHost->Post(e);
}

void THeadlessPlatform::KeyUp(uint16_t key, uint8_t shift) {
  TInputEvent e;
  e.Kind = TInputKind::KeyUp;
  e.Window = FHost->FActive;
  e.Key = key;
  e.Shift = shift;
  if (e.Window) FHost->Post(e);
}

void THeadlessPlatform::TypeChar(char ch) {
  const unsigned char c = static_cast<unsigned char>(ch);
  uint16_t key = 0;
  uint8_t shift = 0;
  if (std::isalpha(c)) {
    key = static_cast<uint16_t>(std::toupper(c));
    if (std::isupper(c)) shift = kShiftKey;
  } else if (std::isdigit(c)) {
    key = c;
  } else if (c == ' ') {
    key = VK_SPACE;
  } else if (c == '\r') {
    key = VK_RETURN;
  } else if (c == 27) {
    key = VK_ESCAPE;
  } else if (c == '\b') {
    key = VK_BACK;
  } else if (c == '\t') {
    key = VK_TAB;
  }
  if (key != 0) KeyDown(key, shift);
  TInputEvent e;
  e.Kind = TInputKind::Char;
  e.Window = FHost->FActive;
  e.Char = c;
  e.Shift = shift;
  if (e.Window) FHost->Post(e);
  if (key != 0) KeyUp(key, shift);
}

void THeadlessPlatform::PressKey(uint16_t key) {
  KeyDown(key);
  KeyUp(key);
}

void THeadlessPlatform::CloseWindow(uintptr_t window) {
  TInputEvent e;
  e.Kind = TInputKind::Close;
  e.Window = window;
  FHost->Post(e);
}

void THeadlessPlatform::SendSysCommand(uintptr_t window, uint32_t command) {
  if ((command & 0xFFF0) == SC_SCREENSAVE_COMMAND) {
    THeadlessWindow* w = FHost->Find(window);
    intptr_t result = 0;
    if (w == nullptr || !w->SyncHandler || !w->SyncHandler(WM_SYSCOMMAND_MESSAGE, command, 0, result))
      ++FScreenSaverStarts;
    return;
  }
  TInputEvent e;
  e.Kind = TInputKind::SysCommand;
  e.Window = window;
  e.Command = command;
  FHost->Post(e);
}

const TBitmap& THeadlessPlatform::ScreenBitmap() const { return FHost->Screen(); }

void THeadlessPlatform::SaveScreenPng(const std::string& path) const { SaveBitmapPng(FHost->Screen(), path); }

uintptr_t THeadlessPlatform::CreateForeignWindow(const std::string& caption, const TRect& bounds, uintptr_t parent,
                                                 uintptr_t handle, uint32_t style, uint32_t exStyle) {
  TWindowParams p;
  p.Caption = caption;
  p.Bounds = bounds;
  p.Frame = wfNone;
  p.Visible = true;
  p.Parent = parent;
  p.Style = style | WS_VISIBLE;
  p.ExStyle = exStyle;
  p.Frame = FrameFromStyle(p.Style, p.ExStyle);
  if (handle == 0 || FHost->Find(handle) != nullptr) handle = FHost->NewHandle();
  auto w = std::make_unique<THeadlessWindow>(*FHost, handle, p);
  const uintptr_t h = w->Handle();
  FHost->Foreign().push_back(std::move(w));
  return h;
}

void THeadlessPlatform::DestroyForeignWindow(uintptr_t window) {
  auto& foreign = FHost->Foreign();
  foreign.erase(std::remove_if(foreign.begin(), foreign.end(),
                               [window](const std::unique_ptr<THeadlessWindow>& w) { return w->Handle() == window; }),
                foreign.end());
}

std::vector<TShownMessageBox> THeadlessPlatform::ShownMessageBoxes() const { return FMessageBoxes->FShown; }
void THeadlessPlatform::SetMessageBoxAnswer(int answer) { FMessageBoxes->FAnswer = answer; }
int THeadlessPlatform::Beeps() const { return FMessageBoxes->FBeeps; }

std::vector<uintptr_t> THeadlessPlatform::WindowsInZOrder() const {
  std::vector<uintptr_t> result;
  for (const THeadlessWindow* w : FHost->ZOrder()) result.push_back(w->Handle());
  return result;
}

uintptr_t THeadlessPlatform::ActiveWindow() const { return FHost->FActive; }

}  // namespace pictova
