#include "tests/render/demo_render.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using Rgb = std::array<int, 3>;

constexpr int width = 400;
constexpr int height = 300;

// The demo on black pictures, run at 10 frames a second to the end of the white sky and the second in
// which it settles; black textures add nothing where they are drawn additively, so the sky, the
// untextured geometry and the fades are what shows.
const std::map<std::int32_t, rendertest::Frame>& frames() {
  static const std::map<std::int32_t, rendertest::Frame> rendered = [] {
    testsupport::TempDir dir;
    testsupport::writeFlatDataSet(dir.path());
    return rendertest::renderDemo({dir.path(), {71000, 71639, 72139}, width, height, 10});
  }();
  return rendered;
}

void expectNear(const Rgb& actual, const Rgb& expected, int tolerance, const std::string& where) {
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], tolerance) << where << " channel " << c;
}

Rgb bytes(double r, double g, double b) { return {int(r * 255 + 0.5), int(g * 255 + 0.5), int(b * 255 + 0.5)}; }

// The value of one channel that most pixels of a row share.
int commonValue(const rendertest::Frame& frame, int y, int channel) {
  std::map<int, int> counts;
  for (int x = 0; x < frame.width; ++x) ++counts[frame.at(x, y)[channel]];
  return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

TEST(Scene3And4Frames, SkyIsWhiteAsTheTreeSceneEnds) {
  const rendertest::Frame& frame = frames().at(71000);
  for (auto [x, y] :
       {std::pair{0, 0}, {width - 1, 0}, {width / 2, height / 2}, {0, height - 1}, {width - 1, height - 1}}) {
    expectNear(frame.at(x, y), {255, 255, 255}, 0, "at " + std::to_string(x) + ", " + std::to_string(y));
  }
}

// Half a second in, the sky is halfway from white to its steady colours. The camera looks down on the
// ground then, so only the top corners show bare sky; the bottom shows through the ground, which is
// blended over it at alpha 0.4 and has no red or blue of its own.
TEST(Scene3And4Frames, HalfASecondIntoTheBirdSceneTheSkyIsHalfwaySettled) {
  const rendertest::Frame& frame = frames().at(71639);
  expectNear(frame.at(0, 0), bytes(0.5, 0.5, 0.5), 2, "top left");
  expectNear(frame.at(width - 1, 0), bytes(0.5, 0.5, 0.5), 2, "top right");
  EXPECT_NEAR(commonValue(frame, height - 1, 0), 0.6 * 0.75 * 255, 2) << "red along the bottom";
  EXPECT_NEAR(commonValue(frame, height - 1, 2), 0.6 * 0.95 * 255, 2) << "blue along the bottom";
}

TEST(Scene3And4Frames, AfterOneSecondTheSkysTopIsBlack) {
  const rendertest::Frame& frame = frames().at(72139);
  expectNear(frame.at(0, 0), {0, 0, 0}, 1, "top left");
  expectNear(frame.at(width - 1, 0), {0, 0, 0}, 1, "top right");
  EXPECT_NEAR(commonValue(frame, height - 1, 0), 0.6 * 0.5 * 255, 2) << "red along the bottom";
  EXPECT_NEAR(commonValue(frame, height - 1, 2), 0.6 * 0.9 * 255, 2) << "blue along the bottom";
}

}  // namespace
