// Source-copy transfers between bitmaps, unscaled or stretched colour-on-colour.
#include "gfx/Stretch.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "gfx/BandWorker.h"
#include "gfx/Bitmap.h"

namespace pictova {

bool TStretchAxis::Make(int32_t destStart, int32_t destExtent, int32_t srcStart, int32_t srcExtent,
                        TStretchAxis& axis, bool rows) {
  if (destExtent == 0 || srcExtent == 0) return false;
  // 64-bit throughout: start + extent of two 32-bit values may leave the 32-bit range.
  axis.DestStart = destExtent > 0 ? destStart : int64_t{destStart} + destExtent + 1;
  axis.DestCount = destExtent > 0 ? int64_t{destExtent} : -int64_t{destExtent};
  axis.SrcStart = srcExtent > 0 ? srcStart : int64_t{srcStart} + srcExtent + 1;
  axis.SrcCount = srcExtent > 0 ? int64_t{srcExtent} : -int64_t{srcExtent};
  axis.Mirror = (destExtent < 0) != (srcExtent < 0);
  axis.Rows = rows;
  axis.DestFrom = destStart;
  axis.DestStep = destExtent > 0 ? 1 : -1;
  axis.SrcFrom = srcStart;
  axis.SrcStep = srcExtent > 0 ? 1 : -1;
  // A one-pixel destination spreads over one source pixel less (the platform's rule).
  axis.SrcSteps = destExtent == 1 && srcExtent > 1 ? int64_t{srcExtent} - 1 : axis.SrcCount;
  return true;
}

int64_t TStretchAxis::SourceFor(int64_t d) const {
  const int64_t k = (d - DestFrom) * DestStep;  // 0 .. DestCount - 1
  const int64_t n = DestCount, s = SrcSteps;
  int64_t j;
  if (s <= n) {
    // k < 2^31 and s <= 2^31, so (2k + 1) * s < 2^63.
    j = ((2 * k + 1) * s - 1) / (2 * n);
  } else if (Rows) {
    j = (2 * k * s + n) / (2 * n);
  } else {
    // floor((k + 1) s / n - 1/2), without the 2^63 that 2 (k + 1) s can reach.
    const int64_t p = (k + 1) * s;
    j = p / n - (2 * (p % n) < n ? 1 : 0);
  }
  return SrcFrom + SrcStep * j;
}

bool TStretchAxis::DestRunOf(int64_t srcLo, int64_t srcHi, int64_t& first, int64_t& last) const {
  const int64_t lo = DestStart, hi = DestStart + DestCount;
  // Walking d upwards, the source moves up too, unless the axis is mirrored.
  const auto firstReaching = [&](int64_t s) {
    int64_t a = lo, b = hi;
    while (a < b) {
      const int64_t m = a + (b - a) / 2;
      const bool reached = Mirror ? SourceFor(m) < s : SourceFor(m) >= s;
      if (reached) b = m;
      else a = m + 1;
    }
    return a;
  };
  if (Mirror) {
    first = firstReaching(srcHi);
    last = firstReaching(srcLo);
  } else {
    first = firstReaching(srcLo);
    last = firstReaching(srcHi);
  }
  return first < last;
}

TRect StretchDestBounds(int64_t x, int64_t y, int64_t w, int64_t h) {
  if (w == 0 || h == 0) return {};
  const auto run = [](int64_t start, int64_t extent, int32_t& from, int32_t& to) {
    const int64_t a = extent > 0 ? start : start + extent + 1;
    const int64_t b = extent > 0 ? start + extent : start + 1;
    from = static_cast<int32_t>(std::clamp<int64_t>(a, INT32_MIN, INT32_MAX));
    to = static_cast<int32_t>(std::clamp<int64_t>(b, INT32_MIN, INT32_MAX));
  };
  TRect r;
  run(x, w, r.Left, r.Right);
  run(y, h, r.Top, r.Bottom);
  return r;
}

TRect StretchedPart(const TRect& dest, int32_t srcWidth, int32_t srcHeight, const TRect& part) {
  TStretchAxis ax, ay;
  if (!TStretchAxis::Make(dest.Left, dest.Width(), 0, srcWidth, ax) ||
      !TStretchAxis::Make(dest.Top, dest.Height(), 0, srcHeight, ay, true))
    return {};
  int64_t x0, x1, y0, y1;
  if (!ax.DestRunOf(part.Left, part.Right, x0, x1) || !ay.DestRunOf(part.Top, part.Bottom, y0, y1)) return {};
  return {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1), static_cast<int32_t>(y1)};
}

namespace {

// The destination pixels of one axis that are inside the destination bitmap and whose
// source pixel is inside the source bitmap, with the source pixel of each.
struct TAxisMap {
  int32_t First = 0;  // first destination pixel
  int32_t Last = 0;   // one past the last
  std::vector<int32_t> Source;  // Source[d - First]
};

bool BuildAxisMap(const TStretchAxis& axis, int32_t destSize, int32_t srcSize, TAxisMap& map) {
  const int64_t lo = std::max<int64_t>(axis.DestStart, 0);
  const int64_t hi = std::min<int64_t>(axis.DestStart + axis.DestCount, destSize);
  if (lo >= hi) return false;
  // The mapping is monotonic, so the pixels with a source inside the bitmap form one run.
  int64_t first = hi, last = lo;
  map.Source.clear();
  map.Source.reserve(static_cast<size_t>(hi - lo));
  for (int64_t d = lo; d < hi; ++d) {
    const int64_t s = axis.SourceFor(d);
    if (s < 0 || s >= srcSize) {
      if (first < hi) break;  // past the run
      continue;
    }
    if (first == hi) first = d;
    last = d + 1;
    map.Source.push_back(static_cast<int32_t>(s));
  }
  if (first >= last) return false;
  map.First = static_cast<int32_t>(first);
  map.Last = static_cast<int32_t>(last);
  return true;
}

inline bool Bit(const uint8_t* row, int32_t x) { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; }

inline void SetBit(uint8_t* row, int32_t x, bool white) {
  const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
  if (white) row[x >> 3] |= mask;
  else row[x >> 3] &= static_cast<uint8_t>(~mask);
}

// Copies destination columns [left, right) of one row through the column map.
void CopyRowSpan(const TBitmap& source, const uint8_t* srcRow, TBitmap& dest, uint8_t* dstRow,
                 const TAxisMap& cols, bool identity, int32_t left, int32_t right) {
  const int32_t* map = cols.Source.data() - cols.First;
  const bool src24 = source.PixelFormat() == pf24bit;
  const bool dst24 = dest.PixelFormat() == pf24bit;
  if (src24 && dst24) {
    if (identity) {
      std::memcpy(dstRow + 3 * size_t(left), srcRow + 3 * size_t(map[left]), 3 * size_t(right - left));
      return;
    }
    // Four-byte moves: the fourth byte written is the next pixel's first, rewritten in the
    // next step, so every pixel but the span's last one can use them, provided the
    // four-byte read stays inside the source row.
    const int32_t lastWide = (source.RowBytes() - 4) / 3;  // last source pixel readable so
    uint8_t* d = dstRow + 3 * size_t(left);
    int32_t x = left;
    for (; x < right - 1; ++x, d += 3) {
      const int32_t sx = map[x];
      const uint8_t* s = srcRow + 3 * size_t(sx);
      if (sx <= lastWide) {
        uint32_t v;
        std::memcpy(&v, s, 4);
        std::memcpy(d, &v, 4);
      } else {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
    const uint8_t* s = srcRow + 3 * size_t(map[x]);
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    return;
  }
  for (int32_t x = left; x < right; ++x) {
    const int32_t s = map[x];
    if (!src24) {
      const bool white = Bit(srcRow, s);
      if (dst24) std::memset(dstRow + 3 * size_t(x), white ? 0xFF : 0x00, 3);
      else SetBit(dstRow, x, white);
    } else {  // 24-bit onto 1-bit
      const uint8_t* p = srcRow + 3 * size_t(s);
      SetBit(dstRow, x, IsNearerWhite(p[2], p[1], p[0]));
    }
  }
}

void CopyRows(const TBitmap& source, TBitmap& dest, const TAxisMap& cols, const TAxisMap& rows,
              bool identity, const TRect& r) {
  const int32_t* rowMap = rows.Source.data() - rows.First;
  const bool dst24 = dest.PixelFormat() == pf24bit;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint8_t* dstRow = dest.Bits() + size_t(y) * size_t(dest.RowBytes());
    if (dst24 && y > r.Top && rowMap[y] == rowMap[y - 1]) {
      // A repeated source row: the row above already holds the result.
      std::memcpy(dstRow + 3 * size_t(r.Left), dstRow - dest.RowBytes() + 3 * size_t(r.Left),
                  3 * size_t(r.Right - r.Left));
      continue;
    }
    const uint8_t* srcRow = source.Bits() + size_t(rowMap[y]) * size_t(source.RowBytes());
    CopyRowSpan(source, srcRow, dest, dstRow, cols, identity, r.Left, r.Right);
  }
}

// CopyRows over r, on both cores when r is large: each band starts its rows afresh, so the
// bytes are those of one pass.
void CopyRowsInBands(const TBitmap& source, TBitmap& dest, const TAxisMap& cols, const TAxisMap& rows,
                     bool identity, const TRect& r) {
  TBandWorker::Split(r.Height(), int64_t{r.Width()} * r.Height(), [&](int32_t first, int32_t last) {
    CopyRows(source, dest, cols, rows, identity, TRect{r.Left, r.Top + first, r.Right, r.Top + last});
  });
}

}  // namespace

void StretchCopy(TBitmap& dest, int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& source,
                 int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                 const std::span<const TRect>* clipRects) {
  if (dest.Empty() || source.Empty()) return;
  TStretchAxis ax, ay;
  if (!TStretchAxis::Make(x, w, sx, sw, ax) || !TStretchAxis::Make(y, h, sy, sh, ay, true)) return;
  // The maps of this thread's last copy are rebuilt in place: a frame's copies allocate
  // nothing once the maps have grown to the frame's size.
  thread_local TAxisMap cols, rows;
  if (!BuildAxisMap(ax, dest.Width(), source.Width(), cols)) return;
  if (!BuildAxisMap(ay, dest.Height(), source.Height(), rows)) return;

  // Copying a bitmap onto itself reads from a snapshot, so overlapping rectangles behave as
  // if the whole source had been read before anything was written.
  std::unique_ptr<TBitmap> snapshot;
  const TBitmap* src = &source;
  if (&source == &dest) {
    snapshot = std::make_unique<TBitmap>(source);
    src = snapshot.get();
  }

  const TRect box{cols.First, rows.First, cols.Last, rows.Last};
  const bool identity = ax.IsIdentityShift();
  if (!clipRects) {
    CopyRowsInBands(*src, dest, cols, rows, identity, box);
    return;
  }
  for (const TRect& clip : *clipRects) {
    const TRect r = IntersectRect(clip, box);
    if (!r.IsEmpty()) CopyRowsInBands(*src, dest, cols, rows, identity, r);
  }
}

}  // namespace pictova
