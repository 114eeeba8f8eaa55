// Drawing on a bitmap: brush, pen, fills and the lock that guards composition.
#include "gfx/Canvas.h"

#include "gfx/Bitmap.h"

namespace pictova {

void TCanvas::FillRect(const TRect& rect) {
  if (Brush.Style == bsClear) return;
  const TRect r = IntersectRect(rect, Rect(0, 0, FBitmap->Width(), FBitmap->Height()));
  const TColor c = ColorToRGB(Brush.Color);
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x) FBitmap->SetPixel(x, y, c);
}

}  // namespace pictova
