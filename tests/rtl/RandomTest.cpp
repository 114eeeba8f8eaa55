#include "rtl/Random.h"

#include <gtest/gtest.h>

namespace pictova {

TEST(Random, FollowsTheLinearCongruentialSequenceFromSeedZero) {
  SetRandSeed(0);
  // Seeds worked out by hand: 0*134775813+1 = 1; 1*134775813+1 = 134775814;
  // 134775814*134775813+1 mod 2^32 = 3698175007.
  EXPECT_EQ(Random(100), 0);  // (1 * 100) >> 32
  EXPECT_EQ(RandSeed(), 1u);
  EXPECT_EQ(Random(100), 3);  // 134775814 * 100 / 2^32 = 3.14
  EXPECT_EQ(RandSeed(), 134775814u);
  EXPECT_EQ(Random(1000), 861);  // 3698175007 * 1000 / 2^32 = 861.05
  EXPECT_EQ(RandSeed(), 3698175007u);
}

TEST(Random, StaysInRangeAndRepeatsAfterReseeding) {
  SetRandSeed(12345);
  std::vector<int> first;
  for (int i = 0; i < 1000; ++i) {
    const int v = Random(7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    first.push_back(v);
  }
  SetRandSeed(12345);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(Random(7), first[i]);
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(1), 0);
}

}  // namespace pictova
