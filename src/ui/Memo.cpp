// Memos: lines of text in a box, word-wrapped.
#include "ui/Memo.h"

#include <algorithm>

#include "gfx/Text.h"
#include "platform/Input.h"
#include "ui/Draw3D.h"

namespace pictova {

namespace {
// Edit controls leave a small margin left and right of the text.
constexpr int32_t kTextMargin = 1;
}  // namespace

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  FControlStyle |= csOpaque;
  FParentColor = false;
  FColor = clWindow;
  FTabStop = true;
  SetBoundsQuietly(0, 0, 185, 89);
}

void TMemo::SetText(const std::string& text) {
  FLines.SetText(text);
  FTopLine = 0;
  Invalidate();
}

void TMemo::SetBorderStyle(TFormBorderStyle style) {
  FBorderStyle = style == bsNone ? bsNone : bsSingle;
  Invalidate();
}

void TMemo::SetWordWrap(bool value) {
  FWordWrap = value;
  Invalidate();
}

void TMemo::SetTopLine(int line) {
  FTopLine = std::clamp(line, 0, std::max(FLines.Count() - 1, 0));
  Invalidate();
}

void TMemo::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  if (FBorderStyle == bsSingle) DrawSunkenBorder(canvas, r);
  canvas.Brush.Color = FColor;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(r);
  canvas.Brush.Style = bsClear;
  const TRect text = Rect(r.Left + kTextMargin, r.Top, r.Right - kTextMargin, r.Bottom);
  const uint32_t flags = DT_EXPANDTABS | DT_NOPREFIX | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE);
  const int32_t lineHeight = GetTextMetrics(FFont).Height;
  int32_t y = text.Top;
  for (int i = FTopLine; i < FLines.Count() && y < text.Bottom; ++i) {
    const std::string& line = FLines[i];
    TRect measure = Rect(text.Left, y, text.Right, y);
    int32_t h = line.empty() ? lineHeight : MeasureText(FFont, line, measure, flags | DT_CALCRECT);
    TRect box = Rect(text.Left, y, text.Right, std::min(y + h, text.Bottom));
    if (!line.empty()) DrawText(canvas, FFont, line, box, flags);
    y += h;
  }
}

void TMemo::KeyDown(uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  switch (key) {
    case VK_UP: SetTopLine(FTopLine - 1); break;
    case VK_DOWN: SetTopLine(FTopLine + 1); break;
    case VK_HOME: SetTopLine(0); break;
    case VK_END: SetTopLine(FLines.Count() - 1); break;
    default: break;
  }
}

}  // namespace pictova
