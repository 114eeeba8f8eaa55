// Presenting frames (headless memory screen and SDL under Xvfb) and the cost of virtual
// timer ticks.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/headless/HeadlessPlatform.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Timer.h"

namespace pictova {
namespace {

constexpr int32_t kW = 1920, kH = 1080;

TBitmap Frame() {
  TBitmap frame(kW, kH);
  for (int32_t y = 0; y < kH; ++y) {
    uint8_t* row = frame.ScanLine(y);
    for (int32_t x = 0; x < kW * 3; ++x) row[x] = static_cast<uint8_t>(x ^ y);
  }
  return frame;
}

TWindowParams FullScreen() {
  TWindowParams p;
  p.Bounds = Rect(0, 0, kW, kH);
  p.Frame = wfNone;
  p.Visible = true;
  p.Maximized = true;
  return p;
}

void BM_HeadlessPresentFullFrame(benchmark::State& state) {
  THeadlessOptions options;
  options.ScreenWidth = kW;
  options.ScreenHeight = kH;
  THeadlessPlatform platform(options);
  auto window = platform.Windows().CreateWindow(FullScreen());
  const TBitmap frame = Frame();
  for (auto _ : state) {
    window->Present(frame, Rect(0, 0, kW, kH));
    benchmark::DoNotOptimize(platform.ScreenBitmap().Bits());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HeadlessPresentFullFrame)->Unit(benchmark::kMillisecond);

// A full-screen opaque control that draws a picture: what a transition frame costs from
// Invalidate through Update to the memory screen.
class TFrameControl : public TGraphicControl {
 public:
  TFrameControl(TComponent* owner, const TBitmap* frame) : TGraphicControl(owner), FFrame(frame) {
    SetControlStyle(ControlStyle() | csOpaque);
  }

 protected:
  void Paint() override { Canvas().Draw(0, 0, FFrame); }

 private:
  const TBitmap* FFrame;
};

void BM_HeadlessFormUpdateFullFrame(benchmark::State& state) {
  THeadlessOptions options;
  options.ScreenWidth = kW;
  options.ScreenHeight = kH;
  InstallPlatform(std::make_unique<THeadlessPlatform>(options));
  {
    TApplication app;
    const TBitmap frame = Frame();
    auto* form = new TForm(&app);
    form->SetBorderStyle(bsNone);
    form->SetWindowState(wsMaximized);
    auto* control = new TFrameControl(form, &frame);
    control->SetParent(form);
    control->SetAlign(alClient);
    form->Show();
    app.ProcessMessages();
    for (auto _ : state) {
      control->Invalidate();
      control->Update();
    }
    state.SetItemsProcessed(state.iterations());
  }
  ShutdownPlatform();
}
BENCHMARK(BM_HeadlessFormUpdateFullFrame)->Unit(benchmark::kMillisecond);

// Xvfb for the SDL measurement when there is no display: started once, ended at exit.
pid_t gServer = 0;
void StopServer() {
  if (gServer > 0) {
    ::kill(gServer, SIGTERM);
    ::waitpid(gServer, nullptr, 0);
  }
}
bool EnsureDisplay() {
  const char* d = std::getenv("DISPLAY");
  if (d != nullptr && *d != 0) return true;
  int fds[2];
  if (::access("/usr/bin/Xvfb", X_OK) != 0 || ::pipe(fds) != 0) return false;
  gServer = ::fork();
  if (gServer == 0) {
    ::close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) return false;
  std::atexit(StopServer);
  ::setenv("DISPLAY", (":" + number).c_str(), 1);
  return true;
}

void BM_SdlPresentFullFrame(benchmark::State& state) {
  std::unique_ptr<TPlatform> platform;
  try {
    if (!EnsureDisplay()) throw Exception("no X server");
    platform = CreatePlatform(TBackend::Sdl);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  auto window = platform->Windows().CreateWindow(FullScreen());
  const TBitmap frame = Frame();
  for (auto _ : state) window->Present(frame, Rect(0, 0, kW, kH));
  state.SetItemsProcessed(state.iterations());
  window.reset();
}
BENCHMARK(BM_SdlPresentFullFrame)->Unit(benchmark::kMillisecond);

void BM_TenThousandVirtualTimerTicks(benchmark::State& state) {
  InstallPlatform(std::make_unique<THeadlessPlatform>());
  {
    TApplication app;
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(1);
    timer.OnTimer = [&](TComponent*) { ++ticks; };
    for (auto _ : state) {
      const int before = ticks;
      app.RunUntil(Platform().Clock().NowMs() + 10000);
      if (ticks - before != 10000) state.SkipWithError("wrong tick count");
    }
  }
  ShutdownPlatform();
}
BENCHMARK(BM_TenThousandVirtualTimerTicks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pictova
