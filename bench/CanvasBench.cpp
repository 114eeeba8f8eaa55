// Frame composition at 1920 x 1080, 24 bits: the copies a transition makes every frame,
// next to a plain memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Region.h"

namespace pictova {
namespace {

constexpr int32_t kW = 1920, kH = 1080;

TBitmap Filled(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int32_t i = 0; i < 3 * w; ++i) row[i] = static_cast<uint8_t>(i * 7 + y);
  }
  return b;
}

void BM_Memcpy1920x1080x3(benchmark::State& state) {
  const size_t bytes = size_t(kW) * kH * 3;
  std::vector<uint8_t> src(bytes, 1), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_Memcpy1920x1080x3)->Unit(benchmark::kMicrosecond);

void BM_DrawFullCopy(benchmark::State& state) {
  const TBitmap src = Filled(kW, kH);
  TBitmap dst(kW, kH);
  for (auto _ : state) {
    dst.Canvas().Draw(0, 0, &src);
    benchmark::DoNotOptimize(dst.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3);
}
BENCHMARK(BM_DrawFullCopy)->Unit(benchmark::kMicrosecond);

void BM_StretchBlt1024x768To1920x1080(benchmark::State& state) {
  const TBitmap src = Filled(1024, 768);
  TBitmap dst(kW, kH);
  for (auto _ : state) {
    dst.Canvas().StretchBlt(0, 0, kW, kH, src, 0, 0, 1024, 768);
    benchmark::DoNotOptimize(dst.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3);
}
BENCHMARK(BM_StretchBlt1024x768To1920x1080)->Unit(benchmark::kMicrosecond);

// A blind half-way through: 180 full-width strips 3 rows high, one every 6 rows.
void BM_DrawThroughStripRegion(benchmark::State& state) {
  const TBitmap src = Filled(kW, kH);
  TBitmap dst(kW, kH);
  TRegion strips;
  for (int32_t y = 0; y < kH; y += 6) strips.CombineWith(TRegion::CreateRectRgn(0, y, kW, y + 3), RGN_OR);
  if (strips.RectCount() != 180) state.SkipWithError("expected 180 strips");
  for (auto _ : state) {
    TCanvas& c = dst.Canvas();
    c.IntersectClipRgn(strips);
    c.Draw(0, 0, &src);
    c.RemoveClipRgn();
    benchmark::DoNotOptimize(dst.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3 / 2);
}
BENCHMARK(BM_DrawThroughStripRegion)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pictova
