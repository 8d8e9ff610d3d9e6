// The combiners: two layers into a third, channel by channel.

#include <gtest/gtest.h>

#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

class Combiners : public ::testing::Test {
 protected:
  void SetUp() override {
    colorLayer(g, 0, 100, 200, 0);
    colorLayer(g, 1, 60, 10, 255);
  }
  Rgb result() const { return pixel(g, 2, 3, 5); }
  Generator g = makeGenerator(8, 8);
};

TEST_F(Combiners, AddAndMultiplyScaleThenClamp) {
  addLayers(g, 0, 1, 2, 0.5f, 1.0f);
  EXPECT_EQ(result(), (Rgb{110, 110, 255}));
  addLayers(g, 0, 1, 2, -1.0f, 0.5f);
  EXPECT_EQ(result(), (Rgb{0, 0, 127}));
  mulLayers(g, 0, 1, 2, 1.0f, 1.0f);
  EXPECT_EQ(result(), (Rgb{23, 7, 0}));  // 100 * 60 / 255 = 23.5, 200 * 10 / 255 = 7.8
  mulLayers(g, 0, 1, 2, 4.0f, 2.0f);
  EXPECT_EQ(result(), (Rgb{188, 62, 0}));
}

TEST_F(Combiners, MinimumAndMaximumCompareScaledButStoreTheSourceValue) {
  minCombineLayers(g, 0, 1, 2, 1.0f, 1.0f);
  EXPECT_EQ(result(), (Rgb{60, 10, 0}));
  minCombineLayers(g, 0, 1, 2, 0.1f, 1.0f);  // 10 < 60, 20 > 10, 0 < 25.5
  EXPECT_EQ(result(), (Rgb{100, 10, 0}));
  maxCombineLayers(g, 0, 1, 2, 1.0f, 1.0f);
  EXPECT_EQ(result(), (Rgb{100, 200, 255}));
  maxCombineLayers(g, 0, 0, 2, 1.0f, 1.0f);  // ties go to src2
  EXPECT_EQ(result(), (Rgb{100, 200, 0}));
}

TEST_F(Combiners, BitwiseCombinersTruncateTheScaledValuesFirst) {
  xorLayers(g, 0, 1, 2, 1.0f, 1.0f);
  EXPECT_EQ(result(), (Rgb{100 ^ 60, 200 ^ 10, 255}));
  orLayers(g, 0, 1, 2, 2.0f, 1.0f);  // 200 and 400 keep their low bytes
  EXPECT_EQ(result(), (Rgb{(200 | 60) & 255, (400 | 10) & 255, 255}));
  andLayers(g, 0, 1, 2, 1.0f, 0.5f);  // 30, 5, 127
  EXPECT_EQ(result(), (Rgb{100 & 30, 200 & 5, 0}));
  andLayers(g, 0, 1, 2, -1.0f, 1.0f);  // -100 is 156 in its low byte
  EXPECT_EQ(result().c0, 156 & 60);
}

TEST_F(Combiners, RandomCombineScattersPixelsOverGreyTheSameWayEveryTime) {
  randCombineLayers(g, 0, 1, 2, 0.0f, 0.0f);
  for (std::uint8_t byte : g.buffers[2]) ASSERT_EQ(byte, 127);
  g.randomState = 1;
  randCombineLayers(g, 0, 1, 2, 0.3f, 0.3f);
  const std::vector<std::uint8_t> first = g.buffers[2];
  int fromOne = 0, fromTwo = 0, grey = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const Rgb c = pixel(g, 2, x, y);
      fromOne += c == Rgb{100, 200, 0};
      fromTwo += c == Rgb{60, 10, 255};
      grey += c == Rgb{127, 127, 127};
    }
  }
  EXPECT_EQ(fromOne + fromTwo + grey, 64);
  EXPECT_GT(fromOne, 0);
  EXPECT_GT(fromTwo, 0);
  g.randomState = 12345;  // the operation sets its own state
  randCombineLayers(g, 0, 1, 2, 0.3f, 0.3f);
  EXPECT_EQ(g.buffers[2], first);
  randCombineLayers(g, 0, 1, 0, 0.3f, 0.3f);  // into one of its sources
  EXPECT_EQ(g.buffers[0], first);
}

}  // namespace
