// The end of the demo in real pixels: the closing picture fades everything but the butterfly and the
// sky darkens, so from 157,000 ms nothing but the butterfly can show.

#include "hwl/encoder.h"
#include "tests/render/demo_render.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace {

using rendertest::Frame;

// A 64 x 64 picture of one colour.
void writePicture(const std::filesystem::path& path, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  hwl::HwlImage image{64, 64, 3, {}};
  for (int i = 0; i < 64 * 64; ++i) image.samples.insert(image.samples.end(), {r, g, b});
  const auto bytes = hwl::hwlEncode(image, {});
  testsupport::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// Black pictures, except an opaque magenta butterfly (its shape stays clear) and a white sky picture.
void writeDataSet(const std::filesystem::path& dir) {
  testsupport::writeFlatDataSet(dir);
  writePicture(dir / "butterfly.hwl", 255, 0, 255);
  writePicture(dir / "butterfly_alpha.hwl", 255, 255, 255);
  writePicture(dir / "background99.hwl", 255, 255, 255);
}

// The butterfly's colour pass at half opacity: strong red and blue, little green. No other element of
// the scene has that colour: the flower and the grass have no blue, the sky little red, the sky
// picture is white.
bool butterflyColoured(const std::array<int, 3>& p) { return p[0] > 100 && p[2] > 100 && 2 * p[1] < p[0]; }
bool black(const std::array<int, 3>& p) { return p[0] <= 1 && p[1] <= 1 && p[2] <= 1; }

int countPixels(const Frame& frame, bool (*test)(const std::array<int, 3>&)) {
  int n = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) n += test(frame.at(x, y)) ? 1 : 0;
  }
  return n;
}

TEST(Scene7Render, FromTheSkysDarkeningOnOnlyTheButterflyCouldShow) {
  testsupport::TempDir dir;
  writeDataSet(dir.path());
  const std::vector<std::int32_t> clocks{152000, 157000, 157500, 157899};
  const auto frames = rendertest::renderDemo({dir.path(), clocks, 400, 300, 5});
  ASSERT_EQ(frames.size(), clocks.size());
  if (const char* keep = std::getenv("VELMORROW_KEEP_FRAMES")) {
    for (const auto& [clock, frame] : frames)
      frame.save(std::filesystem::path(keep) / ("scene7_" + std::to_string(clock) + ".png"));
  }

  // Halfway through the fade the sky is blue, the sky picture shows and the butterfly sits on the
  // flower in view.
  const Frame& fading = frames.at(152000);
  EXPECT_GT(fading.at(200, 295)[2], 150);  // the sky's bottom edge
  EXPECT_GT(fading.at(300, 60)[1], 100);   // the sky picture, half faded
  EXPECT_GT(countPixels(fading, butterflyColoured), 50);

  for (const std::int32_t clock : {157000, 157500, 157899}) {
    SCOPED_TRACE(clock);
    const Frame& frame = frames.at(clock);
    EXPECT_EQ(countPixels(frame, black) + countPixels(frame, butterflyColoured), frame.width * frame.height);
    EXPECT_TRUE(black(frame.at(200, 295)));  // the sky's bottom edge
    EXPECT_TRUE(black(frame.at(300, 60)));   // where the sky picture was
  }
}

}  // namespace
