// Styles 58 to 117: picks the region builder by style; the union helpers the builders share.
#include "pictureshow/RegionEffects.h"

#include "gfx/Bitmap.h"
#include "rtl/SysUtils.h"

namespace pictova {

TRegion UnionOfRegions(std::vector<TRegion> regions) {
  if (regions.empty()) return TRegion();
  // Pairwise rounds: every piece is copied about log2(n) times instead of n times.
  while (regions.size() > 1) {
    size_t out = 0;
    for (size_t i = 0; i + 1 < regions.size(); i += 2)
      TRegion::Combine(regions[out++], regions[i], regions[i + 1], RGN_OR);
    if (regions.size() % 2 == 1) regions[out++] = std::move(regions.back());
    regions.resize(out);
  }
  return std::move(regions.front());
}

TRegion UnionOfRects(std::span<const TRect> rects) {
  std::vector<TRegion> pieces;
  pieces.reserve(rects.size());
  for (const TRect& r : rects) {
    TRegion piece = TRegion::CreateRectRgn(r);
    if (!piece.IsEmpty()) pieces.push_back(std::move(piece));
  }
  return UnionOfRegions(std::move(pieces));
}

namespace {

// The builders' arithmetic (up to 9 X, 3 W, strip loops over the picture) is sized for
// pictures that a bitmap can hold.
void CheckGeometry(const TFrameGeometry& g) {
  const auto inRange = [](int32_t value) { return value >= -kMaxBitmapSide && value <= kMaxBitmapSide; };
  if (g.W < 0 || g.H < 0 || !inRange(g.W) || !inRange(g.H) || !inRange(g.X) || !inRange(g.Y) ||
      !inRange(g.J) || int64_t{g.W} * g.H * 3 > kMaxBitmapBytes)
    throw EOutOfResources(Format("Transition frame of %d x %d (reveal %d x %d, snap %d) is out of range",
                                 g.W, g.H, g.X, g.Y, g.J));
}

}  // namespace

std::optional<TRegion> RegionEffect(int style, const TFrameGeometry& g) {
  if (IsStripStyle(style)) {
    CheckGeometry(g);
    return StripEffect(style, g);
  }
  if (IsShapeStyle(style)) {
    CheckGeometry(g);
    return ShapeEffect(style, g);
  }
  return std::nullopt;
}

}  // namespace pictova
