// Real pixels of scenes 1 and 2: the gradient fading up, and the cut from scene 1 to scene 2.

#include "hwl/encoder.h"
#include "tests/render/demo_render.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

using rendertest::Frame;

void expectNear(const std::array<int, 3>& actual, const std::array<int, 3>& expected, int tolerance,
                const char* where) {
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], tolerance) << where << ", channel " << c;
}

// A 64 x 64 colour picture from a function of (x, y) in 0..1.
template <typename Shade>
void writePicture(const std::filesystem::path& path, Shade shade) {
  hwl::HwlImage image{64, 64, 3, std::vector<std::uint8_t>(64 * 64 * 3)};
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const std::array<int, 3> rgb = shade((x + 0.5) / 64, (y + 0.5) / 64);
      for (int c = 0; c < 3; ++c) image.samples[(y * 64 + x) * 3 + c] = static_cast<std::uint8_t>(rgb[c]);
    }
  }
  const auto bytes = hwl::hwlEncode(image, {});
  testsupport::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// A soft white glow for the flares, a two-colour picture.
void writeVisibleDataSet(const std::filesystem::path& dir) {
  testsupport::writeFlatDataSet(dir);
  const auto glow = [](double x, double y) {
    const double r = std::hypot(x - 0.5, y - 0.5) * 2;
    const int v = static_cast<int>(255 * std::max(0.0, 1 - r));
    return std::array<int, 3>{v, v, v};
  };
  writePicture(dir / "flare.hwl", glow);
  writePicture(dir / "flare_big.hwl", glow);
  writePicture(dir / "background1.hwl", [](double x, double y) {
    return std::array<int, 3>{static_cast<int>(200 * x), 80, static_cast<int>(200 * y)};
  });
}

// The mean difference of all channels of two frames.
double difference(const Frame& a, const Frame& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
  return sum / static_cast<double>(a.rgb.size());
}

TEST(Scene1Pixels, TheGradientFadesUpFromBlackAtTheTopToDarkBlueAtTheBottom) {
  testsupport::TempDir dir;
  testsupport::writeFlatDataSet(dir.path());
  auto frames = rendertest::renderDemo({dir.path(), {3000, 9000}, 320, 240, 10});
  const Frame& early = frames.at(3000);
  expectNear(early.at(160, 239), {3, 22, 45}, 2, "bottom at 3000 ms");
  expectNear(early.at(10, 239), {3, 22, 45}, 2, "bottom left at 3000 ms");
  expectNear(early.at(160, 0), {0, 0, 0}, 0, "top at 3000 ms");
  expectNear(early.at(160, 120), {2, 11, 22}, 2, "middle at 3000 ms");
  expectNear(frames.at(9000).at(160, 239), {6, 45, 89}, 2, "bottom at 9000 ms");
}

TEST(Scene2Pixels, TheCutFromScene1ChangesNoMoreThanTheMotionOfOneFrame) {
  testsupport::TempDir dir;
  writeVisibleDataSet(dir.path());
  // The last frames of scene 1 and the first of scene 2, about 1/60 s apart. Scene 2's first frame must
  // lie as close to scene 1's last frame as to its own next one, both about one frame of scene 1's motion.
  auto frames = rendertest::renderDemo({dir.path(), {14950, 14967, 14983, 15000, 15017}, 320, 240, 10});
  const double inScene1 = difference(frames.at(14967), frames.at(14983));
  const double acrossTheCut = difference(frames.at(14983), frames.at(15000));
  const double inScene2 = difference(frames.at(15000), frames.at(15017));
  EXPECT_GT(inScene1, 0.05);  // the frames do show moving things
  EXPECT_LT(acrossTheCut, 1.5 * inScene1) << "within scene 1 " << inScene1 << ", across the cut " << acrossTheCut;
  EXPECT_LT(inScene2, 1.5 * inScene1) << "within scene 1 " << inScene1 << ", within scene 2 " << inScene2;
  if (std::getenv("VELMORROW_KEEP_FRAMES")) {
    for (const auto& [clock, frame] : frames) frame.save("scene12-seam-" + std::to_string(clock) + ".png");
  }
}

}  // namespace
