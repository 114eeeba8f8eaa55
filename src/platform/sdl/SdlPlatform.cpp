// The SDL backend (Linux desktop): the event queue, cursor, message boxes, screen metrics.
#include <climits>
#include <csignal>
#include <string>
#include <vector>

#include "platform/FreeTypeGlyphs.h"
#include "platform/IniRegistry.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "platform/Sound.h"
#include "platform/sdl/SdlBeep.h"
#include "platform/sdl/SdlHost.h"
#include "platform/sdl/SdlKeys.h"
#include "rtl/Ansi.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

// The termination signal that arrived (0: none). Only this flag is touched in the handler;
// the UI thread looks at it at least every kSignalPollMs.
volatile std::sig_atomic_t gQuitSignal = 0;
constexpr int kSignalPollMs = 100;
constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnQuitSignal(int signal) { gQuitSignal = signal; }

}  // namespace
std::unique_ptr<ISoundSystem> CreateSdlSound(IClock& clock);  // platform/sdl/SdlSound.cpp

// ---- TSdlHost ----

TSdlHost::TSdlHost(IClock& clock) : FClock(clock), FWakeEvent(SDL_RegisterEvents(1)) {}

TSdlHost::~TSdlHost() = default;

std::unique_ptr<IPlatformWindow> TSdlHost::CreateWindow(const TWindowParams& params) {
  return std::make_unique<TSdlWindow>(*this, NewHiddenHandle(), params);
}

TSdlWindow* TSdlHost::Find(uintptr_t handle) const {
  auto it = FWindows.find(handle);
  return it == FWindows.end() ? nullptr : it->second;
}

uintptr_t TSdlHost::HandleOfSdlId(uint32_t id) const { return Find(id) != nullptr ? id : 0; }

void TSdlHost::WaitEventsLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline) {
  if (FWake || !FPending.empty()) {
    FWake = false;
    return;
  }
  const uint64_t now = FClock.NowMs();
  if (deadline <= now) return;
  if (gQuitSignal != 0 && !FQuitReported) return;
  // A signal does not wake SDL's wait: the wait is kept short enough to notice it in time.
  const int timeout = static_cast<int>(std::min<uint64_t>(deadline - now, kSignalPollMs));
  // Workers need the lock to queue their calls (and wake us through an SDL event).
  lock.unlock();
  SDL_WaitEventTimeout(nullptr, timeout);
  lock.lock();
  FWake = false;
}

void TSdlHost::WakeUpLocked() {
  FWake = true;
  SDL_Event e{};
  e.type = FWakeEvent;
  SDL_PushEvent(&e);
}

bool TSdlHost::PollEvent(TInputEvent& event) {
  if (gQuitSignal != 0 && !FQuitReported) {
    FQuitReported = true;
    event = TInputEvent{};
    event.Kind = TInputKind::Quit;
    return true;
  }
  SDL_Event e;
  while (FPending.empty() && SDL_PollEvent(&e)) Translate(e);
  if (FPending.empty()) return false;
  event = FPending.front();
  FPending.pop_front();
  return true;
}

bool TSdlHost::Translate(const SDL_Event& e) {
  TInputEvent out;
  switch (e.type) {
    case SDL_MOUSEMOTION:
      out.Kind = TInputKind::MouseMove;
      out.Window = HandleOfSdlId(e.motion.windowID);
      out.X = e.motion.x;
      out.Y = e.motion.y;
      out.Shift = ShiftStateFromSdl(SDL_GetModState(), e.motion.state);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.Kind = e.type == SDL_MOUSEBUTTONDOWN ? TInputKind::MouseDown : TInputKind::MouseUp;
      out.Window = HandleOfSdlId(e.button.windowID);
      out.X = e.button.x;
      out.Y = e.button.y;
      out.Button = e.button.button == SDL_BUTTON_RIGHT ? 2 : e.button.button == SDL_BUTTON_MIDDLE ? 3 : 1;
      out.Shift = ShiftStateFromSdl(SDL_GetModState(), SDL_GetMouseState(nullptr, nullptr));
      if (e.type == SDL_MOUSEBUTTONDOWN && e.button.clicks == 2) out.Shift |= kDoubleClick;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      out.Kind = e.type == SDL_KEYDOWN ? TInputKind::KeyDown : TInputKind::KeyUp;
      out.Window = HandleOfSdlId(e.key.windowID);
      out.Key = VirtualKeyFromSdl(e.key.keysym.sym);
      out.Shift = ShiftStateFromSdl(e.key.keysym.mod, 0);
      if (out.Key == 0) return false;
      FPending.push_back(out);
      // Enter, Escape, Backspace, Tab and Ctrl combinations produce characters that SDL
      // reports no text for.
      const uint8_t ch = e.type == SDL_KEYDOWN ? ControlCharFromSdl(e.key.keysym.sym, e.key.keysym.mod) : 0;
      if (ch != 0) {
        TInputEvent c = out;
        c.Kind = TInputKind::Char;
        c.Char = ch;
        FPending.push_back(c);
      }
      return true;
    }
    case SDL_TEXTINPUT: {
      // Text arrives as UTF-8; the program's characters are code page 1252.
      const std::string ansi = Utf8ToCp1252(e.text.text);
      for (char ch : ansi) {
        TInputEvent c;
        c.Kind = TInputKind::Char;
        c.Window = HandleOfSdlId(e.text.windowID);
        c.Char = static_cast<uint8_t>(ch);
        c.Shift = ShiftStateFromSdl(SDL_GetModState(), 0);
        FPending.push_back(c);
      }
      return !ansi.empty();
    }
    case SDL_WINDOWEVENT:
      out.Window = HandleOfSdlId(e.window.windowID);
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: out.Kind = TInputKind::Close; break;
        case SDL_WINDOWEVENT_LEAVE: out.Kind = TInputKind::MouseLeave; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.Kind = TInputKind::Activate; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_EXPOSED: {
          // Either way the whole client area must be presented again.
          out.Kind = TInputKind::Resized;
          TSdlWindow* w = Find(out.Window);
          if (w != nullptr) w->ClientSize(out.X, out.Y);
          break;
        }
        default: return false;
      }
      break;
    default:
      return false;
  }
  if (out.Window == 0) return false;
  FPending.push_back(out);
  return true;
}

uintptr_t TSdlHost::FindWindow(const std::string& caption) {
  for (const auto& [handle, w] : FWindows)
    if (w->Params().Parent == 0 && w->Params().Caption == caption) return handle;
  return 0;
}

bool TSdlHost::ShowWindow(uintptr_t handle, bool show) {
  return ShowWindowByParams(Find(handle), show);
}

bool TSdlHost::EnableWindow(uintptr_t handle, bool enable) {
  TSdlWindow* w = Find(handle);
  if (w == nullptr) return false;
  const bool wasDisabled = !w->Params().Enabled;
  TWindowParams p = w->Params();
  p.Enabled = enable;
  w->SetParamsQuietly(p);
  return wasDisabled;
}

bool TSdlHost::IsWindowEnabled(uintptr_t handle) {
  const TSdlWindow* w = Find(handle);
  return w != nullptr && w->Params().Enabled;
}

int32_t TSdlHost::GetWindowLong(uintptr_t handle, int index) {
  return WindowLongOfParams(Find(handle), index);
}

int32_t TSdlHost::SetWindowLong(uintptr_t handle, int index, int32_t value) {
  TSdlWindow* w = Find(handle);
  if (w == nullptr) return 0;
  TWindowParams p = w->Params();
  int32_t old = 0;
  if (!ApplyWindowLong(p, index, value, old)) return 0;
  p.TopMost = (p.ExStyle & WS_EX_TOPMOST) != 0;
  w->SetParams(p);
  return old;
}

bool TSdlHost::SetForegroundWindow(uintptr_t handle) {
  TSdlWindow* w = Find(handle);
  if (w == nullptr) return false;
  w->BringToFront();
  return true;
}

uintptr_t TSdlHost::GetForegroundWindow() {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  return focus != nullptr ? HandleOfSdlId(SDL_GetWindowID(focus)) : 0;
}

bool TSdlHost::GetWindowRect(uintptr_t handle, TRect& rect) {
  const TSdlWindow* w = Find(handle);
  if (w == nullptr) return false;
  if (w->Window() == nullptr) {
    rect = w->Params().Bounds;
    return true;
  }
  const TFrameMetrics m = FrameMetrics(w->Params().Frame);
  int x = 0, y = 0, cw = 0, ch = 0;
  SDL_GetWindowPosition(w->Window(), &x, &y);
  SDL_GetWindowSize(w->Window(), &cw, &ch);
  rect = Rect(x - m.Border, y - m.Border - m.Caption, x + cw + m.Border, y + ch + m.Border);
  return true;
}

// ---- services ----

namespace {

class TSdlCursor : public ICursor {
 public:
  ~TSdlCursor() override {
    if (FCursor != nullptr) SDL_FreeCursor(FCursor);
  }
  int ShowCursor(bool show) override {
    FCount += show ? 1 : -1;
    Apply();
    return FCount;
  }
  int ShowCount() const override { return FCount; }
  void SetShape(TCursor shape) override {
    FShape = shape;
    SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
    switch (shape) {
      case crIBeam: id = SDL_SYSTEM_CURSOR_IBEAM; break;
      case crHourGlass:
      case crSQLWait: id = SDL_SYSTEM_CURSOR_WAIT; break;
      case crAppStart: id = SDL_SYSTEM_CURSOR_WAITARROW; break;
      case crCross: id = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
      case crSizeNWSE: id = SDL_SYSTEM_CURSOR_SIZENWSE; break;
      case crSizeNESW: id = SDL_SYSTEM_CURSOR_SIZENESW; break;
      case crSizeWE:
      case crHSplit: id = SDL_SYSTEM_CURSOR_SIZEWE; break;
      case crSizeNS:
      case crVSplit: id = SDL_SYSTEM_CURSOR_SIZENS; break;
      case crSizeAll:
      case crDrag: id = SDL_SYSTEM_CURSOR_SIZEALL; break;
      case crNo:
      case crNoDrop: id = SDL_SYSTEM_CURSOR_NO; break;
      case crHandPoint: id = SDL_SYSTEM_CURSOR_HAND; break;
      default: break;
    }
    SDL_Cursor* c = SDL_CreateSystemCursor(id);
    if (c != nullptr) {
      SDL_SetCursor(c);
      if (FCursor != nullptr) SDL_FreeCursor(FCursor);
      FCursor = c;
    }
    Apply();
  }
  TCursor Shape() const override { return FShape; }
  void GetPos(int32_t& x, int32_t& y) const override {
    int gx = 0, gy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    x = gx;
    y = gy;
  }

 private:
  void Apply() { SDL_ShowCursor(FCount >= 0 && FShape != crNone ? SDL_ENABLE : SDL_DISABLE); }
  int FCount = 0;
  TCursor FShape = crDefault;
  SDL_Cursor* FCursor = nullptr;
};

class TSdlMessageBoxes : public IMessageBox {
 public:
  explicit TSdlMessageBoxes(TSdlHost& host) : FHost(host) {}
  int MessageBox(uintptr_t owner, const std::string& text, const std::string& caption, uint32_t flags) override {
    static constexpr const char* kNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    int results[3];
    const int n = MessageBoxButtons(flags, results);
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (int i = 0; i < n; ++i) {
      uint32_t bflags = 0;
      if (i == 0) bflags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
      if (results[i] == IDCANCEL || results[i] == IDNO || n == 1) bflags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
      buttons.push_back({bflags, results[i], kNames[results[i]]});
    }
    const std::string utf8Text = Cp1252ToUtf8(text), utf8Caption = Cp1252ToUtf8(caption);
    uint32_t kind = SDL_MESSAGEBOX_INFORMATION;
    if ((flags & 0xF0) == MB_ICONERROR) kind = SDL_MESSAGEBOX_ERROR;
    if ((flags & 0xF0) == MB_ICONWARNING) kind = SDL_MESSAGEBOX_WARNING;
    const TSdlWindow* parent = FHost.Find(owner);
    const SDL_MessageBoxData data{kind, parent != nullptr ? parent->Window() : nullptr, utf8Caption.c_str(),
                                  utf8Text.c_str(), n, buttons.data(), nullptr};
    int chosen = results[0];
    if (SDL_ShowMessageBox(&data, &chosen) != 0 || chosen < 0) return n == 1 ? IDOK : IDCANCEL;
    return chosen;
  }
  // SDL has no system sounds: every kind of beep is the same short chime.
  void MessageBeep(uint32_t) override { FBeep.Beep(); }

 private:
  TSdlHost& FHost;
  TSdlBeep FBeep;
};

class TSdlScreenInfo : public IScreenInfo {
 public:
  TSdlScreenInfo() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      FWidth = mode.w;
      FHeight = mode.h;
      FBits = static_cast<int32_t>(SDL_BITSPERPIXEL(mode.format));
    }
  }
  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  int32_t BitsPerPixel() const override { return FBits; }

 private:
  int32_t FWidth = 1024;
  int32_t FHeight = 768;
  int32_t FBits = 24;
};

// The Linux desktop has no screen-saver password libraries and no system folder to load them
// from: the host's password services find nothing and let the saver close (locking is the
// desktop locker's business). Nor does it have a screen-saver-running flag to set.
class TSdlSystem : public ISystem {
 public:
  std::vector<std::string> CommandLineArgs() override { return ProcessArguments(); }
  bool SystemParametersInfo(uint32_t, uint32_t, uint32_t*, uint32_t) override { return false; }
  std::string GetSystemDirectory() override { return ""; }
  uintptr_t LoadLibrary(const std::string&) override { return 0; }
  uintptr_t GetProcAddress(uintptr_t, const std::string&) override { return 0; }
  void FreeLibrary(uintptr_t) override {}
  int32_t CallVerifyScreenSavePwd(uintptr_t, uintptr_t) override { return 0; }
  uint32_t CallPwdChangePassword(uintptr_t, const std::string&, uintptr_t, uint32_t, uint32_t) override { return 0; }
};

class TSdlPlatform : public TPlatform {
 public:
  TSdlPlatform() {
    // The show never holds the desktop's own screen saver or locker off.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // SDL would turn SIGINT and SIGTERM into a quit event of its own; the engine handles
    // them (and SIGHUP) itself and ends the way a service manager expects.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Frames are finished pixels: the plain window surface presents them (through shared
    // memory on X11) without a renderer, also in foreign windows that have no GL visual.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
      throw Exception(Format("The display could not be opened: %s", SDL_GetError()));
    FClock = CreateRealClock();
    FHost = std::make_unique<TSdlHost>(*FClock);
    FCursor = std::make_unique<TSdlCursor>();
    FMessageBoxes = std::make_unique<TSdlMessageBoxes>(*FHost);
    FScreen = std::make_unique<TSdlScreenInfo>();
    FRegistry = std::make_unique<TIniRegistry>(DefaultRegistryIniPath());
    SDL_StartTextInput();
    EnsureGlyphSource();
    // Installed last: a constructor that fails leaves the process's handlers alone.
    gQuitSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) sigaction(kQuitSignals[i], &action, &FOldActions[i]);
  }
  ~TSdlPlatform() override {
    FStreams.reset();
    FSound.reset();
    FMessageBoxes.reset();
    FCursor.reset();
    FHost.reset();
    SDL_Quit();
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) sigaction(kQuitSignals[i], &FOldActions[i], nullptr);
  }
  TBackend Backend() const override { return TBackend::Sdl; }
  IClock& Clock() override { return *FClock; }
  IWindowHost& Windows() override { return *FHost; }
  ICursor& Cursor() override { return *FCursor; }
  IMessageBox& MessageBoxes() override { return *FMessageBoxes; }
  IScreenInfo& Screen() override { return *FScreen; }
  IRegistry& Registry() override { return *FRegistry; }
  ISystem& System() override { return FSystem; }

 private:
  struct sigaction FOldActions[std::size(kQuitSignals)] {};
  TSdlSystem FSystem;
  ISoundSystem& SoundSystem() override {
    if (!FSound) FSound = CreateSdlSound(*FClock);
    return *FSound;
  }
  IMultimediaStreams* MediaStreams() override {
    if (!FStreamsMade) FStreams = CreateHostMultimediaStreams(SoundSystem());
    FStreamsMade = true;
    return FStreams.get();
  }

 private:
  std::unique_ptr<ISoundSystem> FSound;
  std::unique_ptr<IMultimediaStreams> FStreams;
  bool FStreamsMade = false;
  std::unique_ptr<IClock> FClock;
  std::unique_ptr<TSdlHost> FHost;
  std::unique_ptr<TSdlCursor> FCursor;
  std::unique_ptr<TSdlMessageBoxes> FMessageBoxes;
  std::unique_ptr<TSdlScreenInfo> FScreen;
  std::unique_ptr<TIniRegistry> FRegistry;
};

}  // namespace

std::unique_ptr<TPlatform> CreateSdlPlatform() { return std::make_unique<TSdlPlatform>(); }

}  // namespace pictova
