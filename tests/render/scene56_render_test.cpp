#include "tests/render/demo_render.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace {

// Scenes 5 and 6 on real pixels, with every picture black so that only untextured colours show: the
// closing rings of scene 5 over its black panel, and scene 6's red blossom where the camera looks.
class Scenes5And6Render : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testsupport::TempDir dir;
    testsupport::writeFlatDataSet(dir.path());
    frames = new std::map<std::int32_t, rendertest::Frame>(
        rendertest::renderDemo({dir.path(), {101200, 110000}, 800, 600, 10}));
  }
  static void TearDownTestSuite() {
    delete frames;
    frames = nullptr;
  }
  static const rendertest::Frame& frame(std::int32_t clock) { return frames->at(clock); }

  static std::map<std::int32_t, rendertest::Frame>* frames;
};

std::map<std::int32_t, rendertest::Frame>* Scenes5And6Render::frames = nullptr;

TEST_F(Scenes5And6Render, RingsExpandOverTheClosingPanel) {
  const rendertest::Frame& f = frame(101200);
  // 200 ms in, ring 1 spans radius 0.10 to 0.12 at depth 2, about 36 to 43 pixels from the centre.
  for (const auto& [x, y] : {std::pair{440, 300}, {360, 300}, {400, 260}, {400, 340}}) {
    const auto ring = f.at(x, y);
    EXPECT_GE(ring[0], 240) << x << "," << y;
    EXPECT_GE(ring[1], 240) << x << "," << y;
    EXPECT_GE(ring[2], 240) << x << "," << y;
  }
  // Inside it only the gradient shows through the black panel: dark red at mid height.
  const auto centre = f.at(400, 300);
  EXPECT_NEAR(centre[0], 38, 8);
  EXPECT_LE(centre[1], 4);
  // Ring 2 (radius 0.60 to 0.62, half alpha) adds grey to the gradient near the top.
  const auto ring2 = f.at(400, 79);
  EXPECT_NEAR(ring2[1], 128, 10);
  EXPECT_NEAR(ring2[0], 66 + 128, 12);
}

TEST_F(Scenes5And6Render, TheCameraLooksAtTheTopOfTheStalkUnderTheRedBlossom) {
  const rendertest::Frame& f = frame(110000);
  // The view centre is the stalk's top, where the blossom starts: red just above it.
  const auto blossom = f.at(400, 250);
  EXPECT_GT(blossom[0], 150);
  EXPECT_GT(blossom[0], 2 * blossom[1]);
  // The green stalk and leaves are somewhere in the lower half of the picture.
  int green = 0;
  for (int y = 300; y < 600; y += 2) {
    for (int x = 0; x < 800; x += 2) {
      const auto p = f.at(x, y);
      if (p[1] > 50 && p[1] > p[0] && p[1] > p[2]) ++green;
    }
  }
  EXPECT_GT(green, 200);
}

}  // namespace
