// Push buttons, with or without a glyph.
#include "ui/Button.h"

#include "gfx/Text.h"
#include "platform/Input.h"
#include "ui/Application.h"
#include "ui/Draw3D.h"

namespace pictova {

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  FControlStyle = (FControlStyle | csOpaque) & ~csDoubleClicks;
  FParentColor = false;
  FColor = clBtnFace;
  FTabStop = true;
  SetBoundsQuietly(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  FDefault = value;
  Invalidate();
}

void TButton::Click() {
  if (FModalResult != mrNone) {
    if (TForm* form = ParentForm()) form->SetModalResult(FModalResult);
  }
  TWinControl::Click();
}

bool TButton::ShowsDefault() const {
  // The focused button shows as the default one; the default button does while no other
  // button has the focus.
  const TForm* form = ParentForm();
  const TWinControl* focused = form != nullptr ? form->ActiveControl() : nullptr;
  if (focused == this) return true;
  return FDefault && dynamic_cast<const TButton*>(focused) == nullptr;
}

void TButton::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  DrawButtonFace(canvas, r, FPressed, ShowsDefault(), FColor);
  TRect face = r;
  if (FPressed) face = OffsetRect(face, 1, 1);
  canvas.Brush.Style = bsClear;
  PaintContents(canvas, face);
  if (Focused()) {
    const int32_t inset = ShowsDefault() ? 3 : 4;
    const TRect all = ClientRect();
    DrawFocusRect(canvas, Rect(all.Left + inset, all.Top + inset, all.Right - inset, all.Bottom - inset));
  }
}

void TButton::PaintContents(TCanvas& canvas, const TRect& face) {
  const uint32_t flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!FEnabled) {
    DrawDisabledText(canvas, FFont, FCaption, face, flags);
    return;
  }
  TRect r = face;
  DrawText(canvas, FFont, FCaption, r, flags);
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (button == mbLeft) {
    FTracking = true;
    FPressed = true;
    Invalidate();
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TButton::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  if (FTracking) {
    const bool inside = ClientRect().Contains(x, y);
    if (inside != FPressed) {
      FPressed = inside;
      Invalidate();
    }
  }
  TWinControl::MouseMove(shift, x, y);
}

void TButton::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (button == mbLeft && FTracking) {
    FTracking = false;
    FPressed = false;
    Invalidate();
  }
  TWinControl::MouseUp(button, shift, x, y);
}

void TButton::KeyDown(uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_SPACE && !FSpaceDown) {
    FSpaceDown = true;
    FPressed = true;
    Invalidate();
  }
}

void TButton::KeyUp(uint16_t& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
  if (key == VK_SPACE && FSpaceDown) {
    FSpaceDown = false;
    FPressed = false;
    Invalidate();
    SafeCall([this] { Click(); });
  }
}

bool TButton::DialogKey(uint16_t key, TShiftState) {
  if (key == VK_RETURN && ShowsDefault()) {
    Click();
    return true;
  }
  if (key == VK_ESCAPE && FCancel) {
    Click();
    return true;
  }
  return false;
}

bool TButton::DialogChar(char key) {
  if (!IsAccel(key, FCaption) || !CanFocus()) return false;
  SetFocus();
  Click();
  return true;
}

void TButton::DoEnter() {
  // The default-button outline moves with the focus.
  if (TForm* form = ParentForm()) form->Invalidate();
  TWinControl::DoEnter();
}

void TButton::DoExit() {
  FPressed = false;
  FSpaceDown = false;
  if (TForm* form = ParentForm()) form->Invalidate();
  TWinControl::DoExit();
}

// ---- TBitBtn ----

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetGlyph(const TBitmap& glyph) {
  FGlyph.Assign(&glyph);
  // A glyph that is a whole number of squares holds that many images.
  if (FGlyph.Height() > 0 && FGlyph.Width() % FGlyph.Height() == 0) {
    const int32_t n = FGlyph.Width() / FGlyph.Height();
    if (n >= 1 && n <= 4) FNumGlyphs = n;
  }
  Invalidate();
}

void TBitBtn::SetNumGlyphs(int32_t n) {
  FNumGlyphs = std::clamp(n, 1, 4);
  Invalidate();
}
void TBitBtn::SetLayout(TButtonLayout layout) {
  FLayout = layout;
  Invalidate();
}
void TBitBtn::SetMargin(int32_t margin) {
  FMargin = margin;
  Invalidate();
}
void TBitBtn::SetSpacing(int32_t spacing) {
  FSpacing = spacing;
  Invalidate();
}

void TBitBtn::DrawGlyph(TCanvas& canvas, int32_t x, int32_t y, int32_t index) const {
  const int32_t gw = FGlyph.Width() / FNumGlyphs, gh = FGlyph.Height();
  const TColor transparent = FGlyph.Pixel(0, gh - 1);
  for (int32_t j = 0; j < gh; ++j)
    for (int32_t i = 0; i < gw; ++i) {
      const TColor c = FGlyph.Pixel(index * gw + i, j);
      if (c != transparent) canvas.SetPixel(x + i, y + j, c);
    }
}

void TBitBtn::PaintContents(TCanvas& canvas, const TRect& face) {
  if (FGlyph.Empty()) {
    TButton::PaintContents(canvas, face);
    return;
  }
  const int32_t gw = FGlyph.Width() / FNumGlyphs, gh = FGlyph.Height();
  const TSize text = FCaption.empty() ? TSize{} : TextExtent(FFont, FCaption);
  const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
  const int32_t spacing = FCaption.empty() ? 0 : FSpacing;
  const int32_t total = horizontal ? gw + spacing + text.cx : gh + spacing + text.cy;
  const int32_t room = horizontal ? face.Width() : face.Height();
  const int32_t start = FMargin < 0 ? (room - total) / 2 : FMargin;
  int32_t gx, gy;
  TRect tr;
  if (horizontal) {
    gy = face.Top + (face.Height() - gh) / 2;
    const int32_t ty = face.Top + (face.Height() - text.cy) / 2;
    if (FLayout == blGlyphLeft) {
      gx = face.Left + start;
      tr = Bounds(gx + gw + spacing, ty, text.cx, text.cy);
    } else {
      gx = face.Right - start - gw;
      tr = Bounds(gx - spacing - text.cx, ty, text.cx, text.cy);
    }
  } else {
    gx = face.Left + (face.Width() - gw) / 2;
    const int32_t tx = face.Left + (face.Width() - text.cx) / 2;
    if (FLayout == blGlyphTop) {
      gy = face.Top + start;
      tr = Bounds(tx, gy + gh + spacing, text.cx, text.cy);
    } else {
      gy = face.Bottom - start - gh;
      tr = Bounds(tx, gy - spacing - text.cy, text.cx, text.cy);
    }
  }
  // The second image is the disabled state; without one the up image serves.
  DrawGlyph(canvas, gx, gy, !FEnabled && FNumGlyphs > 1 ? 1 : 0);
  if (FCaption.empty()) return;
  const uint32_t flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP;
  if (!FEnabled) {
    DrawDisabledText(canvas, FFont, FCaption, tr, flags);
  } else {
    DrawText(canvas, FFont, FCaption, tr, flags);
  }
}

}  // namespace pictova
