// Cross-check of our graphics rules against the system's GDI: the same regions (rectangle,
// rounded rectangle, ellipse, polygon under both fill modes) filled into a DIB section and
// into our bitmap, and the same colour-on-colour stretch copies (mirrored ones and ones
// partly outside either bitmap), compared pixel by pixel over a matrix of sizes. Each family
// prints how many cases it ran and how many differed, with the first differences in detail.
#include "platform/win32/Win32Api.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Region.h"
#include "platform/win32/GdiDib.h"

namespace pictova {
namespace {

// Counts cases and differences of one family and keeps the first few descriptions. A
// difference in a class of cases where Wine is judged wrong (see the tests) is counted
// apart and does not fail the test.
struct TTally {
  const char* Family;
  int Cases = 0;
  int Differ = 0;
  int WineWrong = 0;
  std::vector<std::string> Examples;

  void Add(bool same, const std::string& what, bool wineWrong = false) {
    ++Cases;
    if (same) return;
    ++Differ;
    if (wineWrong) ++WineWrong;
    if (Examples.size() < 6 || std::getenv("PICTOVA_ALL_DIFFS")) Examples.push_back((wineWrong ? "[wine] " : "") + what);
  }
  int Unexplained() const { return Differ - WineWrong; }
  ~TTally() {
    std::printf("[cross-check] %-36s %6d cases, %4d differ (%d where Wine is judged wrong)\n", Family, Cases, Differ,
                WineWrong);
    for (const std::string& e : Examples) std::printf("    %s\n", e.c_str());
  }
};

constexpr int32_t kCanvas = 112;  // bitmap side for the region cases
constexpr int32_t kOrigin = 8;    // where the shapes start (a few cases move them outside)

// Fills `gdiRegion` with white into a black DIB and `ours` into a black TBitmap; returns
// a description of the first differing pixels ("" when they agree).
std::string CompareFill(HRGN gdiRegion, const TRegion& ours) {
  TDib dib(kCanvas, kCanvas);
  for (int32_t y = 0; y < kCanvas; ++y) std::memset(dib.Row(y), 0, static_cast<size_t>(dib.RowBytes()));
  ::FillRgn(dib.DC(), gdiRegion, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  TBitmap bmp(kCanvas, kCanvas);
  bmp.Canvas().Brush.Color = clWhite;
  bmp.Canvas().FillRgn(ours);
  std::string diff;
  int count = 0;
  for (int32_t y = 0; y < kCanvas; ++y) {
    const uint8_t* g = dib.Row(y);
    const uint8_t* o = bmp.ScanLine(y);
    for (int32_t x = 0; x < kCanvas; ++x) {
      const bool gi = g[3 * x] != 0, oi = o[3 * x] != 0;
      if (gi == oi) continue;
      if (++count <= 4) diff += " (" + std::to_string(x) + "," + std::to_string(y) + (gi ? " gdi" : " ours") + ")";
    }
  }
  if (count > 4) diff += " ... " + std::to_string(count) + " pixels";
  return diff;
}

std::string Box(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return "(" + std::to_string(x1) + "," + std::to_string(y1) + "," + std::to_string(x2) + "," + std::to_string(y2) + ")";
}

const std::vector<int32_t> kSides = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 20, 23, 31, 32, 33, 47, 64, 90};

TEST(GdiCrossCheck, RectangleRegions) {
  TTally tally{"rectangle regions"};
  for (int32_t w : kSides)
    for (int32_t h : kSides) {
      // Normal corners, swapped corners, and a rectangle hanging over the top-left edge.
      const int32_t cases[3][4] = {{kOrigin, kOrigin, kOrigin + w, kOrigin + h},
                                   {kOrigin + w, kOrigin + h, kOrigin, kOrigin},
                                   {-w / 2, -h / 3, -w / 2 + w, -h / 3 + h}};
      for (const auto& c : cases) {
        const HRGN g = ::CreateRectRgn(c[0], c[1], c[2], c[3]);
        const std::string d = CompareFill(g, TRegion::CreateRectRgn(c[0], c[1], c[2], c[3]));
        ::DeleteObject(g);
        tally.Add(d.empty(), "CreateRectRgn" + Box(c[0], c[1], c[2], c[3]) + d);
      }
    }
  EXPECT_EQ(tally.Unexplained(), 0);
}

// Wine's rounded-rectangle scan (a midpoint ellipse walk from the middle row outwards) stops
// once it has crossed half the corner's width; for corners much taller than wide that is
// before the last rows, which it then leaves as they came from the allocator (often empty,
// sometimes garbage far outside the shape). Ours continues those rows at the last inset. The
// same walk, to recognise the cases.
bool WineLeavesRowsUnset(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h) {
  const int64_t width = std::abs(int64_t{x2} - x1) - 1, height = std::abs(int64_t{y2} - y1) - 1;
  const int64_t ew = std::min<int64_t>(width, std::abs(w)), eh = std::min<int64_t>(height, std::abs(h));
  if (ew < 2 || eh < 2) return false;
  const int64_t a = ew - 1, b = eh - 1, asq = 8 * a * a, bsq = 8 * b * b;
  int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + (b % 2)), err = dx + dy + a * a * (b % 2);
  int64_t x = 0, y = eh / 2;
  while (x <= ew / 2) {
    const int64_t e2 = 2 * err;
    if (e2 >= dx) {
      ++x;
      err += dx += bsq;
    }
    if (e2 <= dy) {
      ++y;
      err += dy += asq;
    }
  }
  return y < eh - 1;
}

// Wine turns a rounded rectangle or ellipse of zero width or height into a one-pixel line
// left of or above it (it subtracts one from the right and bottom before it normalises the
// empty rectangle). Ours stays empty: the shape covers no pixel.
bool ZeroSized(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { return x1 == x2 || y1 == y2; }

TEST(GdiCrossCheck, RoundRectAndEllipticRegions) {
  TTally round{"rounded-rectangle regions"};
  TTally ellipse{"elliptic regions"};
  const std::vector<int32_t> corners = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 15, 16, 20, 25, 33, 40, 64, 100};
  for (int32_t w : kSides)
    for (int32_t h : kSides) {
      const int32_t x1 = kOrigin, y1 = kOrigin, x2 = kOrigin + w, y2 = kOrigin + h;
      for (int32_t cw : corners)
        for (int32_t ch : {cw, cw / 2, cw + 3, 2 * cw + 1}) {
          const HRGN g = ::CreateRoundRectRgn(x1, y1, x2, y2, cw, ch);
          const std::string d = CompareFill(g, TRegion::CreateRoundRectRgn(x1, y1, x2, y2, cw, ch));
          ::DeleteObject(g);
          round.Add(d.empty(),
                    "CreateRoundRectRgn" + Box(x1, y1, x2, y2) + " corner " + std::to_string(cw) + "x" +
                        std::to_string(ch) + d,
                    ZeroSized(x1, y1, x2, y2) || WineLeavesRowsUnset(x1, y1, x2, y2, cw, ch));
        }
      // Swapped corners of a rounded rectangle.
      const HRGN g = ::CreateRoundRectRgn(x2, y2, x1, y1, 9, 7);
      const std::string d = CompareFill(g, TRegion::CreateRoundRectRgn(x2, y2, x1, y1, 9, 7));
      ::DeleteObject(g);
      round.Add(d.empty(), "CreateRoundRectRgn" + Box(x2, y2, x1, y1) + " corner 9x7" + d,
                ZeroSized(x1, y1, x2, y2) || WineLeavesRowsUnset(x2, y2, x1, y1, 9, 7));

      const HRGN e = ::CreateEllipticRgn(x1, y1, x2, y2);
      const std::string de = CompareFill(e, TRegion::CreateEllipticRgn(x1, y1, x2, y2));
      ::DeleteObject(e);
      ellipse.Add(de.empty(), "CreateEllipticRgn" + Box(x1, y1, x2, y2) + de,
                  ZeroSized(x1, y1, x2, y2) || WineLeavesRowsUnset(x1, y1, x2, y2, w, h));
    }
  EXPECT_EQ(round.Unexplained(), 0);
  EXPECT_EQ(ellipse.Unexplained(), 0);
}

// A small linear congruential generator, so the polygons are the same on every run.
struct TLcg {
  uint32_t State;
  int32_t Next(int32_t n) {
    State = State * 1664525u + 1013904223u;
    return static_cast<int32_t>((State >> 8) % static_cast<uint32_t>(n));
  }
};

TEST(GdiCrossCheck, PolygonRegionsInBothFillModes) {
  TTally winding{"polygon regions, WINDING"};
  TTally alternate{"polygon regions, ALTERNATE"};
  TLcg rng{12345};
  std::vector<std::vector<TPoint>> polygons;
  // Axis-aligned rectangles and triangles with every slope sign, then random polygons of
  // three to nine points (self-intersecting ones included), over growing boxes.
  for (int32_t s : {1, 2, 3, 5, 8, 13, 21, 34, 55, 89}) {
    polygons.push_back({{kOrigin, kOrigin}, {kOrigin + s, kOrigin}, {kOrigin + s, kOrigin + s}, {kOrigin, kOrigin + s}});
    polygons.push_back({{kOrigin, kOrigin}, {kOrigin + s, kOrigin + s / 2}, {kOrigin + s / 3, kOrigin + s}});
    polygons.push_back({{kOrigin + s, kOrigin}, {kOrigin + s, kOrigin + s}, {kOrigin, kOrigin + s / 2}});
    // A five-pointed star: its centre is inside under WINDING only.
    polygons.push_back({{kOrigin + s / 2, kOrigin}, {kOrigin + s * 4 / 5, kOrigin + s},
                        {kOrigin, kOrigin + s * 3 / 8}, {kOrigin + s, kOrigin + s * 3 / 8},
                        {kOrigin + s / 5, kOrigin + s}});
  }
  for (int32_t i = 0; i < 400; ++i) {
    const int32_t side = 2 + rng.Next(95);
    const int32_t n = 3 + rng.Next(7);
    std::vector<TPoint> p;
    for (int32_t k = 0; k < n; ++k) p.push_back({kOrigin - 4 + rng.Next(side), kOrigin - 4 + rng.Next(side)});
    polygons.push_back(p);
  }
  for (const std::vector<TPoint>& p : polygons) {
    std::vector<POINT> gp;
    std::string text = "CreatePolygonRgn{";
    for (const TPoint& q : p) {
      gp.push_back({q.X, q.Y});
      text += "(" + std::to_string(q.X) + "," + std::to_string(q.Y) + ")";
    }
    text += "}";
    for (TPolyFillMode mode : {WINDING, ALTERNATE}) {
      const HRGN g = ::CreatePolygonRgn(gp.data(), static_cast<int>(gp.size()), mode);
      const std::string d = CompareFill(g, TRegion::CreatePolygonRgn(p, mode));
      ::DeleteObject(g);
      (mode == WINDING ? winding : alternate).Add(d.empty(), text + d);
    }
  }
  EXPECT_EQ(winding.Unexplained(), 0);
  EXPECT_EQ(alternate.Unexplained(), 0);
}

// One-pixel solid lines in every direction from a centre, ties included (the exact line
// passing half-way between two pixels), drawn by GDI's LineTo and by ours.
TEST(GdiCrossCheck, SolidLinesInEveryDirection) {
  TTally tally{"solid lines"};
  constexpr int32_t kSide = 64, kC = 32;
  for (int32_t dx = -25; dx <= 25; ++dx)
    for (int32_t dy = -25; dy <= 25; ++dy) {
      if (dx == 0 && dy == 0) continue;
      TDib dib(kSide, kSide);
      for (int32_t y = 0; y < kSide; ++y) std::memset(dib.Row(y), 0, static_cast<size_t>(dib.RowBytes()));
      const HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
      const HGDIOBJ old = ::SelectObject(dib.DC(), pen);
      ::MoveToEx(dib.DC(), kC, kC, nullptr);
      ::LineTo(dib.DC(), kC + dx, kC + dy);
      ::SelectObject(dib.DC(), old);
      ::DeleteObject(pen);
      TBitmap bmp(kSide, kSide);
      bmp.Canvas().Pen.Color = clWhite;
      bmp.Canvas().MoveTo(kC, kC);
      bmp.Canvas().LineTo(kC + dx, kC + dy);
      std::string diff;
      int count = 0;
      for (int32_t y = 0; y < kSide; ++y) {
        const uint8_t* g = dib.Row(y);
        const uint8_t* o = bmp.ScanLine(y);
        for (int32_t x = 0; x < kSide; ++x) {
          const bool gi = g[3 * x] != 0, oi = o[3 * x] != 0;
          if (gi == oi) continue;
          if (++count <= 4) diff += " (" + std::to_string(x - kC) + "," + std::to_string(y - kC) + (gi ? " gdi" : " ours") + ")";
        }
      }
      tally.Add(count == 0, "LineTo(" + std::to_string(dx) + "," + std::to_string(dy) + ")" + diff);
    }
  EXPECT_EQ(tally.Unexplained(), 0);
}

// Source pixels carry their coordinates (red = x, green = y), so a wrong pick shows.
TBitmap Pattern(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 0x80));
  return b;
}

constexpr TColor kUntouched = RGB(1, 2, 3);

// One StretchBlt through GDI (COLORONCOLOR) and through TCanvas; "" when they agree.
// onlyGdiWrote (if given) tells whether every differing pixel is one that GDI wrote and we
// left alone.
std::string CompareStretch(const TBitmap& source, int32_t dw, int32_t dh, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t sx, int32_t sy, int32_t sw, int32_t sh, bool* onlyGdiWrote = nullptr) {
  TDib src(source.Width(), source.Height());
  src.CopyFrom(source);
  TBitmap ours(dw, dh);
  ours.Canvas().Brush.Color = kUntouched;
  ours.Canvas().FillRect(Rect(0, 0, dw, dh));
  TDib dst(dw, dh);
  dst.CopyFrom(ours);
  ::SetStretchBltMode(dst.DC(), COLORONCOLOR);
  ::StretchBlt(dst.DC(), x, y, w, h, src.DC(), sx, sy, sw, sh, SRCCOPY);
  ours.Canvas().StretchBlt(x, y, w, h, source, sx, sy, sw, sh);
  std::string diff;
  int count = 0;
  if (onlyGdiWrote != nullptr) *onlyGdiWrote = true;
  for (int32_t yy = 0; yy < dh; ++yy) {
    const uint8_t* g = dst.Row(yy);
    const uint8_t* o = ours.ScanLine(yy);
    for (int32_t xx = 0; xx < dw; ++xx) {
      if (std::memcmp(g + 3 * xx, o + 3 * xx, 3) == 0) continue;
      if (onlyGdiWrote != nullptr && ours.Pixel(xx, yy) != kUntouched) *onlyGdiWrote = false;
      auto name = [](const uint8_t* p) {
        if (p[0] == 3 && p[1] == 2 && p[2] == 1) return std::string("-");
        return std::to_string(p[2]) + "/" + std::to_string(p[1]);
      };
      if (++count <= 4)
        diff += " [" + std::to_string(xx) + "," + std::to_string(yy) + " gdi " + name(g + 3 * xx) + " ours " +
                name(o + 3 * xx) + "]";
    }
  }
  if (count > 4) diff += " ... " + std::to_string(count) + " pixels";
  return diff;
}

std::string StretchText(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  return "StretchBlt(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
         std::to_string(h) + " <- " + std::to_string(sx) + "," + std::to_string(sy) + "," + std::to_string(sw) + "," +
         std::to_string(sh) + ")";
}

const std::vector<int32_t> kStretchSides = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 16, 17, 24, 31, 40};

TEST(GdiCrossCheck, StretchCopiesColourOnColour) {
  TTally plain{"stretch copies"};
  TTally mirrored{"stretch copies, mirrored"};
  const size_t n = kStretchSides.size();
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < n; ++j) {
      // Width and height scale differently (the heights take the sides in reverse order).
      const int32_t sw = kStretchSides[i], sh = kStretchSides[n - 1 - i];
      const int32_t dw = kStretchSides[j], dh = kStretchSides[n - 1 - j];
      const TBitmap source = Pattern(sw + 4, sh + 4);
      const int32_t side = std::max(dw, dh) + 8;
      const std::string d = CompareStretch(source, side, side, 3, 4, dw, dh, 2, 1, sw, sh);
      plain.Add(d.empty(), StretchText(3, 4, dw, dh, 2, 1, sw, sh) + d);
      // Mirrors: a negative extent counts from its start pixel backwards, on either side.
      const int32_t m[4][8] = {
          {3 + dw - 1, 4, -dw, dh, 2, 1, sw, sh},            // destination mirrored left-right
          {3, 4 + dh - 1, dw, -dh, 2, 1, sw, sh},            // destination upside down
          {3, 4, dw, dh, 2 + sw - 1, 1 + sh - 1, -sw, -sh},  // source both ways
          {3 + dw - 1, 4, -dw, dh, 2 + sw - 1, 1, -sw, sh},  // both mirrored: no mirror
      };
      for (const auto& c : m) {
        const std::string dm = CompareStretch(source, side, side, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        mirrored.Add(dm.empty(), StretchText(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]) + dm);
      }
    }
  // Unequal scales on the two axes.
  for (int32_t sw : kStretchSides)
    for (int32_t dh : kStretchSides) {
      const TBitmap source = Pattern(sw + 2, 13);
      const std::string d = CompareStretch(source, 48, 48, 1, 2, 21, dh, 1, 0, sw, 13);
      plain.Add(d.empty(), StretchText(1, 2, 21, dh, 1, 0, sw, 13) + d);
    }
  EXPECT_EQ(plain.Unexplained(), 0);
  EXPECT_EQ(mirrored.Unexplained(), 0);
}

TEST(GdiCrossCheck, StretchCopiesPartlyOutsideEitherBitmap) {
  TTally destOut{"stretch, destination partly outside"};
  TTally srcOut{"stretch, source partly outside"};
  for (int32_t sw : kStretchSides)
    for (int32_t dw : kStretchSides) {
      const TBitmap source = Pattern(sw, sw);
      // The destination hangs over the left/top and the right/bottom edges of a 24 x 24 bitmap.
      for (int32_t off : {-dw / 2 - 1, 24 - dw / 2}) {
        const std::string d = CompareStretch(source, 24, 24, off, off / 2, dw, dw, 0, 0, sw, sw);
        destOut.Add(d.empty(), StretchText(off, off / 2, dw, dw, 0, 0, sw, sw) + d);
        const std::string dm = CompareStretch(source, 24, 24, off + dw - 1, off / 2, -dw, dw, 0, 0, sw, sw);
        destOut.Add(dm.empty(), StretchText(off + dw - 1, off / 2, -dw, dw, 0, 0, sw, sw) + dm);
      }
      // The source rectangle reaches past the source bitmap on one side. Where it runs past
      // the right edge, Wine's line clipping ends the walk on the last source column inside
      // the bitmap and gives that column one destination column more than the walk itself
      // would (the left edge shows no such thing). Ours writes no destination pixel whose
      // source pixel is outside: judged an artefact of Wine's clipping.
      for (int32_t soff : {-sw / 2 - 1, sw / 2 + 1}) {
        bool extra = false;
        const std::string d = CompareStretch(source, 48, 48, 4, 4, dw, dw, soff, 0, sw, sw, &extra);
        srcOut.Add(d.empty(), StretchText(4, 4, dw, dw, soff, 0, sw, sw) + d, soff > 0 && extra);
      }
    }
  EXPECT_EQ(destOut.Unexplained(), 0);
  EXPECT_EQ(srcOut.Unexplained(), 0);
}

}  // namespace
}  // namespace pictova
