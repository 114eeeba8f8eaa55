#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "pictureshow/RegionEffects.h"
#include "pictureshow/RegionTestSupport.h"
#include "rtl/Random.h"

namespace pictova {
namespace {

using test::CountMismatches;
using test::Geometry;
using test::Transposed;

bool EvenRow(int32_t y) { return y >= 0 && y % 10 < 5; }

// The run-time generator written out again, to predict the jitter independently.
struct TLcg {
  uint32_t Seed = 0;
  int32_t Next(int32_t n) {
    Seed = Seed * 134775813u + 1u;
    return static_cast<int32_t>((uint64_t{Seed} * static_cast<uint32_t>(n)) >> 32);
  }
};

int32_t DivTrunc(int32_t a, int32_t b) { return static_cast<int32_t>(std::trunc(double(a) / b)); }

// [min(p, q), max(p, q)) contains x: a strip whose edges came out reversed covers the span
// between them.
bool Between(int32_t x, int32_t p, int32_t q) { return x >= std::min(p, q) && x < std::max(p, q); }

TEST(StripRegion, BlindsFromTheRightSnapThenFillTheGaps) {
  TFrameGeometry g = Geometry(400, 300, 0);
  ASSERT_EQ(g.J, 18);  // MulDiv(400, 4, 90) = 17.8
  const auto frame = [&](int32_t x) {
    g.X = x;
    std::optional<TRegion> r = RegionEffect(60, g);
    EXPECT_TRUE(r.has_value());
    EXPECT_TRUE(r->CheckInvariants());
    return *r;
  };
  // First phase (A = 300): the even strips reach from the right edge to 100, and the last one
  // starts at row 300, below the picture.
  TRegion r = frame(150);
  EXPECT_EQ(CountMismatches(r, -5, -5, 405, 315,
                            [](int32_t x, int32_t y) { return x >= 100 && x < 400 && y < 305 && EvenRow(y); }),
            0);
  EXPECT_EQ(r.Bounds(), Rect(100, 0, 400, 305));
  // A + J = 400 is not beyond the width: no snap yet.
  EXPECT_EQ(frame(191).Bounds(), Rect(18, 0, 400, 305));
  // A = 390 is within the snap distance: the strips are complete.
  r = frame(195);
  EXPECT_EQ(CountMismatches(r, -5, -5, 405, 315,
                            [](int32_t x, int32_t y) { return x >= 0 && x < 400 && y < 305 && EvenRow(y); }),
            0);
  EXPECT_EQ(frame(200), r);  // A = W is still the first phase
  // Second phase (A = 500): even strips complete, odd strips from the right reach 300.
  r = frame(250);
  EXPECT_EQ(CountMismatches(r, -5, -5, 405, 315,
                            [](int32_t x, int32_t y) {
                              return x >= 0 && x < 400 && y >= 0 && y < 300 && (EvenRow(y) || x >= 300);
                            }),
            0);
  EXPECT_EQ(frame(201).Bounds(), Rect(0, 0, 400, 300));
  EXPECT_FALSE(frame(201).Contains(397, 5));
  EXPECT_TRUE(frame(201).Contains(398, 5));
  // Complete at the end.
  EXPECT_TRUE(test::Uncovered(frame(400), 400, 300).IsEmpty());
}

TEST(StripRegion, ModesChooseTheEdgeOfEachPhase) {
  // 100 x 50 without snapping; rows checked inside the picture. even/odd: the columns that the
  // even and odd strips cover, as half-open ranges.
  struct Case {
    int mode;
    int32_t a;
    std::pair<int32_t, int32_t> even, odd;
  };
  const Case cases[] = {
      {1, 30, {70, 100}, {0, 0}},  {1, 130, {0, 100}, {70, 100}}, {2, 30, {0, 30}, {0, 0}},
      {2, 130, {0, 100}, {0, 30}}, {4, 30, {0, 30}, {0, 0}},      {4, 130, {0, 100}, {70, 100}},
      {5, 30, {70, 100}, {0, 0}},  {5, 130, {0, 100}, {0, 30}},   {3, 30, {70, 100}, {0, 30}},
      {3, 100, {0, 100}, {0, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " a " << c.a);
    std::optional<TRegion> r = StripRegion(c.a, 0, 100, 50, 0, c.mode, 0);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->CheckInvariants());
    EXPECT_EQ(CountMismatches(*r, -3, 0, 103, 50,
                              [&](int32_t x, int32_t y) {
                                const auto& span = EvenRow(y) ? c.even : c.odd;
                                return x >= span.first && x < span.second;
                              }),
              0);
  }
  // The comb style passes no snap distance.
  TFrameGeometry comb = Geometry(100, 50, 95, 10);
  ASSERT_GT(comb.J, 5);
  EXPECT_EQ(*RegionEffect(64, comb), *StripRegion(95, 0, 100, 50, 0, 3, 0));
  EXPECT_FALSE(RegionEffect(64, comb)->Contains(4, 0));
  // Mode 0 contributes nothing, in either pass; with both 0 there is no region at all.
  EXPECT_EQ(*StripRegion(30, 999, 100, 50, 0, 1, 0), *StripRegion(30, 0, 100, 50, 0, 1, 0));
  EXPECT_EQ(*StripRegion(999, 30, 100, 50, 0, 0, 2), *StripRegion(0, 30, 100, 50, 0, 0, 2));
  EXPECT_FALSE(StripRegion(30, 30, 100, 50, 0, 0, 0).has_value());
  EXPECT_FALSE(JaggedRegion(30, 30, 100, 50, 0, 0).has_value());
  // A pass that ran yields a region even when its strips are empty: "none" would show the
  // whole picture.
  std::optional<TRegion> empty = StripRegion(0, 0, 100, 50, 0, 1, 0);
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->IsEmpty());
}

TEST(StripRegion, ColumnStylesAreTheRowStylesTransposed) {
  // Styles whose row and column arguments are exchanged, on pictures with exchanged sides.
  const std::pair<int, int> pairs[] = {{60, 71}, {61, 72}, {62, 73}, {63, 74}, {64, 75}, {86, 86}, {87, 88},
                                       {89, 89}, {90, 90}, {91, 92}, {93, 93}, {94, 96}, {95, 97}, {98, 98},
                                       {99, 99}};
  for (auto [w, h] : {std::pair{120, 77}, std::pair{64, 64}, std::pair{53, 90}}) {
    for (auto [rowStyle, colStyle] : pairs) {
      for (int p = 0; p <= 100; p += 9) {
        SCOPED_TRACE(testing::Message() << rowStyle << "/" << colStyle << " " << w << "x" << h << " p" << p);
        std::optional<TRegion> a = RegionEffect(rowStyle, Geometry(w, h, p));
        std::optional<TRegion> b = RegionEffect(colStyle, Geometry(h, w, p));
        ASSERT_TRUE(a && b);
        EXPECT_TRUE(b->CheckInvariants());
        EXPECT_EQ(Transposed(*a), *b);
      }
    }
  }
}

TEST(StripRegion, LatticeIsWhereBothBlindsMeet) {
  // 400 x 300 at X = 100, Y = 75: A = 200, B = 150, below the snap distance.
  const TFrameGeometry g = Geometry(400, 300, 25);
  ASSERT_EQ(g.X, 100);
  ASSERT_EQ(g.Y, 75);
  std::optional<TRegion> r = RegionEffect(99, g);
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(r->CheckInvariants());
  const auto evenCol = [](int32_t x) { return x % 10 < 5; };
  EXPECT_EQ(CountMismatches(*r, 0, 0, 400, 300,
                            [&](int32_t x, int32_t y) {
                              const bool fromRightAndBottom = (EvenRow(y) && x >= 200) || (evenCol(x) && y >= 150);
                              const bool fromLeftAndTop = (EvenRow(y) && x < 200) || (evenCol(x) && y < 150);
                              return fromRightAndBottom && fromLeftAndTop;
                            }),
            0);
}

TEST(JaggedRegion, EdgesFollowTheGeneratorInOrder) {
  // Row strips of a 700 x 300 picture, H a multiple of 5 so strips do not overlap. The jitter
  // range is 700 div 7 = 100 while the reveal is incomplete.
  const int32_t W = 700, H = 300;
  struct Case {
    int style;
    int32_t x;
  };
  for (const Case c : {Case{65, 350}, Case{66, 40}, Case{67, 70}, Case{68, 35}}) {
    SCOPED_TRACE(c.style);
    TFrameGeometry g = Geometry(W, H, 0);
    g.X = c.x;
    const int32_t a = c.x;
    SetRandSeed(0);
    std::optional<TRegion> r = RegionEffect(c.style, g);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->CheckInvariants());
    TLcg lcg;
    const auto jitter = [&] {
      const int32_t first = lcg.Next(100);
      return first - lcg.Next(100);
    };
    for (int32_t off = 0; off < H; off += 5) {
      std::function<bool(int32_t)> inside;
      switch (c.style) {
        case 65: {
          const int32_t left = W - a + jitter();
          inside = [=](int32_t x) { return Between(x, left, W); };
          break;
        }
        case 66: {
          const int32_t right = a + jitter();
          inside = [=](int32_t x) { return Between(x, 0, right); };
          break;
        }
        case 67: {
          const int32_t left = DivTrunc(W - a + jitter(), 2);
          const int32_t right = DivTrunc(W + a + jitter(), 2);
          inside = [=](int32_t x) { return Between(x, left, W / 2) || Between(x, W / 2, right); };
          break;
        }
        default: {
          const int32_t left = W - DivTrunc(a + jitter(), 2);
          const int32_t right = DivTrunc(a + jitter(), 2);
          inside = [=](int32_t x) { return Between(x, left, W) || Between(x, 0, right); };
          break;
        }
      }
      ASSERT_EQ(CountMismatches(*r, -60, off, W + 60, off + 5, [&](int32_t x, int32_t) { return inside(x); }), 0)
          << "strip at row " << off;
    }
    EXPECT_EQ(RandSeed(), lcg.Seed);
  }
  // Two passes: all row strips draw first, then the column strips go on with the sequence.
  SetRandSeed(0);
  TRegion rowsThenColumns = *JaggedRegion(300, 0, W, H, 3, 0);
  rowsThenColumns.CombineWith(*JaggedRegion(0, 120, W, H, 0, 1), RGN_OR);
  SetRandSeed(0);
  EXPECT_EQ(*JaggedRegion(300, 120, W, H, 3, 1), rowsThenColumns);
}

TEST(JaggedRegion, RepeatsFromTheSameSeedAndCountsItsDraws) {
  // 400 x 300: 60 row strips and 80 column strips; one-sided modes draw twice per strip,
  // centre and two-sided modes four times.
  const int32_t rows = 60, cols = 80;
  const auto draws = [](int mode) { return mode == 0 ? 0 : (mode <= 2 ? 2 : 4); };
  struct Case {
    int style, hmode, vmode;
  };
  const Case cases[] = {{65, 1, 0},  {66, 2, 0},  {67, 3, 0},  {68, 4, 0},  {76, 0, 1},  {77, 0, 2},
                        {78, 0, 3},  {79, 0, 4},  {100, 1, 1}, {101, 1, 2}, {102, 2, 1}, {103, 2, 2},
                        {104, 1, 3}, {105, 2, 3}, {106, 3, 1}, {107, 3, 2}, {108, 3, 3}, {109, 4, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    const int32_t expected = rows * draws(c.hmode) + cols * draws(c.vmode);
    EXPECT_EQ(JaggedRandomCalls(400, 300, c.hmode, c.vmode), expected);
    for (int p : {0, 30, 100}) {
      SetRandSeed(0);
      const std::optional<TRegion> first = RegionEffect(c.style, Geometry(400, 300, p));
      const uint32_t seedAfter = RandSeed();
      SetRandSeed(0);
      const std::optional<TRegion> second = RegionEffect(c.style, Geometry(400, 300, p));
      ASSERT_TRUE(first && second);
      EXPECT_TRUE(first->CheckInvariants());
      EXPECT_EQ(*first, *second);
      EXPECT_EQ(RandSeed(), seedAfter);
      // The same number of draws whether or not the jitter range is 0.
      SetRandSeed(0);
      for (int32_t i = 0; i < expected; ++i) Random(1);
      EXPECT_EQ(RandSeed(), seedAfter);
    }
    // The generator is never reseeded: the next frame draws new edges.
    SetRandSeed(0);
    const std::optional<TRegion> frame1 = RegionEffect(c.style, Geometry(400, 300, 30));
    const std::optional<TRegion> frame2 = RegionEffect(c.style, Geometry(400, 300, 30));
    EXPECT_NE(*frame1, *frame2);
  }
}

TEST(JaggedRegion, StraightAndCompleteAtTheEndWithOverlappingStrips) {
  // H = 303: strips are 8 rows deep and start every 5 rows, the last at 300.
  SetRandSeed(7);
  std::optional<TRegion> r = JaggedRegion(400, 0, 400, 303, 1, 0);
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(r->CheckInvariants());
  EXPECT_EQ(*r, TRegion::CreateRectRgn(0, 0, 400, 308));
  // In from top and bottom: both halves end at H div 2 from their edge, so an odd height
  // leaves its middle row out even when complete (the last frame draws the whole picture).
  r = JaggedRegion(0, 97, 400, 97, 0, 4);
  TRegion expected = TRegion::CreateRectRgn(0, 0, 400, 48);
  expected.CombineWith(TRegion::CreateRectRgn(0, 49, 400, 97), RGN_OR);
  EXPECT_EQ(*r, expected);
  EXPECT_EQ(*JaggedRegion(0, 96, 400, 96, 0, 4), TRegion::CreateRectRgn(0, 0, 400, 96));
  // A picture narrower than 7 pixels has no jitter at all.
  SetRandSeed(7);
  EXPECT_EQ(*JaggedRegion(2, 0, 6, 10, 2, 0), TRegion::CreateRectRgn(0, 0, 2, 10));
}

TEST(UnionOfRects, EqualsCombiningOneByOne) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int32_t> coord(-20, 120);
  for (int round = 0; round < 40; ++round) {
    std::vector<TRect> rects(1 + round * 3);
    TRegion oneByOne;
    for (TRect& q : rects) {
      q = Rect(coord(rng), coord(rng), coord(rng), coord(rng));  // corners in any order, some empty
      oneByOne.CombineWith(TRegion::CreateRectRgn(q), RGN_OR);
    }
    const TRegion fast = UnionOfRects(rects);
    EXPECT_TRUE(fast.CheckInvariants());
    EXPECT_EQ(fast, oneByOne);
  }
  EXPECT_TRUE(UnionOfRects({}).IsEmpty());
}

}  // namespace
}  // namespace pictova
