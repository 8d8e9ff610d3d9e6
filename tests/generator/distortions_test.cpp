// The distortions: pixels from elsewhere in src, sampled with cosine interpolation.

#include <gtest/gtest.h>

#include <cmath>

#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

Generator noisy(int w, int h, std::uint32_t seed = 5) {
  Generator g = makeGenerator(w, h);
  fillNoise(g, 0, seed);
  return g;
}

TEST(Distortions, NeutralParametersLeaveThePictureAlone) {
  Generator g = noisy(16, 8);
  sineDistort(g, 0, 1, 0.3f, 0.0f, 0.7f, 0.0f);
  EXPECT_TRUE(sameLayers(g, 0, g, 1));
  twirlLayer(g, 0, 2, 0.0f, 1.0f);
  EXPECT_TRUE(sameLayers(g, 0, g, 2));
  mapDistort(g, 0, 0, 3, 0.0f, 0.0f);
  EXPECT_TRUE(sameLayers(g, 0, g, 3));
  moveDistort(g, 0, 4, 16, -8);
  EXPECT_TRUE(sameLayers(g, 0, g, 4));
}

TEST(Distortions, MoveShiftsWithWrapAround) {
  Generator g = noisy(16, 8);
  moveDistort(g, 0, 1, 3, -2);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(pixel(g, 1, x, y), pixel(g, 0, (x + 3) % 16, (y + 6) % 8));
  }
  moveDistort(g, 0, 0, INT32_MIN, INT32_MAX);  // in place, with offsets at the ends of the range
  EXPECT_EQ(pixel(g, 0, 0, 0), pixel(g, 1, (16 - 3) % 16, (7 + 2) % 8));
}

TEST(Distortions, TileHalvesAndRepeats) {
  Generator g = noisy(8, 8);
  tileLayer(g, 0, 1);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const Rgb a = pixel(g, 0, 2 * x % 8, 2 * y % 8), b = pixel(g, 0, (2 * x + 1) % 8, 2 * y % 8);
      const Rgb c = pixel(g, 0, 2 * x % 8, (2 * y + 1) % 8), d = pixel(g, 0, (2 * x + 1) % 8, (2 * y + 1) % 8);
      ASSERT_EQ(pixel(g, 1, x, y), (Rgb{(a.c0 + b.c0 + c.c0 + d.c0) >> 2, (a.c1 + b.c1 + c.c1 + d.c1) >> 2,
                                        (a.c2 + b.c2 + c.c2 + d.c2) >> 2}));
    }
  }
  EXPECT_EQ(pixel(g, 1, 1, 2), pixel(g, 1, 5, 6));
}

TEST(Distortions, NoiseMovesEachPixelByItsTwoDraws) {
  Generator g = noisy(64, 64);
  noiseDistort(g, 0, 1, 17, 4);  // shift 12: offsets -16..15
  Generator draws;
  draws.randomState = 17;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const std::uint32_t r1 = nextRandom(draws), r2 = nextRandom(draws);
      const int sx = static_cast<int>((x + ((r1 - 32767u) >> 12)) & 63);
      const int sy = static_cast<int>((y + ((r2 - 32767u) >> 12)) & 63);
      ASSERT_EQ(pixel(g, 1, x, y), pixel(g, 0, sx, sy));
    }
  }
  noiseDistort(g, 0, 2, 17, 16);
  noiseDistort(g, 0, 3, 17, 0);  // shift 16: offsets 0 or -1
  EXPECT_FALSE(sameLayers(g, 0, g, 3));
}

bool mirrored(const Generator& g, int layer) {
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      if (pixel(g, layer, x, y) != pixel(g, layer, g.width - 1 - x, y)) return false;
      if (pixel(g, layer, x, y) != pixel(g, layer, x, g.height - 1 - y)) return false;
    }
  }
  return true;
}

bool quadrantFrom(const Generator& g, int layer, int left, int top, const Generator& from, int fromLayer) {
  for (int y = top; y < top + g.height / 2; ++y) {
    for (int x = left; x < left + g.width / 2; ++x) {
      if (pixel(g, layer, x, y) != pixel(from, fromLayer, x, y)) return false;
    }
  }
  return true;
}

TEST(Kaleid, EveryModeIsSymmetricAndBuiltFromOneQuadrantOfSrc) {
  const int left[5] = {0, 0, 8, 8, 0}, top[5] = {0, 0, 0, 4, 4};  // per mode: the quadrant it keeps
  for (int mode = 1; mode <= 4; ++mode) {
    Generator g = noisy(16, 8);
    fillNoise(g, 1, 99);  // dst starts with other content
    kaleidLayer(g, 0, 1, mode);
    EXPECT_TRUE(mirrored(g, 1)) << "mode " << mode;
    EXPECT_TRUE(quadrantFrom(g, 1, left[mode], top[mode], g, 0)) << "mode " << mode;
    Generator inPlace = noisy(16, 8);
    kaleidLayer(inPlace, 0, 0, mode);  // with dst = src the result is the same
    EXPECT_TRUE(sameLayers(g, 1, inPlace, 0)) << "mode " << mode;
  }
}

TEST(Distortions, TunnelRepeatsThePixelBeforeTheCentreColumn) {
  Generator g = noisy(32, 16);
  tunnelDistort(g, 0, 1, 64.0f);
  for (int y = 0; y < 16; ++y) ASSERT_EQ(pixel(g, 1, 16, y), pixel(g, 1, 15, y));
  Generator again = noisy(32, 16);
  tunnelDistort(again, 0, 0, 64.0f);
  EXPECT_TRUE(sameLayers(g, 1, again, 0));
}

TEST(Distortions, TunnelMatchesTheFormulaPixelByPixel) {
  Generator g = noisy(16, 16);
  tunnelDistort(g, 0, 1, 20.0f);
  const double c = 16 / (2 * 3.1415927f);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int px = x - 8, py = y - 8;
      if (px == 0) continue;
      const double inv = 1.0 / px;
      const double a = std::atan(inv * py);
      const double u = inv > 0 ? 8 + a * c : a * c;
      const double v = std::fabs(inv * 20.0f * std::cos(a));
      std::uint8_t expected[3];
      sampleBuffer(g, g.layer(0), u, v, expected);
      ASSERT_EQ(pixel(g, 1, x, y), (Rgb{expected[0], expected[1], expected[2]})) << x << "," << y;
    }
  }
}

TEST(Distortions, TwirlTurnsByTheAngleOfItsApproximateRadius) {
  Generator g = noisy(16, 16);
  twirlLayer(g, 0, 1, 2.0f, 0.5f);
  const double k = 1.0 / (std::sqrt(2.0 * 16 * 16) * 0.5f);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int px = x - 8, py = y - 8;
      const double t = 8 - static_cast<double>(approxSqrt(static_cast<float>(px * px + py * py)));
      std::uint8_t expected[3];
      const double alpha = t > 0 ? k * (t * t) * 2.0f : 0.0;
      sampleBuffer(g, g.layer(0), 8 + std::cos(alpha) * px - std::sin(alpha) * py,
                   8 + std::cos(alpha) * py + std::sin(alpha) * px, expected);
      ASSERT_EQ(pixel(g, 1, x, y), (Rgb{expected[0], expected[1], expected[2]})) << x << "," << y;
    }
  }
}

TEST(Distortions, MapDistortMovesByTheMapsBrightestChannel) {
  Generator g = noisy(16, 16);
  fill(g, 1, [](int x, int) { return Rgb{0, x < 8 ? 2 : 0, 1}; });
  mapDistort(g, 0, 1, 0, 1.0f, 0.5f);  // in place: x + 2, y + 1 on the left half, x + 1, y + 0.5 right
  Generator original = noisy(16, 16);
  EXPECT_EQ(pixel(g, 0, 3, 4), pixel(original, 0, 5, 5));
  std::uint8_t expected[3];
  sampleBuffer(original, original.layer(0), 12 + 1, 4 + 0.5, expected);
  EXPECT_EQ(pixel(g, 0, 12, 4), (Rgb{expected[0], expected[1], expected[2]}));
}

}  // namespace
