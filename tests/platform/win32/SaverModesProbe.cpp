// Runs a built show in each screen-saver mode as the system would, from another process,
// and checks the windows it makes through the system's own calls:
//   saver-modes-probe SHOW.scr s   full screen, topmost, pointer hidden; a key ends it with 0
//   saver-modes-probe SHOW.scr p   a child of this program's preview window, 152 x 112
//   saver-modes-probe SHOW.scr c   the about box as a dialog while "Display Properties" waits
//                                  (prints "about-ready" and keeps it up 4 s for a screenshot)
//   saver-modes-probe SHOW.scr a   the password change returns at once
// Prints what it found; exit status 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

int gFailures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  std::fflush(stdout);
  if (!ok) ++gFailures;
}

struct TChild {
  PROCESS_INFORMATION Info{};
  bool Started = false;
};

TChild Start(const std::string& show, const std::string& args) {
  TChild child;
  std::string line = "\"" + show + "\" " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  child.Started = ::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                   &child.Info) != FALSE;
  return child;
}

// Waits for the end; the exit code, or -1 after `ms`. Messages are handled meanwhile: the
// show's window sends its parent and the settings dialog messages while it goes away (as
// the system's own dialog answers them).
long WaitEnd(TChild& child, DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= ms && ms != 0) return -1;
    const DWORD r = ::MsgWaitForMultipleObjects(1, &child.Info.hProcess, FALSE, ms == 0 ? 0 : ms - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) return -1;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(child.Info.hProcess, &code);
  return static_cast<long>(code);
}

void Stop(TChild& child) {
  if (WaitEnd(child, 0) == -1) ::TerminateProcess(child.Info.hProcess, 99);
  ::CloseHandle(child.Info.hThread);
  ::CloseHandle(child.Info.hProcess);
}

struct TFind {
  DWORD Process;
  const std::function<bool(HWND)>* Accept;
  HWND Found;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM param) {
  auto* f = reinterpret_cast<TFind*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f->Process && ::IsWindowVisible(hwnd) && (*f->Accept)(hwnd)) {
    f->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of the process that `accept` takes, waited for up to `ms`.
HWND AwaitWindow(DWORD process, const std::function<bool(HWND)>& accept, DWORD ms) {
  for (DWORD waited = 0;; waited += 50) {
    TFind find{process, &accept, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&find));
    if (find.Found != nullptr || waited >= ms) return find.Found;
    ::Sleep(50);
  }
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) { return ::DefWindowProcA(hwnd, msg, w, l); }

// The settings dialog's stand-in with its preview area, as the system's dialog has them.
HWND MakeSettingsDialog(HWND& preview) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "PictovaProbeDialog";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  ::RegisterClassA(&wc);
  HWND dialog = ::CreateWindowExA(WS_EX_DLGMODALFRAME, "PictovaProbeDialog", "Display Properties",
                                  WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 300, 100, 404, 448, nullptr, nullptr,
                                  wc.hInstance, nullptr);
  preview = ::CreateWindowExA(0, "PictovaProbeDialog", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 123, 40, 152, 112,
                              dialog, nullptr, wc.hInstance, nullptr);
  return dialog;
}

void Pump() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
}

void SaverMode(const std::string& show) {
  TChild child = Start(show, "/s");
  Check(child.Started, "the show starts with /s");
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  HWND w = AwaitWindow(child.Info.dwProcessId, [&](HWND h) {
    RECT r;
    ::GetWindowRect(h, &r);
    return r.left == 0 && r.top == 0 && r.right == sw && r.bottom == sh;
  }, 20000);
  Check(w != nullptr, "a window covers the whole screen");
  if (w != nullptr) {
    const LONG_PTR style = ::GetWindowLongPtrA(w, GWL_STYLE), ex = ::GetWindowLongPtrA(w, GWL_EXSTYLE);
    Check((style & WS_CAPTION) == 0 && (style & WS_THICKFRAME) == 0, "it has no border and no caption");
    Check((ex & WS_EX_TOPMOST) != 0, "it stays on top");
    ::Sleep(1500);  // the show's first picture
    CURSORINFO ci{};
    ci.cbSize = sizeof ci;
    const bool hidden = ::GetCursorInfo(&ci) && (ci.flags & CURSOR_SHOWING) == 0;
    std::printf("note: the pointer is %s (as the system reports it to another process)\n",
                hidden ? "hidden" : "reported as showing");
    ::SetForegroundWindow(w);
    ::PostMessageA(w, WM_KEYDOWN, 'Q', 1);
    ::PostMessageA(w, WM_CHAR, 'q', 1);
    ::PostMessageA(w, WM_KEYUP, 'Q', 0xC0000001);
  }
  Check(WaitEnd(child, 15000) == 0, "a key ends it with exit status 0");
  Stop(child);
}

void PreviewMode(const std::string& show) {
  HWND preview = nullptr;
  HWND dialog = MakeSettingsDialog(preview);
  char number[32];
  std::snprintf(number, sizeof number, "%ld", static_cast<long>(reinterpret_cast<LONG_PTR>(preview)));
  TChild child = Start(show, std::string("/p ") + number);
  Check(child.Started, "the show starts with /p and the preview window's number");
  // The window exists (visible, as the preview window's style says) while the show is still
  // being set up; it gets its place once the show's form is shown.
  HWND form = nullptr;
  auto placed = [&form] {
    RECT r;
    return form != nullptr && ::GetWindowRect(form, &r) && r.right - r.left == 152 && r.bottom - r.top == 112;
  };
  for (int i = 0; i < 400 && !placed(); ++i) {
    Pump();
    form = ::GetWindow(preview, GW_CHILD);
    ::Sleep(50);
  }
  Check(form != nullptr, "a window of the show appears inside the preview window");
  if (form != nullptr) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(form, &pid);
    Check(pid == child.Info.dwProcessId, "it belongs to the show's process");
    Check(::GetParent(form) == preview, "its parent is the preview window");
    const LONG_PTR style = ::GetWindowLongPtrA(form, GWL_STYLE);
    Check((style & WS_CHILD) != 0, "it is a child window (WS_CHILD)");
    Check((style & WS_DISABLED) != 0, "it takes no input (WS_DISABLED)");
    Check((style & WS_CAPTION) == 0, "it has no caption");
    RECT r;
    ::GetWindowRect(form, &r);
    RECT p;
    ::GetWindowRect(preview, &p);
    std::printf("note: preview window at %ld,%ld; the show's window %ld,%ld %ldx%ld\n", p.left, p.top, r.left, r.top,
                r.right - r.left, r.bottom - r.top);
    Check(r.right - r.left == 152 && r.bottom - r.top == 112, "it is 152 x 112");
    Check(r.left == p.left && r.top == p.top, "at the preview window's top left");
  }
  // The settings dialog ends the preview as the system's does: it goes, and the preview
  // window with it.
  ::DestroyWindow(dialog);
  const long code = WaitEnd(child, 15000);
  std::printf("note: the preview's exit status %ld\n", code);
  Check(code == 0, "with the settings dialog gone, the preview ends with exit status 0");
  Stop(child);
}

void ConfigMode(const std::string& show) {
  HWND preview = nullptr;
  HWND dialog = MakeSettingsDialog(preview);
  TChild child = Start(show, "/c");
  Check(child.Started, "the show starts with /c");
  HWND box = nullptr;
  for (int i = 0; i < 400 && box == nullptr; ++i) {
    Pump();
    box = AwaitWindow(child.Info.dwProcessId, [](HWND h) {
      return (::GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) != 0;
    }, 50);
  }
  Check(box != nullptr, "a dialog-framed window appears");
  if (box != nullptr) {
    RECT c;
    ::GetClientRect(box, &c);
    Check(c.right == 421 && c.bottom == 277, "its client area is the about panel's 421 x 277");
    Check(::IsWindowEnabled(dialog) == FALSE, "\"Display Properties\" is disabled meanwhile");
    std::printf("about-ready\n");
    std::fflush(stdout);
    for (int i = 0; i < 80; ++i) {
      Pump();
      ::Sleep(50);
    }
    ::PostMessageA(box, WM_CLOSE, 0, 0);
  }
  const long code = WaitEnd(child, 15000);
  std::printf("note: the about box's exit status %ld\n", code);
  Check(code == 0, "closed, it ends with exit status 0");
  Pump();
  Check(::IsWindowEnabled(dialog) != FALSE, "\"Display Properties\" is enabled again");
  Stop(child);
  ::DestroyWindow(dialog);
}

void PasswordMode(const std::string& show) {
  for (const char* args : {"/a 0", "/a", "/a garbage", "/a 99999999999"}) {
    TChild child = Start(show, args);
    const long code = WaitEnd(child, 15000);
    Check(child.Started && code == 0, (std::string(args) + " returns with exit status 0").c_str());
    Stop(child);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: saver-modes-probe SHOW.scr s|p|c|a\n");
    return 2;
  }
  const std::string show = argv[1], mode = argv[2];
  if (mode == "s") SaverMode(show);
  else if (mode == "p") PreviewMode(show);
  else if (mode == "c") ConfigMode(show);
  else if (mode == "a") PasswordMode(show);
  else return 2;
  return gFailures == 0 ? 0 : 1;
}
