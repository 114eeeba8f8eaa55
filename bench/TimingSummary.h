// What the standalone timing programs (those built where Google Benchmark is not, such as the
// Windows builds) share: sizes read from the command line and the summary of a set of samples.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"

namespace pictova {

struct TTimingSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// "WIDTHxHEIGHT" in decimal, each side 1 .. kMaxBitmapSide and the 24-bit frame within
// kMaxBitmapBytes, as a bitmap of that size could be made. Anything else is refused.
inline bool ParseTimingSize(const std::string& text, TTimingSize& size) {
  const size_t x = text.find('x');
  if (x == std::string::npos || x == 0 || x + 1 == text.size()) return false;
  int64_t side[2] = {0, 0};
  const std::string parts[2] = {text.substr(0, x), text.substr(x + 1)};
  for (int i = 0; i < 2; ++i) {
    for (const char c : parts[i]) {
      if (c < '0' || c > '9') return false;
      side[i] = side[i] * 10 + (c - '0');
      if (side[i] > kMaxBitmapSide) return false;
    }
    if (side[i] == 0) return false;
  }
  if (int64_t(TBitmap::RowBytesFor(int32_t(side[0]), pf24bit)) * side[1] > kMaxBitmapBytes) return false;
  size.Width = int32_t(side[0]);
  size.Height = int32_t(side[1]);
  return true;
}

// Median (the mean of the two middle samples when their number is even) and the 10th and 90th
// percentiles by nearest rank: the smallest sample with at least p % of the samples at or below it.
struct TTimingSummary {
  double Median = 0;
  double P10 = 0;
  double P90 = 0;
  size_t Count = 0;
};

inline TTimingSummary Summarise(std::vector<double> samples) {
  TTimingSummary s;
  s.Count = samples.size();
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  s.Median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  const auto rank = [&](size_t percent) {
    // ceil(p * n / 100) in integers, so that 10 % of 200 samples is exactly the 20th.
    const size_t r = std::max<size_t>(1, (percent * n + 99) / 100);
    return samples[r - 1];
  };
  s.P10 = rank(10);
  s.P90 = rank(90);
  return s;
}

}  // namespace pictova
