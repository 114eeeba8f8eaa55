// Integer helpers with the platform's exact rounding.
#pragma once

#include <cstdint>

namespace pictova {

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away from zero.
// Like the Windows function it returns -1 for a zero divisor and for a result that does
// not fit in 32 bits.
constexpr int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = static_cast<int64_t>(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const int64_t q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
  if (q > INT32_MAX || q < -INT32_MAX) return -1;
  return static_cast<int32_t>(q);
}

}  // namespace pictova
