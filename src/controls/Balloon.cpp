// The balloon control: registry colours, the text step and the painting of body and stem.
#include "controls/Balloon.h"

#include "gfx/Text.h"
#include "platform/Registry.h"
#include "ui/WinControl.h"

namespace pictova {

namespace {

// The longest caption the balloon draws.
constexpr size_t kMaxCaption = 256;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TColor ParseRegistryColor(const std::string& text, TColor fallback) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint64_t value = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return fallback;
      value = value * 16 + static_cast<uint64_t>(d);
      if (value > 0xFFFFFFFFu) return fallback;
    }
    return static_cast<TColor>(static_cast<uint32_t>(value));
  }
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  if (i == text.size()) return fallback;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) return fallback;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return fallback;
  return static_cast<TColor>(value);
}

TBalloon::TBalloon(TComponent* owner) : TGraphicControl(owner) {
  SetBoundsQuietly(0, 0, 65, 17);
  ReadRegistryColors();
}

TBalloon::~TBalloon() = default;

void TBalloon::ReadRegistryColors() {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(kRegistryKey)) return;
  // A value of another type than a string raises the registry's error; a missing one
  // reads as "" and keeps the default.
  FPenColor = ParseRegistryColor(registry.ReadString(kPenValue), clBlack);
  FBackgroundColor = ParseRegistryColor(registry.ReadString(kBackgroundValue), clWhite);
}

void TBalloon::ReadDescription(const TBalloonLook& look) {
  if (look.CornerSize != kDeclared.CornerSize) SetCornerSize(look.CornerSize);
  if (look.BackgroundColor != kDeclared.BackgroundColor) SetBackgroundColor(look.BackgroundColor);
  if (look.XOffset != kDeclared.XOffset) SetXOffset(look.XOffset);
  if (look.YOffset != kDeclared.YOffset) SetYOffset(look.YOffset);
  if (look.StemPos != kDeclared.StemPos) SetStemPos(look.StemPos);
  if (look.StemSize != kDeclared.StemSize) SetStemSize(look.StemSize);
  if (look.StemWidth != kDeclared.StemWidth) SetStemWidth(look.StemWidth);
  if (look.StemOffset != kDeclared.StemOffset) SetStemOffset(look.StemOffset);
}

// ---- properties ----

void TBalloon::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}

void TBalloon::SetFocusControl(TWinControl* control) {
  if (FFocusControl != nullptr) RemoveFreeNotification(FFocusControl);
  FFocusControl = control;
  if (control != nullptr) FreeNotification(control);
}

void TBalloon::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TBalloon::SetShowAccelChar(bool value) {
  FShowAccelChar = value;
  Invalidate();
}
void TBalloon::SetCornerSize(int32_t value) {
  FCornerSize = value;
  Invalidate();
}
void TBalloon::SetBackgroundColor(TColor value) {
  FBackgroundColor = value;
  Invalidate();
}
void TBalloon::SetXOffset(int32_t value) {
  FXOffset = value;
  Invalidate();
}
void TBalloon::SetYOffset(int32_t value) {
  FYOffset = value;
  Invalidate();
}
void TBalloon::SetStemPos(TBalloonStemPos value) {
  FStemPos = value;
  Invalidate();
}
void TBalloon::SetStemSize(int32_t value) {
  FStemSize = value;
  Invalidate();
}
void TBalloon::SetStemWidth(int32_t value) {
  FStemWidth = value;
  Invalidate();
}
void TBalloon::SetStemOffset(int32_t value) {
  FStemOffset = value;
  Invalidate();
}

void TBalloon::TextChanged() {
  Measure();
  Invalidate();
}

void TBalloon::FontChanged() {
  Measure();
  TGraphicControl::FontChanged();
}

void TBalloon::Measure() {
  TRect r = ClientRect();
  DoDrawText(r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
}

// ---- text and painting ----

int32_t TBalloon::DoDrawText(TRect& rect, uint32_t flags) {
  std::string text = FCaption.substr(0, kMaxCaption);
  // An empty caption (or a lone accelerator mark) measures as one blank, one line high.
  if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text = " ";
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  // The control's font, but in the pen colour (grey text when disabled).
  TFont font = FFont;
  font.SetColor(FEnabled ? FPenColor : clGrayText);
  FTextHeight = (flags & DT_CALCRECT) ? MeasureText(font, text, rect, flags) : DrawText(Canvas(), font, text, rect, flags);
  return FTextHeight;
}

void TBalloon::Paint() {
  TCanvas& canvas = Canvas();
  const TRect c = ClientRect();
  canvas.Brush.Style = bsSolid;
  if (IsDesigning()) {
    canvas.Brush.Color = FColor;
    canvas.FillRect(c);
  }
  canvas.Brush.Color = FBackgroundColor;
  canvas.Pen.Style = psSolid;
  canvas.Pen.Color = FPenColor;

  // The body: the client rectangle less the stem's reach on its side.
  TRect body = c;
  switch (FStemPos) {
    case spLeft: body.Left += FStemSize; break;
    case spTop: body.Top += FStemSize; break;
    case spRight: body.Right -= FStemSize; break;
    case spBottom: body.Bottom -= FStemSize; break;
  }
  canvas.RoundRect(body.Left, body.Top, body.Right, body.Bottom, FCornerSize, FCornerSize);

  // The stem: its tip on the client's edge, its base on the body's.
  const int32_t midX = c.Left + (c.Right - c.Left) / 2;
  const int32_t midY = c.Top + (c.Bottom - c.Top) / 2;
  TPoint p[3];
  switch (FStemPos) {
    case spLeft:
      p[0] = {c.Left, midY + FStemOffset};
      p[1] = {c.Left + FStemSize, midY + FStemOffset - FStemWidth};
      p[2] = {c.Left + FStemSize, midY + FStemOffset + FStemWidth};
      break;
    case spTop:
      p[0] = {midX + FStemOffset, c.Top};
      p[1] = {midX + FStemOffset - FStemWidth, c.Top + FStemSize};
      p[2] = {midX + FStemOffset + FStemWidth, c.Top + FStemSize};
      break;
    case spRight:
      p[0] = {c.Right, midY + FStemOffset};
      p[1] = {c.Right - FStemSize - 1, midY + FStemOffset - FStemWidth};
      p[2] = {c.Right - FStemSize - 1, midY + FStemOffset + FStemWidth};
      break;
    case spBottom:
      p[0] = {midX + FStemOffset, c.Bottom - 1};
      p[1] = {midX + FStemOffset - FStemWidth, c.Bottom - FStemSize - 1};
      p[2] = {midX + FStemOffset + FStemWidth, c.Bottom - FStemSize - 1};
      break;
  }
  canvas.Polygon(p);
  // The body's outline must not cross the stem's base.
  canvas.Pen.Color = FBackgroundColor;
  canvas.MoveTo(p[1].X, p[1].Y);
  canvas.LineTo(p[2].X, p[2].Y);

  // The text, inside the body's margins.
  canvas.Brush.Style = bsClear;
  const TRect t = Rect(body.Left + FXOffset, body.Top + FYOffset, body.Right - FXOffset, body.Bottom - FYOffset);
  TRect w = t;
  const uint32_t align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  int32_t h = FTextHeight;
  if (FAlignment != taCenter) h = DoDrawText(w, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | align);
  if (t.Height() > h) {
    w.Top = w.Top + t.Height() / 2 - h / 2;
    w.Bottom = w.Top + h;
  }
  DoDrawText(w, DT_WORDBREAK | DT_EXPANDTABS | align);
}

bool TBalloon::DialogChar(char key) {
  if (FFocusControl == nullptr || !FEnabled || !FShowAccelChar || !IsAccel(key, FCaption)) return false;
  if (FFocusControl->CanFocus()) FFocusControl->SetFocus();
  return true;
}

}  // namespace pictova
