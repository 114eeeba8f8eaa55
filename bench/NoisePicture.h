// The benchmarks' pictures: 24-bit noise from a linear congruential generator, the same for the
// same seed. No run of equal bytes, so no copy, blend or driver can take a short cut.
#pragma once

#include <cstdint>

#include "gfx/Bitmap.h"

namespace pictova {

inline TBitmap NoisePicture(int32_t w, int32_t h, uint32_t seed) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int32_t i = 0; i < w * 3; ++i) {
      seed = seed * 1664525u + 1013904223u;
      row[i] = static_cast<uint8_t>(seed >> 24);
    }
  }
  return b;
}

}  // namespace pictova
