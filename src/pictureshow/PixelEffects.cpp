// Styles 118 to 122 write the frame pixel by pixel: the cross-fade and the four rotations.
// Both touch every pixel of every frame, so both are written for speed, but every result is
// exactly the per-byte (fade) or per-pixel (rotation) formula.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gfx/Bitmap.h"
#include "pictureshow/Effects.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

void Require24Bit(const TBitmap& bitmap, const char* what) {
  if (bitmap.PixelFormat() != pf24bit) throw Exception(Format("%s needs 24-bit bitmaps", what));
}

// The fade of one run of bytes: t := t * (100 - p) div 100 + s * p div 100.
class TBlendKernel {
 public:
  explicit TBlendKernel(int32_t p) : FP(p) {
    for (int v = 0; v < 256; ++v) {
      FKeep[v] = static_cast<uint8_t>(v * (100 - p) / 100);
      FTake[v] = static_cast<uint8_t>(v * p / 100);
    }
  }

  void Run(uint8_t* t, const uint8_t* s, size_t n) const { Run(t, t, s, n); }

  // out := t * (100 - p) div 100 + s * p div 100; out may be t itself.
  void Run(uint8_t* out, const uint8_t* t, const uint8_t* s, size_t n) const {
    if (FP == 0) {  // t * 100 div 100 + 0
      if (out != t) std::memcpy(out, t, n);
      return;
    }
    if (FP == 100) {
      std::memcpy(out, s, n);
      return;
    }
    size_t i = 0;
#if defined(__SSE2__)
    // 16 bytes at a time in 16-bit lanes: for 1 <= q <= 99 and every byte v,
    // v * q div 100 = (v * ceil(q * 65536 / 100)) >> 16, the high half of one product (the
    // rounding error stays below 255/65536, less than the 1/100 that separates the
    // fractional part of v * q / 100 from the next integer).
    const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(Magic(100 - FP)));
    const __m128i take = _mm_set1_epi16(static_cast<int16_t>(Magic(FP)));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
      const __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(tv, zero), keep),
                                       _mm_mulhi_epu16(_mm_unpacklo_epi8(sv, zero), take));
      const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(tv, zero), keep),
                                       _mm_mulhi_epu16(_mm_unpackhi_epi8(sv, zero), take));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    // The two parts never sum past 255: (t (100 - p) + s p) / 100 <= 255.
    for (; i < n; ++i) out[i] = static_cast<uint8_t>(FKeep[t[i]] + FTake[s[i]]);
  }

 private:
  static uint16_t Magic(int32_t q) { return static_cast<uint16_t>((q * 65536 + 99) / 100); }

  int32_t FP;
  std::array<uint8_t, 256> FKeep{};
  std::array<uint8_t, 256> FTake{};
};

// Nearest integer, halves to the even neighbour (the processor's default rounding). The
// products never exceed 2^34 in size (coordinate differences below 2^33), so 64 bits hold
// every result exactly.
inline int64_t RoundHalfEven(double v) {
#if defined(__SSE2__) && defined(__x86_64__)
  return _mm_cvtsd_si64(_mm_set_sd(v));
#else
  return static_cast<int64_t>(std::nearbyint(v));
#endif
}

constexpr double kPrefetchRows = 4;

// Hint only: the address may lie outside the bitmap, so it is formed as an integer.
inline void Prefetch(const uint8_t* p, uintptr_t ahead) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + ahead));
}

// First x in [a, b) where pred holds, for a predicate that holds on a suffix of the range.
template <class Pred>
int32_t FirstTrue(int32_t a, int32_t b, Pred pred) {
  while (a < b) {
    const int32_t mid = a + (b - a) / 2;
    if (pred(mid))
      b = mid;
    else
      a = mid + 1;
  }
  return a;
}

// Shrinks [first, last) to the columns x with 0 <= f(x) < limit. f is monotonic in x (a
// fixed-sign product, a constant added, rounding: each step preserves order), so these
// columns form one interval, found exactly by bisection.
template <class F>
void NarrowToRange(const F& f, int64_t limit, int32_t& first, int32_t& last) {
  if (first >= last) return;
  int32_t a, b;
  if (f(first) <= f(last - 1)) {  // non-decreasing
    a = FirstTrue(first, last, [&](int32_t x) { return f(x) >= 0; });
    b = FirstTrue(a, last, [&](int32_t x) { return f(x) >= limit; });
  } else {
    a = FirstTrue(first, last, [&](int32_t x) { return f(x) < limit; });
    b = FirstTrue(a, last, [&](int32_t x) { return f(x) < 0; });
  }
  first = a;
  last = b;
}

}  // namespace

void BlendBitmaps(TBitmap& target, const TBitmap& source, int32_t progress, int32_t firstRow, int32_t lastRow) {
  Require24Bit(target, "BlendBitmaps");
  Require24Bit(source, "BlendBitmaps");
  const int32_t p = std::clamp(progress, 0, 100);
  // The frame and the new picture always have one size; anything else blends the overlap.
  const int32_t w = std::min(target.Width(), source.Width());
  const int32_t h = std::min(target.Height(), source.Height());
  if (w <= 0 || h <= 0) return;
  const TBlendKernel kernel(p);
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  for (int32_t y = std::max(firstRow, 0); y < std::min(h, lastRow); ++y)
    kernel.Run(target.ScanLine(y), source.ScanLine(y), rowBytes);
}

void BlendBitmapsFrom(TBitmap& target, const TBitmap& back, const TBitmap& source, int32_t progress,
                      int32_t firstRow, int32_t lastRow) {
  Require24Bit(target, "BlendBitmaps");
  Require24Bit(back, "BlendBitmaps");
  Require24Bit(source, "BlendBitmaps");
  if (back.Width() != target.Width() || back.Height() != target.Height())
    throw Exception("BlendBitmaps needs a background of the target's size");
  const int32_t p = std::clamp(progress, 0, 100);
  const int32_t w = std::min(target.Width(), source.Width());
  const int32_t h = std::min(target.Height(), source.Height());
  if (target.Width() <= 0 || target.Height() <= 0) return;
  const int32_t from = std::max(firstRow, 0), to = std::min(target.Height(), lastRow);
  if (from >= to) return;
  // Outside the overlap the target is just the background, as after a restore.
  if (w != target.Width() || h != target.Height())
    std::memcpy(target.ScanLine(from), back.ScanLine(from), static_cast<size_t>(target.RowBytes()) * size_t(to - from));
  if (w <= 0 || h <= 0) return;
  const TBlendKernel kernel(p);
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  for (int32_t y = from; y < std::min(h, to); ++y)
    kernel.Run(target.ScanLine(y), back.ScanLine(y), source.ScanLine(y), rowBytes);
}

namespace {

// RotateBitmap, and with back RotateBitmapFrom.
void Rotate(TBitmap& target, const TBitmap* back, const TBitmap& source, int32_t cx, int32_t cy,
            int32_t progress, int32_t firstRow, int32_t lastRow) {
  Require24Bit(target, "RotateBitmap");
  Require24Bit(source, "RotateBitmap");
  const int32_t p = std::clamp(progress, 0, 100);
  const int32_t tw = target.Width();
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t y0 = std::max(firstRow, 0), th = std::min(target.Height(), lastRow);
  // Columns [from, to) of row y keep the snapshot: back's pixels, or what target holds.
  const auto keep = [&](int32_t y, int32_t from, int32_t to) {
    if (back != nullptr && from < to)
      std::memcpy(target.ScanLine(y) + 3 * size_t(from), back->ScanLine(y) + 3 * size_t(from), 3 * size_t(to - from));
  };
  if (tw > 0 && (sw <= 0 || sh <= 0))
    for (int32_t y = y0; y < th; ++y) keep(y, 0, tw);
  if (tw <= 0 || y0 >= th || sw <= 0 || sh <= 0) return;

  // 90 degrees at progress 0, none at 100; the product is formed in extended precision.
  const long double theta =
      static_cast<long double>(100 - p) * std::numbers::pi_v<long double> / 200;
  const double sinT = static_cast<double>(std::sin(theta));
  const double cosT = static_cast<double>(std::cos(theta));

  if (sinT == 0 && cosT == 1) {
    // No turn: dx * 1 - dy * 0 is dx exactly, so every pixel takes its own source pixel.
    const size_t bytes = 3 * size_t(std::min(tw, sw));
    for (int32_t y = y0; y < th; ++y) {
      if (y >= sh) {
        keep(y, 0, tw);
        continue;
      }
      std::memcpy(target.ScanLine(y), source.ScanLine(y), bytes);
      keep(y, std::min(tw, sw), tw);
    }
    return;
  }

  // dx * cos and dx * sin are the same products in every row, so they are formed once per
  // column; each pixel still rounds exactly dx * cos - dy * sin and dx * sin + dy * cos.
  // Kept per thread (each band runs on its own) and grown only for a wider frame.
  thread_local std::vector<double> colCos, colSin;
  if (colCos.size() < static_cast<size_t>(tw)) {
    colCos.resize(static_cast<size_t>(tw));
    colSin.resize(static_cast<size_t>(tw));
  }
  for (int32_t x = 0; x < tw; ++x) {
    const double dx = static_cast<double>(x) - cx;
    colCos[static_cast<size_t>(x)] = dx * cosT;
    colSin[static_cast<size_t>(x)] = dx * sinT;
  }

  const uint8_t* srcBits = source.Bits();
  const size_t srcStride = static_cast<size_t>(source.RowBytes());
  // A frame row reads the source along a slanted line: near a quarter turn, down a column,
  // one cache line per pixel, while the rows below read the neighbouring bytes of the same
  // lines. So the frame is walked in tiles of a few rows by a few hundred columns, whose
  // rows share the lines they load; and the pixel that the row four below reads at the same
  // column is asked for ahead, which keeps the first reads of a tile from waiting one cache
  // line at a time.
  const uintptr_t ahead =
      static_cast<uintptr_t>(std::llround(kPrefetchRows * cosT) * static_cast<int64_t>(srcStride) -
                             3 * std::llround(kPrefetchRows * sinT));
#if defined(__SSE2__) && defined(__x86_64__)
  constexpr int32_t kNear = 1 << 30;
  const bool smallPivot = cx > -kNear && cx < kNear && cy > -kNear && cy < kNear;
  const __m128i pivot = _mm_setr_epi32(cx, cx, cy, cy);
  const __m128i limits = _mm_setr_epi32(sw, sw, sh, sh);
  const __m128i minusOne = _mm_set1_epi32(-1);
#endif
  struct TRowWork {
    double Sin, Cos;      // dy * sin, dy * cos
    int32_t First, Last;  // the columns whose source lies inside the picture
  };
  constexpr int32_t kTileRows = 16, kTileColumns = 256;
  std::array<TRowWork, kTileRows> tile;
  for (int32_t top = y0; top < th; top += kTileRows) {
    const int32_t rows = std::min(kTileRows, th - top);
    int32_t left = tw, right = 0;
    for (int32_t i = 0; i < rows; ++i) {
      const double dy = static_cast<double>(top + i) - cy;
      TRowWork& row = tile[size_t(i)];
      row.Sin = dy * sinT;
      row.Cos = dy * cosT;
      const auto sourceX = [&](int32_t x) { return cx + RoundHalfEven(colCos[size_t(x)] - row.Sin); };
      const auto sourceY = [&](int32_t x) { return cy + RoundHalfEven(colSin[size_t(x)] + row.Cos); };
      // The other columns keep the snapshot.
      row.First = 0;
      row.Last = tw;
      NarrowToRange(sourceX, sw, row.First, row.Last);
      NarrowToRange(sourceY, sh, row.First, row.Last);
      if (row.First < row.Last) {
        left = std::min(left, row.First);
        right = std::max(right, row.Last);
        keep(top + i, 0, row.First);
        keep(top + i, row.Last, tw);
      } else {
        keep(top + i, 0, tw);
      }
    }
    for (int32_t from = left; from < right; from += kTileColumns) {
      const int32_t to = std::min(right, from + kTileColumns);
      for (int32_t i = 0; i < rows; ++i) {
        const TRowWork& row = tile[size_t(i)];
        const int32_t last = std::min(row.Last, to);
        int32_t x = std::max(row.First, from);
        uint8_t* out = target.ScanLine(top + i);
#if defined(__SSE2__) && defined(__x86_64__)
        // Two pixels at a time. The packed conversion rounds as the scalar one does (the
        // processor's rounding mode); its 32-bit results are exact while the pivot stays
        // within 2^30 of the picture, which every real pivot does.
        if (smallPivot) {
          const __m128d rs = _mm_set1_pd(row.Sin), rc = _mm_set1_pd(row.Cos);
          for (; x + 2 <= last; x += 2) {
            const __m128i ix = _mm_cvtpd_epi32(_mm_sub_pd(_mm_loadu_pd(&colCos[size_t(x)]), rs));
            const __m128i iy = _mm_cvtpd_epi32(_mm_add_pd(_mm_loadu_pd(&colSin[size_t(x)]), rc));
            const __m128i at = _mm_add_epi32(_mm_unpacklo_epi64(ix, iy), pivot);  // sx0 sx1 sy0 sy1
            const __m128i inside =
                _mm_and_si128(_mm_cmpgt_epi32(at, minusOne), _mm_cmplt_epi32(at, limits));
            if (_mm_movemask_epi8(inside) != 0xFFFF) break;  // never taken; guards the reads
            const uint64_t sxs = static_cast<uint64_t>(_mm_cvtsi128_si64(at));
            const uint64_t sys = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(at, at)));
            const uint8_t* p0 = srcBits + size_t(uint32_t(sys)) * srcStride + 3 * size_t(uint32_t(sxs));
            const uint8_t* p1 = srcBits + size_t(sys >> 32) * srcStride + 3 * size_t(sxs >> 32);
            Prefetch(p0, ahead);
            std::memcpy(out + 3 * size_t(x), p0, 3);
            std::memcpy(out + 3 * size_t(x) + 3, p1, 3);
          }
        }
#endif
        for (; x < last; ++x) {
          const int64_t sx = cx + RoundHalfEven(colCos[size_t(x)] - row.Sin);
          const int64_t sy = cy + RoundHalfEven(colSin[size_t(x)] + row.Cos);
          if (sx < 0 || sx >= sw || sy < 0 || sy >= sh) {  // never taken; guards the read
            keep(top + i, x, x + 1);
            continue;
          }
          const uint8_t* p = srcBits + size_t(sy) * srcStride + 3 * size_t(sx);
          Prefetch(p, ahead);
          std::memcpy(out + 3 * size_t(x), p, 3);
        }
      }
    }
  }
}

}  // namespace

void RotateBitmap(TBitmap& target, const TBitmap& source, int32_t cx, int32_t cy,
                  int32_t progress, int32_t firstRow, int32_t lastRow) {
  Rotate(target, nullptr, source, cx, cy, progress, firstRow, lastRow);
}

void RotateBitmapFrom(TBitmap& target, const TBitmap& back, const TBitmap& source, int32_t cx, int32_t cy,
                      int32_t progress, int32_t firstRow, int32_t lastRow) {
  Require24Bit(back, "RotateBitmap");
  if (back.Width() != target.Width() || back.Height() != target.Height())
    throw Exception("RotateBitmap needs a background of the target's size");
  Rotate(target, &back, source, cx, cy, progress, firstRow, lastRow);
}

}  // namespace pictova
