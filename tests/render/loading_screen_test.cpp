#include "engine/camera.h"
#include "hwl/encoder.h"
#include "shell/demo.h"
#include "shell/loading_screen.h"
#include "shell/settings.h"
#include "tests/support/process.h"
#include "tools/capture/offscreen_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using Rgb = std::array<int, 3>;

// A loading picture whose upper half is red and lower half blue.
void writeLoadingPicture(const std::filesystem::path& dir) {
  hwl::HwlImage image{64, 64, 3, std::vector<std::uint8_t>(64 * 64 * 3, 0)};
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) image.samples[(y * 64 + x) * 3 + (y < 32 ? 0 : 2)] = 200;
  }
  const auto bytes = hwl::hwlEncode(image, {});
  testsupport::writeFile(dir / "loading.hwl", std::string(bytes.begin(), bytes.end()));
}

class LoadingScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    writeLoadingPicture(dir.path());
    shell::useDescription({.dataDirectory = dir.path().string()});
    shell::storeDefaultSettings();
  }
  void TearDown() override { shell::useDescription({}); }

  // The loading screen as the start-up shows it: its own state, then the camera, then a progress frame.
  std::vector<std::uint8_t> frameAt(double fraction) {
    shell::initLoadingScreen();
    engine::Camera* camera = engine::initCamera(0, 0, 0, 0, 0, -1, 0, 1, 0);
    shell::showProgress(fraction);
    auto rgb = context.readRgb();
    engine::doneCamera(camera);
    engine::doneTexture(shell::texLoading);
    shell::texLoading = nullptr;
    return rgb;
  }

  Rgb pixel(const std::vector<std::uint8_t>& rgb, int x, int y) const {
    const std::size_t at = (std::size_t(y) * 800 + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
  }

  testsupport::TempDir dir;
  capture::OffscreenContext context{800, 600};
};

void expectNear(const Rgb& actual, const Rgb& expected, int tolerance, const char* where) {
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], tolerance) << where << " channel " << c;
}

// In an 800 x 600 frame the picture spans x 110..690 and y 137..572, the bar y 430..449 from x 103.
TEST_F(LoadingScreen, HalfwayTheBarCoversTheLeftHalfOfThePictureAndThePictureShowsElsewhere) {
  const auto frame = frameAt(0.5);
  expectNear(pixel(frame, 250, 440), {255, 255, 255}, 0, "bar");
  expectNear(pixel(frame, 390, 440), {255, 255, 255}, 0, "bar near its end");
  expectNear(pixel(frame, 420, 440), {0, 0, 200}, 4, "right of the bar");
  expectNear(pixel(frame, 400, 200), {200, 0, 0}, 4, "upper half of the picture (t = 0 at the top)");
  expectNear(pixel(frame, 400, 520), {0, 0, 200}, 4, "lower half of the picture");
  expectNear(pixel(frame, 50, 300), {0, 0, 0}, 0, "outside the picture");
}

TEST_F(LoadingScreen, AtTheEndTheBarSpansThePicturesWidth) {
  const auto frame = frameAt(1.0);
  for (const int edge : {120, 680}) {
    SCOPED_TRACE(edge);
    expectNear(pixel(frame, edge, 440), {255, 255, 255}, 0, "bar at the picture's edge");
  }
  expectNear(pixel(frame, 680, 460), {0, 0, 200}, 4, "below the bar");
  expectNear(pixel(frame, 750, 440), {0, 0, 0}, 0, "beyond the picture");
}

}  // namespace
