// Stretch copies against a per-pixel reference of the documented mapping rule.
#include "gfx/Stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <cstdlib>
#include <string>
#include <utility>

#include "gfx/BandWorker.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Region.h"

namespace pictova {
namespace {

// Every pixel distinct within 256 x 256, so a wrong source pixel shows.
void Paint(TBitmap& b, int seed) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      b.SetPixel(x, y, RGB(uint8_t(x + seed), uint8_t(y * 3 + seed), uint8_t(x * 7 + y * 13 + seed)));
}

void PaintMono(TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, (x * x + 3 * y) % 5 < 2 ? clWhite : clBlack);
}

// The rule written out plainly, by a search rather than the closed forms of TStretchAxis:
// a run includes its start and excludes its end whichever way it runs; both runs are walked
// from their start pixels. Enlarging, destination step k takes the source pixel under its
// centre (k + 1/2) s / n, a centre on a boundary taking the pixel before. Shrinking, each
// source pixel j belongs to the destination pixel under its centre (j + 1/2) n / s (again
// the pixel before on a boundary); a destination column keeps the last of its source
// pixels, a row the first. A destination run of +1 spreads over one source pixel less.
// Only destination pixels inside both bitmaps and the clip region are written.
struct Ref {
  // The largest j in [0, s) with pred(j), for a predicate that holds up to some j (-1: none).
  template <typename Pred>
  static int64_t LastWhere(int64_t s, Pred pred) {
    int64_t lo = -1, hi = s - 1;
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo + 1) / 2;
      if (pred(mid)) lo = mid;
      else hi = mid - 1;
    }
    return lo;
  }
  // Source step for destination step k (all counts from the runs' start pixels). The
  // products stay below 2^64 in unsigned arithmetic.
  static int64_t Step(int64_t k, int64_t n, int64_t s, bool rows) {
    using U = uint64_t;
    if (s <= n)  // the last j whose left boundary j n lies before the centre (2k + 1) s / 2
      return LastWhere(s, [&](int64_t j) { return U(2 * j) * U(n) < U(2 * k + 1) * U(s); });
    if (rows)  // the first j whose centre lies beyond k: one past the last one that does not
      return LastWhere(s, [&](int64_t j) { return U(2 * j + 1) * U(n) <= U(2 * k) * U(s); }) + 1;
    // the last j whose centre lies at or before the end of k
    return LastWhere(s, [&](int64_t j) { return U(2 * j + 1) * U(n) <= U(2) * U(k + 1) * U(s); });
  }
  static int64_t Source(int64_t d, int64_t from, int64_t extent, int64_t srcFrom, int64_t srcExtent, bool rows) {
    const int64_t n = std::llabs(extent);
    int64_t s = std::llabs(srcExtent);
    if (extent == 1 && srcExtent > 1) s = srcExtent - 1;
    const int64_t k = extent > 0 ? d - from : from - d;
    const int64_t j = Step(k, n, s, rows);
    return srcExtent > 0 ? srcFrom + j : srcFrom - j;
  }
  static void Stretch(TBitmap& dest, int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& src,
                      int32_t sx, int32_t sy, int32_t sw, int32_t sh, const TRegion* clip = nullptr) {
    if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
    const TBitmap original(src);
    const int64_t dx0 = w > 0 ? x : int64_t{x} + w + 1, dy0 = h > 0 ? y : int64_t{y} + h + 1;
    const int64_t n = std::llabs(w), nv = std::llabs(h);
    for (int32_t py = 0; py < dest.Height(); ++py)
      for (int32_t px = 0; px < dest.Width(); ++px) {
        if (px < dx0 || px >= dx0 + n || py < dy0 || py >= dy0 + nv) continue;
        if (clip && !clip->Contains(px, py)) continue;
        const int64_t srcX = Source(px, x, w, sx, sw, false);
        const int64_t srcY = Source(py, y, h, sy, sh, true);
        if (srcX < 0 || srcY < 0 || srcX >= original.Width() || srcY >= original.Height()) continue;
        dest.SetPixel(px, py, original.Pixel(int32_t(srcX), int32_t(srcY)));
      }
  }
};

std::string FirstDifference(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "sizes differ";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y))
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + "): " + std::to_string(a.Pixel(x, y)) +
               " expected " + std::to_string(b.Pixel(x, y));
  return "";
}

struct Case {
  const char* Name;
  int32_t X, Y, W, H, Sx, Sy, Sw, Sh;
};

// Runs every case through the canvas and through the reference, from the same background.
void CheckCases(TPixelFormat destFormat, TPixelFormat srcFormat, const TRegion* clip) {
  const Case cases[] = {
      {"identity", 0, 0, 23, 17, 0, 0, 23, 17},
      {"offset unscaled", 5, 3, 10, 8, 2, 4, 10, 8},
      {"enlarge", 2, 1, 19, 14, 1, 2, 7, 5},
      {"enlarge by exactly 3", 0, 0, 21, 15, 0, 0, 7, 5},
      {"whole source enlarged", 0, 0, 24, 18, 0, 0, 24, 17},
      {"shrink", 1, 1, 9, 7, 0, 0, 23, 17},
      {"shrink to one pixel", 4, 4, 1, 1, 0, 0, 23, 17},
      {"mirror x", 20, 0, -17, 12, 0, 0, 23, 17},
      {"mirror y", 0, 15, 21, -13, 3, 2, 9, 9},
      {"mirror both", 22, 16, -22, -16, 0, 0, 23, 17},
      {"flipped onto itself", 23, 17, -24, -18, 0, 0, 24, 17},
      {"source extents negative", 0, 0, 20, 16, 23, 17, -23, -17},
      {"both extents negative, no mirror", 20, 16, -20, -16, 23, 17, -23, -17},
      {"fold of two extra pixels", 26, 0, -27, 16, 10, 0, 5, 17},
      {"beyond every edge", -30, -20, 90, 70, 0, 0, 23, 17},
      {"source beyond its bitmap", 0, 0, 20, 16, -10, -5, 40, 30},
      {"source entirely outside", 0, 0, 20, 16, 100, 0, 10, 10},
      {"fully outside right", 25, 0, 10, 10, 0, 0, 10, 10},
      {"fully outside left", -12, 0, 10, 10, 0, 0, 10, 10},
      {"zero width", 3, 3, 0, 5, 0, 0, 5, 5},
      {"zero source height", 3, 3, 5, 5, 0, 0, 5, 0},
      {"huge destination", INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 23, 17},
      {"huge mirrored", INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 0, 0, 23, 17},
      {"huge source", 0, 0, 24, 18, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
      {"huge shrink onto the bitmap", -1000000, 0, 2000000, 18, 0, 0, 23, 17},
  };
  // 23 pixels leave padding at the end of each row, 24 (72 bytes) leave none.
  for (const int32_t srcWidth : {23, 24}) {
    TBitmap src(srcWidth, 17, srcFormat);
    if (srcFormat == pf1bit) PaintMono(src);
    else Paint(src, 0);
    for (const Case& c : cases) {
      TBitmap actual(24, 18, destFormat);
      if (destFormat == pf1bit) PaintMono(actual);
      else Paint(actual, 100);
      TBitmap expected(actual);
      if (clip) actual.Canvas().SelectClipRgn(clip);
      actual.Canvas().StretchBlt(c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, c.Sw, c.Sh);
      Ref::Stretch(expected, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, c.Sw, c.Sh, clip);
      EXPECT_EQ(FirstDifference(actual, expected), "") << c.Name << ", source width " << srcWidth;
    }
  }
}

TEST(StretchCopy, MappingPicksTheSourcePixelUnderEachDestinationCentre) {
  // Hand-computed rows: enlarge 2 -> 5 (the middle centre lies on the boundary: the pixel
  // before it) and 2 -> 4, shrink 4 -> 2 (the last of each pair), 3 -> 4, mirrored 3 -> 3.
  auto row = [](int32_t dw, int32_t sw) {
    TStretchAxis a;
    EXPECT_TRUE(TStretchAxis::Make(0, dw, 0, sw, a));
    std::string s;
    for (int64_t d = a.DestStart; d < a.DestStart + a.DestCount; ++d) s += std::to_string(a.SourceFor(d));
    return s;
  };
  EXPECT_EQ(row(5, 2), "00011");
  EXPECT_EQ(row(4, 2), "0011");
  EXPECT_EQ(row(2, 4), "13");
  EXPECT_EQ(row(4, 3), "0112");
  EXPECT_EQ(row(-3, 3), "210");  // covers 0, -1, -2: mirrored
  EXPECT_EQ(row(3, -3), "0-1-2");
  // Shrinking 5 -> 3 keeps 1, 2, 4 of the columns and 0, 2, 3 of the rows; a one-pixel
  // destination spreads over one source pixel less (the last column but one).
  EXPECT_EQ(row(3, 5), "124");
  TStretchAxis rows;
  ASSERT_TRUE(TStretchAxis::Make(0, 3, 0, 5, rows, true));
  EXPECT_EQ(rows.SourceFor(0), 0);
  EXPECT_EQ(rows.SourceFor(1), 2);
  EXPECT_EQ(rows.SourceFor(2), 3);
  EXPECT_EQ(row(1, 6), "4");
  TStretchAxis flip;  // the whole of 8 pixels backwards onto itself
  ASSERT_TRUE(TStretchAxis::Make(7, -8, 0, 8, flip));
  EXPECT_EQ(flip.DestStart, 0);
  EXPECT_EQ(flip.SourceFor(0), 7);
  EXPECT_EQ(flip.SourceFor(7), 0);
  TStretchAxis a;
  EXPECT_FALSE(TStretchAxis::Make(0, 0, 0, 5, a));
  EXPECT_FALSE(TStretchAxis::Make(0, 5, 0, 0, a));
  // Extremes stay exact in 64 bits: the last of 2^31 pixels maps to the last source pixel.
  ASSERT_TRUE(TStretchAxis::Make(INT32_MIN, INT32_MIN, 0, INT32_MIN, a));
  EXPECT_EQ(a.DestStart, int64_t{INT32_MIN} * 2 + 1);
  EXPECT_EQ(a.SourceFor(a.DestStart + a.DestCount - 1), 0);
}

TEST(StretchCopy, TwentyFourBitMatchesTheReference) { CheckCases(pf24bit, pf24bit, nullptr); }

TEST(StretchCopy, ClipRegionsCutAfterTheMapping) {
  // Strips, a hole and an empty region: what is drawn must equal the unclipped result
  // inside the region and leave everything else alone.
  TRegion strips;
  for (int y = 0; y < 18; y += 4) strips.CombineWith(TRegion::CreateRectRgn(-3, y, 40, y + 2), RGN_OR);
  strips.CombineWith(TRegion::CreateRectRgn(6, 0, 9, 18), RGN_XOR);
  CheckCases(pf24bit, pf24bit, &strips);
  const TRegion empty;
  CheckCases(pf24bit, pf24bit, &empty);
}

TEST(StretchCopy, OneBitSourcesAndDestinations) {
  CheckCases(pf24bit, pf1bit, nullptr);
  CheckCases(pf1bit, pf24bit, nullptr);
  CheckCases(pf1bit, pf1bit, nullptr);
  // A 1-bit bitmap drawn on a 24-bit one shows its palette: 0 black, 1 white.
  TBitmap mono(9, 1, pf1bit);
  mono.SetPixel(0, 0, clWhite);
  mono.SetPixel(8, 0, clWhite);
  TBitmap colour(9, 1);
  colour.Canvas().Brush.Color = clRed;
  colour.Canvas().FillRect(Rect(0, 0, 9, 1));
  colour.Canvas().Draw(0, 0, &mono);
  EXPECT_EQ(colour.Pixel(0, 0), clWhite);
  EXPECT_EQ(colour.Pixel(4, 0), clBlack);
  EXPECT_EQ(colour.Pixel(8, 0), clWhite);
}

TEST(StretchCopy, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
  TBitmap b(20, 12);
  Paint(b, 9);
  TBitmap expected(b);
  b.Canvas().CopyRect(Rect(3, 2, 17, 11), b.Canvas(), Rect(0, 0, 14, 9));
  Ref::Stretch(expected, 3, 2, 14, 9, expected, 0, 0, 14, 9);
  EXPECT_EQ(FirstDifference(b, expected), "");
  const TBitmap before(b);
  b.Canvas().StretchBlt(19, 0, -20, 12, b, 0, 0, 20, 12);  // mirror in place
  for (int x = 0; x < 20; ++x) EXPECT_EQ(b.Pixel(x, 5), before.Pixel(19 - x, 5)) << x;
}

TEST(StretchCopy, RectangleFormsOfTheCanvas) {
  TBitmap src(16, 10);
  Paint(src, 3);
  TBitmap a(30, 20), b(30, 20);
  // CopyRect and StretchDraw take rectangles; inverted ones mirror.
  a.Canvas().CopyRect(Rect(25, 2, 5, 18), src.Canvas(), Rect(1, 1, 15, 9));
  Ref::Stretch(b, 25, 2, -20, 16, src, 1, 1, 14, 8);
  EXPECT_EQ(FirstDifference(a, b), "");
  a.Canvas().StretchDraw(Rect(-4, 3, 40, 12), &src);
  Ref::Stretch(b, -4, 3, 44, 9, src, 0, 0, 16, 10);
  EXPECT_EQ(FirstDifference(a, b), "");
  a.Canvas().Draw(-7, 13, &src);
  Ref::Stretch(b, -7, 13, 16, 10, src, 0, 0, 16, 10);
  EXPECT_EQ(FirstDifference(a, b), "");
  a.Canvas().BitBlt(20, -2, 8, 8, src, 4, 1);
  Ref::Stretch(b, 20, -2, 8, 8, src, 4, 1, 8, 8);
  EXPECT_EQ(FirstDifference(a, b), "");
  // Widths that do not fit in 32 bits, and positions far away, draw nothing.
  const TBitmap before(a);
  a.Canvas().StretchDraw(Rect(INT32_MIN, 0, INT32_MAX, 20), &src);
  a.Canvas().Draw(INT32_MAX, INT32_MAX, &src);
  a.Canvas().Draw(INT32_MIN, 0, &src);
  a.Canvas().Draw(0, 0, nullptr);
  const TBitmap empty;
  a.Canvas().Draw(0, 0, &empty);
  EXPECT_EQ(FirstDifference(a, before), "");
  // An empty destination takes nothing and does not fail.
  TBitmap none;
  none.Canvas().Draw(0, 0, &src);
  none.Canvas().StretchBlt(-5, -5, 50, 50, src, 0, 0, 16, 10);
  EXPECT_TRUE(none.Empty());
}

}  // namespace
}  // namespace pictova

namespace pictova {
namespace {

// StretchedPart against an actual copy: stretch a source that is black except for the part,
// white there, and take the bounding box of the white pixels it produced.
TEST(StretchCopy, StretchedPartIsWhatAStretchTakesFromThePart) {
  const TRect dests[] = {Rect(0, 0, 200, 100), Rect(37, 0, 162, 100), Rect(3, 5, 60, 40), Rect(0, 0, 7, 300)};
  const std::pair<int, int> sources[] = {{230, 130}, {50, 40}, {200, 100}, {7, 3}, {1000, 17}};
  for (const TRect& dest : dests)
    for (const auto& [sw, sh] : sources) {
      for (int trial = 0; trial < 12; ++trial) {
        const int32_t l = (trial * 37) % sw, t = (trial * 11) % sh;
        const TRect part = Rect(l, t, std::min(sw, l + 1 + (trial * 53) % sw), std::min(sh, t + 1 + (trial * 7) % sh));
        SCOPED_TRACE(testing::Message() << sw << "x" << sh << " part " << part.Left << "," << part.Top << ","
                                        << part.Right << "," << part.Bottom << " onto " << dest.Left << ","
                                        << dest.Width() << "x" << dest.Height());
        TBitmap src(sw, sh), dst(dest.Right + 1, dest.Bottom + 1);
        src.Canvas().Brush.Color = clBlack;
        src.Canvas().FillRect(Rect(0, 0, sw, sh));
        src.Canvas().Brush.Color = clWhite;
        src.Canvas().FillRect(part);
        dst.Canvas().Brush.Color = clBlack;
        dst.Canvas().FillRect(Rect(0, 0, dst.Width(), dst.Height()));
        dst.Canvas().StretchBlt(dest, src, Rect(0, 0, sw, sh));
        TRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        bool any = false;
        for (int32_t y = 0; y < dst.Height(); ++y)
          for (int32_t x = 0; x < dst.Width(); ++x)
            if (dst.Pixel(x, y) == clWhite) {
              any = true;
              box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
            }
        const TRect got = StretchedPart(dest, sw, sh, part);
        if (!any) {
          EXPECT_TRUE(got.IsEmpty());
        } else {
          EXPECT_EQ(got, box);
        }
      }
    }
  // A mirrored destination walks the source backwards.
  EXPECT_EQ(StretchedPart(Rect(9, 0, -1, 1), 10, 1, Rect(0, 0, 1, 1)), Rect(9, 0, 10, 1));
  // The bounds of copies that run backwards include their start pixel.
  EXPECT_EQ(StretchDestBounds(10, 5, -3, 2), Rect(8, 5, 11, 7));
  EXPECT_TRUE(StretchDestBounds(10, 5, 0, 2).IsEmpty());
}

// Copies of a frame's size run in two bands on two threads: the bytes must be those of one
// pass, also where a stretch repeats a source row across the split. A copy made inside a band
// runs whole on its thread, which gives the one-pass bytes to compare with.
TEST(StretchCopy, LargeCopiesInTwoBandsGiveTheBytesOfOnePass) {
  TBitmap source(1301, 2 * TBandWorker::kMinRows + 7);
  Paint(source, 3);
  TBandWorker outer;
  const auto oneAndTwo = [&](const std::function<void(TBitmap&)>& copy, TPixelFormat format) {
    TBitmap two(1400, source.Height() * 2 + 5, format), one(two);
    copy(two);
    outer.Run(TBandWorker::kMinRows, [&](int32_t first, int32_t) {
      if (first == 0) copy(one);
    });
    EXPECT_EQ(FirstDifference(two, one), "");
  };
  for (TPixelFormat format : {pf24bit, pf1bit}) {
    SCOPED_TRACE(format == pf24bit ? "24-bit" : "1-bit");
    oneAndTwo([&](TBitmap& d) { StretchCopy(d, 3, 1, 1301, source.Height(), source, 0, 0, 1301, source.Height()); },
              format);
    // Enlarged (repeated rows) and reduced, mirrored across, and cut by a clip region.
    oneAndTwo([&](TBitmap& d) { StretchCopy(d, 0, 0, 1400, d.Height(), source, 0, 0, 1301, source.Height()); },
              format);
    oneAndTwo([&](TBitmap& d) { StretchCopy(d, 1399, 2, -1400, 300, source, 5, 3, 1296, source.Height() - 3); },
              format);
    TRegion clip = TRegion::CreateRectRgn(0, 0, 1400, 700);
    clip.CombineWith(TRegion::CreateRectRgn(200, 100, 300, 600), RGN_DIFF);
    oneAndTwo(
        [&](TBitmap& d) {
          d.Canvas().SelectClipRgn(&clip);
          d.Canvas().StretchDraw(Rect(0, 0, 1400, d.Height()), &source);
          d.Canvas().RemoveClipRgn();
        },
        format);
  }
  oneAndTwo([&](TBitmap& d) { CopyPixels(source, 1, 2, d, Rect(10, 3, 1310, source.Height() + 1)); }, pf24bit);
}

}  // namespace
}  // namespace pictova
