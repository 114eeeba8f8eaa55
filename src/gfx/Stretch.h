// Source-copy transfers between bitmaps, unscaled or stretched colour-on-colour: rows and
// columns of the source are dropped or repeated, never averaged.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/Types.h"

namespace pictova {

class TBitmap;

// One axis of a stretch copy.
//
// Extents: a run (start, extent) always includes its start pixel and excludes its end:
// (10, 3) covers 10, 11, 12 and (10, -3) covers 10, 9, 8, so (w - 1, -w) is the whole
// width backwards, as in the platform's usual mirroring call. Source and destination
// runs alike. When exactly one of the two extents is negative the axis is mirrored.
//
// Mapping: destination pixel i of the covered run (i = 0 .. n - 1, counted from the low
// end) takes source pixel m(i) of the source run (counted from its low end), with
//     m(i) = floor((2 i + 1) * s / (2 n))      (s = source run length)
// that is, the source pixel under the centre of the destination pixel; mirrored, it takes
// s - 1 - m(i). Enlarging by k repeats every source pixel k times; shrinking by k keeps
// the middle pixel of every k. This is the only place where the rule lives: every stretch
// in the program, and the tests' reference, follow SourceFor.
//
// Clipping comes after the mapping: a destination pixel that is clipped away, or whose
// source pixel lies outside the source bitmap, is simply not written; the pixels that are
// written take the same source pixels as without clipping.
struct TStretchAxis {
  int64_t DestStart = 0;  // lowest destination pixel covered
  int64_t DestCount = 0;  // > 0
  int64_t SrcStart = 0;   // lowest source pixel of the run
  int64_t SrcCount = 0;   // > 0
  bool Mirror = false;

  // False (and the axis unusable) when either extent is 0: nothing is drawn.
  static bool Make(int32_t destStart, int32_t destExtent, int32_t srcStart, int32_t srcExtent,
                   TStretchAxis& axis);

  // Source pixel for destination pixel d, DestStart <= d < DestStart + DestCount.
  int64_t SourceFor(int64_t d) const;
  bool IsIdentityShift() const { return !Mirror && SrcCount == DestCount; }
};

// Copies the source rectangle (sx, sy, sw, sh) of source onto the destination rectangle
// (x, y, w, h) of dest, stretched along TStretchAxis. Writes only inside dest, inside the
// union of clipRects when clipRects is given (an empty span draws nothing), and reads only
// inside source. Any pair of formats works (1-bit pixels are black or white; a 1-bit
// destination takes the nearer of the two); 24 to 24 bits has fast paths: row copies when
// the horizontal scale is 1, precomputed column maps otherwise, repeated rows copied from
// the row already drawn. source and dest may be the same bitmap.
void StretchCopy(TBitmap& dest, int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& source,
                 int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                 const std::span<const TRect>* clipRects = nullptr);

}  // namespace pictova
