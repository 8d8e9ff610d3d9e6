// Shapes drawn in code, and the butterfly's wing made of them.

#include "tools/content/drawing.h"
#include "tools/content/wing.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace content;

double area(const GreyCanvas& canvas) { return std::accumulate(canvas.values.begin(), canvas.values.end(), 0.0); }

TEST(Drawing, FillsAndErasesDiscs) {
  GreyCanvas canvas(32, 32);
  fillDisc(canvas, {16, 16}, 8);
  EXPECT_NEAR(area(canvas), 3.14159 * 64, 3);
  eraseDisc(canvas, {16, 16}, 4);
  EXPECT_NEAR(area(canvas), 3.14159 * (64 - 16), 3);
  EXPECT_EQ(canvas.at(16, 16), 0.0f);
  EXPECT_EQ(canvas.at(16, 10), 1.0f);
}

TEST(Drawing, FillsAPolygonWithItsAreaAndSoftEdges) {
  GreyCanvas canvas(64, 64);
  fillPolygon(canvas, {{10.5, 10}, {40.5, 10}, {40.5, 30.25}, {10.5, 30.25}});  // 30 x 20.25
  EXPECT_NEAR(area(canvas), 30 * 20.25, 0.5);
  EXPECT_FLOAT_EQ(canvas.at(20, 20), 1.0f);
  EXPECT_FLOAT_EQ(canvas.at(10, 20), 0.5f);  // half the pixel's samples lie inside
  EXPECT_FLOAT_EQ(canvas.at(20, 30), 0.25f);
  EXPECT_FLOAT_EQ(canvas.at(5, 5), 0.0f);
}

TEST(Drawing, StrokesLinesOfTheirWidthAndCurvesThroughTheirPoints) {
  GreyCanvas canvas(64, 64);
  strokePolyline(canvas, {{8, 32}, {56, 32}}, 4, false);
  EXPECT_NEAR(area(canvas), 48 * 4 + 3.1416 * 4, 4);  // the band and its round ends
  EXPECT_FLOAT_EQ(canvas.at(30, 31), 1.0f);
  EXPECT_FLOAT_EQ(canvas.at(30, 36), 0.0f);

  const std::vector<Point> through{{0, 0}, {10, 5}, {20, 0}};
  const std::vector<Point> open = openCurve(through, 8);
  EXPECT_DOUBLE_EQ(open[8].x, 10);
  EXPECT_DOUBLE_EQ(open[8].y, 5);
  EXPECT_DOUBLE_EQ(open.back().x, 20);
  EXPECT_EQ(closedCurve(through, 8).size(), 24u);
}

TEST(Wing, IsWhiteOnBlackHingedAtTheLeftWithItsPatternAlongItsEdge) {
  const GreyCanvas silhouette = drawWingSilhouette(256);
  const GreyCanvas pattern = drawWingPattern(256);
  for (const GreyCanvas* mask : {&silhouette, &pattern}) {
    EXPECT_EQ(mask->at(255, 255), 0.0f);  // corners away from the wing are black
    EXPECT_EQ(mask->at(255, 128), 0.0f);
  }
  EXPECT_EQ(silhouette.at(64, 96), 1.0f);    // the fore wing
  EXPECT_EQ(silhouette.at(100, 200), 1.0f);  // the hind wing
  EXPECT_EQ(silhouette.at(200, 150), 0.0f);  // between the wings' outer edges
  // The hinge: the wing starts at the left edge, the tip reaches the right.
  EXPECT_GT(silhouette.at(8, 128), 0.5f);
  EXPECT_GT(silhouette.at(240, 20), 0.5f);
  // The pattern covers much less than the wing, and lies on it or just beside its edge.
  EXPECT_LT(area(pattern), 0.5 * area(silhouette));
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      if (pattern.at(x, y) < 1.0f) continue;
      bool nearWing = false;
      for (int dy = -6; dy <= 6 && !nearWing; ++dy) {
        for (int dx = -6; dx <= 6 && !nearWing; ++dx) {
          nearWing = silhouette.contains(x + dx, y + dy) && silhouette.at(x + dx, y + dy) > 0;
        }
      }
      const bool bodyOrAntenna = x < 10 || (x < 36 && y < 48);  // along the hinge, and above it
      EXPECT_TRUE(nearWing || bodyOrAntenna) << x << "," << y;
    }
  }
}

TEST(Wing, LeavesItsPaleSpotsOpenInTheBorderAndOnTheWing) {
  const GreyCanvas silhouette = drawWingSilhouette(256);
  const GreyCanvas pattern = drawWingPattern(256);
  const GreyCanvas spots = drawWingSpots(256);
  int spotPixels = 0;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      if (spots.at(x, y) < 1.0f) continue;
      ++spotPixels;
      EXPECT_EQ(silhouette.at(x, y), 1.0f) << x << "," << y;  // on the wing
      EXPECT_EQ(pattern.at(x, y), 0.0f) << x << "," << y;     // a hole in the dark border
    }
  }
  EXPECT_GT(spotPixels, 20 * 9);  // a row of spots of a few pixels each
}

}  // namespace
