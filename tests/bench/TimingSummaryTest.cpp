// The standalone timing programs' command-line sizes and sample summaries.
#include "TimingSummary.h"

#include <gtest/gtest.h>

#include <random>

namespace pictova {

TEST(TimingSummary, ReadsSizesAndRefusesWhatNoBitmapCouldHold) {
  TTimingSize s;
  ASSERT_TRUE(ParseTimingSize("3840x2160", s));
  EXPECT_EQ(s.Width, 3840);
  EXPECT_EQ(s.Height, 2160);
  ASSERT_TRUE(ParseTimingSize("1x1", s));
  EXPECT_EQ(s.Width, 1);
  ASSERT_TRUE(ParseTimingSize("32767x1", s));

  const TTimingSize before = s;
  for (const char* bad : {"", "x", "1920", "1920x", "x1080", "0x10", "10x0", "-5x10", "1920X1080", "19 20x1080",
                          "1920x1080x24", "1920x1080 ", "32768x1", "99999999999999999999x1"}) {
    EXPECT_FALSE(ParseTimingSize(bad, s)) << bad;
  }
  EXPECT_EQ(s.Width, before.Width);  // a refused text leaves the size as it was
  EXPECT_EQ(s.Height, before.Height);

  // 24-bit rows padded to four bytes: 32767 pixels take 98,304 bytes a row, so 2730 rows fit
  // in 256 MiB (268,435,456 bytes) and 2731 do not.
  EXPECT_TRUE(ParseTimingSize("32767x2730", s));
  EXPECT_FALSE(ParseTimingSize("32767x2731", s));
}

TEST(TimingSummary, MedianAndNearestRankPercentilesOfShuffledSamples) {
  // 1 .. 200 in any order: the median lies between 100 and 101, the 10th percentile is the
  // 20th smallest and the 90th the 180th.
  std::vector<double> v;
  for (int i = 1; i <= 200; ++i) v.push_back(i);
  std::shuffle(v.begin(), v.end(), std::mt19937(7));
  TTimingSummary s = Summarise(v);
  EXPECT_EQ(s.Count, 200u);
  EXPECT_DOUBLE_EQ(s.Median, 100.5);
  EXPECT_DOUBLE_EQ(s.P10, 20);
  EXPECT_DOUBLE_EQ(s.P90, 180);

  // Odd count: the middle sample; 10 % of 11 is 1.1, so the 2nd smallest; 90 % is 9.9, the 10th.
  s = Summarise({5, 1, 9, 3, 7, 11, 2, 8, 4, 10, 6});
  EXPECT_DOUBLE_EQ(s.Median, 6);
  EXPECT_DOUBLE_EQ(s.P10, 2);
  EXPECT_DOUBLE_EQ(s.P90, 10);

  s = Summarise({0.25});
  EXPECT_DOUBLE_EQ(s.Median, 0.25);
  EXPECT_DOUBLE_EQ(s.P10, 0.25);
  EXPECT_DOUBLE_EQ(s.P90, 0.25);

  s = Summarise({});
  EXPECT_EQ(s.Count, 0u);
  EXPECT_DOUBLE_EQ(s.Median, 0);
}

}  // namespace pictova
