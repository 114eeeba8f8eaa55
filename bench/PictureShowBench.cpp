// RenderFrame of the picture-show control per style, at 1920 x 1080 and 1024 x 768, on one
// thread: each iteration renders one frame, progress walking 1, 2, ..., 99 and around, so the
// time is the mean over a whole transition; repetitions give the median. The anchor is a
// plain memory pass in the same run (read two frames, write one), which the cross-fade is
// held against: it reads the snapshot and the new picture and writes the frame.
#include <benchmark/benchmark.h>

#include <cstdint>
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

namespace pictova {
namespace {

// A control with a prepared manual transition; it is on no form, so a frame's invalidation
// and repaint cost nothing and the measure is RenderFrame itself.
struct TControlFixture {
  std::unique_ptr<TApplication> App;
  std::unique_ptr<TQmPictureShow> Show;

  TControlFixture(int style, int32_t w, int32_t h) {
    InstallPlatform(std::make_unique<THeadlessPlatform>());
    App = std::make_unique<TApplication>();
    Show = std::make_unique<TQmPictureShow>(nullptr);
    Show->SetAutoSize(false);
    Show->SetBounds(0, 0, w, h);
    Show->SetManual(true);
    Show->SetStyle(static_cast<TShowStyle>(style));
    const TBitmap picture = NoisePicture(w, h, 2);
    Show->Picture().SetGraphic(&picture);
    Show->Execute();
  }
  ~TControlFixture() {
    Show.reset();
    App.reset();
    ShutdownPlatform();
  }
};

void BM_RenderFrame(benchmark::State& state, int style, int32_t w, int32_t h) {
  TControlFixture f(style, w, h);
  int progress = 0;
  for (auto _ : state) {
    progress = progress % 99 + 1;
    f.Show->SetProgress(static_cast<uint8_t>(progress));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * w * h * 3);
}

// The anchor: read two frames of w x h x 3 bytes, write one, averaging bytes eight at a time
// (what any compiler turns into wide loads and stores).
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
  constexpr std::pair<int32_t, int32_t> kSizes[] = {{1920, 1080}, {1024, 768}};
  const auto configure = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->MinTime(0.2)->Repetitions(3)->ReportAggregatesOnly(true);
  };
  for (const auto& [w, h] : kSizes) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    configure(benchmark::RegisterBenchmark(("BM_ReadTwoWriteOne/" + size).c_str(), BM_ReadTwoWriteOne, w, h));
    for (int style = 0; style <= kMaxShowStyle; ++style)
      configure(benchmark::RegisterBenchmark(("BM_RenderFrame/style:" + std::to_string(style) + "/" + size).c_str(),
                                             BM_RenderFrame, style, w, h));
  }
  return true;
}();

}  // namespace
}  // namespace pictova
