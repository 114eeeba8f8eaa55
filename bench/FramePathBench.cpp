// The whole frame path at 3840 x 2160 next to 1920 x 1080, in one run: RenderFrame per style
// (each frame of a transition timed: median and worst), a frame with its paint and present on
// a form, a full paint into the form's back buffer, the present alone on the headless backend
// and on SDL (when PICTOVA_BENCH_SDL=1 and a display is there, e.g. under Xvfb), and the two
// anchors of the same frame size: memcpy and a read-two-write-one pass.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "NoisePicture.h"
#include "gfx/Bitmap.h"
#include "pictureshow/QmPictureShow.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessPlatform.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace pictova {
namespace {

constexpr std::pair<int32_t, int32_t> kSizes[] = {{1920, 1080}, {3840, 2160}};

bool WantSdl() {
  const char* v = std::getenv("PICTOVA_BENCH_SDL");
  const char* d = std::getenv("DISPLAY");
  return v != nullptr && std::string(v) == "1" && d != nullptr && *d != 0;
}

// A platform, the application and, with a form, one picture-show filling a borderless form of
// the frame's size; without, the control stands alone (its frames repaint nothing).
struct TFixture {
  std::unique_ptr<TApplication> App;
  TForm* Form = nullptr;
  TQmPictureShow* Show = nullptr;
  std::unique_ptr<TQmPictureShow> Alone;

  TFixture(int32_t w, int32_t h, bool onForm, TBackend backend = TBackend::Headless) {
    if (backend == TBackend::Headless) {
      THeadlessOptions o;
      o.ScreenWidth = w;
      o.ScreenHeight = h;
      InstallPlatform(std::make_unique<THeadlessPlatform>(o));
    } else {
      InstallPlatform(CreatePlatform(backend));
    }
    App = std::make_unique<TApplication>();
    if (onForm) {
      Form = new TForm(App.get());
      Form->SetBorderStyle(bsNone);
      Form->SetBounds(0, 0, w, h);
      Show = new TQmPictureShow(Form);
      Show->SetParent(Form);
    } else {
      Alone = std::make_unique<TQmPictureShow>(nullptr);
      Show = Alone.get();
    }
    Show->SetAutoSize(false);
    Show->SetBounds(0, 0, w, h);
    Show->SetThreaded(false);
    if (Form != nullptr) {
      Form->Show();
      Form->PaintInvalid();
    }
  }
  void Prepare(int style, int32_t w, int32_t h) {
    Show->SetManual(true);
    Show->SetStyle(static_cast<TShowStyle>(style));
    const TBitmap picture = NoisePicture(w, h, 2);
    Show->Picture().SetGraphic(&picture);
    Show->Execute();
  }
  ~TFixture() {
    Alone.reset();
    App.reset();
    ShutdownPlatform();
  }
};

// Frames at progress 5, 15, ..., 95, each timed on its own; median and worst in milliseconds.
void TimeTransition(benchmark::State& state, TFixture& f) {
  std::vector<double> ms;
  for (auto _ : state) {
    for (int p = 5; p < 100; p += 10) {
      const auto t0 = std::chrono::steady_clock::now();
      f.Show->SetProgress(static_cast<uint8_t>(p));
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    state.PauseTiming();
    f.Show->SetProgress(0);
    state.ResumeTiming();
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["worst_ms"] = ms.back();
}

void BM_RenderFrame(benchmark::State& state, int style, int32_t w, int32_t h) {
  TFixture f(w, h, false);
  f.Prepare(style, w, h);
  TimeTransition(state, f);
}

// A frame as the show has it: rendered, painted into the back buffer, presented.
void BM_FrameOnForm(benchmark::State& state, int style, int32_t w, int32_t h) {
  TFixture f(w, h, true);
  f.Prepare(style, w, h);
  TimeTransition(state, f);
}

// The whole control painted into the form's back buffer and presented (headless).
void BM_FullPaint(benchmark::State& state, int32_t w, int32_t h) {
  TFixture f(w, h, true);
  f.Prepare(118, w, h);
  f.Show->SetProgress(50);
  for (auto _ : state) {
    f.Show->Invalidate();
    f.Form->PaintInvalid();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * w * h * 3);
}

// The present of a whole frame alone, on the headless backend or on SDL.
void BM_Present(benchmark::State& state, TBackend backend, int32_t w, int32_t h) {
  if (backend == TBackend::Sdl && !WantSdl()) {
    state.SkipWithError("SDL present: set PICTOVA_BENCH_SDL=1 and run under a display (Xvfb)");
    for (auto _ : state) {
    }
    return;
  }
  TFixture f(w, h, false, backend);
  TWindowParams params;
  params.Bounds = Rect(0, 0, w, h);
  params.Frame = wfNone;
  params.Visible = true;
  params.Caption = "bench";
  std::unique_ptr<IPlatformWindow> window = Platform().Windows().CreateWindow(params);
  const TBitmap frame = NoisePicture(w, h, 5);
  int32_t cw = 0, ch = 0;
  window->ClientSize(cw, ch);
  for (auto _ : state) window->Present(frame, Rect(0, 0, w, h));
  state.counters["client_w"] = cw;
  state.counters["client_h"] = ch;
  state.SetBytesProcessed(int64_t(state.iterations()) * w * h * 3);
}

void BM_Memcpy(benchmark::State& state, int32_t w, int32_t h) {
  const size_t n = size_t(w) * size_t(h) * 3;
  std::vector<uint8_t> a(n, 7), out(n);
  for (auto _ : state) {
    std::memcpy(out.data(), a.data(), n);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

// Read two frames of w x h x 3 bytes, write one, averaging bytes eight at a time.
void BM_ReadTwoWriteOne(benchmark::State& state, int32_t w, int32_t h) {
  const size_t n = (size_t(w) * size_t(h) * 3 + 7) / 8;
  std::vector<uint64_t> a(n, 0x0123456789ABCDEFull), b(n, 0xFEDCBA9876543210ull), out(n);
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  for (auto _ : state) {
    for (size_t i = 0; i < n; ++i) out[i] = (a[i] & b[i]) + (((a[i] ^ b[i]) >> 1) & kLow7);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n * 8));
}

const bool kRegistered = [] {
  const auto anchor = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->MinTime(0.2)->Repetitions(3)->ReportAggregatesOnly(true);
  };
  // One pass over a transition per run: at 4K the slowest styles take a second or more.
  const auto transition = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);
  };
  for (const auto& [w, h] : kSizes) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const auto name = [&](const std::string& what) { return what + "/" + size; };
    anchor(benchmark::RegisterBenchmark(name("BM_Memcpy").c_str(), BM_Memcpy, w, h));
    anchor(benchmark::RegisterBenchmark(name("BM_ReadTwoWriteOne").c_str(), BM_ReadTwoWriteOne, w, h));
    anchor(benchmark::RegisterBenchmark(name("BM_FullPaint").c_str(), BM_FullPaint, w, h));
    anchor(benchmark::RegisterBenchmark(name("BM_Present/headless").c_str(), BM_Present, TBackend::Headless, w, h));
    anchor(benchmark::RegisterBenchmark(name("BM_Present/sdl").c_str(), BM_Present, TBackend::Sdl, w, h));
    for (int style = 0; style <= kMaxShowStyle; ++style)
      transition(benchmark::RegisterBenchmark(name("BM_FrameOnForm/style:" + std::to_string(style)).c_str(),
                                              BM_FrameOnForm, style, w, h));
    for (int style = 0; style <= kMaxShowStyle; ++style)
      transition(benchmark::RegisterBenchmark(name("BM_RenderFrame/style:" + std::to_string(style)).c_str(),
                                              BM_RenderFrame, style, w, h));
  }
  return true;
}();

}  // namespace
}  // namespace pictova
