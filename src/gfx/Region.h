// Clip regions: unions of pixel rectangles kept as y-bands of sorted x-spans.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "gfx/Types.h"

namespace pictova {

// Combine modes and results carry the platform's values (CombineRgn).
enum TCombineMode { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum TRegionKind { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum TPolyFillMode { ALTERNATE = 1, WINDING = 2 };

// Invariant (checked by CheckInvariants):
//   * bands are sorted by Top, do not overlap, and none is empty (Top < Bottom, >= 1 span);
//   * spans inside a band are sorted by Left, half-open [Left, Right), Left < Right, and
//     neither overlap nor touch (touching spans are merged);
//   * two vertically adjacent bands (a.Bottom == b.Top) never hold identical span lists
//     (they are coalesced into one band).
// So equal pixel sets always have equal representations.
class TRegion {
 public:
  struct Span {
    int32_t Left;
    int32_t Right;
    bool operator==(const Span&) const = default;
  };

  TRegion() = default;  // the empty region

  // Rectangle region; corners are normalised, so (10, 10, 0, 0) equals (0, 0, 10, 10).
  static TRegion CreateRectRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  static TRegion CreateRectRgn(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }
  // Rectangle with each corner cut to a quarter ellipse w wide and h high, covering the
  // pixels the platform's rounded-rectangle region covers.
  static TRegion CreateRoundRectRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h);
  static TRegion CreateEllipticRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Polygon region with the platform's scan conversion (a pixel is in when its centre is
  // inside; left edges in, right edges out).
  static TRegion CreatePolygonRgn(std::span<const TPoint> points, TPolyFillMode mode);

  // dest := a <mode> b (b is ignored for RGN_COPY). dest may be a or b. Returns the kind
  // of the result.
  static TRegionKind Combine(TRegion& dest, const TRegion& a, const TRegion& b, TCombineMode mode);
  // this := this <mode> other.
  TRegionKind CombineWith(const TRegion& other, TCombineMode mode) { return Combine(*this, *this, other, mode); }

  bool IsEmpty() const;
  TRegionKind Kind() const;
  TRect Bounds() const;  // (0,0,0,0) when empty
  bool Contains(int32_t x, int32_t y) const;
  void Offset(int32_t dx, int32_t dy);
  bool operator==(const TRegion& other) const;

  // The region as disjoint rectangles, band by band, top to bottom and left to right.
  void ForEachRect(const std::function<void(const TRect&)>& visit) const;
  std::vector<TRect> Rects() const;
  int32_t RectCount() const;

  bool CheckInvariants() const;

 private:
  struct Band {
    int32_t Top;
    int32_t Bottom;
    uint32_t FirstSpan;  // index into FSpans
    uint32_t SpanCount;
  };
  std::vector<Band> FBands;
  std::vector<Span> FSpans;
};

}  // namespace pictova
