// The classic 3-D look: bevel frames, button faces, sunken borders, focus rectangles.
#include "ui/Draw3D.h"

#include "gfx/Bitmap.h"
#include "gfx/Text.h"

namespace pictova {
namespace {

void Line(TCanvas& canvas, const TRect& r, TColor color) {
  canvas.Brush.Color = color;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(r);
}

}  // namespace

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int32_t width) {
  const TBrush keep = canvas.Brush;
  // Inclusive corners of the current ring.
  int32_t l = rect.Left, t = rect.Top, r = rect.Right - 1, b = rect.Bottom - 1;
  for (int32_t i = 0; i < width && l <= r && t <= b; ++i) {
    Line(canvas, Rect(l, t, l + 1, b), topColor);         // left edge, corner at bottom excluded
    Line(canvas, Rect(l, t, r, t + 1), topColor);         // top edge, corner at right excluded
    Line(canvas, Rect(r, t, r + 1, b + 1), bottomColor);  // right edge with both corners
    Line(canvas, Rect(l, b, r + 1, b + 1), bottomColor);  // bottom edge
    ++l;
    ++t;
    --r;
    --b;
  }
  canvas.Brush = keep;
  rect = Rect(rect.Left + width, rect.Top + width, rect.Right - width, rect.Bottom - width);
}

void DrawSunkenBorder(TCanvas& canvas, TRect& rect) {
  Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, 1);
  Frame3D(canvas, rect, cl3DDkShadow, cl3DLight, 1);
}

void DrawButtonFace(TCanvas& canvas, TRect& rect, bool pressed, bool isDefault, TColor face) {
  if (isDefault) Frame3D(canvas, rect, clWindowFrame, clWindowFrame, 1);
  if (pressed) {
    Frame3D(canvas, rect, clBtnShadow, clBtnShadow, 1);
  } else {
    Frame3D(canvas, rect, clBtnHighlight, cl3DDkShadow, 1);
    Frame3D(canvas, rect, cl3DLight, clBtnShadow, 1);
  }
  const TBrush keep = canvas.Brush;
  Line(canvas, rect, face);
  canvas.Brush = keep;
}

void DrawFocusRect(TCanvas& canvas, const TRect& rect) {
  if (rect.IsEmpty()) return;
  auto invert = [&canvas](int32_t x, int32_t y) { canvas.SetPixel(x, y, canvas.Pixel(x, y) ^ 0xFFFFFF); };
  // The dots run around the outline, one on and one off, starting on the top-left pixel.
  int32_t n = 0;
  for (int32_t x = rect.Left; x < rect.Right; ++x, ++n)
    if (n % 2 == 0) invert(x, rect.Top);
  for (int32_t y = rect.Top + 1; y < rect.Bottom; ++y, ++n)
    if (n % 2 == 0) invert(rect.Right - 1, y);
  for (int32_t x = rect.Right - 2; x >= rect.Left && rect.Bottom - 1 > rect.Top; --x, ++n)
    if (n % 2 == 0) invert(x, rect.Bottom - 1);
  for (int32_t y = rect.Bottom - 2; y > rect.Top && rect.Right - 1 > rect.Left; --y, ++n)
    if (n % 2 == 0) invert(rect.Left, y);
}

void DrawDisabledText(TCanvas& canvas, const TFont& font, const std::string& text, TRect rect, uint32_t format) {
  TFont f = font;
  f.SetColor(clBtnHighlight);
  TRect shifted = OffsetRect(rect, 1, 1);
  DrawText(canvas, f, text, shifted, format);
  f.SetColor(clBtnShadow);
  DrawText(canvas, f, text, rect, format);
}

}  // namespace pictova
