// Bevels: lowered or raised lines and boxes.
#include "ui/Bevel.h"

namespace pictova {

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBoundsQuietly(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape shape) {
  FShape = shape;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
  FStyle = style;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas& c = Canvas();
  TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  const int32_t w = FWidth, h = FHeight;
  auto line = [&c](TColor color, const TRect& r) {
    c.Brush.Color = color;
    c.Brush.Style = bsSolid;
    c.FillRect(r);
  };
  // A box outline over inclusive corners (l, t)-(r, b): left and top in `a`, right and
  // bottom in `b` (its ends included).
  auto box = [&](int32_t l, int32_t t, int32_t r, int32_t b, TColor a, TColor z) {
    line(a, Rect(l, t, l + 1, b + 1));
    line(a, Rect(l, t, r + 1, t + 1));
    line(z, Rect(r, t, r + 1, b + 1));
    line(z, Rect(l, b, r + 1, b + 1));
  };
  switch (FShape) {
    case bsBox: box(0, 0, w - 1, h - 1, first, second); break;
    case bsFrame:
      box(1, 1, w - 1, h - 1, second, second);
      box(0, 0, w - 2, h - 2, first, first);
      break;
    case bsTopLine:
      line(first, Rect(0, 0, w, 1));
      line(second, Rect(0, 1, w, 2));
      break;
    case bsBottomLine:
      line(first, Rect(0, h - 2, w, h - 1));
      line(second, Rect(0, h - 1, w, h));
      break;
    case bsLeftLine:
      line(first, Rect(0, 0, 1, h));
      line(second, Rect(1, 0, 2, h));
      break;
    case bsRightLine:
      line(first, Rect(w - 2, 0, w - 1, h));
      line(second, Rect(w - 1, 0, w, h));
      break;
    case bsSpacer: break;
  }
}

}  // namespace pictova
