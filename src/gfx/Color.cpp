// System colours resolved to the classic Windows scheme.
#include "gfx/Types.h"

namespace pictova {

TColor ColorToRGB(TColor color) {
  if (color >= 0) return color & 0xFFFFFF;
  static constexpr TColor kSystem[25] = {
      RGB(200, 200, 200), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
      RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
      RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
      RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
      RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
      RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),
      RGB(255, 255, 225)};
  const unsigned index = static_cast<unsigned>(color) & 0xFF;
  return index < 25 ? kSystem[index] : clBlack;
}

}  // namespace pictova
