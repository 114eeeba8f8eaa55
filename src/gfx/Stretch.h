// Source-copy transfers between bitmaps, unscaled or stretched colour-on-colour: rows and
// columns of the source are dropped or repeated, never averaged.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/Types.h"

namespace pictova {

class TBitmap;

// One axis of a stretch copy, with the platform's colour-on-colour rule.
//
// Extents: a run (start, extent) always includes its start pixel and excludes its end:
// (10, 3) covers 10, 11, 12 and (10, -3) covers 10, 9, 8, so (w - 1, -w) is the whole
// width backwards, as in the platform's usual mirroring call. Source and destination
// runs alike. When exactly one of the two extents is negative the axis is mirrored.
//
// Mapping: both runs are walked from their start pixels in their own directions, the
// destination by k = 0 .. n - 1 and the source by j = 0 .. s - 1 (n, s the run lengths).
// Destination step k takes source step
//     enlarging (s <= n):            j = floor(((2k + 1) s - 1) / (2n))
//       the source pixel under the centre of the destination pixel, a centre that falls
//       exactly on a boundary taking the pixel before it;
//     shrinking columns (s > n):     j = floor((k + 1) s / n - 1/2)
//     shrinking rows (s > n):        j = floor(k s / n + 1/2)
//       the platform drops the source pixels in between: of the columns that fall onto one
//       destination column the last one stays, of the rows the first one;
// and a destination run of exactly +1 pixel takes a source run one pixel shorter (s - 1
// when s > 1). These are the platform's Bresenham walk (the midpoint between two source
// centres decides) written in closed form; the GDI cross-check under Wine compares them
// pixel by pixel with the platform's StretchBlt. This is the only place where the rule
// lives: every stretch in the program, and the tests' reference, follow SourceFor.
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
  bool Rows = false;      // the vertical axis (shrinking keeps the first row, not the last)
  int64_t DestFrom = 0;   // the destination run's start pixel and direction (+1 or -1)
  int64_t DestStep = 1;
  int64_t SrcFrom = 0;
  int64_t SrcStep = 1;
  int64_t SrcSteps = 0;   // source pixels the walk spreads over (SrcCount, or one less)

  // False (and the axis unusable) when either extent is 0: nothing is drawn.
  static bool Make(int32_t destStart, int32_t destExtent, int32_t srcStart, int32_t srcExtent,
                   TStretchAxis& axis, bool rows = false);

  // Source pixel for destination pixel d, DestStart <= d < DestStart + DestCount.
  int64_t SourceFor(int64_t d) const;
  bool IsIdentityShift() const { return !Mirror && SrcCount == DestCount; }
  // The destination pixels [first, last) whose source pixel lies in [srcLo, srcHi): one run,
  // since the mapping is monotonic. False when there are none.
  bool DestRunOf(int64_t srcLo, int64_t srcHi, int64_t& first, int64_t& last) const;
};

// The pixels a stretch copy onto the run (x, y, w, h) covers before any clipping: a run
// includes its start pixel, so a backwards extent covers x + w + 1 .. x. Empty for a zero
// extent; coordinates beyond 32 bits are cut to it.
TRect StretchDestBounds(int64_t x, int64_t y, int64_t w, int64_t h);

// The pixels of dest that a stretch of a whole srcWidth x srcHeight source onto dest takes
// from the source rectangle part: exactly what changes on dest when part of the source did.
TRect StretchedPart(const TRect& dest, int32_t srcWidth, int32_t srcHeight, const TRect& part);

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
