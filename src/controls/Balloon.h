// A windowless control that draws its caption inside a speech balloon: a rounded rectangle
// with a triangular stem on one side. Otherwise it behaves like a label.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Panel.h"

namespace pictova {

enum TBalloonStemPos : uint8_t { spLeft, spTop, spRight, spBottom };

// The balloon's own properties, as a form description holds them.
struct TBalloonLook {
  int32_t CornerSize = 16;
  TColor BackgroundColor = clWhite;
  int32_t XOffset = 3;
  int32_t YOffset = 5;
  TBalloonStemPos StemPos = spLeft;
  int32_t StemSize = 12;
  int32_t StemWidth = 4;
  int32_t StemOffset = 4;
};

class TBalloon : public TGraphicControl {
 public:
  // The registry key and values of the user's balloon colours.
  static constexpr const char* kRegistryKey = "Software\\Quillmark";
  static constexpr const char* kPenValue = "BalloonPen";
  static constexpr const char* kBackgroundValue = "BalloonBknd";
  // The declared defaults: what a form description leaves out. Three of them differ from
  // the values a new balloon starts with (XOffset 5, YOffset 3, StemOffset 0).
  static constexpr TBalloonLook kDeclared{};

  // Reads the colours from the registry; a value there that is not a string raises
  // ERegistryException ("Invalid data type for '%s'").
  explicit TBalloon(TComponent* owner);
  ~TBalloon() override;

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  int32_t CornerSize() const { return FCornerSize; }
  void SetCornerSize(int32_t value);
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor value);
  int32_t XOffset() const { return FXOffset; }
  void SetXOffset(int32_t value);
  int32_t YOffset() const { return FYOffset; }
  void SetYOffset(int32_t value);
  TBalloonStemPos StemPos() const { return FStemPos; }
  void SetStemPos(TBalloonStemPos value);
  int32_t StemSize() const { return FStemSize; }
  void SetStemSize(int32_t value);
  int32_t StemWidth() const { return FStemWidth; }
  void SetStemWidth(int32_t value);
  int32_t StemOffset() const { return FStemOffset; }
  void SetStemOffset(int32_t value);

  // The outline and text colour read from the registry at creation.
  TColor PenColor() const { return FPenColor; }
  // The height of the text at its last measurement.
  int32_t TextHeight() const { return FTextHeight; }

  // Sets what a form description with these values stores: every property that differs
  // from its declared default. The others keep the start values.
  void ReadDescription(const TBalloonLook& look);

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  bool DialogChar(char key) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The text step: draws, or with DT_CALCRECT measures, the caption in rect.
  int32_t DoDrawText(TRect& rect, uint32_t flags);

 private:
  void Measure();
  void ReadRegistryColors();

  TAlignment FAlignment = taLeftJustify;
  TWinControl* FFocusControl = nullptr;
  bool FShowAccelChar = false;
  int32_t FCornerSize = 16;
  TColor FBackgroundColor = clWhite;
  int32_t FXOffset = 5;
  int32_t FYOffset = 3;
  TBalloonStemPos FStemPos = spLeft;
  int32_t FStemSize = 12;
  int32_t FStemWidth = 4;
  int32_t FStemOffset = 0;
  TColor FPenColor = clBlack;
  int32_t FTextHeight = 0;
};

// A colour as the registry gives it: a decimal number, or a hexadecimal one after "0x" or
// "0X", within 32 bits. Anything else (an empty string too) gives `fallback`.
TColor ParseRegistryColor(const std::string& text, TColor fallback);

}  // namespace pictova
