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
//
// Coordinates are clamped to [-kMaxCoord, kMaxCoord] (the platform's 27-bit device space), so
// sums and differences of two coordinates never overflow. Curved and sloped edges are
// scan-converted only within rows [-kMaxScanRow, kMaxScanRow): one band per row beyond that
// could never be drawn on any bitmap and would only cost memory.
class TRegion {
 public:
  static constexpr int32_t kMaxCoord = 1 << 27;
  static constexpr int32_t kMaxScanRow = 1 << 18;

  struct Span {
    int32_t Left;
    int32_t Right;
    bool operator==(const Span&) const = default;
  };

  TRegion() = default;  // the empty region

  // Rectangle region; corners are normalised, so (10, 10, 0, 0) equals (0, 0, 10, 10).
  static TRegion CreateRectRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  static TRegion CreateRectRgn(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }
  // Makes this region the rectangle's, as CreateRectRgn would, in the storage it has.
  void SetRectRgn(const TRect& r);
  // Rectangle with each corner cut to a quarter ellipse w wide and h high, covering the
  // pixels the platform's rounded-rectangle region covers.
  static TRegion CreateRoundRectRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h);
  static TRegion CreateEllipticRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Polygon region with the platform's scan conversion: pixel (x, y) is in when the point
  // (x, y) is inside, a point on a left or top edge counting as in and one on a right or
  // bottom edge as out (the pixel-centre rule for the outline moved by half a pixel, so a
  // rectangle's polygon covers what its rectangle region covers). The polygon is closed from the last point back
  // to the first. Raises EOutOfResources when the outline would need an absurd number of
  // spans (millions of edge crossings).
  static TRegion CreatePolygonRgn(std::span<const TPoint> points, TPolyFillMode mode);

  // dest := a <mode> b (b is ignored for RGN_COPY). dest may be a or b. Returns the kind
  // of the result; an unknown mode returns ERROR_REGION and leaves dest unchanged.
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
  struct TBandWriter;  // appends bands top to bottom, keeping the invariant
  struct TScan;        // the platform's scan-conversion rules for the shapes above

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
