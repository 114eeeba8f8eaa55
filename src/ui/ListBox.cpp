// List boxes: a column of text items with one selected.
#include "ui/ListBox.h"

#include <algorithm>
#include <vector>

#include "gfx/Text.h"
#include "platform/Input.h"
#include "rtl/Ansi.h"
#include "ui/Application.h"
#include "ui/Draw3D.h"

namespace pictova {

namespace {
constexpr int32_t kBorder = 2;  // the sunken border
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
  FControlStyle |= csOpaque;
  FParentColor = false;
  FColor = clWindow;
  FTabStop = true;
  SetBoundsQuietly(0, 0, 121, 97);
}

int32_t TListBox::ItemHeight() const { return GetTextMetrics(FFont).Height; }

void TListBox::Changed() {
  if (FSorted) Sort();
  if (FItemIndex >= FItems.Count()) FItemIndex = -1;
  Invalidate();
}

void TListBox::Sort() {
  std::vector<std::string> items(FItems.begin(), FItems.end());
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return AnsiUpperCase(a) < AnsiUpperCase(b); });
  FItems.Clear();
  for (auto& s : items) FItems.Add(std::move(s));
}

void TListBox::SetSorted(bool value) {
  FSorted = value;
  Changed();
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= FItems.Count()) index = -1;
  if (index == FItemIndex) return;
  FItemIndex = index;
  // Keep the selection in view.
  const int32_t h = std::max(ItemHeight(), 1);
  const int visible = std::max((FHeight - 2 * kBorder) / h, 1);
  if (index >= 0 && index < FTopIndex) FTopIndex = index;
  if (index >= FTopIndex + visible) FTopIndex = index - visible + 1;
  Invalidate();
}

void TListBox::SetTopIndex(int index) {
  FTopIndex = std::clamp(index, 0, std::max(FItems.Count() - 1, 0));
  Invalidate();
}

int TListBox::ItemAtPos(TPoint p) const {
  const int32_t h = std::max(ItemHeight(), 1);
  if (p.X < kBorder || p.X >= FWidth - kBorder || p.Y < kBorder) return -1;
  const int index = FTopIndex + (p.Y - kBorder) / h;
  return index < FItems.Count() ? index : -1;
}

void TListBox::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  DrawSunkenBorder(canvas, r);
  canvas.Brush.Color = FColor;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(r);
  const int32_t h = ItemHeight();
  for (int i = FTopIndex; i < FItems.Count(); ++i) {
    const int32_t top = r.Top + (i - FTopIndex) * h;
    if (top >= r.Bottom) break;
    TRect item = Rect(r.Left, top, r.Right, std::min(top + h, r.Bottom));
    TFont font = FFont;
    const bool selected = i == FItemIndex;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = selected ? clHighlight : FColor;
    canvas.FillRect(item);
    if (selected) font.SetColor(clHighlightText);
    TRect text = Rect(item.Left + 2, item.Top, item.Right, item.Bottom);
    canvas.Brush.Style = bsClear;
    DrawText(canvas, font, FItems[i], text, DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    if (selected && Focused()) DrawFocusRect(canvas, item);
  }
}

void TListBox::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (button == mbLeft) {
    const int index = ItemAtPos({x, y});
    if (index >= 0) SetItemIndex(index);
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TListBox::KeyDown(uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  const int before = FItemIndex;
  switch (key) {
    case VK_UP: SetItemIndex(std::max(FItemIndex - 1, 0)); break;
    case VK_DOWN: SetItemIndex(std::min(FItemIndex + 1, FItems.Count() - 1)); break;
    case VK_HOME: SetItemIndex(FItems.Count() > 0 ? 0 : -1); break;
    case VK_END: SetItemIndex(FItems.Count() - 1); break;
    default: return;
  }
  if (FItemIndex != before) SafeCall([this] { Click(); });
}

}  // namespace pictova
