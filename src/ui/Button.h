// Push buttons, with or without a glyph: click, default and cancel keys, modal result.
#pragma once

#include "gfx/Bitmap.h"
#include "ui/Form.h"

namespace pictova {

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  // Enter clicks the default button (unless another button has the focus).
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  // Escape clicks the cancel button.
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  // Clicking sets the form's ModalResult to this (mrNone: nothing).
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result) { FModalResult = result; }
  bool Pressed() const { return FPressed; }

  void Click() override;

 protected:
  void Paint() override;
  // The face contents inside the edges: the caption, centred.
  virtual void PaintContents(TCanvas& canvas, const TRect& face);
  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  bool DialogKey(uint16_t key, TShiftState shift) override;
  bool DialogChar(char key) override;
  void DoEnter() override;
  void DoExit() override;
  bool ShowsDefault() const;

  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
  bool FPressed = false;
  bool FTracking = false;  // the left button went down on the button
  bool FSpaceDown = false;
};

enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A button with a glyph: a bitmap holding NumGlyphs images side by side (up, disabled,
// down, ...). The colour of the glyph's bottom-left pixel is transparent.
class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* owner);

  TBitmap& Glyph() { return FGlyph; }
  void SetGlyph(const TBitmap& glyph);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t n);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout layout);
  // Distance of glyph and caption from the edge; -1 centres them.
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t margin);
  // Pixels between glyph and caption.
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t spacing);

 protected:
  void PaintContents(TCanvas& canvas, const TRect& face) override;

 private:
  void DrawGlyph(TCanvas& canvas, int32_t x, int32_t y, int32_t index) const;

  TBitmap FGlyph;
  int32_t FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphLeft;
  int32_t FMargin = -1;
  int32_t FSpacing = 4;
};

}  // namespace pictova
