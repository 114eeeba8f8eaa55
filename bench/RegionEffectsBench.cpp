// Region styles 58 to 117: one frame's clip region, and the new picture drawn through it onto
// the frame, at full-HD and XGA sizes. Each iteration is the next frame of a transition with
// Step 4, so the time is an average over the whole sweep.
#include <benchmark/benchmark.h>

#include <optional>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "pictureshow/Effects.h"

namespace pictova {
namespace {

void FillPattern(TBitmap& b) {
  for (int32_t y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int32_t i = 0; i < b.Width() * 3; ++i) row[i] = static_cast<uint8_t>(i * 7 + y);
  }
}

int NextProgress(int p) { return p >= 96 ? 4 : p + 4; }

void BM_RegionBuild(benchmark::State& state) {
  const int style = static_cast<int>(state.range(0));
  const int32_t w = static_cast<int32_t>(state.range(1)), h = static_cast<int32_t>(state.range(2));
  int p = 0;
  int64_t rects = 0;
  for (auto _ : state) {
    p = NextProgress(p);
    std::optional<TRegion> r = RegionEffect(style, MakeFrameGeometry(w, h, p, 4));
    rects += r ? r->RectCount() : 0;
    benchmark::DoNotOptimize(r);
  }
  state.counters["rects"] = benchmark::Counter(double(rects), benchmark::Counter::kAvgIterations);
}

void BM_RegionFrame(benchmark::State& state) {
  const int style = static_cast<int>(state.range(0));
  const int32_t w = static_cast<int32_t>(state.range(1)), h = static_cast<int32_t>(state.range(2));
  TBitmap picture(w, h), screen(w, h);
  FillPattern(picture);
  TCanvas& canvas = screen.Canvas();
  int p = 0;
  for (auto _ : state) {
    p = NextProgress(p);
    std::optional<TRegion> r = RegionEffect(style, MakeFrameGeometry(w, h, p, 4));
    if (r) canvas.IntersectClipRgn(*r);
    canvas.Draw(0, 0, &picture);
    canvas.RemoveClipRgn();
    benchmark::DoNotOptimize(screen.Bits());
  }
}

// The unclipped copy of the whole picture, for comparison.
void BM_FullDraw(benchmark::State& state) {
  const int32_t w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  TBitmap picture(w, h), screen(w, h);
  FillPattern(picture);
  for (auto _ : state) {
    screen.Canvas().Draw(0, 0, &picture);
    benchmark::DoNotOptimize(screen.Bits());
  }
}

void RegionStyles(benchmark::internal::Benchmark* b) {
  for (int style = 58; style <= 117; ++style) {
    b->Args({style, 1920, 1080});
    b->Args({style, 1024, 768});
  }
  b->ArgNames({"style", "w", "h"})->Unit(benchmark::kMillisecond)->MinTime(0.1)->Repetitions(5)
      ->ReportAggregatesOnly(true);
}

BENCHMARK(BM_RegionBuild)->Apply(RegionStyles);
BENCHMARK(BM_RegionFrame)->Apply(RegionStyles);
BENCHMARK(BM_FullDraw)->Args({1920, 1080})->Args({1024, 768})->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace pictova
