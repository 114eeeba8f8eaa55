// Rounded-rectangle sweeps, the oval iris and triangle wipes: one geometric clip region a frame.
#include <array>
#include <vector>

#include "pictureshow/RegionEffects.h"
#include "rtl/Math.h"

namespace pictova {
namespace {

TRegion RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t ew, int32_t eh) {
  return TRegion::CreateRoundRectRgn(x1, y1, x2, y2, ew, eh);
}

// Small triangles growing from the top-left corner of every cell of a 10 by 10 grid; their
// legs reach two cells at X = W, so the long sides then pass the far corners of the cells.
TRegion GridTriangles(const TFrameGeometry& g) {
  const int32_t s = g.X / 5;
  const int32_t t = MulDiv(s, g.H, g.W);
  std::vector<TRegion> triangles;
  triangles.reserve(100);
  for (int32_t r = 0; r < 10; ++r) {
    for (int32_t c = 0; c < 10; ++c) {
      const int32_t cx = c * g.W / 10;
      const int32_t cy = r * g.H / 10;
      triangles.push_back(TriangleRegion({cx, cy}, {cx + s, cy}, {cx, cy + t}));
    }
  }
  return UnionOfRegions(std::move(triangles));
}

constexpr std::array<int, 18> kShapeStyles{58, 59, 69, 70, 80, 81, 82, 83, 84,
                                           85, 110, 111, 112, 113, 114, 115, 116, 117};

}  // namespace

TRegion TriangleRegion(TPoint p1, TPoint p2, TPoint p3) {
  const std::array<TPoint, 4> points{p1, p2, p3, p1};
  return TRegion::CreatePolygonRgn(points, WINDING);
}

bool IsShapeStyle(int style) {
  for (int s : kShapeStyles)
    if (s == style) return true;
  return false;
}

std::optional<TRegion> ShapeEffect(int style, const TFrameGeometry& g) {
  const int32_t W = g.W, H = g.H, X = g.X, Y = g.Y;
  const int32_t h = W / 2, v = H / 2;
  switch (style) {
    // A bulging edge sweeps across from one side.
    case 58: return RoundRect(-2 * W, -5, 2 * X, H + 5, 2 * W, 2 * W);
    case 59: return RoundRect(W - 2 * X, -5, 3 * W, H + 5, 2 * W, 2 * W);
    case 69: return RoundRect(-5, -2 * H, W + 5, 2 * Y, 2 * H, 2 * H);
    case 70: return RoundRect(-5, H - 2 * Y, W + 5, 3 * H, 2 * H, 2 * H);
    // A rounded corner sweeps out of a corner of the picture. The bottom-right one has always
    // been rounded 2H by 2H, unlike the other three.
    case 80: return RoundRect(-2 * W, -2 * H, 2 * X, 2 * Y, 2 * W, 2 * H);
    case 81: return RoundRect(W - 2 * X, -2 * H, 3 * W, 2 * Y, 2 * W, 2 * H);
    case 82: return RoundRect(-2 * W, H - 2 * Y, 2 * X, 3 * H, 2 * W, 2 * H);
    case 83: return RoundRect(W - 2 * X, H - 2 * Y, 3 * W, 3 * H, 2 * H, 2 * H);
    // The iris opening from the centre.
    case 84: return RoundRect(h - X, v - Y, h + X, v + Y, 9 * X / 5, 9 * Y / 5);
    case 85: {
      // The iris closing: the picture outside a shrinking oval, which at the start contains
      // the whole picture.
      const TRegion full = TRegion::CreateRectRgn(0, 0, W, H);
      TRegion r = RoundRect(X - h, Y - v, 3 * W / 2 - X, 3 * H / 2 - Y, 9 * (W - X) / 5, 9 * (H - Y) / 5);
      r.CombineWith(full, RGN_XOR);
      return r;
    }
    // Diagonal wipes from a corner.
    case 110: return TriangleRegion({0, 0}, {2 * X, 0}, {0, 2 * Y});
    case 111: return TriangleRegion({W, 0}, {W - 2 * X, 0}, {W, 2 * Y});
    case 112: return TriangleRegion({0, H}, {2 * X, H}, {0, H - 2 * Y});
    case 113: return TriangleRegion({W, H}, {W - 2 * X, H}, {W, H - 2 * Y});
    case 114: {
      const TRegion first = TriangleRegion({0, H}, {0, 0}, {X, H});
      TRegion second = TriangleRegion({W, H}, {W, 0}, {W - X, 0});
      second.CombineWith(first, RGN_OR);
      return second;
    }
    case 115: {
      const TRegion first = TriangleRegion({W, 0}, {0, 0}, {W, Y});
      TRegion second = TriangleRegion({W, H}, {0, H}, {0, H - Y});
      second.CombineWith(first, RGN_OR);
      return second;
    }
    case 116: {
      // Four fans from the centre along the left, top, right and bottom edges.
      TRegion r = TriangleRegion({h, v}, {0, H}, {0, H - Y});
      r.CombineWith(TriangleRegion({0, 0}, {X, 0}, {h, v}), RGN_OR);
      r.CombineWith(TriangleRegion({W - X, H}, {h, v}, {W, H}), RGN_OR);
      r.CombineWith(TriangleRegion({h, v}, {W, 0}, {W, Y}), RGN_OR);
      return r;
    }
    case 117: return GridTriangles(g);
    default: return std::nullopt;
  }
}

}  // namespace pictova
