// Clip regions: building the platform's shapes, combining regions, and queries.
//
// Representation (the invariant CheckInvariants verifies), one character per pixel:
//
//        x: 0   4   8   12  16
//   y  0    ########    ####        band [0, 2): spans [0, 8) [12, 16)
//      1    ########    ####
//      2        ############        band [2, 5): spans [4, 16)
//      3        ############
//      4        ############
//      5                            rows 5 and 6 hold no pixel, so no band
//      6
//      7        ####                band [7, 8): spans [4, 8)
//
//   FBands   = { {0,2, 0,2}, {2,5, 2,1}, {7,8, 3,1} }     (Top, Bottom, FirstSpan, SpanCount)
//   FSpans   = { [0,8) [12,16) | [4,16) | [4,8) }
//
//   1. bands are sorted by Top and do not overlap: band[i].Bottom <= band[i+1].Top;
//   2. every band has Top < Bottom and at least one span; its spans are stored contiguously
//      in band order, so band[i].FirstSpan is the sum of the earlier SpanCounts;
//   3. spans in a band are sorted, Left < Right, and leave a gap: span[j].Right < span[j+1].Left;
//   4. bands that touch (band[i].Bottom == band[i+1].Top) differ in their span lists;
//   5. every coordinate lies in [-kMaxCoord, kMaxCoord].
//
// Rules 3 and 4 make the form canonical: one pixel set has exactly one representation,
// so equality is a comparison of the arrays. All building goes through TBandWriter, which
// merges touching spans, drops empty bands and coalesces identical touching bands; the
// combinations use one band operator over a truth table (after pixman's region code).

#include "gfx/Region.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "rtl/SysUtils.h"

namespace pictova {

namespace {

constexpr int32_t kNoCoord = std::numeric_limits<int32_t>::max();  // beyond every clamped value

int32_t Clamp(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -TRegion::kMaxCoord, TRegion::kMaxCoord));
}

// Truth tables of the combine modes: bit (inA * 2 + inB) says whether a pixel is in the result.
constexpr unsigned kTableAnd = 0b1000;
constexpr unsigned kTableOr = 0b1110;
constexpr unsigned kTableXor = 0b0110;
constexpr unsigned kTableDiff = 0b0100;

bool InResult(unsigned table, bool inA, bool inB) {
  return (table >> ((inA ? 2 : 0) | (inB ? 1 : 0))) & 1u;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Band writer: every region is built top to bottom through this.

struct TRegion::TBandWriter {
  std::vector<Band> Bands;
  std::vector<Span> Spans;
  size_t BandStart = 0;  // first span of the band being written

  // Adds a span to the band being written. Spans come sorted by Left; a span that touches or
  // overlaps the previous one extends it, an empty one is ignored.
  void AddSpan(int32_t left, int32_t right) {
    if (left >= right) return;
    if (Spans.size() > BandStart && left <= Spans.back().Right) {
      Spans.back().Right = std::max(Spans.back().Right, right);
      return;
    }
    Spans.push_back({left, right});
  }

  // Adds spans taken from a valid band: only the first may touch the last one added.
  void AddSpans(const Span* first, uint32_t count) {
    if (count == 0) return;
    AddSpan(first->Left, first->Right);
    Spans.insert(Spans.end(), first + 1, first + count);
  }

  // Closes the band being written as rows [top, bottom). top must not be above the bottom of
  // the previous band. A band without spans is dropped; one that continues the previous band
  // with the same spans is merged into it.
  void EndBand(int32_t top, int32_t bottom) {
    const size_t count = Spans.size() - BandStart;
    if (count == 0 || top >= bottom) {
      Spans.resize(BandStart);
      return;
    }
    if (!Bands.empty()) {
      Band& prev = Bands.back();
      if (prev.Bottom == top && prev.SpanCount == count &&
          std::equal(Spans.begin() + static_cast<ptrdiff_t>(prev.FirstSpan),
                     Spans.begin() + static_cast<ptrdiff_t>(BandStart),
                     Spans.begin() + static_cast<ptrdiff_t>(BandStart))) {
        prev.Bottom = bottom;
        Spans.resize(BandStart);
        return;
      }
    }
    Bands.push_back({top, bottom, static_cast<uint32_t>(BandStart), static_cast<uint32_t>(count)});
    BandStart = Spans.size();
  }

  // Bands of an operand: the band array and the spans it indexes, whose first element has
  // index SpanBase (operands may be a copied tail of a region).
  struct View {
    const Band* Bands;
    size_t Count;
    const Span* Spans;
    uint32_t SpanBase;
    const Span* SpansOf(const Band& band) const { return Spans + (band.FirstSpan - SpanBase); }
  };

  // Appends bands [from, Count) of a valid region unchanged. Only the first can continue the
  // band written last; the others already differ from their neighbours.
  void AppendBands(const View& v, size_t from) {
    if (from >= v.Count) return;
    const Band& first = v.Bands[from];
    AddSpans(v.SpansOf(first), first.SpanCount);
    EndBand(first.Top, first.Bottom);
    if (from + 1 == v.Count) return;
    const Band& next = v.Bands[from + 1];
    const Band& last = v.Bands[v.Count - 1];
    const Span* begin = v.SpansOf(next);
    const Span* end = v.SpansOf(last) + last.SpanCount;
    const uint32_t base = static_cast<uint32_t>(Spans.size());
    Spans.insert(Spans.end(), begin, end);
    for (size_t i = from + 1; i < v.Count; ++i) {
      Band band = v.Bands[i];
      band.FirstSpan = base + (band.FirstSpan - next.FirstSpan);
      Bands.push_back(band);
    }
    BandStart = Spans.size();
  }

  void MoveTo(TRegion& dest) {
    dest.FBands = std::move(Bands);
    dest.FSpans = std::move(Spans);
  }
};

// ---------------------------------------------------------------------------------------------
// The platform's scan-conversion rules. Everything that decides which pixels a shape covers
// lives in this section, so that comparing with the platform's own regions means tuning only
// here. The rules are those of the platform's region code:
//
//   rectangle   corners are normalised (swapped when inverted); [left, right) x [top, bottom);
//               zero width or height gives the empty region.
//   rounded     normalise, then drop the last column and row (right - 1, bottom - 1); the
//   rectangle   corner ellipse is |w| by |h| clamped to that size; below 2 in either direction
//               it is the plain (shrunk) rectangle. Each row of the corner ellipse comes from a
//               midpoint (Bresenham-type) ellipse rasteriser run from the middle row outwards;
//               the top half mirrors the bottom half.
//   ellipse     the rounded rectangle whose corner ellipse is the whole rectangle.
//   polygon     sampled at integer points: row y takes every edge with top <= y < bottom
//               (horizontal edges never count), which crosses the row at
//               x = ceil(xTop + (y - yTop) * dx / dy); pixel x is in when the crossings at or
//               left of x have odd count (ALTERNATE) or a non-zero sum of directions (WINDING,
//               downward edges +1, upward -1).

struct TRegion::TScan {
  static TRegion Rect(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    TRegion r;
    SetRect(r, x1, y1, x2, y2);
    return r;
  }
  static void SetRect(TRegion& r, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    const int32_t left = Clamp(std::min(x1, x2));
    const int32_t right = Clamp(std::max(x1, x2));
    const int32_t top = Clamp(std::min(y1, y2));
    const int32_t bottom = Clamp(std::max(y1, y2));
    r.FBands.clear();
    r.FSpans.clear();
    if (left < right && top < bottom) {
      r.FBands.push_back({top, bottom, 0, 1});
      r.FSpans.push_back({left, right});
    }
  }

  // Corner diameters are capped so that the rasteriser's 64-bit error terms (of the order of
  // 16 * w * h * max(w, h)) cannot overflow and the row table stays small.
  static constexpr int64_t kMaxCorner = TRegion::kMaxScanRow;

  static TRegion RoundRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w, int64_t h) {
    int64_t left = Clamp(std::min(x1, x2));
    int64_t right = Clamp(std::max(x1, x2));
    int64_t top = Clamp(std::min(y1, y2));
    int64_t bottom = Clamp(std::max(y1, y2));
    // An empty rectangle stays empty. (Taken literally, the right - 1 below would turn a zero
    // width into a one-column region left of the rectangle.)
    if (left == right || top == bottom) return TRegion();
    --right;
    --bottom;
    const int64_t ew = std::min({right - left, std::abs(w), kMaxCorner});
    const int64_t eh = std::min({bottom - top, std::abs(h), kMaxCorner});
    if (ew < 2 || eh < 2) return Rect(left, top, right, bottom);

    // inset[i] for i in [eh / 2, eh): how far the corner cuts into row i of the ellipse box
    // (rows below the middle); rows above the middle mirror them: row i uses inset[eh-1-i].
    std::vector<int32_t> inset(static_cast<size_t>(eh), 0);
    const int64_t a = ew - 1;
    const int64_t b = eh - 1;
    const int64_t asq = 8 * a * a;
    const int64_t bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a);
    int64_t dy = 4 * a * a * (1 + (b % 2));
    int64_t err = dx + dy + a * a * (b % 2);
    int64_t x = 0;
    int64_t y = eh / 2;
    while (x <= ew / 2) {
      const int64_t e2 = 2 * err;
      if (e2 >= dx) {
        ++x;
        dx += bsq;
        err += dx;
      }
      if (e2 <= dy) {
        if (++y >= eh) break;
        dy += asq;
        err += dy;
        inset[static_cast<size_t>(y)] = static_cast<int32_t>(x);
      }
    }
    // For corners far taller than wide (height beyond about width^2 / 2) the loop ends before
    // the last rows, which the rule as written leaves unset; they continue straight down at
    // the last inset, which keeps the corner's full height.
    for (int64_t i = std::max<int64_t>(y + 1, eh / 2 + 1); i < eh; ++i) {
      inset[static_cast<size_t>(i)] = inset[static_cast<size_t>(i - 1)];
    }

    TBandWriter out;
    const auto row = [&](int64_t rowTop, int64_t rowBottom, int32_t cut) {
      out.AddSpan(static_cast<int32_t>(left + cut), static_cast<int32_t>(right - cut));
      out.EndBand(static_cast<int32_t>(rowTop), static_cast<int32_t>(rowBottom));
    };
    for (int64_t i = 0; i < eh / 2; ++i) row(top + i, top + i + 1, inset[static_cast<size_t>(b - i)]);
    row(top + eh / 2, bottom - eh + eh / 2 + 1, 0);
    for (int64_t i = eh / 2 + 1; i < eh; ++i) {
      row(bottom - eh + i, bottom - eh + i + 1, inset[static_cast<size_t>(i)]);
    }
    TRegion r;
    out.MoveTo(r);
    return r;
  }

  struct Edge {
    int32_t YTop;     // first row crossed
    int32_t YBottom;  // first row no longer crossed
    int32_t XTop;
    int32_t Dx;       // x at YBottom minus XTop
    int32_t Dy;       // YBottom - YTop > 0
    int32_t Dir;      // +1 for an edge going down in point order, -1 going up
  };

  // The column where an edge crosses row y: ceil(XTop + (y - YTop) * Dx / Dy). Coordinates
  // are clamped to 28 bits, so the product fits easily in 64 bits.
  static int32_t CrossingX(const Edge& e, int32_t y) {
    const int64_t num = static_cast<int64_t>(y - e.YTop) * e.Dx;
    int64_t q = num / e.Dy;
    if (num % e.Dy > 0) ++q;  // division truncates toward zero: round positive ones up
    return static_cast<int32_t>(e.XTop + q);
  }

  // Polygons may not ask for more crossings than this (half as many spans: 32 MiB at most).
  static constexpr int64_t kMaxCrossings = int64_t{1} << 23;

  static TRegion Polygon(std::span<const TPoint> points, TPolyFillMode mode) {
    TRegion r;
    const size_t n = points.size();
    if (n < 2) return r;
    std::vector<Edge> edges;
    edges.reserve(n);
    int32_t yMin = kNoCoord;
    int32_t yMax = -kNoCoord;
    int64_t crossings = 0;
    for (size_t i = 0; i < n; ++i) {
      const TPoint& p0 = points[i == 0 ? n - 1 : i - 1];
      const TPoint& p1 = points[i];
      const int32_t y0 = Clamp(p0.Y), y1 = Clamp(p1.Y);
      if (y0 == y1) continue;
      const bool down = y0 < y1;
      const TPoint& top = down ? p0 : p1;
      const TPoint& bottom = down ? p1 : p0;
      Edge e;
      e.YTop = std::min(y0, y1);
      e.YBottom = std::max(y0, y1);
      e.XTop = Clamp(top.X);
      e.Dx = Clamp(bottom.X) - e.XTop;
      e.Dy = e.YBottom - e.YTop;
      e.Dir = down ? 1 : -1;
      const int32_t rows = std::min(e.YBottom, kMaxScanRow) - std::max(e.YTop, -kMaxScanRow);
      if (rows <= 0) continue;
      crossings += rows;
      if (crossings > kMaxCrossings) {
        throw EOutOfResources(Format("Polygon region too complex (more than %lld edge crossings)",
                                     static_cast<long long>(kMaxCrossings)));
      }
      yMin = std::min(yMin, e.YTop);
      yMax = std::max(yMax, e.YBottom);
      edges.push_back(e);
    }
    if (edges.empty()) return r;
    yMin = std::max(yMin, -kMaxScanRow);
    yMax = std::min(yMax, kMaxScanRow);
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.YTop < b.YTop; });

    struct Crossing {
      int32_t X;
      const Edge* From;
    };
    std::vector<const Edge*> active;
    std::vector<Crossing> row;
    TBandWriter out;
    size_t next = 0;
    for (int32_t y = yMin; y < yMax; ++y) {
      while (next < edges.size() && edges[next].YTop <= y) active.push_back(&edges[next++]);
      std::erase_if(active, [y](const Edge* e) { return e->YBottom <= y; });
      row.clear();
      for (const Edge* e : active) row.push_back({CrossingX(*e, y), e});
      // Insertion sort, and the active edges kept in the sorted order: from one row to the
      // next the order changes only where edges cross or start.
      for (size_t i = 1; i < row.size(); ++i) {
        const Crossing c = row[i];
        size_t j = i;
        for (; j > 0 && row[j - 1].X > c.X; --j) row[j] = row[j - 1];
        row[j] = c;
      }
      for (size_t i = 0; i < row.size(); ++i) active[i] = row[i].From;
      if (mode == WINDING) {
        int32_t winding = 0;
        int32_t start = 0;
        for (const Crossing& c : row) {
          const int32_t before = winding;
          winding += c.From->Dir;
          if (before == 0 && winding != 0) start = c.X;
          else if (before != 0 && winding == 0) out.AddSpan(start, c.X);
        }
      } else {
        for (size_t i = 0; i + 1 < row.size(); i += 2) out.AddSpan(row[i].X, row[i + 1].X);
      }
      out.EndBand(y, y + 1);
    }
    out.MoveTo(r);
    return r;
  }
};

TRegion TRegion::CreateRectRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return TScan::Rect(x1, y1, x2, y2);
}

void TRegion::SetRectRgn(const TRect& r) { TScan::SetRect(*this, r.Left, r.Top, r.Right, r.Bottom); }

TRegion TRegion::CreateRoundRectRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w,
                                    int32_t h) {
  return TScan::RoundRect(x1, y1, x2, y2, w, h);
}

TRegion TRegion::CreateEllipticRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return TScan::RoundRect(x1, y1, x2, y2, int64_t{x2} - x1, int64_t{y2} - y1);
}

TRegion TRegion::CreatePolygonRgn(std::span<const TPoint> points, TPolyFillMode mode) {
  return TScan::Polygon(points, mode);
}

// ---------------------------------------------------------------------------------------------
// Combining: one band operator for AND, OR, XOR and DIFF.

namespace {

// Writes the spans of a row where both operands have spans. Runs of spans of one operand that
// lie wholly in a gap of the other are copied or skipped in one go (binary search plus copy);
// where spans overlap, a sweep over the boundaries of both lists toggles membership and emits
// a span wherever the result switches on and off. So OR-ing a rectangle into a band of many
// spans costs a search and a copy, not a walk over every span.
template <typename Writer, typename SpanT>
void CombineSpans(Writer& out, const SpanT* a, uint32_t na, const SpanT* b, uint32_t nb,
                  unsigned table) {
  const bool keepA = InResult(table, true, false);
  const bool keepB = InResult(table, false, true);
  const uint32_t endA = 2 * na;
  const uint32_t endB = 2 * nb;
  uint32_t i = 0, j = 0;  // boundary indices: even = a span's Left, odd = its Right
  bool inA = false, inB = false, in = false;
  int32_t start = 0;
  for (;;) {
    if (!inA && !inB) {
      if (i == endA) {
        if (keepB) out.AddSpans(b + j / 2, nb - j / 2);
        return;
      }
      if (j == endB) {
        if (keepA) out.AddSpans(a + i / 2, na - i / 2);
        return;
      }
      const SpanT* sa = a + i / 2;
      const SpanT* sb = b + j / 2;
      if (sa->Right <= sb->Left) {
        const int32_t limit = sb->Left;
        const SpanT* stop = std::partition_point(sa, a + na, [limit](const SpanT& s) { return s.Right <= limit; });
        if (keepA) out.AddSpans(sa, static_cast<uint32_t>(stop - sa));
        i = 2 * static_cast<uint32_t>(stop - a);
        continue;
      }
      if (sb->Right <= sa->Left) {
        const int32_t limit = sa->Left;
        const SpanT* stop = std::partition_point(sb, b + nb, [limit](const SpanT& s) { return s.Right <= limit; });
        if (keepB) out.AddSpans(sb, static_cast<uint32_t>(stop - sb));
        j = 2 * static_cast<uint32_t>(stop - b);
        continue;
      }
    }
    const int32_t xa = i < endA ? (i % 2 ? a[i / 2].Right : a[i / 2].Left) : kNoCoord;
    const int32_t xb = j < endB ? (j % 2 ? b[j / 2].Right : b[j / 2].Left) : kNoCoord;
    const int32_t x = std::min(xa, xb);
    if (xa == x) {
      inA = !inA;
      ++i;
    }
    if (xb == x) {
      inB = !inB;
      ++j;
    }
    const bool now = InResult(table, inA, inB);
    if (now != in) {
      if (now) start = x;
      else out.AddSpan(start, x);
      in = now;
    }
  }
}

}  // namespace

TRegionKind TRegion::Combine(TRegion& dest, const TRegion& a, const TRegion& b, TCombineMode mode) {
  unsigned table;
  switch (mode) {
    case RGN_COPY:
      if (&dest != &a) dest = a;
      return dest.Kind();
    case RGN_AND: table = kTableAnd; break;
    case RGN_OR: table = kTableOr; break;
    case RGN_XOR: table = kTableXor; break;
    case RGN_DIFF: table = kTableDiff; break;
    default: return ERROR_REGION;
  }

  // Shortcuts where one operand contributes nothing.
  if (a.IsEmpty() || b.IsEmpty()) {
    const bool keepA = !a.IsEmpty() && InResult(table, true, false);
    const bool keepB = !b.IsEmpty() && InResult(table, false, true);
    if (keepA) {
      if (&dest != &a) dest = a;
    } else if (keepB) {
      if (&dest != &b) dest = b;
    } else {
      dest.FBands.clear();
      dest.FSpans.clear();
    }
    return dest.Kind();
  }

  const bool keepOnlyA = InResult(table, true, false);
  const bool keepOnlyB = InResult(table, false, true);
  TBandWriter out;
  TBandWriter::View va{a.FBands.data(), a.FBands.size(), a.FSpans.data(), 0};
  const TBandWriter::View vb{b.FBands.data(), b.FBands.size(), b.FSpans.data(), 0};
  std::vector<Band> tailBands;
  std::vector<Span> tailSpans;
  size_t keep = 0;
  if (&dest == &a && &dest != &b && keepOnlyA) {
    // Combining into a, the bands of a wholly above b come out unchanged: leave them where
    // they are and rebuild from the first band b can change (OR-ing strips top to bottom
    // then costs the new strip, not the whole region).
    const int32_t bTop = b.FBands.front().Top;
    keep = static_cast<size_t>(
        std::partition_point(a.FBands.begin(), a.FBands.end(), [bTop](const Band& band) { return band.Bottom <= bTop; }) -
        a.FBands.begin());
  }
  if (keep > 0) {
    const uint32_t spanBase = keep < va.Count ? a.FBands[keep].FirstSpan : static_cast<uint32_t>(a.FSpans.size());
    tailBands.assign(a.FBands.begin() + static_cast<ptrdiff_t>(keep), a.FBands.end());
    tailSpans.assign(a.FSpans.begin() + spanBase, a.FSpans.end());
    va = {tailBands.data(), tailBands.size(), tailSpans.data(), spanBase};
    out.Bands = std::move(dest.FBands);
    out.Spans = std::move(dest.FSpans);
    out.Bands.resize(keep);
    out.Spans.resize(spanBase);
    out.BandStart = spanBase;
  } else {
    out.Bands.reserve(va.Count + vb.Count);
    out.Spans.reserve(a.FSpans.size() + b.FSpans.size());
  }

  const size_t na = va.Count;
  const size_t nb = vb.Count;
  size_t ia = 0, ib = 0;
  int32_t y = -kNoCoord;  // rows above y are done
  while (ia < na || ib < nb) {
    if (table == kTableAnd && (ia == na || ib == nb)) break;
    if (table == kTableDiff && ia == na) break;
    // Once one operand is used up, the rest of the other is either copied whole or dropped.
    if (ib == nb && y <= va.Bands[ia].Top) {
      if (keepOnlyA) out.AppendBands(va, ia);
      break;
    }
    if (ia == na && y <= vb.Bands[ib].Top) {
      if (keepOnlyB) out.AppendBands(vb, ib);
      break;
    }
    const Band* ba = ia < na ? &va.Bands[ia] : nullptr;
    const Band* bb = ib < nb ? &vb.Bands[ib] : nullptr;
    const int32_t topA = ba ? std::max(ba->Top, y) : kNoCoord;
    const int32_t topB = bb ? std::max(bb->Top, y) : kNoCoord;
    const int32_t top = std::min(topA, topB);
    const bool inA = topA == top;
    const bool inB = topB == top;
    // The interval ends where either band list changes: the end of an active band or the
    // start of a pending one.
    int32_t bottom = kNoCoord;
    if (ba) bottom = std::min(bottom, inA ? ba->Bottom : ba->Top);
    if (bb) bottom = std::min(bottom, inB ? bb->Bottom : bb->Top);

    if (inA && inB) {
      CombineSpans(out, va.SpansOf(*ba), ba->SpanCount, vb.SpansOf(*bb), bb->SpanCount, table);
    } else if (inA && keepOnlyA) {
      out.AddSpans(va.SpansOf(*ba), ba->SpanCount);
    } else if (inB && keepOnlyB) {
      out.AddSpans(vb.SpansOf(*bb), bb->SpanCount);
    }
    out.EndBand(top, bottom);

    y = bottom;
    if (ba && ba->Bottom <= y) ++ia;
    if (bb && bb->Bottom <= y) ++ib;
  }
  out.MoveTo(dest);
  return dest.Kind();
}

// ---------------------------------------------------------------------------------------------
// Queries.

bool TRegion::IsEmpty() const { return FBands.empty(); }

TRegionKind TRegion::Kind() const {
  if (FBands.empty()) return NULLREGION;
  return FBands.size() == 1 && FSpans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

TRect TRegion::Bounds() const {
  if (FBands.empty()) return TRect{};
  TRect r{kNoCoord, FBands.front().Top, -kNoCoord, FBands.back().Bottom};
  for (const Band& band : FBands) {
    r.Left = std::min(r.Left, FSpans[band.FirstSpan].Left);
    r.Right = std::max(r.Right, FSpans[band.FirstSpan + band.SpanCount - 1].Right);
  }
  return r;
}

bool TRegion::Contains(int32_t x, int32_t y) const {
  const auto band = std::upper_bound(FBands.begin(), FBands.end(), y,
                                     [](int32_t v, const Band& b) { return v < b.Bottom; });
  if (band == FBands.end() || y < band->Top) return false;
  const Span* first = &FSpans[band->FirstSpan];
  const Span* last = first + band->SpanCount;
  const Span* span =
      std::upper_bound(first, last, x, [](int32_t v, const Span& s) { return v < s.Right; });
  return span != last && x >= span->Left;
}

void TRegion::Offset(int32_t dx, int32_t dy) {
  if (FBands.empty() || (dx == 0 && dy == 0)) return;
  const TRect bounds = Bounds();
  const bool fits = int64_t{bounds.Left} + dx >= -kMaxCoord && int64_t{bounds.Right} + dx <= kMaxCoord &&
                    int64_t{bounds.Top} + dy >= -kMaxCoord && int64_t{bounds.Bottom} + dy <= kMaxCoord;
  if (!fits) {
    // Cut away what would leave the coordinate range, then move what is left.
    const TRegion keep = TScan::Rect(int64_t{-kMaxCoord} - dx, int64_t{-kMaxCoord} - dy,
                                     int64_t{kMaxCoord} - dx, int64_t{kMaxCoord} - dy);
    Combine(*this, *this, keep, RGN_AND);
  }
  for (Band& band : FBands) {
    band.Top += dy;
    band.Bottom += dy;
  }
  for (Span& span : FSpans) {
    span.Left += dx;
    span.Right += dx;
  }
}

bool TRegion::operator==(const TRegion& other) const {
  // Spans are contiguous in band order, so FirstSpan follows from the counts.
  return FSpans == other.FSpans &&
         std::equal(FBands.begin(), FBands.end(), other.FBands.begin(), other.FBands.end(),
                    [](const Band& p, const Band& q) {
                      return p.Top == q.Top && p.Bottom == q.Bottom && p.SpanCount == q.SpanCount;
                    });
}

void TRegion::ForEachRect(const std::function<void(const TRect&)>& visit) const {
  for (const Band& band : FBands) {
    for (uint32_t i = 0; i < band.SpanCount; ++i) {
      const Span& s = FSpans[band.FirstSpan + i];
      visit(TRect{s.Left, band.Top, s.Right, band.Bottom});
    }
  }
}

std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> rects;
  rects.reserve(FSpans.size());
  ForEachRect([&rects](const TRect& r) { rects.push_back(r); });
  return rects;
}

int32_t TRegion::RectCount() const { return static_cast<int32_t>(FSpans.size()); }

bool TRegion::CheckInvariants() const {
  size_t nextSpan = 0;
  for (size_t i = 0; i < FBands.size(); ++i) {
    const Band& band = FBands[i];
    if (band.Top >= band.Bottom || band.SpanCount == 0) return false;
    if (band.Top < -kMaxCoord || band.Bottom > kMaxCoord) return false;
    if (band.FirstSpan != nextSpan || band.SpanCount > FSpans.size() - nextSpan) return false;
    for (uint32_t j = 0; j < band.SpanCount; ++j) {
      const Span& s = FSpans[band.FirstSpan + j];
      if (s.Left >= s.Right || s.Left < -kMaxCoord || s.Right > kMaxCoord) return false;
      if (j > 0 && FSpans[band.FirstSpan + j - 1].Right >= s.Left) return false;
    }
    if (i > 0) {
      const Band& prev = FBands[i - 1];
      if (prev.Bottom > band.Top) return false;
      if (prev.Bottom == band.Top && prev.SpanCount == band.SpanCount &&
          std::equal(&FSpans[prev.FirstSpan], &FSpans[prev.FirstSpan] + prev.SpanCount,
                     &FSpans[band.FirstSpan])) {
        return false;
      }
    }
    nextSpan += band.SpanCount;
  }
  return nextSpan == FSpans.size();
}

}  // namespace pictova
