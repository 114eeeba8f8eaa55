// Rectangle styles 1 to 57: frame geometry, the rectangles of chosen styles against hand
// arithmetic, and frames composed the way the picture-show composes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <utility>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "pictureshow/Effects.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

// The new picture: every pixel names its own coordinates (red has the top bit set); the old
// picture never sets that bit, so every pixel of a frame tells where it came from.
TBitmap NewPicture(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.SetPixel(x, y,
                 RGB(static_cast<uint8_t>(0x80 | ((x >> 8) << 3) | (y >> 8)),
                     static_cast<uint8_t>(x & 0xFF), static_cast<uint8_t>(y & 0xFF)));
  return b;
}

TBitmap OldPicture(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.SetPixel(x, y, RGB(static_cast<uint8_t>((x * 7 + y * 3) & 0x7F), 0x55, 0xAA));
  return b;
}

bool IsNew(TColor c) { return (GetRValue(c) & 0x80) != 0; }
// Source coordinates of a pixel taken from NewPicture.
std::pair<int32_t, int32_t> SourceOf(TColor c) {
  const int32_t r = GetRValue(c);
  return {((r >> 3) & 0x0F) << 8 | GetGValue(c), (r & 0x07) << 8 | GetBValue(c)};
}

void CopyWhole(TBitmap& dst, const TBitmap& src) {
  for (int32_t y = 0; y < src.Height(); ++y)
    std::memcpy(dst.ScanLine(y), src.ScanLine(y), static_cast<size_t>(src.Width()) * 3);
}

// One frame as the control builds it: the snapshot, the pieces, then the final copy (the
// whole new picture at 100, nothing at 0).
TBitmap Compose(const TBitmap& oldPic, const TBitmap& newPic, int style, int32_t progress) {
  TBitmap screen(oldPic);
  const TFrameGeometry g = MakeFrameGeometry(newPic.Width(), newPic.Height(), progress, 4);
  const TRectFrame f = RectEffect(style, g);
  for (const TRectPiece& piece : f.Pieces) DrawPiece(screen.Canvas(), newPic, piece);
  if (progress == 100)
    CopyWhole(screen, newPic);
  else if (progress > 0)
    StretchPiece(screen.Canvas(), f.D, newPic, f.S);
  return screen;
}

// The platform's colour-on-colour stretch along a row (gfx/Stretch.h): enlarging takes the
// source pixel under the centre of each destination pixel, a centre on a pixel boundary
// taking the pixel before it; shrinking keeps the last source column whose centre falls into
// the destination column; a one-pixel destination spreads over one source pixel less.
int32_t Centre(int32_t i, int32_t destCount, int32_t srcCount) {
  const int64_t n = destCount;
  const int64_t s = destCount == 1 && srcCount > 1 ? srcCount - 1 : srcCount;
  if (s <= n) return static_cast<int32_t>(((2 * int64_t{i} + 1) * s - 1) / (2 * n));
  return static_cast<int32_t>((2 * (int64_t{i} + 1) * s - n) / (2 * n));
}

TFrameGeometry Geometry(int32_t w, int32_t h, int32_t x, int32_t y) {
  TFrameGeometry g;
  g.W = w;
  g.H = h;
  g.X = x;
  g.Y = y;
  return g;
}

TEST(RectEffects, FrameGeometryFollowsTheLongerSide) {
  const TFrameGeometry wide = MakeFrameGeometry(640, 480, 50, 4);
  EXPECT_EQ(wide.X, 320);
  EXPECT_EQ(wide.Y, 240);
  EXPECT_EQ(wide.J, 28);  // 640 * 4 / 90 = 28.4

  // Rounding halves away from zero, against a floating-point reference.
  for (const auto& [w, h] : {std::pair{501, 301}, std::pair{10, 3}, std::pair{333, 1000},
                             std::pair{7, 7}, std::pair{1, 999}}) {
    for (int32_t p = 0; p <= 100; ++p) {
      const TFrameGeometry g = MakeFrameGeometry(w, h, p, 7);
      const int32_t lead = std::lround(double(h <= w ? w : h) * p / 100.0);
      const int32_t follow = std::lround(double(lead) * (h <= w ? h : w) / (h <= w ? w : h));
      EXPECT_EQ(h <= w ? g.X : g.Y, lead) << w << "x" << h << " p=" << p;
      EXPECT_EQ(h <= w ? g.Y : g.X, follow) << w << "x" << h << " p=" << p;
      EXPECT_EQ(g.J, std::lround(double(h <= w ? w : h) * 7 / 90.0));
    }
    const TFrameGeometry done = MakeFrameGeometry(w, h, 100, 4);
    EXPECT_EQ(done.X, w);
    EXPECT_EQ(done.Y, h);
  }
  // A tall picture: 500 * 33 / 100 = 165, 165 * 300 / 500 = 99.
  const TFrameGeometry tall = MakeFrameGeometry(300, 500, 33, 4);
  EXPECT_EQ(tall.Y, 165);
  EXPECT_EQ(tall.X, 99);
  // Progress is a percentage: more counts as 100.
  EXPECT_EQ(MakeFrameGeometry(640, 480, 250, 4).X, 640);
}

TEST(RectEffects, ChosenRectanglesMatchHandArithmetic) {
  // Wipes and the centre styles on an odd-sized picture: 501 * 50% = 250.5 -> 251.
  TFrameGeometry g = MakeFrameGeometry(501, 301, 50, 4);
  ASSERT_EQ(g.X, 251);
  ASSERT_EQ(g.Y, 151);
  TRectFrame f = RectEffect(5, g);
  EXPECT_TRUE(f.Pieces.empty());
  EXPECT_EQ(f.D, Rect(0, 0, 251, 301));
  EXPECT_EQ(f.S, f.D);
  f = RectEffect(11, g);
  EXPECT_EQ(f.D, Rect(125, 0, 376, 301));  // 250 div 2, 752 div 2
  EXPECT_EQ(f.S, f.D);
  f = RectEffect(52, g);
  EXPECT_EQ(f.D, Rect(125, 75, 376, 226));
  EXPECT_EQ(f.S, Rect(0, 0, 501, 301));
  f = RectEffect(40, g);
  EXPECT_EQ(f.D, Rect(250, -150, 751, 151));

  // X - W odd and negative: division truncates toward zero, -301 div 2 = -150.
  g = MakeFrameGeometry(501, 301, 40, 4);
  ASSERT_EQ(g.X, 200);
  ASSERT_EQ(g.Y, 120);
  f = RectEffect(51, g);
  EXPECT_EQ(f.D, Rect(-301, -181, 802, 482));
  EXPECT_EQ(f.S, Rect(150, 90, 350, 210));
  f = RectEffect(57, g);
  ASSERT_EQ(f.Pieces.size(), 3u);
  EXPECT_EQ(f.Pieces[0].D, Rect(-150, 0, 101, 151));
  EXPECT_EQ(f.Pieces[0].S, Rect(0, 0, 251, 151));
  EXPECT_EQ(f.Pieces[1].D, Rect(249, -90, 501, 61));
  EXPECT_EQ(f.Pieces[1].S, Rect(249, 0, 501, 151));
  EXPECT_EQ(f.Pieces[2].D, Rect(401, 149, 651, 301));
  EXPECT_EQ(f.Pieces[2].S, Rect(251, 149, 501, 301));
  EXPECT_EQ(f.D, Rect(0, 241, 251, 391));
  EXPECT_EQ(f.S, Rect(0, 151, 251, 301));
  f = RectEffect(56, g);
  EXPECT_EQ(f.Pieces[1].D, Rect(0, 241, 101, 301));
  EXPECT_EQ(f.Pieces[1].S, Rect(0, 151, 251, 301));
  EXPECT_EQ(f.D, Rect(401, 0, 501, 61));
  EXPECT_EQ(f.S, Rect(251, 0, 501, 151));
  f = RectEffect(13, g);
  EXPECT_EQ(f.Pieces[0].D, Rect(0, 0, 101, 301));
  EXPECT_EQ(f.Pieces[0].S, Rect(0, 0, 251, 301));
  EXPECT_EQ(f.D, Rect(400, 0, 501, 301));
  EXPECT_EQ(f.S, Rect(250, 0, 501, 301));
  f = RectEffect(34, g);
  EXPECT_EQ(f.Pieces[0].D, Rect(0, 181, 501, 301));
  EXPECT_EQ(f.D, Rect(0, 0, 501, 181));
  EXPECT_EQ(f.S, Rect(0, 166, 501, 181));  // 15 rows above the edge smeared

  // Style 16 at X = 100 on a 500-wide picture: source columns 100 to 125 over 100 to 500.
  f = RectEffect(16, MakeFrameGeometry(500, 300, 20, 4));
  ASSERT_EQ(f.Pieces.size(), 1u);
  EXPECT_EQ(f.Pieces[0].D, Rect(0, 0, 100, 300));
  EXPECT_EQ(f.D, Rect(100, 0, 500, 300));
  EXPECT_EQ(f.S, Rect(100, 0, 125, 300));

  EXPECT_THROW(RectEffect(0, g), Exception);
  EXPECT_THROW(RectEffect(58, g), Exception);
}

TEST(RectEffects, FoldWidthGrowsHoldsAndShrinks) {
  // 500 wide: W div 5 = 100, so the fold follows X below 100, W - X above 400, else 50.
  const std::pair<int32_t, int32_t> cases[] = {
      {0, 0}, {50, 25}, {99, 49}, {100, 50}, {250, 50}, {400, 50}, {401, 49}, {450, 25}, {500, 0}};
  for (const auto& [reveal, fold] : cases) {
    const TRectFrame h14 = RectEffect(14, Geometry(500, 300, reveal, 0));
    ASSERT_EQ(h14.Pieces.size(), 1u);
    const TRectPiece& p = h14.Pieces[0];
    EXPECT_TRUE(p.Mirror && p.MirrorH && !p.MirrorV);
    EXPECT_EQ(p.D, Rect(reveal, 0, reveal + fold, 300)) << "X=" << reveal;
    EXPECT_EQ(p.S, Rect(reveal + fold, 0, reveal + 2 * fold, 300)) << "X=" << reveal;
    EXPECT_EQ(h14.D, Rect(0, 0, reveal, 300));

    const int32_t k = 500 - reveal;
    const TRectFrame h15 = RectEffect(15, Geometry(500, 300, reveal, 0));
    EXPECT_EQ(h15.Pieces[0].D, Rect(k - fold, 0, k, 300));
    EXPECT_EQ(h15.Pieces[0].S, Rect(k - 2 * fold, 0, k - fold, 300));

    // The vertical folds use Y and H by the same rule.
    const TRectFrame v31 = RectEffect(31, Geometry(300, 500, 0, reveal));
    EXPECT_TRUE(v31.Pieces[0].MirrorV && !v31.Pieces[0].MirrorH);
    EXPECT_EQ(v31.Pieces[0].D, Rect(0, reveal, 300, reveal + fold));
    EXPECT_EQ(v31.Pieces[0].S, Rect(0, reveal + fold, 300, reveal + 2 * fold));
    const TRectFrame v32 = RectEffect(32, Geometry(300, 500, 0, reveal));
    EXPECT_EQ(v32.Pieces[0].D, Rect(0, k - fold, 300, k));
    EXPECT_EQ(v32.D, Rect(0, k, 300, 500));
  }
}

TEST(RectEffects, EveryStyleEndsWithTheNewPicture) {
  // Styles whose final rectangles are not the whole picture at 100; all others copy it
  // whole even before the composition step draws the new picture over everything.
  const std::set<int> partial = {12, 13, 16, 17, 29, 30, 33, 34, 54, 55, 56, 57};
  for (const auto& [w, h] : {std::pair{37, 23}, std::pair{20, 41}}) {
    const TBitmap oldPic = OldPicture(w, h), newPic = NewPicture(w, h);
    const TRect whole = Rect(0, 0, w, h);
    for (int style = 1; style <= 57; ++style) {
      const TRectFrame f = RectEffect(style, MakeFrameGeometry(w, h, 100, 4));
      if (!partial.count(style)) {
        EXPECT_EQ(f.D, whole) << "style " << style;
        EXPECT_EQ(f.S, whole) << "style " << style;
      }
      const TBitmap frame = Compose(oldPic, newPic, style, 100);
      EXPECT_EQ(std::memcmp(frame.Bits(), newPic.Bits(), newPic.RowBytes() * size_t(h)), 0)
          << "style " << style;
      // Where the final copy is whole, it alone already shows the new picture.
      if (!partial.count(style)) {
        TBitmap alone(oldPic);
        StretchPiece(alone.Canvas(), f.D, newPic, f.S);
        EXPECT_EQ(std::memcmp(alone.Bits(), newPic.Bits(), newPic.RowBytes() * size_t(h)), 0)
            << "style " << style;
      }
    }
  }
}

TEST(RectEffects, AtProgressZeroOnlyTheNamedPiecesShow) {
  const int32_t w = 41, h = 31, hw = w / 2, vh = h / 2;
  const TBitmap oldPic = OldPicture(w, h), newPic = NewPicture(w, h);
  // Pixels of the new picture expected at progress 0, by style; all other styles none.
  auto expected = [&](int style, int32_t x, int32_t y) {
    switch (style) {
      case 12:
      case 13:
        return x == 0;  // a one-pixel column
      case 29:
      case 30:
        return y == 0;  // a one-pixel row
      case 55:
        return (x == 0 || x == w - 1) && (y == 0 || y == h - 1) && !(x == w - 1 && y == 0);
      case 56:
        return x == 0 && y == 0;
      case 57:
        return (x == 0 && y <= vh) || (y == 0 && x >= hw - 1);
      default:
        return false;
    }
  };
  for (int style = 1; style <= 57; ++style) {
    const TBitmap frame = Compose(oldPic, newPic, style, 0);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const TColor c = frame.Pixel(x, y);
        ASSERT_EQ(IsNew(c), expected(style, x, y)) << "style " << style << " at " << x << "," << y;
        if (!IsNew(c)) {
          EXPECT_EQ(c, oldPic.Pixel(x, y));
        }
      }
  }
  // Unscaled pieces copy their own pixels; style 13 squeezes half the picture into column 0.
  EXPECT_EQ(Compose(oldPic, newPic, 12, 0).Pixel(0, 5), newPic.Pixel(0, 5));
  EXPECT_EQ(Compose(oldPic, newPic, 55, 0).Pixel(w - 1, h - 1), newPic.Pixel(w - 1, h - 1));
  EXPECT_EQ(SourceOf(Compose(oldPic, newPic, 13, 0).Pixel(0, 7)),
            std::make_pair(Centre(0, 1, hw + 1), 7));
}

TEST(RectEffects, ComposedFramesAgainstIndependentExpectations) {
  const int32_t w = 500, h = 300;
  const TBitmap oldPic = OldPicture(w, h), newPic = NewPicture(w, h);

  // Wipe from left to right at 37%: X = 185.
  TBitmap frame = Compose(oldPic, newPic, 5, 37);
  for (int32_t x = 0; x < w; ++x) {
    EXPECT_EQ(frame.Pixel(x, 10), x < 185 ? newPic.Pixel(x, 10) : oldPic.Pixel(x, 10)) << x;
  }
  // Box wipe at 50%: X = 250, Y = 150, the box (125, 75) - (375, 225).
  frame = Compose(oldPic, newPic, 53, 50);
  for (int32_t y = 0; y < h; y += 7)
    for (int32_t x = 0; x < w; x += 3) {
      const bool inside = x >= 125 && x < 375 && y >= 75 && y < 225;
      EXPECT_EQ(frame.Pixel(x, y), inside ? newPic.Pixel(x, y) : oldPic.Pixel(x, y));
    }

  // Style 16 at X = 100: columns 0..99 unscaled, then source columns 100..124 each repeated
  // 16 times across columns 100..499.
  frame = Compose(oldPic, newPic, 16, 20);
  std::vector<int> uses(25, 0);
  for (int32_t x = 0; x < w; ++x) {
    const auto [sx, sy] = SourceOf(frame.Pixel(x, 42));
    ASSERT_TRUE(IsNew(frame.Pixel(x, 42)));
    EXPECT_EQ(sy, 42);
    if (x < 100) {
      EXPECT_EQ(sx, x);
    } else {
      ASSERT_GE(sx, 100);
      ASSERT_LT(sx, 125);
      EXPECT_EQ(sx, 100 + Centre(x - 100, 400, 25));
      ++uses[size_t(sx - 100)];
    }
  }
  for (int n : uses) EXPECT_EQ(n, 16);

  // Style 14 at X = 50 (F = 25): the fold draws source columns 75..99 mirrored over the
  // 27 columns 50..76, two past the fold's rectangle (50, 75); the wipe covers 0..49.
  frame = Compose(oldPic, newPic, 14, 10);
  for (int32_t x = 0; x < w; ++x) {
    const TColor c = frame.Pixel(x, 100);
    if (x < 50) {
      EXPECT_EQ(c, newPic.Pixel(x, 100));
    } else if (x <= 76) {
      const int32_t i = x - 50;  // position in the mirrored run, from its left end
      EXPECT_EQ(SourceOf(c), std::make_pair(75 + 24 - Centre(i, 27, 25), 100)) << x;
    } else {
      EXPECT_EQ(c, oldPic.Pixel(x, 100)) << x;
    }
  }

  // Zoom-out about the centre covers the frame at once: every pixel is new.
  frame = Compose(oldPic, newPic, 51, 1);
  for (int32_t y = 0; y < h; y += 11)
    for (int32_t x = 0; x < w; x += 13) EXPECT_TRUE(IsNew(frame.Pixel(x, y)));
}

TEST(RectEffects, MirrorStretchPixels) {
  const TBitmap src = NewPicture(30, 20);
  const TBitmap blank = OldPicture(40, 30);

  // Horizontal: D = (10, 2, 20, 8) becomes a backwards run from 21 of extent -12, which
  // covers columns 21 down to 10; a 12-column source maps one to one, reversed. Rows are
  // not mirrored.
  TBitmap t(blank);
  MirrorStretch(t.Canvas(), Rect(10, 2, 20, 8), src, Rect(5, 3, 17, 9), true, false);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const TColor c = t.Pixel(x, y);
      if (x >= 10 && x <= 21 && y >= 2 && y < 8)
        EXPECT_EQ(SourceOf(c), std::make_pair(5 + (21 - x), 3 + (y - 2))) << x << "," << y;
      else
        EXPECT_EQ(c, blank.Pixel(x, y)) << x << "," << y;
    }

  // Both axes, and a source reaching outside the picture: S is clipped to (0, 0, 30, 20)
  // first, so the 8 x 6 rest is stretched over the 12 x 10 mirrored destination.
  t = blank;
  MirrorStretch(t.Canvas(), Rect(10, 10, 20, 18), src, Rect(22, 14, 34, 24), true, true);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const TColor c = t.Pixel(x, y);
      if (x >= 10 && x <= 21 && y >= 10 && y <= 19) {
        // The destination runs backwards from (21, 19); the source forwards from (22, 14).
        const int32_t ex = 22 + Centre(21 - x, 12, 8);
        const int32_t ey = 14 + Centre(19 - y, 10, 6);
        EXPECT_EQ(SourceOf(c), std::make_pair(ex, ey)) << x << "," << y;
      } else {
        EXPECT_EQ(c, blank.Pixel(x, y)) << x << "," << y;
      }
    }

  // A source wholly outside the picture draws nothing.
  t = blank;
  MirrorStretch(t.Canvas(), Rect(0, 0, 10, 10), src, Rect(31, 0, 40, 10), true, false);
  MirrorStretch(t.Canvas(), Rect(0, 0, 10, 10), src, Rect(0, -10, 10, 0), false, true);
  EXPECT_EQ(std::memcmp(t.Bits(), blank.Bits(), blank.RowBytes() * size_t(30)), 0);
}

TEST(RectEffects, AbsurdGeometryDrawsSafely) {
  // A hand-made geometry far outside any picture must neither overflow nor draw outside.
  const TBitmap oldPic = OldPicture(16, 12), newPic = NewPicture(16, 12);
  const TFrameGeometry g = Geometry(16, 12, INT32_MAX, INT32_MIN);
  for (int style = 1; style <= 57; ++style) {
    TBitmap frame(oldPic);
    const TRectFrame f = RectEffect(style, g);
    for (const TRectPiece& piece : f.Pieces) DrawPiece(frame.Canvas(), newPic, piece);
    StretchPiece(frame.Canvas(), f.D, newPic, f.S);
  }
  TBitmap frame(oldPic);
  StretchPiece(frame.Canvas(), Rect(INT32_MIN, 0, INT32_MAX, 5), newPic, Rect(0, 0, 16, 12));
  MirrorStretch(frame.Canvas(), Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), newPic,
                Rect(0, 0, 16, 12), true, true);
  SUCCEED();
}

}  // namespace
}  // namespace pictova
