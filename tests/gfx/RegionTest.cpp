#include "gfx/Region.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"

namespace pictova {

// Readable failure messages; internal linkage keeps them out of the other tests' way.
[[maybe_unused]] static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
[[maybe_unused]] static void PrintTo(const TRegion& region, std::ostream* os) {
  *os << "{";
  for (const TRect& r : region.Rects()) PrintTo(r, os), *os << " ";
  *os << "}";
}

namespace {

// A pixel set over a window, the reference the regions are checked against.
struct TGrid {
  TRect Window;
  std::vector<bool> Bits;

  explicit TGrid(const TRect& window)
      : Window(window), Bits(static_cast<size_t>(window.Width()) * window.Height(), false) {}
  size_t Index(int32_t x, int32_t y) const {
    return static_cast<size_t>(y - Window.Top) * Window.Width() + (x - Window.Left);
  }
  bool Get(int32_t x, int32_t y) const { return Window.Contains(x, y) && Bits[Index(x, y)]; }
  void Set(int32_t x, int32_t y, bool v) {
    if (Window.Contains(x, y)) Bits[Index(x, y)] = v;
  }
  template <typename F>
  static TGrid From(const TRect& window, F inside) {
    TGrid g(window);
    for (int32_t y = window.Top; y < window.Bottom; ++y)
      for (int32_t x = window.Left; x < window.Right; ++x) g.Set(x, y, inside(x, y));
    return g;
  }
  bool Empty() const { return std::find(Bits.begin(), Bits.end(), true) == Bits.end(); }
  TRect Bounds() const {
    TRect b{};
    for (int32_t y = Window.Top; y < Window.Bottom; ++y)
      for (int32_t x = Window.Left; x < Window.Right; ++x)
        if (Get(x, y)) b = UnionRect(b, TRect{x, y, x + 1, y + 1});
    return b;
  }
};

// Checks a region against a reference: pixel by pixel through Contains, rectangle by
// rectangle through Rects, and nothing outside the window.
::testing::AssertionResult SameSet(const TRegion& r, const TGrid& g) {
  if (!r.CheckInvariants()) return ::testing::AssertionFailure() << "invariants broken";
  TGrid painted(g.Window);
  for (const TRect& rc : r.Rects()) {
    if (IntersectRect(rc, g.Window) != rc)
      return ::testing::AssertionFailure() << "rect outside window at " << rc.Left << "," << rc.Top;
    for (int32_t y = rc.Top; y < rc.Bottom; ++y)
      for (int32_t x = rc.Left; x < rc.Right; ++x) painted.Set(x, y, true);
  }
  for (int32_t y = g.Window.Top; y < g.Window.Bottom; ++y) {
    for (int32_t x = g.Window.Left; x < g.Window.Right; ++x) {
      if (r.Contains(x, y) != g.Get(x, y) || painted.Get(x, y) != g.Get(x, y))
        return ::testing::AssertionFailure() << "differs at (" << x << ", " << y << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

// The region's rows inside [0, width) x [0, height) as text, '#' for a pixel in.
std::vector<std::string> Rows(const TRegion& r, int32_t width, int32_t height) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < height; ++y) {
    std::string row;
    for (int32_t x = 0; x < width; ++x) row += r.Contains(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

// Independent point test for polygons: pixel (x, y) is in when the point (x, y) is, by exact
// integer comparison with every edge that spans the row (top row counted, bottom row not):
// the edge lies at or left of the point when (x - top.x) * dy >= (bottom.x - top.x) * (y - top.y).
bool InPolygon(const std::vector<TPoint>& pts, TPolyFillMode mode, int32_t x, int32_t y) {
  int winding = 0, count = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    const TPoint p = pts[i], q = pts[(i + 1) % pts.size()];
    if (p.Y == q.Y) continue;
    const TPoint t = p.Y < q.Y ? p : q, b = p.Y < q.Y ? q : p;
    if (y < t.Y || y >= b.Y) continue;
    if (int64_t{x - t.X} * (b.Y - t.Y) >= int64_t{b.X - t.X} * (y - t.Y)) {
      ++count;
      winding += p.Y < q.Y ? 1 : -1;
    }
  }
  return mode == WINDING ? winding != 0 : count % 2 == 1;
}

TEST(TRegion, RectanglesAreHalfOpenNormalisedAndClamped) {
  const TRect window{-5, -5, 20, 20};
  for (const TRect& c : {TRect{0, 0, 10, 10}, TRect{10, 10, 0, 0}, TRect{10, 0, 0, 10},
                         TRect{3, 7, 4, 8}, TRect{-3, 2, 15, -1}}) {
    const TRegion r = TRegion::CreateRectRgn(c.Left, c.Top, c.Right, c.Bottom);
    const TRect n{std::min(c.Left, c.Right), std::min(c.Top, c.Bottom), std::max(c.Left, c.Right),
                  std::max(c.Top, c.Bottom)};
    EXPECT_TRUE(SameSet(r, TGrid::From(window, [&](int x, int y) { return n.Contains(x, y); })));
    EXPECT_EQ(r.Bounds(), n);
    EXPECT_EQ(r.Kind(), SIMPLEREGION);
  }
  EXPECT_EQ(TRegion::CreateRectRgn(10, 10, 0, 0), TRegion::CreateRectRgn(0, 0, 10, 10));
  for (const TRect& c : {TRect{5, 0, 5, 10}, TRect{0, 5, 10, 5}, TRect{}}) {
    const TRegion r = TRegion::CreateRectRgn(c);
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_EQ(r.Kind(), NULLREGION);
    EXPECT_EQ(r.Bounds(), TRect{});
    EXPECT_EQ(r.RectCount(), 0);
    EXPECT_EQ(r, TRegion());
  }
  const TRegion huge = TRegion::CreateRectRgn(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX);
  const int32_t m = TRegion::kMaxCoord;
  EXPECT_TRUE(huge.CheckInvariants());
  EXPECT_EQ(huge.Bounds(), (TRect{-m, -m, m, m}));
  EXPECT_TRUE(huge.Contains(0, 0));
  EXPECT_TRUE(huge.Contains(-m, m - 1));
  EXPECT_FALSE(huge.Contains(m, 0));
  EXPECT_TRUE(TRegion::CreateRectRgn(INT32_MAX, 0, m + 5, 10).IsEmpty());  // both clamp to m
}

TEST(TRegion, PolygonRowsFollowThePlatformRule) {
  // Right triangle with legs of 10: row y holds columns 0 .. 9 - y (the hypotenuse crosses row
  // y at x = 10 - y, which is a right edge and so out), 55 pixels in all; row 10 is the bottom
  // edge and out.
  const std::vector<TPoint> tri{{0, 0}, {10, 0}, {0, 10}, {0, 0}};
  const TRegion r = TRegion::CreatePolygonRgn(tri, WINDING);
  for (int32_t y = 0; y < 10; ++y) {
    EXPECT_EQ(Rows(r, 12, 11)[y], std::string(10 - y, '#') + std::string(2 + y, '.')) << y;
  }
  EXPECT_EQ(Rows(r, 12, 11)[10], std::string(12, '.'));
  EXPECT_EQ(r.Bounds(), (TRect{0, 0, 10, 10}));

  // A rectangle's polygon covers exactly its rectangle region, in either order and mode.
  const std::vector<TPoint> box{{2, 3}, {2, 9}, {7, 9}, {7, 3}};
  EXPECT_EQ(TRegion::CreatePolygonRgn(box, ALTERNATE), TRegion::CreateRectRgn(2, 3, 7, 9));
  EXPECT_EQ(TRegion::CreatePolygonRgn(box, WINDING), TRegion::CreateRectRgn(2, 3, 7, 9));

  // A triangle over the double picture size covers the whole picture: its hypotenuse passes
  // through the far corner (W, H), which is outside, but every pixel of the picture is in.
  const int32_t w = 64, h = 48;
  const std::vector<TPoint> big{{0, 0}, {2 * w, 0}, {0, 2 * h}, {0, 0}};
  TRegion pic = TRegion::CreateRectRgn(0, 0, w, h);
  TRegion::Combine(pic, pic, TRegion::CreatePolygonRgn(big, WINDING), RGN_DIFF);
  EXPECT_TRUE(pic.IsEmpty());

  // Degenerate outlines have no pixels.
  for (const std::vector<TPoint>& pts : std::vector<std::vector<TPoint>>{
           {}, {{3, 3}}, {{0, 0}, {5, 5}}, {{1, 0}, {11, 0}, {21, 0}}, {{0, 0}, {3, 3}, {6, 6}}, {{6, 6}, {6, 6}, {6, 6}}}) {
    EXPECT_TRUE(TRegion::CreatePolygonRgn(pts, ALTERNATE).IsEmpty());
    EXPECT_TRUE(TRegion::CreatePolygonRgn(pts, WINDING).IsEmpty());
  }
}

TEST(TRegion, PolygonsMatchAnIndependentPointTest) {
  const TRect window{-12, -12, 52, 52};
  const std::vector<std::vector<TPoint>> fixed{
      {{0, 0}, {40, 10}, {5, 30}, {0, 0}},                                 // triangle P1 P2 P3 P1
      {{0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30}},  // concave U
      {{0, 0}, {30, 30}, {30, 0}, {0, 30}},                                // bow tie
      {{5, 0}, {35, 3}, {2, 17}, {38, 40}, {-4, 33}, {20, -9}},            // self-intersecting
      {{10, 0}, {11, 40}, {12, 0}, {13, 40}, {14, 0}},                     // thin spikes
  };
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-10, 50);
  std::vector<std::vector<TPoint>> polys = fixed;
  for (int i = 0; i < 150; ++i) {
    std::vector<TPoint> p(3 + i % 7);
    for (TPoint& pt : p) pt = {coord(rng), coord(rng)};
    polys.push_back(p);
  }
  for (const auto& poly : polys) {
    for (TPolyFillMode mode : {ALTERNATE, WINDING}) {
      const TRegion r = TRegion::CreatePolygonRgn(poly, mode);
      ASSERT_TRUE(SameSet(r, TGrid::From(window, [&](int x, int y) { return InPolygon(poly, mode, x, y); })))
          << "polygon of " << poly.size() << " points, mode " << mode;
    }
  }
}

TEST(TRegion, PentagramCentreIsInOnlyWithWinding) {
  const std::vector<TPoint> star{{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
  const TRegion winding = TRegion::CreatePolygonRgn(star, WINDING);
  const TRegion alternate = TRegion::CreatePolygonRgn(star, ALTERNATE);
  EXPECT_TRUE(winding.Contains(50, 50));
  EXPECT_FALSE(alternate.Contains(50, 50));
  for (const TPoint& tip : {TPoint{50, 10}, TPoint{10, 36}, TPoint{88, 36}, TPoint{28, 80}, TPoint{72, 80}}) {
    EXPECT_TRUE(winding.Contains(tip.X, tip.Y));
    EXPECT_TRUE(alternate.Contains(tip.X, tip.Y));
  }
  // The alternate star is the winding star less the inner pentagon.
  TRegion inner;
  TRegion::Combine(inner, winding, alternate, RGN_DIFF);
  EXPECT_EQ(inner.Bounds().Top, 34);
  EXPECT_TRUE(inner.Contains(50, 50));
  EXPECT_FALSE(inner.Contains(50, 20));
}

// Rounded rectangles: the platform first drops the last column and row (so (0, 0, 10, 10) is
// a 9 by 9 box) and clamps the corner ellipse to that box. The corner's curve is the outline
// a midpoint rasteriser draws for the ellipse, a connected chain of pixels nearest the true
// curve; each row is filled between its outline pixels.
TEST(TRegion, RoundRectAndEllipseRowsAsCheckedByHand) {
  // 9 by 9 box with 4 by 4 corners: each quarter ellipse has radius 1.5 through the pixel
  // centres, and its outline runs from (0, 1) straight to (1, 0); so only the corner pixel
  // itself is cut: rows 0 and 8 start at column 1 and end at 7.
  EXPECT_EQ(Rows(TRegion::CreateRoundRectRgn(0, 0, 10, 10, 4, 4), 10, 10),
            (std::vector<std::string>{".#######..", "#########.", "#########.", "#########.",
                                      "#########.", "#########.", "#########.", "#########.",
                                      ".#######..", ".........."}));
  // Ellipse (0, 0, 6, 4): a 5 by 3 box, radii 2 and 1 about pixel (2, 1). The outline runs
  // (0, 1) -> (1, 0) -> (2, 0) and mirrored: the top and bottom rows are columns 1 to 3.
  EXPECT_EQ(Rows(TRegion::CreateEllipticRgn(0, 0, 6, 4), 6, 4),
            (std::vector<std::string>{".###..", "#####.", ".###..", "......"}));
  // Circle (0, 0, 8, 8): a 7 by 7 box, radius 3 about pixel (3, 3). Two rows from the middle
  // the circle is at x = sqrt(5) = 2.2 (outline pixel 2 from the centre: columns 1 to 5), at
  // the top it is at x = 0 and the outline pixels that join it to row 1 make columns 2 to 4.
  EXPECT_EQ(Rows(TRegion::CreateEllipticRgn(0, 0, 8, 8), 8, 8),
            (std::vector<std::string>{"..###...", ".#####..", "#######.", "#######.", "#######.",
                                      ".#####..", "..###...", "........"}));
}

TEST(TRegion, RoundRectNormalisesAndClampsItsCorners) {
  const TRegion base = TRegion::CreateRoundRectRgn(0, 0, 30, 20, 12, 8);
  EXPECT_EQ(TRegion::CreateRoundRectRgn(30, 20, 0, 0, 12, 8), base);
  EXPECT_EQ(TRegion::CreateRoundRectRgn(0, 20, 30, 0, -12, -8), base);
  // Corners larger than the box are the box's own ellipse.
  EXPECT_EQ(TRegion::CreateRoundRectRgn(0, 0, 10, 6, 40, 40), TRegion::CreateEllipticRgn(0, 0, 10, 6));
  // A corner under 2 in either direction is the shrunk rectangle.
  EXPECT_EQ(TRegion::CreateRoundRectRgn(0, 0, 10, 10, 1, 50), TRegion::CreateRectRgn(0, 0, 9, 9));
  EXPECT_EQ(TRegion::CreateRoundRectRgn(0, 0, 10, 10, 0, 0), TRegion::CreateRectRgn(0, 0, 9, 9));
  EXPECT_EQ(TRegion::CreateEllipticRgn(0, 0, 2, 2), TRegion::CreateRectRgn(0, 0, 1, 1));
  for (const TRect& c : {TRect{5, 0, 5, 10}, TRect{5, 0, 6, 10}, TRect{0, 3, 10, 3}, TRect{0, 3, 10, 4}}) {
    EXPECT_TRUE(TRegion::CreateRoundRectRgn(c.Left, c.Top, c.Right, c.Bottom, 4, 4).IsEmpty());
    EXPECT_TRUE(TRegion::CreateEllipticRgn(c.Left, c.Top, c.Right, c.Bottom).IsEmpty());
  }
}

TEST(TRegion, EllipsesAreSymmetricConvexAndInsideTheirBox) {
  // Includes corners far taller than wide, where the rasteriser's loop ends before the last
  // rows: the tips must still be there, narrowing to the middle.
  for (int32_t w = 3; w <= 24; ++w) {
    for (int32_t h : {3, 4, 5, 9, 17, 40, 130, 600}) {
      const TRegion e = TRegion::CreateEllipticRgn(0, 0, w, h);
      ASSERT_TRUE(e.CheckInvariants());
      const TRect b = e.Bounds();
      EXPECT_TRUE(b.Left == 0 && b.Right == w - 1 && b.Top >= 0 && b.Bottom <= h - 1) << w << "x" << h;
      EXPECT_EQ(b.Top, h - 1 - b.Bottom) << w << "x" << h;
      const std::vector<std::string> rows = Rows(e, w, h);
      size_t prevWidth = 0;
      for (int32_t y = 0; y < h - 1; ++y) {
        const std::string& row = rows[static_cast<size_t>(y)];
        EXPECT_EQ(row, rows[static_cast<size_t>(h - 2 - y)]) << w << "x" << h << " row " << y;
        const size_t first = row.find('#');
        const size_t width = first == std::string::npos ? 0 : row.rfind('#') - first + 1;
        if (width > 0) {
          EXPECT_EQ(row.substr(first, width), std::string(width, '#'));
          EXPECT_EQ(first, static_cast<size_t>(w) - 1 - (first + width)) << w << "x" << h << " row " << y;
        }
        if (y >= b.Top && y < b.Bottom) {
          EXPECT_GT(width, 0u) << w << "x" << h << " row " << y;
        }
        if (2 * y <= h - 2) {
          EXPECT_GE(width, prevWidth) << w << "x" << h << " row " << y;
          prevWidth = width;
        }
      }
    }
  }
  // Huge and inverted coordinates clamp and stay cheap.
  const int32_t m = TRegion::kMaxCoord;
  const TRegion huge = TRegion::CreateEllipticRgn(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  EXPECT_TRUE(huge.CheckInvariants());
  EXPECT_TRUE(huge.Contains(0, 0));
  EXPECT_EQ(huge.Bounds(), (TRect{-m, -m, m - 1, m - 1}));
  const TRegion rr = TRegion::CreateRoundRectRgn(-3840, -5, 200, 1085, 3840, 3840);
  EXPECT_TRUE(rr.CheckInvariants());
  EXPECT_EQ(rr.Bounds(), (TRect{-3840, -5, 199, 1084}));
}

TEST(TRegion, HugePolygonsAreClampedOrRefused) {
  const std::vector<TPoint> tri{{INT32_MIN, INT32_MIN}, {INT32_MAX, 0}, {0, INT32_MAX}};
  const TRegion r = TRegion::CreatePolygonRgn(tri, WINDING);
  EXPECT_TRUE(r.CheckInvariants());
  EXPECT_TRUE(r.Contains(0, 0));
  EXPECT_GE(r.Bounds().Top, -TRegion::kMaxScanRow);
  EXPECT_LE(r.Bounds().Bottom, TRegion::kMaxScanRow);
  // A zigzag of tall edges would need a span per edge per row: refused before allocating.
  std::vector<TPoint> zigzag;
  for (int32_t i = 0; i < 200; ++i) zigzag.push_back({i, i % 2 ? 1 << 20 : -(1 << 20)});
  EXPECT_THROW(TRegion::CreatePolygonRgn(zigzag, ALTERNATE), EOutOfResources);
}

// Random operands for the combination tests: rectangles (some inverted or empty) joined by OR
// and XOR, sometimes with an ellipse or a triangle; the reference is kept alongside.
struct TOperand {
  TRegion Region;
  TGrid Grid;
};

TOperand RandomOperand(std::mt19937& rng, const TRect& window) {
  std::uniform_int_distribution<int32_t> cx(window.Left, window.Right), cy(window.Top, window.Bottom);
  std::uniform_int_distribution<int> pick(0, 9);
  TOperand op{TRegion(), TGrid(window)};
  const int n = pick(rng) % 6;
  for (int i = 0; i < n; ++i) {
    const int32_t x1 = cx(rng), y1 = cy(rng), x2 = cx(rng), y2 = cy(rng);
    const int kind = pick(rng);
    TRegion piece;
    if (kind == 0) piece = TRegion::CreateEllipticRgn(x1, y1, x2, y2);
    else if (kind == 1) piece = TRegion::CreatePolygonRgn(std::vector<TPoint>{{x1, y1}, {x2, y1}, {x1, y2}}, WINDING);
    else piece = TRegion::CreateRectRgn(x1, y1, x2, y2);
    const bool useXor = pick(rng) < 3;
    op.Region.CombineWith(piece, useXor ? RGN_XOR : RGN_OR);
    for (int32_t y = window.Top; y < window.Bottom; ++y)
      for (int32_t x = window.Left; x < window.Right; ++x)
        op.Grid.Set(x, y, useXor ? op.Grid.Get(x, y) != piece.Contains(x, y) : op.Grid.Get(x, y) || piece.Contains(x, y));
  }
  return op;
}

// The canonical region of a reference set, built from single-row runs OR-ed in random order.
TRegion FromGrid(const TGrid& g, std::mt19937& rng) {
  std::vector<TRect> runs;
  for (int32_t y = g.Window.Top; y < g.Window.Bottom; ++y) {
    for (int32_t x = g.Window.Left; x < g.Window.Right; ++x) {
      if (!g.Get(x, y)) continue;
      int32_t end = x;
      while (g.Get(end, y)) ++end;
      runs.push_back({x, y, end, y + 1});
      x = end;
    }
  }
  std::shuffle(runs.begin(), runs.end(), rng);
  TRegion r;
  for (const TRect& run : runs) r.CombineWith(TRegion::CreateRectRgn(run), RGN_OR);
  return r;
}

TEST(TRegion, RandomCombinationsMatchABitsetReference) {
  const TRect window{-3, -3, 29, 29};
  std::mt19937 rng(2024);
  for (int trial = 0; trial < 300; ++trial) {
    const TOperand a = RandomOperand(rng, window);
    const TOperand b = RandomOperand(rng, window);
    ASSERT_TRUE(SameSet(a.Region, a.Grid));
    for (TCombineMode mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY}) {
      const TGrid expect = TGrid::From(window, [&](int x, int y) {
        const bool pa = a.Grid.Get(x, y), pb = b.Grid.Get(x, y);
        switch (mode) {
          case RGN_AND: return pa && pb;
          case RGN_OR: return pa || pb;
          case RGN_XOR: return pa != pb;
          case RGN_DIFF: return pa && !pb;
          default: return pa;
        }
      });
      TRegion fresh;
      const TRegionKind kind = TRegion::Combine(fresh, a.Region, b.Region, mode);
      ASSERT_TRUE(SameSet(fresh, expect)) << "trial " << trial << " mode " << mode;
      TRegion intoA = a.Region, intoB = b.Region;
      TRegion::Combine(intoA, intoA, b.Region, mode);
      TRegion::Combine(intoB, a.Region, intoB, mode);
      EXPECT_EQ(intoA, fresh);
      EXPECT_EQ(intoB, fresh);

      const TRect bounds = expect.Bounds();
      EXPECT_EQ(fresh.Bounds(), bounds);
      const bool isRect = !expect.Empty() &&
                          TGrid::From(window, [&](int x, int y) { return bounds.Contains(x, y); }).Bits == expect.Bits;
      EXPECT_EQ(kind, expect.Empty() ? NULLREGION : isRect ? SIMPLEREGION : COMPLEXREGION);
      EXPECT_EQ(fresh.Kind(), kind);
      // Equal pixel sets, however built, have equal representations.
      const TRegion canonical = FromGrid(expect, rng);
      EXPECT_EQ(canonical, fresh);
      EXPECT_EQ(canonical.Rects(), fresh.Rects());
    }
  }
}

TEST(TRegion, CombineEdgeCases) {
  const TRegion a = TRegion::CreateRectRgn(0, 0, 10, 10);
  TRegion d = TRegion::CreateRectRgn(5, 5, 6, 6);
  const TRegion before = d;
  EXPECT_EQ(TRegion::Combine(d, a, a, static_cast<TCombineMode>(0)), ERROR_REGION);
  EXPECT_EQ(TRegion::Combine(d, a, a, static_cast<TCombineMode>(6)), ERROR_REGION);
  EXPECT_EQ(d, before);
  EXPECT_EQ(d.CombineWith(d, RGN_XOR), NULLREGION);
  EXPECT_EQ(TRegion::Combine(d, a, d, RGN_COPY), SIMPLEREGION);  // copies the first operand
  EXPECT_EQ(d, a);
  EXPECT_EQ(d.CombineWith(TRegion(), RGN_COPY), SIMPLEREGION);   // this := this
  EXPECT_EQ(d, a);
  // Two rectangles side by side merge into one; one above the other with equal spans too.
  d.CombineWith(TRegion::CreateRectRgn(10, 0, 20, 10), RGN_OR);
  d.CombineWith(TRegion::CreateRectRgn(0, 10, 20, 15), RGN_OR);
  EXPECT_EQ(d, TRegion::CreateRectRgn(0, 0, 20, 15));
  EXPECT_EQ(d.RectCount(), 1);
  // A hole makes three bands with four rectangles.
  EXPECT_EQ(d.CombineWith(TRegion::CreateRectRgn(5, 5, 10, 10), RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(d.Rects(), (std::vector<TRect>{{0, 0, 20, 5}, {0, 5, 5, 10}, {10, 5, 20, 10}, {0, 10, 20, 15}}));
  std::vector<TRect> visited;
  d.ForEachRect([&](const TRect& r) { visited.push_back(r); });
  EXPECT_EQ(visited, d.Rects());
  EXPECT_EQ(d.Bounds(), (TRect{0, 0, 20, 15}));
}

TEST(TRegion, OffsetMovesPixelsAndClampsAtTheCoordinateLimit) {
  std::mt19937 rng(99);
  const TRect window{-3, -3, 29, 29};
  for (int i = 0; i < 40; ++i) {
    const TOperand op = RandomOperand(rng, window);
    TRegion moved = op.Region;
    moved.Offset(-7, 13);
    EXPECT_TRUE(SameSet(moved, TGrid::From(OffsetRect(window, -7, 13), [&](int x, int y) {
      return op.Grid.Get(x + 7, y - 13);
    })));
    moved.Offset(7, -13);
    EXPECT_EQ(moved, op.Region);
  }
  const int32_t m = TRegion::kMaxCoord;
  TRegion r = TRegion::CreateRectRgn(0, 0, 10, 10);
  r.CombineWith(TRegion::CreateRectRgn(0, 10, 20, 12), RGN_OR);
  r.Offset(m - 5, 0);  // both bands are cut at the limit and so merge into one
  EXPECT_TRUE(r.CheckInvariants());
  EXPECT_EQ(r, TRegion::CreateRectRgn(m - 5, 0, m, 12));
  r.Offset(INT32_MAX, INT32_MIN);
  EXPECT_TRUE(r.IsEmpty());
  TRegion s = TRegion::CreateRectRgn(-5, -5, 5, 5);
  s.Offset(INT32_MIN, 0);
  EXPECT_TRUE(s.IsEmpty());
}

}  // namespace
}  // namespace pictova
