// Helpers for the region-style tests: frame geometry worked out here, and pixel-set checks.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

#include "gfx/Region.h"
#include "pictureshow/Effects.h"
#include "rtl/Math.h"

namespace pictova {

// Readable failure messages: the region's rectangles.
inline void PrintTo(const TRegion& r, std::ostream* os) {
  *os << "{";
  int n = 0;
  r.ForEachRect([&](const TRect& q) {
    if (n++ < 12) *os << " [" << q.Left << "," << q.Top << "," << q.Right << "," << q.Bottom << ")";
  });
  if (n > 12) *os << " ... " << n << " rects";
  *os << " }";
}

}  // namespace pictova

namespace pictova::test {

// X, Y and J as every frame computes them: the longer side takes the progress.
inline TFrameGeometry Geometry(int32_t w, int32_t h, int32_t progress, int32_t step = 4) {
  TFrameGeometry g;
  g.W = w;
  g.H = h;
  g.Step = step;
  g.Progress = progress;
  if (h <= w) {
    g.X = MulDiv(w, progress, 100);
    g.Y = MulDiv(g.X, h, w);
    g.J = MulDiv(w, step, 90);
  } else {
    g.Y = MulDiv(h, progress, 100);
    g.X = MulDiv(g.Y, w, h);
    g.J = MulDiv(h, step, 90);
  }
  return g;
}

// The part of the region inside the picture.
inline TRegion InsidePicture(const TRegion& r, int32_t w, int32_t h) {
  TRegion out;
  TRegion::Combine(out, r, TRegion::CreateRectRgn(0, 0, w, h), RGN_AND);
  return out;
}

// Pixels of the picture that the region leaves out.
inline TRegion Uncovered(const TRegion& r, int32_t w, int32_t h) {
  TRegion out;
  TRegion::Combine(out, TRegion::CreateRectRgn(0, 0, w, h), r, RGN_DIFF);
  return out;
}

// The region with x and y exchanged.
inline TRegion Transposed(const TRegion& r) {
  TRegion out;
  r.ForEachRect([&](const TRect& q) {
    out.CombineWith(TRegion::CreateRectRgn(q.Top, q.Left, q.Bottom, q.Right), RGN_OR);
  });
  return out;
}

// Counts the pixels of [0, w) x [0, h) where Contains disagrees with the predicate.
template <typename Pred>
int CountMismatches(const TRegion& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Pred expected) {
  int bad = 0;
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x)
      if (r.Contains(x, y) != expected(x, y)) ++bad;
  return bad;
}

// Which side of the directed edge a -> b the point is on, scaled by the edge length so that
// |result| is the distance in pixels.
inline double EdgeDistance(double ax, double ay, double bx, double by, double px, double py) {
  const double len = std::hypot(bx - ax, by - ay);
  return ((bx - ax) * (py - ay) - (by - ay) * (px - ax)) / len;
}

// Classifies a pixel centre against a triangle, independently of any scan conversion: +1 when
// it lies inside by more than `margin` pixels, -1 when outside by more, 0 when near an edge.
inline int TriangleSide(TPoint a, TPoint b, TPoint c, int32_t x, int32_t y, double margin = 0.75) {
  const double px = x + 0.5, py = y + 0.5;
  double d[3] = {EdgeDistance(a.X, a.Y, b.X, b.Y, px, py), EdgeDistance(b.X, b.Y, c.X, c.Y, px, py),
                 EdgeDistance(c.X, c.Y, a.X, a.Y, px, py)};
  // Orientation-independent: inside means all three on the same side.
  const double orient = (b.X - a.X) * double(c.Y - a.Y) - (b.Y - a.Y) * double(c.X - a.X);
  if (orient == 0) return -1;
  if (orient < 0)
    for (double& v : d) v = -v;
  const double m = std::min({d[0], d[1], d[2]});
  if (m > margin) return 1;
  if (m < -margin) return -1;
  return 0;
}

}  // namespace pictova::test
