// The engine as XScreenSaver and a desktop run it, on a real X server: a show drawn into a
// window the test made (/p XID, and XSCREENSAVER_WINDOW with /s), its own full-screen window
// with /s, and the termination signals that must end it cleanly and at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "imageio/ImageFixtures.h"
#include "platform/sdl/XvfbServer.h"

// Last: Xlib's macros clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pictova {
namespace {

using Clock = std::chrono::steady_clock;

class SdlSaverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sServer.Start();
    // A show of one red picture as large as the screen, appearing at once.
    sDir = ::testing::TempDir() + "pictova-sdl-saver-" + std::to_string(::getpid());
    std::system(("mkdir -p '" + sDir + "'").c_str());
    fixtures::TPngOptions o;
    o.Width = 1024;
    o.Height = 768;
    o.Rows.assign(size_t{1024} * 768 * 3, 0);
    for (size_t i = 0; i < o.Rows.size(); i += 3) o.Rows[i] = 255;
    const fixtures::TBytes png = fixtures::MakePng(o);
    std::ofstream(sDir + "/red.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const std::string cmd = std::string(PICTOVA_BUILD_TOOL) + " -o '" + sDir + "/show' --engine " + PICTOVA_SAVER +
                            " --title 'Red show' '" + sDir + "/red.png:style=0,delay=0' >/dev/null";
    sShowReady = std::system(cmd.c_str()) == 0;
    // In sanitizer builds the engine's leak check leaves alone what the system libraries
    // behind SDL (D-Bus, X11) keep for the life of the process.
    std::ofstream(sDir + "/lsan.supp") << "leak:libdbus-1.so\nleak:libX11.so\nleak:libSDL2\n";
  }
  static void TearDownTestSuite() {
    std::system(("rm -rf '" + sDir + "'").c_str());
    sServer.Stop();
  }

  void SetUp() override {
    if (!sShowReady) GTEST_SKIP() << "the show could not be built";
    FX = XOpenDisplay(nullptr);
    if (FX == nullptr) GTEST_SKIP() << "no X server";
  }
  void TearDown() override {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
    if (FX != nullptr) XCloseDisplay(FX);
  }

  // A white window of another program (this test), mapped.
  Window MakeWindow(int x, int y, int w, int h) {
    const Window win = XCreateSimpleWindow(FX, DefaultRootWindow(FX), x, y, static_cast<unsigned>(w),
                                           static_cast<unsigned>(h), 0, 0, WhitePixel(FX, DefaultScreen(FX)));
    XMapWindow(FX, win);
    XSync(FX, False);
    return win;
  }
  // Starts the show with `args`; `saverWindow` (when set) goes into XSCREENSAVER_WINDOW.
  void Run(const std::vector<std::string>& args, const std::string& saverWindow = "") {
    FPid = ::fork();
    if (FPid == 0) {
      ::setenv("PICTOVA_BACKEND", "sdl", 1);
      ::setenv("LSAN_OPTIONS", ("suppressions=" + sDir + "/lsan.supp").c_str(), 1);
      if (saverWindow.empty()) ::unsetenv("XSCREENSAVER_WINDOW");
      else ::setenv("XSCREENSAVER_WINDOW", saverWindow.c_str(), 1);
      const std::string show = sDir + "/show";
      std::vector<char*> argv{const_cast<char*>(show.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(show.c_str(), argv.data());
      ::_exit(127);
    }
    ASSERT_GT(FPid, 0);
  }
  uint32_t Pixel(Window win, int x, int y) {
    XImage* image = XGetImage(FX, win, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFFu;
    const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }
  // Waits until the pixel is red (the show's picture), for at most `seconds`.
  bool AwaitRed(Window win, int x, int y, double seconds = 15) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
      if (Pixel(win, x, y) == 0xFF0000) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  // Sends the signal and waits up to `seconds` for the end: the exit status, or -1.
  int EndWith(int signal, double seconds, double& took) {
    const auto start = Clock::now();
    ::kill(FPid, signal);
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FPid = 0;
        took = std::chrono::duration<double>(Clock::now() - start).count();
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    took = seconds;
    return -1;
  }
  // The top-level windows that are mapped.
  int MappedTopLevels() {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    XQueryTree(FX, DefaultRootWindow(FX), &root, &parent, &children, &n);
    int mapped = 0;
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(FX, children[i], &a) && a.map_state == IsViewable) ++mapped;
    }
    if (children != nullptr) XFree(children);
    return mapped;
  }

  static TXvfbServer sServer;
  static std::string sDir;
  static bool sShowReady;
  Display* FX = nullptr;
  pid_t FPid = 0;
};

TXvfbServer SdlSaverTest::sServer;
std::string SdlSaverTest::sDir;
bool SdlSaverTest::sShowReady = false;

TEST_F(SdlSaverTest, SaverModeFillsTheScreenAndEachTerminationSignalEndsItAtOnce) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    Run({"/s"});
    ASSERT_TRUE(AwaitRed(DefaultRootWindow(FX), 512, 384)) << "signal " << signal;
    EXPECT_EQ(Pixel(DefaultRootWindow(FX), 2, 2), 0xFF0000u);
    EXPECT_EQ(Pixel(DefaultRootWindow(FX), 1021, 765), 0xFF0000u);
    double took = 0;
    EXPECT_EQ(EndWith(signal, 1.0, took), 0) << "signal " << signal;
    EXPECT_LT(took, 1.0);
    std::printf("signal %d ended the show in %.0f ms\n", signal, took * 1000);
  }
}

TEST_F(SdlSaverTest, PreviewDrawsIntoTheWindowNamedByItsDecimalId) {
  const Window preview = MakeWindow(600, 500, 152, 112);
  const int before = MappedTopLevels();
  Run({"/p", std::to_string(preview)});
  EXPECT_TRUE(AwaitRed(preview, 76, 56));
  EXPECT_EQ(Pixel(preview, 151, 111), 0xFF0000u);
  EXPECT_EQ(Pixel(DefaultRootWindow(FX), 100, 100), 0u);  // nothing outside it (Xvfb's root is black)
  EXPECT_EQ(MappedTopLevels(), before);  // no window of its own
  double took = 0;
  EXPECT_EQ(EndWith(SIGTERM, 1.0, took), 0);
  XDestroyWindow(FX, preview);
}

TEST_F(SdlSaverTest, XScreenSaversWindowTakesTheSaverInsteadOfANewOne) {
  const Window hack = MakeWindow(100, 100, 320, 240);
  const int before = MappedTopLevels();
  char id[32];
  std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(hack));
  Run({"/s"}, id);
  EXPECT_TRUE(AwaitRed(hack, 160, 120));
  EXPECT_EQ(Pixel(hack, 319, 239), 0xFF0000u);
  EXPECT_EQ(Pixel(DefaultRootWindow(FX), 700, 600), 0u);
  EXPECT_EQ(MappedTopLevels(), before);
  double took = 0;
  EXPECT_EQ(EndWith(SIGTERM, 1.0, took), 0);
  XDestroyWindow(FX, hack);
}

TEST_F(SdlSaverTest, PasswordModeAndBadPreviewNumbersNeverHang) {
  // /a ends at once (no password libraries on this desktop).
  Run({"/a", "1234"});
  double took = 0;
  EXPECT_EQ(EndWith(0, 5.0, took), 0);
  // A preview number that names no window (or is no number a handle can be) leaves the show
  // in a window of its own.
  for (const char* number : {"4294967295", "12345", "-7"}) {
    Run({"/p", number});
    EXPECT_TRUE(AwaitRed(DefaultRootWindow(FX), 200, 150)) << number;
    EXPECT_EQ(EndWith(SIGTERM, 1.0, took), 0) << number;
  }
}

}  // namespace
}  // namespace pictova
