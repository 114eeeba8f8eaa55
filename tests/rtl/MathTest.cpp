#include "rtl/Math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pictova {

TEST(MulDiv, RoundsHalvesAwayFromZeroInEverySignCombination) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);    // 2.5
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);  // -2.5
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, 2), 3);
  EXPECT_EQ(MulDiv(7, 1, 4), 2);    // 1.75
  EXPECT_EQ(MulDiv(5, 1, 4), 1);    // 1.25
  EXPECT_EQ(MulDiv(-7, 1, 4), -2);
  EXPECT_EQ(MulDiv(400, 4, 90), 18);  // 17.78
  EXPECT_EQ(MulDiv(0, 123, 7), 0);
}

TEST(MulDiv, AgreesWithARealNumberReferenceOverASweep) {
  for (int a = -60; a <= 60; a += 7)
    for (int b = -50; b <= 50; b += 3)
      for (int c = -13; c <= 13; ++c) {
        if (c == 0) continue;
        const double exact = static_cast<double>(a) * b / c;
        const double ref = exact >= 0 ? std::floor(exact + 0.5) : -std::floor(-exact + 0.5);
        ASSERT_EQ(MulDiv(a, b, c), static_cast<int>(ref)) << a << "*" << b << "/" << c;
      }
}

TEST(MulDiv, UsesA64BitIntermediateAndFlagsOverflowAndZeroDivisor) {
  EXPECT_EQ(MulDiv(1920 * 1000, 1080 * 1000, 1000 * 1000), 1920 * 1080);
  EXPECT_EQ(MulDiv(2000000000, 2, 4), 1000000000);
  EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);   // does not fit in 32 bits
  EXPECT_EQ(MulDiv(-2000000000, 2, 1), -1);
  EXPECT_EQ(MulDiv(12, 34, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 1, 1), INT32_MAX);
}

}  // namespace pictova
