// One transition frame per style, composed as the picture-show composes it: restore the
// snapshot, run the effect, apply the final copy. The anchor is a plain memory pass (read two
// full-HD frames, write one), the floor that the cross-fade is measured against.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "NoisePicture.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "pictureshow/Effects.h"

namespace pictova {
namespace {

// Frames are measured halfway through the transition unless named otherwise.
constexpr int32_t kProgress = 50;

struct TFrameFixture {
  TBitmap Old, New, Screen;
  TFrameFixture(int32_t w, int32_t h)
      : Old(NoisePicture(w, h, 1)), New(NoisePicture(w, h, 2)), Screen(w, h) {}
};

void ComposeFrame(TFrameFixture& f, int style, int32_t progress) {
  TCanvas& canvas = f.Screen.Canvas();
  canvas.Draw(0, 0, &f.Old);
  const int32_t w = f.New.Width(), h = f.New.Height();
  const TFrameGeometry g = MakeFrameGeometry(w, h, progress, 4);
  TRectFrame rect;
  if (style >= 1 && style <= 57) {
    rect = RectEffect(style, g);
    for (const TRectPiece& piece : rect.Pieces) DrawPiece(canvas, f.New, piece);
  } else if (style == 118) {
    BlendBitmaps(f.Screen, f.New, progress);
  } else if (style >= 119 && style <= 122) {
    const int32_t cx = (style == 119 || style == 120) ? -1 : w;
    const int32_t cy = (style == 119 || style == 121) ? -1 : h;
    RotateBitmap(f.Screen, f.New, cx, cy, progress);
  }
  if (progress == 100)
    canvas.Draw(0, 0, &f.New);
  else if (progress > 0 && style >= 1 && style <= 57)
    StretchPiece(canvas, rect.D, f.New, rect.S);
}

void BM_Frame(benchmark::State& state, int style, int32_t w, int32_t h, int32_t progress) {
  TFrameFixture f(w, h);
  for (auto _ : state) {
    ComposeFrame(f, style, progress);
    benchmark::DoNotOptimize(f.Screen.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * w * h * 3);
}

// The cross-fade alone, to set against the anchor.
void BM_BlendOnly(benchmark::State& state) {
  TFrameFixture f(1920, 1080);
  for (auto _ : state) {
    BlendBitmaps(f.Screen, f.New, kProgress);
    benchmark::DoNotOptimize(f.Screen.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 1920 * 1080 * 3);
}
BENCHMARK(BM_BlendOnly)->Unit(benchmark::kMillisecond);

// The anchor: read two 1920 x 1080 x 3 buffers, write one.
void BM_ReadTwoWriteOne(benchmark::State& state) {
  const size_t n = size_t{1920} * 1080 * 3 / sizeof(uint64_t);
  std::vector<uint64_t> a(n, 0x0123456789ABCDEFull), b(n, 0xFEDCBA9876543210ull), out(n);
  for (auto _ : state) {
    for (size_t i = 0; i < n; ++i) out[i] = a[i] ^ b[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n * sizeof(uint64_t)));
}
BENCHMARK(BM_ReadTwoWriteOne)->Unit(benchmark::kMillisecond);

std::string FrameName(int style, int32_t w, int32_t h) {
  return "BM_Frame/style:" + std::to_string(style) + "/" + std::to_string(w) + "x" +
         std::to_string(h);
}

const bool kRegistered = [] {
  std::vector<int> styles;
  for (int s = 1; s <= 57; ++s) styles.push_back(s);
  styles.push_back(118);
  styles.push_back(119);
  for (int style : styles)
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{1024, 768}})
      benchmark::RegisterBenchmark(FrameName(style, w, h).c_str(), BM_Frame, style, w, h, kProgress)
          ->Unit(benchmark::kMillisecond);
  // The rotation is dearest near its end, when nearly every pixel is inside and each row
  // reads long slanted runs of the source.
  for (const int32_t progress : {90, 98})
    benchmark::RegisterBenchmark(
        (FrameName(119, 1920, 1080) + "/p:" + std::to_string(progress)).c_str(), BM_Frame, 119,
        1920, 1080, progress)
        ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
}  // namespace pictova
