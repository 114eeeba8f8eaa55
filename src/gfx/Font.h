// Font descriptions: name, height, style and colour, as text drawing uses them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gfx/Types.h"

namespace pictova {

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// A negative Height is the character height (em size) in pixels; a positive one the cell
// height (ascent + descent). Size is in points at PixelsPerInch.
class TFont {
 public:
  TFont() = default;
  TFont(const TFont& other) { Assign(other); }
  TFont& operator=(const TFont& other) {
    Assign(other);
    return *this;
  }

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t height);
  int32_t Size() const;
  void SetSize(int32_t points);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  int32_t PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int32_t ppi) { FPixelsPerInch = ppi > 0 ? ppi : 96; }

  // Copies name, height, colour and style (not OnChange); fires OnChange if anything changed.
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const {
    return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor && FStyle == other.FStyle;
  }

  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }

  std::string FName = "MS Sans Serif";
  int32_t FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
  int32_t FPixelsPerInch = 96;
};

}  // namespace pictova
