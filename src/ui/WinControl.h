// Controls that contain other controls and take the keyboard focus.
#pragma once

#include <vector>

#include "ui/Control.h"

namespace pictova {

using TKeyEvent = std::function<void(TComponent* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TComponent* sender, char& key)>;

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The topmost visible child at a client point (disabled ones only when allowDisabled).
  TControl* ControlAtPos(TPoint p, bool allowDisabled) const;

  // Lays out the aligned children inside AlignRect (the client rectangle less borders).
  void Realign();
  virtual TRect AlignRect() const { return ClientRect(); }

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  virtual bool CanFocus() const;
  bool Focused() const;
  virtual void SetFocus();

  void ChangeScale(int32_t m, int32_t d) override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  friend class TForm;
  friend class TControl;
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Enter, Escape and accelerators reach the form's controls through DialogKey before the
  // focused control sees them; returning true consumes the key.
  virtual bool DialogKey(uint16_t key, TShiftState shift) { return false; }
  virtual void DoEnter();
  virtual void DoExit();
  void Resize() override;
  void ParentColorChanged() override;
  void ParentFontChanged() override;
  void FontChanged() override;
  void WndProc(TMessage& message) override;

  bool FTabStop = false;
  std::vector<TControl*> FControls;  // z-order: first is bottom

 private:
  bool FAligning = false;
};

}  // namespace pictova
