#include "scenes/demo_state.h"

#include <gtest/gtest.h>

namespace {

TEST(Random, DrawsTheSameSequenceOnEveryRunWithinItsRange) {
  scenes::resetRandom();
  std::vector<std::int32_t> first;
  for (int i = 0; i < 1000; ++i) first.push_back(scenes::randomInt(10));
  scenes::resetRandom();
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(scenes::randomInt(10), first[i]);
  EXPECT_EQ(*std::min_element(first.begin(), first.end()), 0);
  EXPECT_EQ(*std::max_element(first.begin(), first.end()), 9);
}

TEST(Random, NegativeAndZeroRangesTruncateTowardsZero) {
  for (int i = 0; i < 200; ++i) {
    const std::int32_t negative = scenes::randomInt(-10);
    EXPECT_GE(negative, -9);
    EXPECT_LE(negative, 0);
    EXPECT_EQ(scenes::randomInt(0), 0);
    const double u = scenes::randomUnit();
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 1.0);
  }
}

}  // namespace
