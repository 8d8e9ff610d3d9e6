// The source operations: each redraws a whole layer.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "generator/mandelbrot_lanes.h"
#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

TEST(ColorLayer, KeepsTheLowByteOfEachValue) {
  Generator g = makeGenerator(4, 4);
  colorLayer(g, 3, 300, -1, 255);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) ASSERT_EQ(pixel(g, 3, x, y), (Rgb{44, 255, 255}));
  }
}

TEST(SubPlasma, StepOneIsTheRandomSequenceMaskedByTheRange) {
  Generator g = makeGenerator(8, 4);
  subPlasma(g, 1, 1, 1234, 16, true);
  Generator expected;
  expected.randomState = 1234;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int c0 = static_cast<int>(nextRandom(expected) & 15);
      const int c1 = static_cast<int>(nextRandom(expected) & 15);
      const int c2 = static_cast<int>(nextRandom(expected) & 15);
      ASSERT_EQ(pixel(g, 1, x, y), (Rgb{c0, c1, c2})) << x << "," << y;
    }
  }
  subPlasma(g, 1, 1, 1234, 256, false);
  expected.randomState = 1234;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int c = static_cast<int>(nextRandom(expected) & 255);
      ASSERT_EQ(pixel(g, 1, x, y), (Rgb{c, c, c}));
    }
  }
}

TEST(SubPlasma, CellsAreCosineInterpolationsOfTheirGridCorners) {
  Generator g = makeGenerator(16, 8);
  subPlasma(g, 0, 4, 99, 256, true);
  Generator grid = makeGenerator(16, 8);
  grid.randomState = 99;
  for (int y = 0; y < 8; y += 4) {
    for (int x = 0; x < 16; x += 4) {
      const int c0 = static_cast<int>(nextRandom(grid) & 255);
      const int c1 = static_cast<int>(nextRandom(grid) & 255);
      const int c2 = static_cast<int>(nextRandom(grid) & 255);
      setPixel(grid, 0, x, y, {c0, c1, c2});
    }
  }
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int gx = x / 4 * 4;
      const int gy = y / 4 * 4;
      const Rgb a = pixel(grid, 0, gx, gy), b = pixel(grid, 0, (gx + 4) % 16, gy);
      const Rgb c = pixel(grid, 0, gx, (gy + 4) % 8), d = pixel(grid, 0, (gx + 4) % 16, (gy + 4) % 8);
      const double wx = cosineWeight((x - gx) / 4.0), wy = cosineWeight((y - gy) / 4.0);
      const auto mix = [&](int ca, int cb, int cc, int cd) {
        return static_cast<int>((1 - wy) * (1 - wx) * ca + (1 - wy) * wx * cb + wy * (1 - wx) * cc + wy * wx * cd);
      };
      ASSERT_EQ(pixel(g, 0, x, y),
                (Rgb{mix(a.c0, b.c0, c.c0, d.c0), mix(a.c1, b.c1, c.c1, d.c1), mix(a.c2, b.c2, c.c2, d.c2)}))
          << x << "," << y;
    }
  }
}

TEST(SubPlasma, ASeedOfZeroContinuesTheRandomSequence) {
  Generator g = makeGenerator(8, 8);
  subPlasma(g, 0, 2, 5, 256, false);
  subPlasma(g, 1, 2, 0, 256, false);
  subPlasma(g, 2, 2, 0, 256, false);
  EXPECT_FALSE(sameLayers(g, 1, g, 2));
  subPlasma(g, 3, 2, 5, 256, false);
  EXPECT_TRUE(sameLayers(g, 0, g, 3));
}

TEST(SubPlasma, StepsThatAreNotPowersOfTwoOrExceedTheLayerStayInside) {
  Generator g = makeGenerator(8, 8);
  for (int step : {3, 5, 7, 9, 100, 1 << 30}) subPlasma(g, 0, step, 11, 256, true);
  subPlasma(g, 0, 16, 11, 256, true);  // one grid point: every corner wraps to it
  const Rgb first = pixel(g, 0, 0, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      // Four equal corners: the weights sum to 1 give or take a rounding, and truncation can lose 1.
      const Rgb c = pixel(g, 0, x, y);
      ASSERT_TRUE(c.c0 >= first.c0 - 1 && c.c0 <= first.c0 && c.c1 >= first.c1 - 1 && c.c1 <= first.c1)
          << x << "," << y;
    }
  }
}

TEST(PerlinNoise, OneOctaveOnlySeedsAndLeavesZeros) {
  Generator g = makeGenerator(16, 16);
  fillNoise(g, 2, 1);
  perlinNoise(g, 2, 8, 77, 256, 128, 1, true);
  for (std::uint8_t byte : g.buffers[2]) ASSERT_EQ(byte, 0);
  Generator seeded = makeGenerator(16, 16);
  subPlasma(seeded, 0, 8, 77, 1, true);
  EXPECT_EQ(g.randomState, seeded.randomState);
}

TEST(PerlinNoise, EachOctaveHalvesTheStepScalesTheRangeAndAddsSaturating) {
  Generator g = makeGenerator(16, 16);
  perlinNoise(g, 1, 8, 3, 1024, 128, 3, false);  // ranges 512 and 256, steps 4 and 2
  Generator e = makeGenerator(16, 16);
  subPlasma(e, 1, 8, 3, 1, false);
  subPlasma(e, 2, 4, 0, 512, false);
  subPlasma(e, 3, 2, 0, 256, false);
  for (std::size_t i = 0; i < e.buffers[1].size(); ++i) {
    ASSERT_EQ(g.buffers[1][i], std::min(255, e.buffers[2][i] + e.buffers[3][i])) << i;
  }
  perlinNoise(g, 1, 8, 3, 1024, 0, 5, false);  // persistence 0 ends after the first octave
  for (std::uint8_t byte : g.buffers[1]) ASSERT_EQ(byte, 0);
}

TEST(SinePlasma, FollowsTheSineFormula) {
  Generator g = makeGenerator(16, 16);
  sinePlasma(g, 0, 0, 0, 256);
  EXPECT_EQ(pixel(g, 0, 7, 3), (Rgb{127, 127, 127}));
  sinePlasma(g, 0, 0.3f, 0.2f, 200);
  const double a = 127 + 63.5 * std::sin(0.2f * 5.0);
  const int v = static_cast<int>(200 * 0.00390625 * (a + 63.5 * std::sin(0.3f * 9.0)));
  EXPECT_EQ(pixel(g, 0, 9, 5), (Rgb{v, v, v}));
}

TEST(Particle, BrightInTheMiddleFallingOffWithTheApproximateRadius) {
  Generator g = makeGenerator(16, 16);
  particle(g, 4, 1.0f);
  EXPECT_EQ(pixel(g, 4, 8, 8), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixel(g, 4, 0, 0), (Rgb{0, 0, 0}));  // 255 - 180 * approxSqrt(2) = 255 - 270
  particle(g, 4, 0.5f);
  EXPECT_EQ(pixel(g, 4, 0, 0), (Rgb{120, 120, 120}));  // 255 - 90 * 1.5
  EXPECT_EQ(pixel(g, 4, 0, 8), (Rgb{165, 165, 165}));  // nx = -1: r = 1
}

TEST(CheckerBoard, CellsThatDivideTheWidthMakeARegularBoard) {
  Generator g = makeGenerator(64, 32);
  checkerBoardLayer(g, 0, 8, 4, 1, 2, 3, 200, 201, 202);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool b = (x / 8 + y / 4) % 2 == 0;  // the first cell gets the second colour
      ASSERT_EQ(pixel(g, 0, x, y), b ? (Rgb{200, 201, 202}) : (Rgb{1, 2, 3})) << x << "," << y;
    }
  }
}

TEST(CheckerBoard, TheOddFlagKeepsEveryRowOfABandAlike) {
  Generator g = makeGenerator(8, 8);
  checkerBoardLayer(g, 0, 3, 4, 0, 0, 0, 255, 255, 255);  // 8 / 3 = 2 is even, 8 mod 3 = 2
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(pixel(g, 0, x, y), pixel(g, 0, x, y / 4 * 4)) << x << "," << y;
  }
  EXPECT_NE(pixel(g, 0, 0, 0), pixel(g, 0, 0, 4));
  EXPECT_NE(pixel(g, 0, 0, 0), pixel(g, 0, 3, 0));
}

TEST(Blobs, DrawsPositionThenIntensitiesFromItsSeed) {
  Generator g = makeGenerator(32, 32);
  blobsLayer(g, 1, 42, 1, false);
  Generator draws;
  draws.randomState = 42;
  const int bx = static_cast<int>((nextRandom(draws) * 32) >> 8) & 31;
  const int by = static_cast<int>((nextRandom(draws) * 32) >> 8) & 31;
  const double intensity = 150 * (0.1 + (nextRandom(draws) & 255) * 0.00392156862745);
  const int centre = std::min(255, static_cast<int>(intensity));
  EXPECT_EQ(pixel(g, 1, bx, by), (Rgb{centre, centre, centre}));
  blobsLayer(g, 1, 42, 0, true);
  for (std::uint8_t byte : g.buffers[1]) ASSERT_EQ(byte, 0);
  blobsLayer(g, 1, 42, 16, true);
  Generator again = makeGenerator(32, 32);
  again.randomState = 999;
  blobsLayer(again, 1, 42, 16, true);
  EXPECT_TRUE(sameLayers(g, 1, again, 1));
}

TEST(MandelBrot, InsideTheSetIsRedOutsideCountsIterations) {
  Generator g = makeGenerator(16, 16);
  runOperation(g, 7, params({0, -0.1f, -0.1f, 0.1f, 0.1f}));  // slots: corners of the window
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(pixel(g, 0, x, y), (Rgb{255, 0, 0}));
  }
  mandelBrot(g, 0, 2.0, 1.0, 2.0, 1.0, 16.0);
  EXPECT_EQ(pixel(g, 0, 0, 0), (Rgb{1, 254, 254}));  // c = 2 + 2i: |c|^2 = 8, then (2 + 10i)
  mandelBrot(g, 0, 5.0, 1.0, 0.0, 1.0, 16.0);
  EXPECT_EQ(pixel(g, 0, 0, 0), (Rgb{0, 255, 255}));
}

// The escape count of one pixel, iterated on its own.
int escapeCount(double cr, double ci) {
  double zr = cr, zi = ci;
  int n = 0;
  for (; n < 255 && !(zr * zr + zi * zi > 16.0); ++n) {
    const double ni = 2.0 * zr * zi + ci;
    zr = zr * zr - zi * zi + cr;
    zi = ni;
  }
  return n;
}

void expectOnePixelAtATime(const Generator& g, double x0, double w, double y0, double h) {
  double ci = y0;
  for (int y = 0; y < g.height; ++y, ci += h / g.height) {
    double cr = x0;
    for (int x = 0; x < g.width; ++x, cr += w / g.width) {
      const int n = escapeCount(cr, ci);
      ASSERT_EQ(pixel(g, 2, x, y), (Rgb{n, 255 - n, 255 - n})) << x << "," << y;
    }
  }
}

TEST(MandelBrot, MatchesIteratingOnePixelAtATimeInEitherLaneWidth) {
  for (LaneWidth lanes : {LaneWidth::four, LaneWidth::two}) {
    SCOPED_TRACE(lanes == LaneWidth::four ? "four lanes" : "two lanes");
    Generator g = makeGenerator(64, 32);
    mandelBrotInLanes(g, 2, -2.25, 3.0, -1.5, 3.0, 16.0, lanes);
    expectOnePixelAtATime(g, -2.25, 3.0, -1.5, 3.0);
    Generator small = makeGenerator(2, 2);  // fewer pixels than lanes
    mandelBrotInLanes(small, 2, -0.75, 0.5, 0.1, 0.2, 16.0, lanes);
    expectOnePixelAtATime(small, -0.75, 0.5, 0.1, 0.2);
  }
  // The public operation takes the widest lanes, with the same pixels.
  Generator viaOperation = makeGenerator(64, 32);
  Generator viaTwoLanes = makeGenerator(64, 32);
  mandelBrot(viaOperation, 2, -2.25, 3.0, -1.5, 3.0, 16.0);
  mandelBrotInLanes(viaTwoLanes, 2, -2.25, 3.0, -1.5, 3.0, 16.0, LaneWidth::two);
  EXPECT_EQ(std::memcmp(viaOperation.layer(2), viaTwoLanes.layer(2), 64 * 32 * 3), 0);
}

TEST(CellMachine, RulesReadTheThreeCellsAbove) {
  Generator g = makeGenerator(256, 8);
  cellMachine(g, 0, 7, 204);  // 204: white exactly when the centre above is white
  Generator draws;
  draws.randomState = 7;
  int white = 0;
  for (int x = 0; x < 256; ++x) {
    const int c = (nextRandom(draws) >> 10) == 0 ? 255 : 0;
    white += c != 0;
    ASSERT_EQ(pixel(g, 0, x, 0), (Rgb{c, c, c}));
  }
  EXPECT_GT(white, 0);
  for (int y = 1; y < 8; ++y) {
    for (int x = 0; x < 256; ++x) ASSERT_EQ(pixel(g, 0, x, y), pixel(g, 0, x, 0));
  }
  cellMachine(g, 0, 7, 1);  // white only below three black cells
  for (int x = 0; x < 256; ++x) {
    const bool blackAbove =
        pixel(g, 0, (x + 255) % 256, 0).c0 == 0 && pixel(g, 0, x, 0).c0 == 0 && pixel(g, 0, (x + 1) % 256, 0).c0 == 0;
    ASSERT_EQ(pixel(g, 0, x, 1).c0, blackAbove ? 255 : 0) << x;
  }
}

}  // namespace
