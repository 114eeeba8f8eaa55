// Region building and combining at 1920 x 1080, as the region transitions do it every frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "gfx/Region.h"

namespace pictova {
namespace {

constexpr int32_t kW = 1920, kH = 1080;

// 90 row strips (5 rows every 12, growing from the right) and then 90 column strips (5 columns
// every 21, growing from the bottom), each OR-combined into the running result one by one.
// fromStart flips both to grow from the left and the top.
TRegion Strips(int32_t a, int32_t b, bool fromStart) {
  TRegion r;
  for (int32_t i = 0; i < 90; ++i) {
    const int32_t y = i * 12;
    r.CombineWith(fromStart ? TRegion::CreateRectRgn(0, y, a, y + 5) : TRegion::CreateRectRgn(kW - a, y, kW, y + 5),
                  RGN_OR);
  }
  for (int32_t j = 0; j < 90; ++j) {
    const int32_t x = j * 21;
    r.CombineWith(fromStart ? TRegion::CreateRectRgn(x, 0, x + 5, b) : TRegion::CreateRectRgn(x, kH - b, x + 5, kH),
                  RGN_OR);
  }
  return r;
}

void BM_Build180Strips(benchmark::State& state) {
  int32_t rects = 0;
  for (auto _ : state) {
    TRegion r = Strips(1200, 700, false);
    rects = r.RectCount();
    benchmark::DoNotOptimize(r);
  }
  state.counters["rects"] = rects;
}
BENCHMARK(BM_Build180Strips)->Unit(benchmark::kMicrosecond);

// The lattice: two 180-strip regions growing from opposite sides, intersected.
void BM_And180StripRegions(benchmark::State& state) {
  const TRegion a = Strips(1200, 700, false);
  const TRegion b = Strips(1200, 700, true);
  int32_t rects = 0;
  for (auto _ : state) {
    TRegion r;
    TRegion::Combine(r, a, b, RGN_AND);
    rects = r.RectCount();
    benchmark::DoNotOptimize(r);
  }
  state.counters["rects"] = rects;
}
BENCHMARK(BM_And180StripRegions)->Unit(benchmark::kMicrosecond);

// A bulging edge half-way across: rounded rectangle (-2W, -5, W, H + 5) with 2W corners.
void BM_RoundRectSweep(benchmark::State& state) {
  for (auto _ : state) {
    TRegion r = TRegion::CreateRoundRectRgn(-2 * kW, -5, kW, kH + 5, 2 * kW, 2 * kW);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_RoundRectSweep)->Unit(benchmark::kMicrosecond);

// The closing iris: full rectangle XOR an oval.
void BM_IrisXor(benchmark::State& state) {
  const int32_t x = kW / 4, y = kH / 4, h = kW / 2, v = kH / 2;
  for (auto _ : state) {
    TRegion r = TRegion::CreateRoundRectRgn(x - h, y - v, 3 * kW / 2 - x, 3 * kH / 2 - y, 9 * (kW - x) / 5,
                                            9 * (kH - y) / 5);
    r.CombineWith(TRegion::CreateRectRgn(0, 0, kW, kH), RGN_XOR);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_IrisXor)->Unit(benchmark::kMicrosecond);

// A 10 by 10 grid of triangles, each OR-combined into the first.
void BM_TriangleGrid(benchmark::State& state) {
  const int32_t s = kW / 10, t = kH / 10;
  for (auto _ : state) {
    TRegion r;
    for (int32_t row = 0; row < 10; ++row) {
      for (int32_t col = 0; col < 10; ++col) {
        const int32_t cx = col * kW / 10, cy = row * kH / 10;
        const TPoint p[] = {{cx, cy}, {cx + s, cy}, {cx, cy + t}, {cx, cy}};
        r.CombineWith(TRegion::CreatePolygonRgn(p, WINDING), RGN_OR);
      }
    }
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_TriangleGrid)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pictova
