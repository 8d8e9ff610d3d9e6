// The colour operations: per pixel, and from the histogram for equalizeRGB and stretchRGB.

#include <gtest/gtest.h>

#include <cmath>

#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

Rgb after(void (*op)(Generator&, int, int, float, float, float), Rgb in, float a, float b, float c) {
  Generator g = makeGenerator(2, 2);
  colorLayer(g, 0, in.c0, in.c1, in.c2);
  op(g, 0, 1, a, b, c);
  return pixel(g, 1, 1, 1);
}

TEST(RgbOperations, ScaleClampsAdjustLimitsInvertAndWoodRotate) {
  EXPECT_EQ(after(scaleLayerRGB, {100, 200, 50}, 1.5f, 1.5f, -2.0f), (Rgb{150, 255, 0}));
  Generator g = makeGenerator(2, 2);
  colorLayer(g, 0, 0x81, 250, 3);
  adjustLayerRGB(g, 0, 1, 10, 10, -5);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{0x8B, 255, 0}));
  adjustLayerRGB(g, 0, 1, INT32_MAX, INT32_MIN, 0);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{255, 0, 3}));
  invertLayer(g, 0, 0);
  EXPECT_EQ(pixel(g, 0, 0, 0), (Rgb{0x7E, 5, 252}));
  colorLayer(g, 0, 0x81, 0x0F, 0xF0);
  woodLayer(g, 0, 1, 1);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{0x03, 0x1E, 0xE1}));
  woodLayer(g, 0, 1, 0);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{0x81, 0x0F, 0xF0}));
  woodLayer(g, 0, 1, 8);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{0x81, 0x0F, 0xF0}));
}

TEST(RgbOperations, SineUsesTheSinglePrecisionPi) {
  EXPECT_EQ(after(sineLayerRGB, {0, 128, 255}, 0.0f, 0.0f, 0.0f), (Rgb{127, 127, 127}));
  const double pi = 3.1415927f;
  const Rgb got = after(sineLayerRGB, {0, 128, 255}, 0.01f, 0.5f, 1.0f / 512);
  EXPECT_EQ(got.c0, 127);
  EXPECT_EQ(got.c1, static_cast<int>(127.5 * (1 + std::sin(pi * 0.5f * 128))));
  EXPECT_EQ(got.c2, static_cast<int>(127.5 * (1 + std::sin(pi * (1.0f / 512) * 255))));
}

TEST(HsvOperations, UnchangedParametersKeepPrimariesAndGreys) {
  for (Rgb c : {Rgb{255, 0, 0}, Rgb{0, 255, 0}, Rgb{0, 0, 255}, Rgb{90, 90, 90}, Rgb{0, 0, 0}}) {
    EXPECT_EQ(after(scaleLayerHSV, c, 1, 1, 1), c);
    EXPECT_EQ(after(adjustLayerHSV, c, 0, 0, 0), c);
  }
  // 60 degrees times the single-precision 0.016666667 is a hair above 1: yellow's red is
  // v (1 - f s) with f just above 0, which truncates to 254.
  EXPECT_EQ(after(scaleLayerHSV, {255, 255, 0}, 1, 1, 1), (Rgb{254, 255, 0}));
}

TEST(HsvOperations, HueValueAndSaturationMove) {
  EXPECT_EQ(after(adjustLayerHSV, {255, 0, 0}, 120, 0, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(after(adjustLayerHSV, {255, 0, 0}, -120, 0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(after(adjustLayerHSV, {255, 0, 0}, 720 + 240, 0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(after(scaleLayerHSV, {200, 100, 0}, 1, 0, 1), (Rgb{200, 200, 200}));  // saturation 0: grey
  EXPECT_EQ(after(scaleLayerHSV, {200, 100, 0}, 1, 1, 0.5f), (Rgb{100, 50, 0}));
  EXPECT_EQ(after(adjustLayerHSV, {200, 100, 0}, 0, 5, 1000), (Rgb{255, 127, 0}));  // limited to 1 and 255
}

TEST(HsvOperations, AGreyHasHueMinusOneWhenItGainsSaturation) {
  // h = -1 is brought to 359: just short of red, sector 5, (v, p, q) with q = 128 (1 - 0.98333).
  EXPECT_EQ(after(adjustLayerHSV, {128, 128, 128}, 0, 1, 0), (Rgb{128, 0, 2}));
}

TEST(HsvOperations, AHueJustBelow360StaysRed) {
  // 359.99999 * 0.016666667 (single precision) is a hair above 6: that is sector 0 again, not magenta.
  EXPECT_EQ(after(adjustLayerHSV, {255, 0, 0}, 359.99999f, 0, 0), (Rgb{255, 0, 0}));
}

TEST(Histograms, EqualizeSpreadsTheCumulativeCounts) {
  Generator g = makeGenerator(4, 4);
  fill(g, 0, [](int x, int) { return Rgb{x < 2 ? 10 : 20, 7, x == 0 ? 0 : 255}; });
  equalizeRGB(g, 0, 1);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{128, 255, 64}));  // 127.5 rounds to even 128; 63.75 to 64
  EXPECT_EQ(pixel(g, 1, 3, 0), (Rgb{255, 255, 255}));
}

TEST(Histograms, StretchMapsOntoTheValuesPresentRoundingTiesToEven) {
  Generator g = makeGenerator(4, 4);
  fill(g, 0, [](int x, int y) { return Rgb{x < 2 ? 0 : 1, y == 0 ? 50 : 100, 7}; });
  stretchRGB(g, 0, 1);
  // Channel 0: lo 0, hi 1, half the pixels at 0: table[0] = round(0.5) = 0, table[1] = 1.
  // Channel 1: a quarter at 50: 50 + 50 / 4 = 62.5 -> 62; the rest reach 100.
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{0, 62, 7}));
  EXPECT_EQ(pixel(g, 1, 3, 3), (Rgb{1, 100, 7}));
}

}  // namespace
