// Labels: text on the parent, optionally auto-sized, wrapped and transparent.
#include "ui/Label.h"

#include "gfx/Text.h"
#include "ui/Draw3D.h"
#include "ui/Form.h"

namespace pictova {

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  FControlStyle |= csOpaque;
  SetBoundsQuietly(0, 0, 65, 17);
}

void TLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  AdjustBounds();
}
void TLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetTransparent(bool value) {
  if (value == Transparent()) return;
  if (value) {
    FControlStyle &= ~csOpaque;
  } else {
    FControlStyle |= csOpaque;
  }
  Invalidate();
}
void TLabel::SetShowAccelChar(bool value) {
  if (value == FShowAccelChar) return;
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}
void TLabel::SetLayout(TTextLayout value) {
  FLayout = value;
  Invalidate();
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (FFocusControl != nullptr) RemoveFreeNotification(FFocusControl);
  FFocusControl = control;
  if (control != nullptr) FreeNotification(control);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::TextChanged() {
  Invalidate();
  AdjustBounds();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

int32_t TLabel::DoDrawText(TRect& rect, uint32_t flags) {
  std::string text = FCaption;
  // Measuring an empty caption (or a lone "&") measures one blank, so that an empty label
  // is still one line high.
  if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += ' ';
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  if (flags & DT_CALCRECT) return MeasureText(FFont, text, rect, flags);
  TCanvas& canvas = Canvas();
  if (!FEnabled) {
    DrawDisabledText(canvas, FFont, text, rect, flags);
    return rect.Height();
  }
  return DrawText(canvas, FFont, text, rect, flags);
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || IsLoading()) return;
  TRect r = ClientRect();
  DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
  int32_t x = FLeft;
  if (FAlignment == taRightJustify) x += FWidth - r.Right;
  SetBounds(x, FTop, r.Right, r.Bottom);
}

void TLabel::Paint() {
  TCanvas& canvas = Canvas();
  if (!Transparent()) {
    canvas.Brush.Color = FColor;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(ClientRect());
  }
  canvas.Brush.Style = bsClear;
  const uint32_t align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  const uint32_t flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | align;
  TRect r = ClientRect();
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    const int32_t h = calc.Height();
    r.Top = FLayout == tlBottom ? r.Bottom - h : r.Top + (r.Height() - h) / 2;
  }
  DoDrawText(r, flags);
}

bool TLabel::DialogChar(char key) {
  if (FFocusControl == nullptr || !FEnabled || !FShowAccelChar || !IsAccel(key, FCaption)) return false;
  if (!FFocusControl->CanFocus()) return false;
  FFocusControl->SetFocus();
  return true;
}

}  // namespace pictova
