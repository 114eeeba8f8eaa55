#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "pictureshow/RegionEffects.h"
#include "pictureshow/RegionTestSupport.h"

namespace pictova {
namespace {

using test::Geometry;
using test::TriangleSide;

struct TTriangle {
  TPoint A, B, C;
};

// Checks the region against a union of triangles, pixel by pixel, skipping pixels whose centre
// lies within 0.75 pixel of an edge (scan-conversion rules differ there). Returns mismatches.
int CompareWithTriangles(const TRegion& r, int32_t w, int32_t h, const std::vector<TTriangle>& triangles,
                         int* skipped = nullptr) {
  int bad = 0, near = 0;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      int side = -1;
      for (const TTriangle& t : triangles) side = std::max(side, TriangleSide(t.A, t.B, t.C, x, y));
      if (side == 0) {
        ++near;
        continue;
      }
      if (r.Contains(x, y) != (side > 0)) ++bad;
    }
  }
  if (skipped) *skipped = near;
  return bad;
}

// +1 / -1 / 0 for a pixel centre well inside, well outside, or within `margin` of the boundary
// of the rectangle (l, t, r, b) with corners rounded to quarter ellipses ew by eh (each at most
// the rectangle's size).
int RoundRectSide(double l, double t, double r, double b, double ew, double eh, int32_t x, int32_t y,
                  double margin = 2.5) {
  ew = std::min(ew, r - l);
  eh = std::min(eh, b - t);
  const double px = x + 0.5, py = y + 0.5;
  const double ax = ew / 2, ay = eh / 2;
  const auto value = [&](double grow) {
    if (px < l - grow || px > r + grow || py < t - grow || py > b + grow) return 2.0;
    // Distance from the inner rectangle whose corners are the ellipse centres.
    const double dx = std::max({l + ax - px, 0.0, px - (r - ax)});
    const double dy = std::max({t + ay - py, 0.0, py - (b - ay)});
    if (ax + grow <= 0 || ay + grow <= 0) return dx == 0 && dy == 0 ? 0.0 : 2.0;
    return std::pow(dx / (ax + grow), 2) + std::pow(dy / (ay + grow), 2);
  };
  if (value(-margin) < 1 && px > l + margin && px < r - margin && py > t + margin && py < b - margin) return 1;
  if (value(margin) > 1) return -1;
  return 0;
}

int CompareWithRoundRect(const TRegion& region, int32_t w, int32_t h, double l, double t, double r, double b,
                         double ew, double eh) {
  int bad = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int side = RoundRectSide(l, t, r, b, ew, eh, x, y);
      if (side != 0 && region.Contains(x, y) != (side > 0)) ++bad;
    }
  return bad;
}

TEST(ShapeRegion, TrianglesSweepFromCornersAndEdges) {
  // 400 x 300 at p = 30: X = 120, Y = 90, centre (200, 150).
  const TFrameGeometry g = Geometry(400, 300, 30);
  ASSERT_EQ(g.X, 120);
  ASSERT_EQ(g.Y, 90);
  const struct {
    int style;
    std::vector<TTriangle> triangles;
  } cases[] = {
      {110, {{{0, 0}, {240, 0}, {0, 180}}}},
      {111, {{{400, 0}, {160, 0}, {400, 180}}}},
      {112, {{{0, 300}, {240, 300}, {0, 120}}}},
      {113, {{{400, 300}, {160, 300}, {400, 120}}}},
      {114, {{{0, 300}, {0, 0}, {120, 300}}, {{400, 300}, {400, 0}, {280, 0}}}},
      {115, {{{400, 0}, {0, 0}, {400, 90}}, {{400, 300}, {0, 300}, {0, 210}}}},
      {116,
       {{{200, 150}, {0, 300}, {0, 210}},
        {{0, 0}, {120, 0}, {200, 150}},
        {{280, 300}, {200, 150}, {400, 300}},
        {{200, 150}, {400, 0}, {400, 90}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    const std::optional<TRegion> r = RegionEffect(c.style, g);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->CheckInvariants());
    int skipped = 0;
    EXPECT_EQ(CompareWithTriangles(*r, 400, 300, c.triangles, &skipped), 0);
    EXPECT_LT(skipped, 4000);  // only the pixels along the edges
  }
  // A triangle's vertices may come in either orientation: winding fill covers both.
  EXPECT_EQ(TriangleRegion({0, 0}, {50, 0}, {0, 40}), TriangleRegion({0, 0}, {0, 40}, {50, 0}));
  EXPECT_TRUE(TriangleRegion({5, 5}, {50, 5}, {5, 5}).IsEmpty());
}

TEST(ShapeRegion, GridTrianglesCoverTheUpperLeftHalfOfEachCell) {
  // 640 x 480 at X = 320: legs 64 and MulDiv(64, 480, 640) = 48, the size of a cell.
  const TFrameGeometry g = Geometry(640, 480, 50);
  ASSERT_EQ(g.X, 320);
  const std::optional<TRegion> r = RegionEffect(117, g);
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(r->CheckInvariants());
  // Each triangle stays inside its cell, so a pixel is compared with its own cell's only.
  int bad = 0, skipped = 0;
  for (int32_t y = 0; y < 480; ++y) {
    for (int32_t x = 0; x < 640; ++x) {
      const TPoint corner{x / 64 * 64, y / 48 * 48};
      const int side = TriangleSide(corner, {corner.X + 64, corner.Y}, {corner.X, corner.Y + 48}, x, y);
      if (side == 0)
        ++skipped;
      else if (r->Contains(x, y) != (side > 0))
        ++bad;
    }
  }
  EXPECT_EQ(bad, 0);
  EXPECT_LT(skipped, 640 * 480 / 8);  // the cells' edges, not the cells
  // The cell's top-left pixel is in, its bottom-right pixel out; half the picture is shown.
  EXPECT_TRUE(r->Contains(64 * 3, 48 * 7));
  EXPECT_FALSE(r->Contains(64 * 4 - 1, 48 * 8 - 1));
  int64_t area = 0;
  r->ForEachRect([&](const TRect& q) { area += int64_t{q.Width()} * q.Height(); });
  EXPECT_NEAR(double(area) / (640 * 480), 0.5, 0.025);
  // At X = W the legs are two cells long and the cells are covered.
  EXPECT_TRUE(test::Uncovered(*RegionEffect(117, Geometry(640, 480, 100)), 640, 480).IsEmpty());
}

TEST(ShapeRegion, RoundedEdgesAndCorners) {
  // 400 x 300 at p = 50: X = 200, Y = 150.
  const TFrameGeometry g = Geometry(400, 300, 50);
  // The edge from the left: right side at 2X = 400, bulging between rows -5 and 305.
  EXPECT_EQ(CompareWithRoundRect(*RegionEffect(58, g), 400, 300, -800, -5, 400, 305, 800, 800), 0);
  // The iris: the picture's rectangle with quarter ellipses 180 by 135 cut from its corners.
  EXPECT_EQ(CompareWithRoundRect(*RegionEffect(84, g), 400, 300, 0, 0, 400, 300, 360, 270), 0);
  EXPECT_TRUE(RegionEffect(84, g)->Contains(200, 150));
  EXPECT_FALSE(RegionEffect(84, g)->Contains(5, 5));
  // Corners from the top-left and bottom-right, on a wide picture: the bottom-right corner is
  // rounded 2H by 2H, a circle, while the top-left one is an ellipse 2W by 2H.
  const TFrameGeometry wide = Geometry(400, 200, 50);
  ASSERT_EQ(wide.Y, 100);
  const TRegion topLeft = *RegionEffect(80, wide);
  const TRegion bottomRight = *RegionEffect(83, wide);
  EXPECT_TRUE(topLeft.CheckInvariants() && bottomRight.CheckInvariants());
  EXPECT_EQ(CompareWithRoundRect(topLeft, 400, 200, -800, -400, 400, 200, 800, 400), 0);
  EXPECT_EQ(CompareWithRoundRect(bottomRight, 400, 200, 0, 0, 1200, 600, 400, 400), 0);
  // Mirror images of each other but for the rounding: (250, 10) lies on the circle's straight
  // top edge, its mirror (149, 189) outside the ellipse about (0, 0).
  EXPECT_TRUE(bottomRight.Contains(250, 10));
  EXPECT_FALSE(topLeft.Contains(149, 189));
  EXPECT_FALSE(bottomRight.Contains(60, 40));  // outside the circle of radius 200 about (200, 200)
}

TEST(ShapeRegion, ClosingIrisShowsTheNewPictureOutsideTheOval) {
  for (auto [w, h] : {std::pair{400, 300}, std::pair{301, 401}, std::pair{64, 64}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    // At the start the oval holds the whole picture: nothing of it is inside the region.
    const std::optional<TRegion> start = RegionEffect(85, Geometry(w, h, 0));
    ASSERT_TRUE(start.has_value());
    EXPECT_TRUE(start->CheckInvariants());
    EXPECT_FALSE(start->IsEmpty());  // the oval's parts outside the picture
    EXPECT_TRUE(test::InsidePicture(*start, w, h).IsEmpty());
    // Half way the oval spans the picture with rounded corners: the corners show, the centre
    // does not.
    const TRegion half = *RegionEffect(85, Geometry(w, h, 50));
    EXPECT_TRUE(half.CheckInvariants());
    EXPECT_TRUE(half.Contains(0, 0));
    EXPECT_TRUE(half.Contains(w - 1, h - 1));
    EXPECT_FALSE(half.Contains(w / 2, h / 2));
    EXPECT_TRUE(test::Uncovered(*RegionEffect(85, Geometry(w, h, 100)), w, h).IsEmpty());
  }
}

}  // namespace
}  // namespace pictova
