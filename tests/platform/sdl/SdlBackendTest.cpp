// The SDL backend on a real X server: pixels on screen, keys, and a form drawn into a
// foreign window. Starts Xvfb itself when no display is set; skips when it cannot.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Input.h"
#include "platform/sdl/XvfbServer.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Label.h"
#include "ui/Panel.h"

// Last: Xlib defines macros (None, Bool, Status) that clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// System libraries behind SDL (D-Bus, X11) keep allocations for the life of the process;
// the leak checker of sanitizer builds is told to leave those alone.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libX11.so\nleak:libSDL2\n";
}

namespace pictova {
namespace {

class SdlBackendTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sServer.Start(); }
  static void TearDownTestSuite() { sServer.Stop(); }

  void SetUp() override {
    try {
      InstallPlatform(CreatePlatform(TBackend::Sdl));
    } catch (const Exception& e) {
      GTEST_SKIP() << "no X server to run the SDL backend on: " << e.Message();
    }
    FX = XOpenDisplay(nullptr);
    if (FX == nullptr) GTEST_SKIP() << "cannot open the X display for reading pixels";
    FApp = std::make_unique<TApplication>();
  }
  void TearDown() override {
    FApp.reset();
    if (FX != nullptr) XCloseDisplay(FX);
    ShutdownPlatform();
  }

  // Runs the loop for a while of real time, so that the X server has shown everything.
  void Settle() {
    for (int i = 0; i < 3; ++i) {
      FApp->RunUntil(Platform().Clock().NowMs() + 100);
      XSync(FX, False);
    }
  }
  uint32_t RootPixel(int x, int y) {
    XImage* image = XGetImage(FX, DefaultRootWindow(FX), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFFu;
    const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }
  static uint32_t Rgb(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return (uint32_t(GetRValue(rgb)) << 16) | (uint32_t(GetGValue(rgb)) << 8) | GetBValue(rgb);
  }

  void CheckFormPixels();

  static TXvfbServer sServer;
  Display* FX = nullptr;
  std::unique_ptr<TApplication> FApp;
};

TXvfbServer SdlBackendTest::sServer;

// The form's pixels on the X screen: the whole, then a change as a dirty rectangle, with the
// rest kept as it was.
void SdlBackendTest::CheckFormPixels() {
  auto* form = new TForm(FApp.get());
  form->SetBorderStyle(bsNone);
  form->SetBounds(100, 100, 200, 100);
  form->SetColor(clRed);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 20, 60, 40);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clBlue);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(100, 20, 10, 10);
  label->SetCaption("Hello");
  form->Show();
  Settle();
  // Without a window manager the window sits exactly where the form asked.
  EXPECT_EQ(RootPixel(105, 105), Rgb(clRed));
  EXPECT_EQ(RootPixel(130, 130), Rgb(clBlue));
  EXPECT_EQ(RootPixel(299, 199), Rgb(clRed));
  int black = 0;
  for (int y = 120; y < 135; ++y)
    for (int x = 200; x < 240; ++x) black += RootPixel(x, y) == 0;
  EXPECT_GT(black, 10);

  // A change is presented as a dirty rectangle.
  panel->SetColor(clLime);
  Settle();
  EXPECT_EQ(RootPixel(130, 130), Rgb(clLime));
  EXPECT_EQ(RootPixel(105, 105), Rgb(clRed));
}

TEST_F(SdlBackendTest, AFormShowsItsPixelsOnTheXScreen) { CheckFormPixels(); }

TEST_F(SdlBackendTest, AStreamingTextureShowsTheSamePixels) {
  setenv("PICTOVA_SDL_PRESENT", "texture", 1);
  // SDL's own software renderer: the OpenGL one would load the system's GL driver, whose
  // allocations outlive the test (and whose drawing under Xvfb is software anyway).
  setenv("SDL_RENDER_DRIVER", "software", 1);
  CheckFormPixels();
  unsetenv("SDL_RENDER_DRIVER");
  unsetenv("PICTOVA_SDL_PRESENT");
}

TEST_F(SdlBackendTest, OnlyKeysThatProduceCharactersReachOnKeyPress) {
  auto* form = new TForm(FApp.get());
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 50, 50);
  form->Show();
  std::string chars;
  std::vector<uint16_t> keys;
  form->OnKeyPress = [&](TComponent*, char& c) { chars += c; };
  form->OnKeyDown = [&](TComponent*, uint16_t& k, TShiftState) { keys.push_back(k); };
  const uint32_t id = static_cast<uint32_t>(form->Handle());
  auto key = [id](SDL_Keycode sym, uint16_t mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
  };
  key(SDLK_a);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = id;
  std::strcpy(text.text.text, "a\xC3\xA9");  // "a" and e-acute, 0xE9 in code page 1252
  SDL_PushEvent(&text);
  key(SDLK_LEFT);
  key(SDLK_F5);
  key(SDLK_RETURN);
  // Ctrl with a letter gives its control character, with Shift too; Ctrl+Alt gives none.
  key(SDLK_c, KMOD_LCTRL);
  key(SDLK_z, KMOD_RCTRL | KMOD_LSHIFT);
  key(SDLK_a, KMOD_LCTRL | KMOD_RALT);
  key(SDLK_LEFTBRACKET, KMOD_LCTRL);
  key(SDLK_1, KMOD_LCTRL);
  Settle();
  EXPECT_EQ(keys, (std::vector<uint16_t>{'A', VK_LEFT, VK_F1 + 4, VK_RETURN, 'C', 'Z', 'A', VK_OEM_4, '1'}));
  EXPECT_EQ(chars, std::string("a\xE9\r\x03\x1A\x1B"));
}

TEST_F(SdlBackendTest, AFormDrawsIntoAForeignWindowGivenByItsId) {
  const Window foreign = XCreateSimpleWindow(FX, DefaultRootWindow(FX), 400, 300, 152, 112, 0, 0, 0);
  XMapWindow(FX, foreign);
  XSync(FX, False);
  auto* form = new TForm(FApp.get());
  form->SetBorderStyle(bsNone);
  form->SetParentWindow(static_cast<uintptr_t>(foreign));
  form->SetBounds(0, 0, 152, 112);
  form->SetColor(clLime);
  form->Show();
  Settle();
  EXPECT_EQ(form->ClientRect(), Rect(0, 0, 152, 112));
  EXPECT_EQ(RootPixel(410, 310), Rgb(clLime));
  EXPECT_EQ(RootPixel(551, 411), Rgb(clLime));
  delete form;
  XDestroyWindow(FX, foreign);
  XSync(FX, False);
}

}  // namespace
}  // namespace pictova
