// Font descriptions.
#include "gfx/Font.h"

#include "rtl/Math.h"

namespace pictova {

void TFont::SetName(const std::string& name) {
  if (name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int32_t height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int32_t TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int32_t points) { SetHeight(-MulDiv(points, FPixelsPerInch, 72)); }

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  FName = other.FName;
  FHeight = other.FHeight;
  FColor = other.FColor;
  FStyle = other.FStyle;
  Changed();
}

}  // namespace pictova
