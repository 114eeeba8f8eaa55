// Labels: text on the parent, optionally auto-sized, wrapped and transparent.
#pragma once

#include "ui/Panel.h"

namespace pictova {

enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // A transparent label draws only its text over what lies beneath.
  bool Transparent() const { return (FControlStyle & csOpaque) == 0; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  // The control that Alt + the caption's accelerator focuses.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control);

  void Loaded() override;

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  bool DialogChar(char key) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Draws or (with DT_CALCRECT) measures the caption the way the label shows it.
  int32_t DoDrawText(TRect& rect, uint32_t flags);
  void AdjustBounds();

 private:
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  TWinControl* FFocusControl = nullptr;
};

}  // namespace pictova
