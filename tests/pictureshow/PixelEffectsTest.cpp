// The cross-fade and the rotations against per-byte and per-pixel references.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/BandWorker.h"
#include "pictureshow/Effects.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

bool SameBits(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::memcmp(a.Bits(), b.Bits(), size_t(a.RowBytes()) * size_t(a.Height())) == 0;
}

TBitmap Filled(int32_t w, int32_t h, TColor c) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, c);
  return b;
}

TEST(PixelEffects, BlendExamplesAndSweep) {
  // Each product is divided on its own: white over white at 50% loses one.
  TBitmap t = Filled(3, 2, clWhite);
  BlendBitmaps(t, Filled(3, 2, clWhite), 50);
  EXPECT_EQ(t.Pixel(2, 1), RGB(254, 254, 254));
  t = Filled(3, 2, clWhite);
  BlendBitmaps(t, Filled(3, 2, clBlack), 50);
  EXPECT_EQ(t.Pixel(0, 0), RGB(127, 127, 127));

  // Every target and source byte at every progress. 257 columns: runs of 16 bytes and a
  // remainder; all three channels differ.
  const int32_t w = 257, h = 256;
  TBitmap target(w, h), source(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      target.SetPixel(x, y, RGB(uint8_t(x), uint8_t(255 - y), uint8_t(x ^ y)));
      source.SetPixel(x, y, RGB(uint8_t(y), uint8_t(x * 3), uint8_t(255 - x)));
    }
  for (int32_t p = 0; p <= 100; ++p) {
    TBitmap frame(target);
    BlendBitmaps(frame, source, p);
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* f = frame.ScanLine(y);
      const uint8_t* o = target.ScanLine(y);
      const uint8_t* s = source.ScanLine(y);
      for (int32_t i = 0; i < w * 3; ++i) {
        const int expected = o[i] * (100 - p) / 100 + s[i] * p / 100;
        ASSERT_EQ(f[i], expected) << "p=" << p << " byte " << i << " row " << y;
      }
    }
  }
  // Progress is capped at 100: the new picture itself.
  TBitmap frame(target);
  BlendBitmaps(frame, source, 180);
  EXPECT_TRUE(SameBits(frame, source));
}

TEST(PixelEffects, BlendRejectsOtherFormatsAndBlendsOnlyTheOverlap) {
  TBitmap mono(8, 8, pf1bit), colour(8, 8);
  EXPECT_THROW(BlendBitmaps(mono, colour, 50), Exception);
  EXPECT_THROW(BlendBitmaps(colour, mono, 50), Exception);

  TBitmap big = Filled(10, 6, clWhite);
  BlendBitmaps(big, Filled(4, 3, clBlack), 50);
  EXPECT_EQ(big.Pixel(3, 2), RGB(127, 127, 127));
  EXPECT_EQ(big.Pixel(4, 2), clWhite);
  EXPECT_EQ(big.Pixel(3, 3), clWhite);
  TBitmap empty;
  BlendBitmaps(empty, big, 50);  // nothing to do
}

// Nearest integer with halves to the even neighbour, written out.
double RoundHalfEvenRef(double v) {
  const double f = std::floor(v);
  const double frac = v - f;
  if (frac > 0.5) return f + 1;
  if (frac < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

// The rotation pixel by pixel, as the effect is defined.
TBitmap RotateRef(const TBitmap& snapshot, const TBitmap& source, int32_t cx, int32_t cy,
                  int32_t p) {
  TBitmap out(snapshot);
  const long double theta =
      static_cast<long double>(100 - p) * std::numbers::pi_v<long double> / 200;
  const double s = double(std::sin(theta)), c = double(std::cos(theta));
  for (int32_t y = 0; y < out.Height(); ++y)
    for (int32_t x = 0; x < out.Width(); ++x) {
      const double dx = x - cx, dy = y - cy;
      const double a = dx * c, b = dy * s, d = dx * s, e = dy * c;
      const int32_t sx = cx + int32_t(RoundHalfEvenRef(a - b));
      const int32_t sy = cy + int32_t(RoundHalfEvenRef(d + e));
      if (sx >= 0 && sx < source.Width() && sy >= 0 && sy < source.Height())
        out.SetPixel(x, y, source.Pixel(sx, sy));
    }
  return out;
}

TEST(PixelEffects, RotationAgainstThePerPixelDefinition) {
  const int32_t w = 37, h = 23;
  TBitmap source(w, h), snapshot(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      source.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), 0x80));
      snapshot.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), 0x11));
    }
  const std::pair<int32_t, int32_t> pivots[] = {{-1, -1}, {-1, h}, {w, -1}, {w, h}};
  for (const auto& [cx, cy] : pivots) {
    // At the end the picture is in place; at the start it lies wholly outside.
    TBitmap frame(snapshot);
    RotateBitmap(frame, source, cx, cy, 100);
    EXPECT_TRUE(SameBits(frame, source)) << cx << "," << cy;
    frame = snapshot;
    RotateBitmap(frame, source, cx, cy, 0);
    EXPECT_TRUE(SameBits(frame, snapshot)) << cx << "," << cy;

    for (int32_t p = 1; p < 100; ++p) {
      frame = snapshot;
      RotateBitmap(frame, source, cx, cy, p);
      ASSERT_TRUE(SameBits(frame, RotateRef(snapshot, source, cx, cy, p)))
          << "pivot " << cx << "," << cy << " p=" << p;
    }
    // Halfway both the turned picture and the snapshot around it show.
    frame = snapshot;
    RotateBitmap(frame, source, cx, cy, 50);
    int taken = 0, kept = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) (GetBValue(frame.Pixel(x, y)) == 0x80 ? taken : kept)++;
    EXPECT_GT(taken, 0);
    EXPECT_GT(kept, 0);
  }

  // A frame of several tiles each way (the rows and columns are walked tile by tile).
  {
    const int32_t bw = 601, bh = 53;
    TBitmap big(bw, bh), back(bw, bh);
    for (int32_t y = 0; y < bh; ++y)
      for (int32_t x = 0; x < bw; ++x) {
        big.SetPixel(x, y, RGB(uint8_t(x), uint8_t(y), uint8_t(x >> 8)));
        back.SetPixel(x, y, RGB(uint8_t(y), uint8_t(x), 0x11));
      }
    for (const auto& [cx, cy] : {std::pair{-1, -1}, std::pair{-1, bh}, std::pair{bw, -1}, std::pair{bw, bh}})
      for (int32_t p : {3, 50, 97, 100}) {
        TBitmap frame(back);
        RotateBitmap(frame, big, cx, cy, p);
        const TBitmap expected = RotateRef(back, big, cx, cy, p);
        EXPECT_TRUE(SameBits(frame, expected)) << "pivot " << cx << "," << cy << " p=" << p;
        // With the restore fused in, whatever the frame held before is gone.
        TBitmap fused(big);
        RotateBitmapFrom(fused, back, big, cx, cy, p);
        EXPECT_TRUE(SameBits(fused, expected)) << "fused, pivot " << cx << "," << cy << " p=" << p;
      }
  }

  // Hand-worked at 45 degrees about (-1, -1): target (0, 0) has dx = dy = 1, so its source
  // column is -1 + round(0) = -1, outside: the snapshot stays. Target (4, 2) has dx = 5,
  // dy = 3: column -1 + round(2 * 0.7071) = 0, row -1 + round(8 * 0.7071) = 5.
  TBitmap frame(snapshot);
  RotateBitmap(frame, source, -1, -1, 50);
  EXPECT_EQ(frame.Pixel(0, 0), snapshot.Pixel(0, 0));
  EXPECT_EQ(frame.Pixel(4, 2), source.Pixel(0, 5));
  // About (W, H): target (30, 20) has dx = -7, dy = -3: column 37 + round(-4 * 0.7071) = 34,
  // row 23 + round(-10 * 0.7071) = 16.
  frame = snapshot;
  RotateBitmap(frame, source, w, h, 50);
  EXPECT_EQ(frame.Pixel(30, 20), source.Pixel(34, 16));
}

TEST(PixelEffects, RotationGuardsItsInputs) {
  TBitmap mono(8, 8, pf1bit), colour(8, 8);
  TBitmap other(8, 9);
  EXPECT_THROW(RotateBitmapFrom(colour, other, colour, -1, -1, 50), Exception);
  EXPECT_THROW(RotateBitmapFrom(colour, mono, colour, -1, -1, 50), Exception);
  EXPECT_THROW(RotateBitmap(mono, colour, -1, -1, 50), Exception);
  EXPECT_THROW(RotateBitmap(colour, mono, -1, -1, 50), Exception);
  // A source smaller than the frame: only its own pixels are ever read.
  TBitmap frame = Filled(20, 20, clBlack);
  RotateBitmap(frame, Filled(5, 5, clWhite), -1, -1, 100);
  EXPECT_EQ(frame.Pixel(4, 4), clWhite);
  EXPECT_EQ(frame.Pixel(5, 4), clBlack);
  // Far pivots never overflow.
  RotateBitmap(frame, colour, INT32_MIN / 2, INT32_MAX / 2, 30);
}

}  // namespace
}  // namespace pictova

namespace pictova {
namespace {

TBitmap Noise(int32_t w, int32_t h, uint32_t seed) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < w * 3; ++i) {
      seed = seed * 1664525u + 1013904223u;
      b.ScanLine(y)[i] = static_cast<uint8_t>(seed >> 24);
    }
  return b;
}

bool SameBytes(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * 3) != 0) return false;
  return true;
}

// The fade and the turns done in two bands on two threads give the bytes of one pass, for an
// odd number of rows and at progress values where the rounding is hardest.
TEST(PixelEffects, TwoBandsGiveTheBytesOfOnePass) {
  const int32_t w = 97, h = TBandWorker::kMinRows + 45;
  const TBitmap back = Noise(w, h, 1), pic = Noise(w, h, 2);
  TBandWorker bands;
  for (int p : {1, 33, 50, 77, 99}) {
    SCOPED_TRACE(testing::Message() << "progress " << p);
    TBitmap one = back, two = back;
    BlendBitmaps(one, pic, p);
    bands.Run(h, [&](int32_t a, int32_t b) { BlendBitmaps(two, pic, p, a, b); });
    EXPECT_TRUE(SameBytes(one, two));
    TBitmap fused = pic;  // overwritten whole by the fused fade
    bands.Run(h, [&](int32_t a, int32_t b) { BlendBitmapsFrom(fused, back, pic, p, a, b); });
    EXPECT_TRUE(SameBytes(one, fused));
    for (const auto& [cx, cy] : {std::pair{-1, -1}, std::pair{-1, h}, std::pair{w, -1}, std::pair{w, h}}) {
      TBitmap r1 = back, r2 = back;
      RotateBitmap(r1, pic, cx, cy, p);
      bands.Run(h, [&](int32_t a, int32_t b) { RotateBitmap(r2, pic, cx, cy, p, a, b); });
      EXPECT_TRUE(SameBytes(r1, r2)) << cx << "," << cy;
      TBitmap r3 = pic;
      bands.Run(h, [&](int32_t a, int32_t b) { RotateBitmapFrom(r3, back, pic, cx, cy, p, a, b); });
      EXPECT_TRUE(SameBytes(r1, r3)) << cx << "," << cy;
    }
  }
  // Every row is done exactly once, and a failure in the helper's band reaches the caller.
  std::vector<int> seen(size_t(h), 0);
  bands.Run(h, [&](int32_t a, int32_t b) {
    for (int32_t y = a; y < b; ++y) ++seen[size_t(y)];
  });
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), h);
  EXPECT_THROW(bands.Run(h, [&](int32_t a, int32_t) {
                 if (a > 0) throw Exception("band");
               }),
               Exception);
  TBitmap mono(w, h, pf1bit);
  EXPECT_THROW(bands.Run(h, [&](int32_t a, int32_t b) { BlendBitmaps(mono, pic, 50, a, b); }), Exception);
}

}  // namespace
}  // namespace pictova
