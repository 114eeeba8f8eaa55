// Panels: a bevelled, opaque container with an optional caption.
#include "ui/Panel.h"

#include "gfx/Text.h"
#include "ui/Draw3D.h"

namespace pictova {

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  FControlStyle |= csOpaque | csAcceptsControls;
  FParentColor = false;
  FColor = clBtnFace;
  SetBoundsQuietly(0, 0, 185, 41);
}

void TPanel::Changed() {
  Realign();
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut value) {
  FBevelInner = value;
  Changed();
}
void TPanel::SetBevelOuter(TBevelCut value) {
  FBevelOuter = value;
  Changed();
}
void TPanel::SetBevelWidth(int32_t value) {
  FBevelWidth = std::max(value, 1);
  Changed();
}
void TPanel::SetBorderWidth(int32_t value) {
  FBorderWidth = std::max(value, 0);
  Changed();
}
void TPanel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}

TRect TPanel::AlignRect() const {
  int32_t inset = FBorderWidth;
  if (FBevelOuter != bvNone) inset += FBevelWidth;
  if (FBevelInner != bvNone) inset += FBevelWidth;
  const TRect c = ClientRect();
  return Rect(c.Left + inset, c.Top + inset, c.Right - inset, c.Bottom - inset);
}

void TPanel::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor top = clBtnHighlight, bottom = clBtnShadow;
    if (cut == bvLowered) std::swap(top, bottom);
    if (cut == bvSpace) top = bottom = FColor;
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  };
  bevel(FBevelOuter);
  Frame3D(canvas, r, FColor, FColor, FBorderWidth);
  bevel(FBevelInner);
  canvas.Brush.Color = FColor;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(r);
  if (FCaption.empty()) return;
  canvas.Brush.Style = bsClear;
  const int32_t h = TextHeight(FFont, "W");
  r.Top = (r.Bottom + r.Top - h) / 2;
  r.Bottom = r.Top + h;
  const uint32_t align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  DrawText(canvas, FFont, FCaption, r, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | align);
}

}  // namespace pictova
