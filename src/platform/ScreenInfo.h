// Metrics of the display.
#pragma once

#include <cstdint>

namespace pictova {

class IScreenInfo {
 public:
  virtual ~IScreenInfo() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // Logical resolution (dots per inch), 96 on the desktops this program targets.
  virtual int32_t PixelsPerInch() const { return 96; }
  virtual int32_t BitsPerPixel() const { return 24; }
};

}  // namespace pictova
