#include "generator/primitives.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

TEST(Random, FromStateOneGivesTheKnownSequenceAndZeroStaysZero) {
  Generator g;
  g.randomState = 1;
  EXPECT_EQ(nextRandom(g), 346u);
  EXPECT_EQ(nextRandom(g), 32552u);
  EXPECT_EQ(nextRandom(g), 10851u);
  g.randomState = 0;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(nextRandom(g), 0u);
}

TEST(SquareRoots, ApproximateRootHalvesTheExponent) {
  EXPECT_EQ(approxSqrt(4.0f), 2.0f);
  EXPECT_EQ(approxSqrt(16.0f), 4.0f);
  EXPECT_EQ(approxSqrt(1.0f), 1.0f);
  EXPECT_EQ(approxSqrt(2.0f), 1.5f);  // bits 0x3FC00000
  for (float v = 0.01f; v < 1e6f; v *= 1.37f) EXPECT_NEAR(approxSqrt(v) / std::sqrt(v), 1.0, 0.07) << v;
}

TEST(SquareRoots, IntegerRootStopsWhenTheEstimateMovesByOneOrLess) {
  EXPECT_EQ(intSqrt(0), 0u);
  EXPECT_EQ(intSqrt(1), 1u);
  EXPECT_EQ(intSqrt(3), 2u);  // 3 -> 2: a step of 1 ends it
  EXPECT_EQ(intSqrt(4), 2u);
  EXPECT_EQ(intSqrt(32768), 181u);
  for (std::uint32_t n = 1; n < 200000; ++n) {
    const auto root = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(n)));
    const std::uint32_t got = intSqrt(n);
    ASSERT_TRUE(got == root || got == root + 1) << n;
    if (root * root == n) {
      ASSERT_EQ(got, root) << n;
    }
  }
  EXPECT_EQ(intSqrt(0xFFFFFFFFu), 65535u);
}

TEST(Cosine, AgreesWithTheLibraryWithinTwoUnitsInTheLastPlace) {
  for (int i = -40000; i <= 40000; ++i) {
    const double x = i * 1e-4;
    ASSERT_NEAR(cosine(x), std::cos(x), 4.5e-16) << x;
    const RealPair both = cosineOf(RealPair{x, -x * 0.5});
    ASSERT_EQ(both[0], cosine(x));
    ASSERT_EQ(both[1], cosine(-x * 0.5));
  }
  EXPECT_EQ(cosineWeight(0.0), 0.0);
  EXPECT_EQ(cosineWeight(-0.25), cosineWeight(0.25));
  EXPECT_NEAR(cosineWeight(1.0), 1.0, 1e-14);  // the single-precision pi is a hair above pi
}

TEST(Sampling, WholePositionsReadPixelsAndEverythingWraps) {
  Generator g = makeGenerator(8, 4);
  fillNoise(g, 0, 3);
  std::uint8_t out[3];
  sampleBuffer(g, g.layer(0), 5.0, 2.0, out);
  EXPECT_EQ((Rgb{out[0], out[1], out[2]}), pixel(g, 0, 5, 2));
  sampleBuffer(g, g.layer(0), 8.0 + 5.0, -4.0 + 2.0, out);
  EXPECT_EQ((Rgb{out[0], out[1], out[2]}), pixel(g, 0, 5, 2));
  sampleBuffer(g, g.layer(0), -1.0, 0.0, out);
  EXPECT_EQ((Rgb{out[0], out[1], out[2]}), pixel(g, 0, 7, 0));
  // A position that is no number reads as (0, 0).
  sampleBuffer(g, g.layer(0), std::nan(""), 1e300, out);
  EXPECT_EQ((Rgb{out[0], out[1], out[2]}), pixel(g, 0, 0, 0));
}

TEST(Sampling, FractionsWeighTheCornersAndANegativeFractionActsLikeItsMirror) {
  Generator g = makeGenerator(4, 4);
  fill(g, 0, [](int x, int y) { return Rgb{x == 1 ? 200 : 0, y == 1 ? 100 : 0, 50}; });
  std::uint8_t half[3], quarter[3], mirrored[3];
  sampleBuffer(g, g.layer(0), 0.5, 0.0, half);
  EXPECT_EQ(half[0], 100);  // weight 0.5 * (1 - cos(pi / 2)) is a hair above one half
  EXPECT_EQ(half[1], 0);
  EXPECT_EQ(half[2], 50);
  sampleBuffer(g, g.layer(0), 0.25, 0.25, quarter);
  const double w = 0.5 * (1 - std::cos(3.1415927f * 0.25));  // about 0.146
  EXPECT_EQ(quarter[0], static_cast<int>(200 * w));          // both right-hand corners are 200
  EXPECT_EQ(quarter[1], static_cast<int>(100 * w));          // both lower corners are 100
  sampleBuffer(g, g.layer(0), -0.5, 0.0, mirrored);          // x0 = 0 and fraction -0.5: pixels 0 and 1 again
  EXPECT_EQ(mirrored[0], half[0]);
}

}  // namespace
