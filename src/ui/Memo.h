// Memos: lines of text in a box, word-wrapped; this program only shows read-only ones.
#pragma once

#include "rtl/Classes.h"
#include "ui/Form.h"

namespace pictova {

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);

  // The lines; call Changed() (or SetText) after editing them in place.
  TStringList& Lines() { return FLines; }
  void SetText(const std::string& text);
  std::string Text() const { return FLines.Text(); }
  void Changed() { Invalidate(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // The first line shown (the arrow and page keys move it).
  int TopLine() const { return FTopLine; }
  void SetTopLine(int line);

 protected:
  void Paint() override;
  void KeyDown(uint16_t& key, TShiftState shift) override;

 private:
  TStringList FLines;
  bool FReadOnly = false;
  TFormBorderStyle FBorderStyle = bsSingle;
  bool FWordWrap = true;
  int FTopLine = 0;
};

}  // namespace pictova
