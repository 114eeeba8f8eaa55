// Drawing on a bitmap: brush, pen, shapes, bitmap transfers, the clip region and the lock
// that guards composition.
#include "gfx/Canvas.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "gfx/Bitmap.h"
#include "gfx/Stretch.h"

namespace pictova {

namespace {

constexpr int kDashOn = 18, kDashOff = 6;
constexpr int kDotOn = 3, kDotOff = 3;
constexpr int64_t kPatternPeriod = 24;  // a multiple of both patterns' lengths

// Whether pixel number pos along a line is drawn in the pen colour (else it is a gap).
bool PatternOn(TPenStyle style, int64_t pos) {
  switch (style) {
    case psDash: return pos % (kDashOn + kDashOff) < kDashOn;
    case psDot: return pos % (kDotOn + kDotOff) < kDotOn;
    default: return true;
  }
}

// Fills r (inside the bitmap) with one colour.
void FillBitmapRect(TBitmap& bitmap, const TRect& r, TColor color) {
  const TColor c = ColorToRGB(color);
  const uint8_t red = GetRValue(c), green = GetGValue(c), blue = GetBValue(c);
  const size_t rowBytes = static_cast<size_t>(bitmap.RowBytes());
  uint8_t* first = bitmap.Bits() + size_t(r.Top) * rowBytes;
  if (bitmap.PixelFormat() == pf24bit) {
    uint8_t* p = first + 3 * size_t(r.Left);
    for (int32_t x = r.Left; x < r.Right; ++x, p += 3) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
    const size_t bytes = 3 * size_t(r.Right - r.Left);
    for (int32_t y = r.Top + 1; y < r.Bottom; ++y)
      std::memcpy(first + size_t(y - r.Top) * rowBytes + 3 * size_t(r.Left), first + 3 * size_t(r.Left), bytes);
    return;
  }
  const bool white = IsNearerWhite(red, green, blue);
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint8_t* row = first + size_t(y - r.Top) * rowBytes;
    for (int32_t x = r.Left; x < r.Right; ++x) {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (white) row[x >> 3] |= mask;
      else row[x >> 3] &= static_cast<uint8_t>(~mask);
    }
  }
}

// Pixel of a line step i of n steps along the major axis: the minor offset is
// round(i * minor / major). A half goes to the smaller minor coordinate, as GDI draws it:
// away from the start when the line runs towards smaller coordinates (halfUp), towards it
// otherwise. i < major <= 2^32 and minor <= major, so the product fits in 64 unsigned bits.
int64_t MinorOffset(uint64_t i, uint64_t minor, uint64_t major, bool halfUp) {
  const uint64_t product = i * minor;
  uint64_t q = product / major;
  const uint64_t twice = 2 * (product % major);
  if (twice > major || (twice == major && halfUp)) ++q;
  return static_cast<int64_t>(q);
}

// A curved shape's region covering exactly the pixel box [x1, x2) x [y1, y2) (x1 < x2,
// y1 < y2): the platform's rounded-rectangle and elliptic regions leave out the right
// column and the bottom row of the rectangle they are given, so they get one more.
TRegion CurvedRegion(bool ellipse, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t w, int32_t h) {
  auto c = [](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  if (ellipse) return TRegion::CreateEllipticRgn(c(x1), c(y1), c(x2 + 1), c(y2 + 1));
  return TRegion::CreateRoundRectRgn(c(x1), c(y1), c(x2 + 1), c(y2 + 1), w, h);
}

struct TBox {
  int64_t X1, Y1, X2, Y2;
  bool IsEmpty() const { return X1 >= X2 || Y1 >= Y2; }
};

TBox Normalised(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// 64-bit box to a TRect, clamped to the 32-bit range (only ever intersected afterwards).
TRect ToRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  auto c = [](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return {c(x1), c(y1), c(x2), c(y2)};
}

}  // namespace

TCanvas::TCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}

TCanvas::~TCanvas() = default;

TRect TCanvas::BitmapRect() const { return Rect(0, 0, FBitmap->Width(), FBitmap->Height()); }

template <typename Fn>
void TCanvas::ForEachVisible(const TRect& box, Fn&& fill) const {
  const TRect r = IntersectRect(box, BitmapRect());
  if (r.IsEmpty()) return;
  if (!FClipped) {
    fill(r);
    return;
  }
  for (const TRect& clip : FClipRects) {
    const TRect part = IntersectRect(clip, r);
    if (!part.IsEmpty()) fill(part);
  }
}

void TCanvas::FillVisible(const TRect& box, TColor color) {
  ForEachVisible(box, [&](const TRect& r) { FillBitmapRect(*FBitmap, r, color); });
}

void TCanvas::FillRegionColor(const TRegion& region, TColor color) {
  const TRect bounds = region.Bounds();
  if (IntersectRect(bounds, BitmapRect()).IsEmpty()) return;
  region.ForEachRect([&](const TRect& r) { FillVisible(r, color); });
}

bool TCanvas::Visible(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= FBitmap->Width() || y >= FBitmap->Height()) return false;
  return !FClipped || FClip.Contains(x, y);
}

void TCanvas::FillRect(const TRect& rect) {
  if (Brush.Style == bsClear) return;
  FillVisible(rect, Brush.Color);
}

void TCanvas::FrameRect(const TRect& rect) {
  if (Brush.Style == bsClear || rect.IsEmpty()) return;
  const int64_t l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
  FillVisible(ToRect(l, t, r, t + 1), Brush.Color);
  FillVisible(ToRect(l, b - 1, r, b), Brush.Color);
  FillVisible(ToRect(l, t + 1, l + 1, b - 1), Brush.Color);
  FillVisible(ToRect(r - 1, t + 1, r, b - 1), Brush.Color);
}

void TCanvas::FillRgn(const TRegion& region) {
  if (Brush.Style == bsClear) return;
  FillRegionColor(region, Brush.Color);
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const TBox b = Normalised(x1, y1, x2, y2);
  if (b.IsEmpty()) return;
  if (Pen.Style == psClear) {
    if (Brush.Style == bsSolid) FillVisible(ToRect(b.X1, b.Y1, b.X2 - 1, b.Y2 - 1), Brush.Color);
    return;
  }
  if (Brush.Style == bsSolid) FillVisible(ToRect(b.X1 + 1, b.Y1 + 1, b.X2 - 1, b.Y2 - 1), Brush.Color);
  if (Pen.Style == psSolid) {
    FillVisible(ToRect(b.X1, b.Y1, b.X2, b.Y1 + 1), Pen.Color);
    FillVisible(ToRect(b.X1, b.Y2 - 1, b.X2, b.Y2), Pen.Color);
    FillVisible(ToRect(b.X1, b.Y1 + 1, b.X1 + 1, b.Y2 - 1), Pen.Color);
    FillVisible(ToRect(b.X2 - 1, b.Y1 + 1, b.X2, b.Y2 - 1), Pen.Color);
    return;
  }
  // A patterned outline runs clockwise from the top-left corner, so the dashes are counted
  // along the perimeter. Boxes one pixel wide or high are a single line.
  const int32_t l = static_cast<int32_t>(b.X1), t = static_cast<int32_t>(b.Y1);
  const int64_t r = b.X2 - 1, bottom = b.Y2 - 1;
  const int64_t savedPattern = FPatternPos;
  FPatternPos = 0;
  if (r == l && bottom == t) {
    PlotLinePixel(l, t);
  } else if (r == l || bottom == t) {
    DrawLine(l, t, static_cast<int32_t>(r == l ? l : r + 1), static_cast<int32_t>(bottom == t ? t : bottom + 1));
  } else {
    const int32_t ri = static_cast<int32_t>(r), bi = static_cast<int32_t>(bottom);
    DrawLine(l, t, ri, t);
    DrawLine(ri, t, ri, bi);
    DrawLine(ri, bi, l, bi);
    DrawLine(l, bi, l, t);
  }
  FPatternPos = savedPattern;
}

void TCanvas::OutlineShape(const TRegion& shape) {
  // The outline is every pixel of the shape with a horizontal or vertical neighbour outside
  // it; the rest is filled. So the outline is a closed one-pixel curve and the brush never
  // touches the background, however flat the shape.
  TRegion inner = shape;
  for (const TPoint step : {TPoint{1, 0}, TPoint{-1, 0}, TPoint{0, 1}, TPoint{0, -1}}) {
    TRegion shifted = shape;
    shifted.Offset(step.X, step.Y);
    inner.CombineWith(shifted, RGN_AND);
  }
  if (Brush.Style == bsSolid) FillRegionColor(inner, Brush.Color);
  TRegion ring;
  TRegion::Combine(ring, shape, inner, RGN_DIFF);
  if (Pen.Style == psSolid) {
    FillRegionColor(ring, Pen.Color);
    return;
  }
  // Patterned: the dashes are measured along the outline by the angle around the centre,
  // scaled to the mean radius, which approximates the arc length.
  const TRect bounds = shape.Bounds();
  const double cx = (double(bounds.Left) + double(bounds.Right)) / 2;
  const double cy = (double(bounds.Top) + double(bounds.Bottom)) / 2;
  const double radius = (double(bounds.Right) - bounds.Left + double(bounds.Bottom) - bounds.Top) / 4;
  ring.ForEachRect([&](const TRect& part) {
    ForEachVisible(part, [&](const TRect& r) {
      for (int32_t y = r.Top; y < r.Bottom; ++y)
        for (int32_t x = r.Left; x < r.Right; ++x) {
          double angle = std::atan2(y + 0.5 - cy, x + 0.5 - cx);
          if (angle < 0) angle += 2 * std::numbers::pi;
          const auto pos = static_cast<int64_t>(angle * radius);
          if (PatternOn(Pen.Style, pos)) FBitmap->SetPixel(x, y, Pen.Color);
          else if (Brush.Style == bsSolid) FBitmap->SetPixel(x, y, Brush.Color);
        }
    });
  });
}

void TCanvas::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h) {
  const TBox b = Normalised(x1, y1, x2, y2);
  if (b.IsEmpty()) return;
  w = w == INT32_MIN ? INT32_MAX : std::abs(w);
  h = h == INT32_MIN ? INT32_MAX : std::abs(h);
  if (Pen.Style == psClear) {
    if (Brush.Style == bsSolid) FillRegionColor(CurvedRegion(false, b.X1, b.Y1, b.X2 - 1, b.Y2 - 1, w, h), Brush.Color);
    return;
  }
  OutlineShape(CurvedRegion(false, b.X1, b.Y1, b.X2, b.Y2, w, h));
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const TBox b = Normalised(x1, y1, x2, y2);
  if (b.IsEmpty()) return;
  if (Pen.Style == psClear) {
    if (Brush.Style == bsSolid) FillRegionColor(CurvedRegion(true, b.X1, b.Y1, b.X2 - 1, b.Y2 - 1, 0, 0), Brush.Color);
    return;
  }
  OutlineShape(CurvedRegion(true, b.X1, b.Y1, b.X2, b.Y2, 0, 0));
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2) return;
  if (Brush.Style == bsSolid) FillRegionColor(TRegion::CreatePolygonRgn(points, ALTERNATE), Brush.Color);
  if (Pen.Style == psClear) return;
  const int64_t savedPattern = FPatternPos;
  FPatternPos = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % points.size()];
    DrawLine(a.X, a.Y, b.X, b.Y);
  }
  FPatternPos = savedPattern;
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
  FPenPos = {x, y};
  FPatternPos = 0;
}

void TCanvas::LineTo(int32_t x, int32_t y) {
  if (Pen.Style != psClear) DrawLine(FPenPos.X, FPenPos.Y, x, y);
  FPenPos = {x, y};
}

void TCanvas::PlotLinePixel(int32_t x, int32_t y) {
  const bool on = PatternOn(Pen.Style, FPatternPos++);
  if (!Visible(x, y)) return;
  if (on) FBitmap->SetPixel(x, y, Pen.Color);
  else if (Brush.Style == bsSolid) FBitmap->SetPixel(x, y, Brush.Color);
}

void TCanvas::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const uint64_t major = static_cast<uint64_t>(xMajor ? std::abs(dx) : std::abs(dy));
  const uint64_t minor = static_cast<uint64_t>(xMajor ? std::abs(dy) : std::abs(dx));
  if (major == 0) return;
  const int64_t majorStart = xMajor ? x0 : y0, minorStart = xMajor ? y0 : x0;
  const int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int64_t minorStep = (xMajor ? dy : dx) >= 0 ? 1 : -1;
  const int64_t majorSize = xMajor ? FBitmap->Width() : FBitmap->Height();

  // Only the steps whose major coordinate falls inside the bitmap are visited; the pattern
  // position still advances over the whole line so clipping never shifts the dashes.
  int64_t first, last;  // steps [first, last)
  if (majorStep > 0) {
    first = std::max<int64_t>(0, -majorStart);
    last = std::min<int64_t>(int64_t(major), majorSize - majorStart);
  } else {
    first = std::max<int64_t>(0, majorStart - (majorSize - 1));
    last = std::min<int64_t>(int64_t(major), majorStart + 1);
  }
  const int64_t patternBase = FPatternPos;
  for (int64_t i = first; i < last; ++i) {
    const int64_t mj = majorStart + majorStep * i;
    const int64_t mn = minorStart + minorStep * MinorOffset(uint64_t(i), minor, major, minorStep < 0);
    const int64_t x = xMajor ? mj : mn, y = xMajor ? mn : mj;
    if (x < 0 || y < 0 || x >= FBitmap->Width() || y >= FBitmap->Height()) continue;
    FPatternPos = patternBase + i;
    PlotLinePixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
  }
  FPatternPos = (patternBase + int64_t(major % kPatternPeriod)) % kPatternPeriod;
}

TColor TCanvas::Pixel(int32_t x, int32_t y) const { return FBitmap->Pixel(x, y); }

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
  if (Visible(x, y)) FBitmap->SetPixel(x, y, color);
}

void TCanvas::Draw(int32_t x, int32_t y, const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  // Nothing at or beyond the right or bottom edge is visible; checking first also keeps
  // x + width inside 32 bits.
  if (x >= FBitmap->Width() || y >= FBitmap->Height()) return;
  graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
  StretchBlt(dest, *source.Bitmap(), sourceRect);
}

void TCanvas::BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& source, int32_t sx, int32_t sy) {
  StretchBlt(x, y, w, h, source, sx, sy, w, h);
}

void TCanvas::StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& source, int32_t sx,
                         int32_t sy, int32_t sw, int32_t sh) {
  if (!FClipped) {
    StretchCopy(*FBitmap, x, y, w, h, source, sx, sy, sw, sh);
    return;
  }
  const std::span<const TRect> clip(FClipRects);
  StretchCopy(*FBitmap, x, y, w, h, source, sx, sy, sw, sh, &clip);
}

void TCanvas::StretchBlt(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
  const int64_t w = int64_t{dest.Right} - dest.Left, h = int64_t{dest.Bottom} - dest.Top;
  const int64_t sw = int64_t{sourceRect.Right} - sourceRect.Left;
  const int64_t sh = int64_t{sourceRect.Bottom} - sourceRect.Top;
  for (int64_t v : {w, h, sw, sh})
    if (v < INT32_MIN || v > INT32_MAX) return;
  StretchBlt(dest.Left, dest.Top, int32_t(w), int32_t(h), source, sourceRect.Left, sourceRect.Top, int32_t(sw),
             int32_t(sh));
}

void TCanvas::ClipChanged() {
  FClipped = true;
  FClipRects.clear();
  FClip.ForEachRect([this](const TRect& r) { FClipRects.push_back(r); });
}

void TCanvas::SelectClipRgn(const TRegion* region) {
  if (!region) {
    FClipped = false;
    FClipRects.clear();
    return;
  }
  if (region != &FClip) FClip = *region;  // copied into the storage FClip has
  ClipChanged();
}

TRegionKind TCanvas::IntersectClipRgn(const TRegion& region) {
  if (FClipped) {
    TRegion::Combine(FClipScratch, FClip, region, RGN_AND);
    std::swap(FClip, FClipScratch);
  } else if (&region != &FClip) {
    FClip = region;
  }
  ClipChanged();
  return FClip.Kind();
}

TRegionKind TCanvas::IntersectClipRect(const TRect& rect) {
  FClipScratch.SetRectRgn(rect);
  if (FClipped) {
    TRegion::Combine(FClip, FClip, FClipScratch, RGN_AND);
  } else {
    std::swap(FClip, FClipScratch);
  }
  ClipChanged();
  return FClip.Kind();
}

TRect TCanvas::ClipRect() const {
  if (!FClipped) return BitmapRect();
  return IntersectRect(FClip.Bounds(), BitmapRect());
}

}  // namespace pictova
