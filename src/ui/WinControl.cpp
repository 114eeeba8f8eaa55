// Controls that contain other controls and take the keyboard focus.
#include "ui/WinControl.h"

#include <algorithm>

#include "ui/Form.h"

namespace pictova {

TWinControl::TWinControl(TComponent* owner) : TControl(owner) { FControlStyle |= csAcceptsControls; }

TWinControl::~TWinControl() {
  Destroying();
  // Owned controls go first, while this control is still whole; children that belong to
  // another owner are only detached.
  DestroyComponents();
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    FControls.pop_back();
    child->FParent = nullptr;
  }
}

void TWinControl::InsertControl(TControl* control) {
  if (control->FParent != nullptr) control->FParent->RemoveControl(control);
  FControls.push_back(control);
  control->FParent = this;
  if (control->FParentColor) control->FColor = FColor;
  if (control->FParentFont) {
    auto keep = std::move(control->FFont.OnChange);
    control->FFont.Assign(FFont);
    control->FFont.OnChange = std::move(keep);
  }
  if (control->FAlign != alNone) Realign();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (it == FControls.end()) return;
  control->Invalidate();
  if (TForm* form = ParentForm()) form->ForgetControl(control, true);
  FControls.erase(it);
  control->FParent = nullptr;
  if (control->FAlign != alNone && !IsDestroying()) Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c != nullptr; c = c->FParent)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (c->FVisible && (allowDisabled || c->FEnabled) && c->BoundsRect().Contains(p.X, p.Y)) return c;
  }
  return nullptr;
}

void TWinControl::Realign() {
  if (FAligning) return;
  FAligning = true;
  TRect r = AlignRect();
  // Top, bottom, left, right, then client, each in z-order, as the framework does.
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (c->FAlign != pass || !c->FVisible) continue;
      switch (pass) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), c->FHeight);
          r.Top += c->FHeight;
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - c->FHeight, r.Width(), c->FHeight);
          r.Bottom -= c->FHeight;
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, c->FWidth, r.Height());
          r.Left += c->FWidth;
          break;
        case alRight:
          c->SetBounds(r.Right - c->FWidth, r.Top, c->FWidth, r.Height());
          r.Right -= c->FWidth;
          break;
        default:
          c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
          break;
      }
    }
  }
  FAligning = false;
}

void TWinControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  const bool resized = width != FWidth || height != FHeight;
  TControl::SetBounds(left, top, width, height);
  if (resized) Realign();
}

void TWinControl::Resize() { TControl::Resize(); }

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c != nullptr; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return ParentForm() != nullptr;
}

bool TWinControl::Focused() const {
  const TForm* form = ParentForm();
  return form != nullptr && form->ActiveControl() == this;
}

void TWinControl::SetFocus() {
  if (TForm* form = ParentForm()) {
    if (form != this) form->SetActiveControl(this);
  }
}

void TWinControl::ChangeScale(int32_t m, int32_t d) {
  TControl::ChangeScale(m, d);
  for (TControl* c : FControls) c->ChangeScale(m, d);
}

void TWinControl::ParentColorChanged() {
  TControl::ParentColorChanged();
  for (TControl* c : FControls) c->ParentColorChanged();
}

void TWinControl::ParentFontChanged() {
  TControl::ParentFontChanged();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : FControls) c->ParentFontChanged();
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::DoEnter() {
  Invalidate();
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  Invalidate();
  if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      KeyDown(key, static_cast<TShiftState>(m.LParam));
      m.WParam = key;
      break;
    }
    case WM_KEYUP: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      KeyUp(key, static_cast<TShiftState>(m.LParam));
      m.WParam = key;
      break;
    }
    case WM_CHAR: {
      char key = static_cast<char>(m.WParam);
      KeyPress(key);
      m.WParam = static_cast<uint8_t>(key);
      break;
    }
    default:
      TControl::WndProc(m);
  }
}

}  // namespace pictova
