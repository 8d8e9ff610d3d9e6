// The filters: 3 x 3 neighbourhoods (wrapping), motion blur, tiling and relief.

#include <gtest/gtest.h>

#include <cmath>

#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

using Filter = void (*)(Generator&, int, int);

TEST(Filters, AConstantLayerGivesTheKnownConstant) {
  const std::pair<Filter, int> cases[] = {{blurLayer, 77},  {sharpenLayer, 77}, {medianLayer, 77},
                                          {erodeLayer, 77}, {dilateLayer, 77},  {edgeHLayer, 0},
                                          {edgeVLayer, 0},  {embossLayer, 181}, {sculptureLayer, 128}};
  for (auto [filter, expected] : cases) {
    Generator g = makeGenerator(8, 8);
    colorLayer(g, 0, 77, 77, 77);
    filter(g, 0, 1);
    for (std::uint8_t byte : g.buffers[1]) ASSERT_EQ(byte, expected);
  }
  for (int c : {0, 1, 2, 3, 254, 255}) {  // sharpen's shifts keep every constant, odd ones too
    Generator g = makeGenerator(4, 4);
    colorLayer(g, 0, c, c, c);
    sharpenLayer(g, 0, 0);
    ASSERT_EQ(pixel(g, 0, 1, 1).c0, c);
  }
}

TEST(Filters, ABrightPointSpreadsWithTheKernelsWeightsAcrossTheWrap) {
  Generator g = makeGenerator(8, 8);
  setPixel(g, 0, 0, 0, {160, 160, 160});
  blurLayer(g, 0, 1);
  EXPECT_EQ(pixel(g, 1, 0, 0).c0, 40);  // 4 / 16
  EXPECT_EQ(pixel(g, 1, 7, 0).c0, 20);  // 2 / 16, across the left edge
  EXPECT_EQ(pixel(g, 1, 7, 7).c0, 10);  // 1 / 16, across the corner
  EXPECT_EQ(pixel(g, 1, 2, 0).c0, 0);
  medianLayer(g, 0, 1);
  for (std::uint8_t byte : g.buffers[1]) ASSERT_EQ(byte, 0);
  dilateLayer(g, 0, 1);
  EXPECT_EQ(pixel(g, 1, 7, 1).c0, 160);
  EXPECT_EQ(pixel(g, 1, 6, 1).c0, 0);
  erodeLayer(g, 1, 1);  // in place: erosion of the dilated point gives the point back
  EXPECT_TRUE(sameLayers(g, 0, g, 1));
}

TEST(Filters, MedianIsTheFifthOfNine) {
  Generator g = makeGenerator(4, 4);
  const int values[3][3] = {{9, 1, 7}, {3, 250, 4}, {8, 2, 6}};  // sorted: 1 2 3 4 6 7 8 9 250
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int v = values[dy + 1][dx + 1];
      setPixel(g, 0, 1 + dx, 1 + dy, {v, 255 - v, 0});
    }
  }
  medianLayer(g, 0, 1);
  EXPECT_EQ(pixel(g, 1, 1, 1), (Rgb{6, 249, 0}));
}

TEST(Filters, EdgesRespondToTheirOwnDirectionOnly) {
  Generator g = makeGenerator(8, 8);
  fill(g, 0, [](int, int y) { return Rgb{y < 4 ? 0 : 40, 0, 0}; });  // a horizontal edge
  edgeHLayer(g, 0, 1);
  edgeVLayer(g, 0, 2);
  EXPECT_EQ(pixel(g, 1, 3, 3).c0, 255);  // |0 - 4 * 40| * 2, limited
  EXPECT_EQ(pixel(g, 1, 3, 4).c0, 255);
  EXPECT_EQ(pixel(g, 1, 3, 2).c0, 0);
  for (std::uint8_t byte : g.buffers[2]) ASSERT_EQ(byte, 0);
  fill(g, 0, [](int x, int) { return Rgb{x < 4 ? 0 : 10, 0, 0}; });  // a vertical edge
  edgeVLayer(g, 0, 2);
  EXPECT_EQ(pixel(g, 2, 3, 5).c0, 80);
}

TEST(Filters, EmbossUsesTheIntegerRootOfTheGradient) {
  Generator g = makeGenerator(8, 8);
  fill(g, 0, [](int x, int) { return Rgb{x == 4 ? 30 : 0, 0, 0}; });
  embossLayer(g, 0, 1);
  // At x = 3 the right column holds 90: gx = 218, gy = 128, root of 63908 = 252.
  EXPECT_EQ(pixel(g, 1, 3, 2).c0, static_cast<int>(intSqrt(218 * 218 + 128 * 128)));
  EXPECT_EQ(pixel(g, 1, 5, 2).c0, static_cast<int>(intSqrt(38 * 38 + 128 * 128)));
}

int sculptureFormula(int gx, int gy) {
  if (gx == 0) return gy > 0 ? 196 : gy == 0 ? 128 : 64;
  const double a = std::atan(static_cast<double>(gy) / gx);
  const double v = gx < 0 ? 40.58451f * a : 127.5 + 40.58451f * a;
  return static_cast<int>(v) & 255;
}

TEST(Filters, SculptureMatchesTheArcTangentFormulaOnNoise) {
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    Generator g = makeGenerator(64, 64);
    fillNoise(g, 0, seed);
    if (seed % 3 == 0) blurLayer(g, 0, 0);  // smooth pictures give small gradients
    sculptureLayer(g, 0, 1);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        for (int k = 0; k < 3; ++k) {
          const auto s = [&](int dx, int dy) {
            const Rgb c = pixel(g, 0, (x + dx) & 63, (y + dy) & 63);
            return k == 0 ? c.c0 : k == 1 ? c.c1 : c.c2;
          };
          const int gx = s(-1, 1) + 2 * s(-1, 0) + s(-1, -1) - s(1, -1) - 2 * s(1, 0) - s(1, 1);
          const int gy = s(1, -1) + 2 * s(0, -1) + s(-1, -1) - s(-1, 1) - 2 * s(0, 1) - s(1, 1);
          const Rgb got = pixel(g, 1, x, y);
          ASSERT_EQ(k == 0 ? got.c0 : k == 1 ? got.c1 : got.c2, sculptureFormula(gx, gy)) << gx << "," << gy;
        }
      }
    }
  }
}

TEST(Filters, SculptureMatchesTheFormulaForEveryGradient) {
  for (int gx = -1020; gx <= 1020; ++gx) {
    for (int gy = -1020; gy <= 1020; ++gy)
      ASSERT_EQ(sculptureValue(gx, gy), sculptureFormula(gx, gy)) << gx << "," << gy;
  }
}

int motionBlurFormula(const Generator& g, int layer, int x, int y, int k, int radius) {
  std::int64_t sum = 0;
  for (int dx = -radius; dx <= radius; ++dx) {
    const Rgb c = pixel(g, layer, ((x + dx) % g.width + g.width) % g.width, y);
    sum += static_cast<std::int64_t>(k == 0 ? c.c0 : k == 1 ? c.c1 : c.c2) * (radius + 1 - std::abs(dx));
  }
  return static_cast<int>(sum / (static_cast<std::int64_t>(radius + 1) * (radius + 1)));
}

TEST(Filters, MotionBlurIsTheTriangleWeightedRowSumForAnyRadius) {
  Generator g = makeGenerator(16, 4);
  fillNoise(g, 0, 9);
  for (int radius : {0, 1, 2, 7, 15, 16, 17, 40, 300}) {
    motionBlur(g, 0, 1, radius);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 16; ++x) {
        const Rgb got = pixel(g, 1, x, y);
        ASSERT_EQ(got, (Rgb{motionBlurFormula(g, 0, x, y, 0, radius), motionBlurFormula(g, 0, x, y, 1, radius),
                            motionBlurFormula(g, 0, x, y, 2, radius)}))
            << "radius " << radius << " at " << x << "," << y;
      }
    }
  }
}

TEST(Filters, MakeTilableBlendsOnlyOutsideTheCircleAndKeepsDstInside) {
  Generator g = makeGenerator(16, 16);
  fillNoise(g, 0, 4);
  colorLayer(g, 1, 1, 2, 3);
  makeTilable(g, 0, 1, 2);                        // r = 6
  EXPECT_EQ(pixel(g, 1, 8, 8), (Rgb{1, 2, 3}));   // centre: inside, dst keeps its content
  EXPECT_EQ(pixel(g, 1, 12, 8), (Rgb{1, 2, 3}));  // distance 4
  const Rgb corner = pixel(g, 1, 0, 0);           // far out: t > 0.75, a quarter of each mirror
  const Rgb s0 = pixel(g, 0, 0, 0), s1 = pixel(g, 0, 0, 15), s2 = pixel(g, 0, 15, 15), s3 = pixel(g, 0, 15, 0);
  EXPECT_EQ(corner.c0, static_cast<int>(0.25 * (s1.c0 + s2.c0 + s3.c0) + 0.25 * s0.c0));
  makeTilable(g, 0, 1, 8);  // r = 0, f2 = 64: k = 0.75 / 64
  EXPECT_NE(pixel(g, 1, 8, 9), (Rgb{1, 2, 3}));
}

}  // namespace
