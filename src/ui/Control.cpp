// Controls: bounds, alignment, visibility, colour, font, mouse events and painting.
#include "ui/Control.h"

#include <algorithm>
#include <cctype>

#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace pictova {

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  FFont.OnChange = [this] {
    FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  Destroying();
  if (FParent != nullptr) FParent->RemoveControl(this);
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->FParent != nullptr) c = c->FParent;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw Exception("A control cannot be its own parent");
  if (FParent != nullptr) FParent->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

void TControl::SetBoundsQuietly(int32_t left, int32_t top, int32_t width, int32_t height) {
  FLeft = left;
  FTop = top;
  FWidth = std::max(width, 0);
  FHeight = std::max(height, 0);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool resized = width != FWidth || height != FHeight;
  Invalidate();
  SetBoundsQuietly(left, top, width, height);
  Invalidate();
  if (FParent != nullptr && FAlign != alNone) FParent->Realign();
  if (resized) Resize();
}

void TControl::SetClientSize(int32_t width, int32_t height) {
  const TRect c = ClientRect();
  SetBounds(FLeft, FTop, FWidth - c.Width() + width, FHeight - c.Height() + height);
}

TPoint TControl::FormOrigin() const {
  TPoint p{0, 0};
  for (const TControl* c = this; c->FParent != nullptr; c = c->FParent) {
    p.X += c->FLeft;
    p.Y += c->FTop;
  }
  return p;
}

TPoint TControl::ClientToScreen(TPoint p) const {
  const TPoint o = FormOrigin();
  TPoint r{p.X + o.X, p.Y + o.Y};
  if (TForm* form = ParentForm()) {
    TRect wr;
    if (form->HandleAllocated() && Platform().Windows().GetWindowRect(form->Handle(), wr)) {
      const TFrameMetrics m = FrameMetrics(form->MakeParams().Frame);
      r.X += wr.Left + m.Border;
      r.Y += wr.Top + m.Border + m.Caption;
    }
  }
  return r;
}

TPoint TControl::ScreenToClient(TPoint p) const {
  const TPoint zero = ClientToScreen({0, 0});
  return {p.X - zero.X, p.Y - zero.Y};
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign) return;
  FAlign = align;
  if (FParent != nullptr) FParent->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  if (!visible) Invalidate();
  FVisible = visible;
  if (visible) Invalidate();
  if (FParent != nullptr && FAlign != alNone) FParent->Realign();
  if (!visible) {
    if (TForm* form = ParentForm()) form->ForgetControl(this, false);
  }
}

bool TControl::Showing() const { return FVisible && FParent != nullptr && FParent->Showing(); }

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Invalidate();
}

void TControl::SetColor(TColor color) {
  FParentColor = false;
  if (color == FColor) return;
  FColor = color;
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* child : w->FControls) child->ParentColorChanged();
}

void TControl::SetParentColor(bool value) {
  FParentColor = value;
  if (value && FParent != nullptr) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || FParent == nullptr) return;
  FColor = FParent->FColor;
  Invalidate();
}

void TControl::SetParentFont(bool value) {
  FParentFont = value;
  if (value && FParent != nullptr) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || FParent == nullptr) return;
  auto keep = std::move(FFont.OnChange);
  FFont.Assign(FParent->FFont);
  FFont.OnChange = std::move(keep);
  FontChanged();
}

TColor TControl::ParentBackgroundColor() const {
  return FParent != nullptr ? FParent->FColor : FColor;
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  TextChanged();
}

void TControl::Invalidate() { InvalidateRect(Rect(0, 0, FWidth, FHeight)); }

void TControl::InvalidateRect(const TRect& rect) {
  if (!FVisible || IsDestroying()) return;
  TForm* form = ParentForm();  // the form itself when this is one
  if (form == nullptr) return;
  const TPoint o = FormOrigin();
  const TRect r = IntersectRect(OffsetRect(rect, o.X, o.Y), Bounds(o.X, o.Y, FWidth, FHeight));
  if (!r.IsEmpty()) form->InvalidateFormRect(r, (FControlStyle & csOpaque) == 0);
}

void TControl::Update() {
  if (TForm* form = ParentForm()) form->PaintInvalid();
}

void TControl::BringToFront() {
  if (FParent == nullptr) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  Invalidate();
}

void TControl::SendToBack() {
  if (FParent == nullptr) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.insert(list.begin(), this);
  Invalidate();
}

TCanvas& TControl::Canvas() { return FPaintBitmap.Canvas(); }

void TControl::ChangeScale(int32_t m, int32_t d) {
  if (m == d || d == 0) return;
  const int32_t l = MulDiv(FLeft, m, d), t = MulDiv(FTop, m, d);
  const int32_t r = MulDiv(FLeft + FWidth, m, d), b = MulDiv(FTop + FHeight, m, d);
  SetBounds(l, t, r - l, b - t);
  if (!FParentFont) {
    auto keep = std::move(FFont.OnChange);
    FFont.SetHeight(MulDiv(FFont.Height(), m, d));
    FFont.OnChange = std::move(keep);
    FontChanged();
  }
}

void TControl::WndProc(TMessage& m) {
  const TShiftState shift = static_cast<TShiftState>(m.WParam);
  const int32_t x = MouseX(m.LParam), y = MouseY(m.LParam);
  switch (m.Msg) {
    case WM_PAINT:
      Paint();
      break;
    case WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (m.Msg == WM_LBUTTONDBLCLK && (FControlStyle & csDoubleClicks)) DblClick();
      FClicking = (FControlStyle & csClickEvents) != 0;
      MouseDown(mbLeft, shift, x, y);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      MouseDown(mbRight, shift, x, y);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      MouseDown(mbMiddle, shift, x, y);
      break;
    case WM_LBUTTONUP: {
      const bool click = FClicking && Rect(0, 0, FWidth, FHeight).Contains(x, y);
      FClicking = false;
      MouseUp(mbLeft, shift, x, y);
      if (click && !IsDestroying()) Click();
      break;
    }
    case WM_RBUTTONUP:
      MouseUp(mbRight, shift, x, y);
      break;
    case WM_MBUTTONUP:
      MouseUp(mbMiddle, shift, x, y);
      break;
    case CM_MOUSEENTER:
      MouseEnter();
      break;
    case CM_MOUSELEAVE:
      MouseLeave();
      break;
    default:
      break;
  }
}

bool IsAccel(char key, const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(caption[i + 1])) == std::toupper(static_cast<unsigned char>(key));
  }
  return false;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int32_t x, int32_t y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int32_t x, int32_t y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::MouseEnter() {
  FMouseInside = true;
  if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
  FMouseInside = false;
  if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

}  // namespace pictova
