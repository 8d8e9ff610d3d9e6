#include "tools/capture/frame_layout.h"

#include <gtest/gtest.h>

namespace {

using capture::FrameLayout;
using capture::layoutFrame;

TEST(FrameLayout, WideFramesGetBarsLeftAndRightTallOnesTopAndBottom) {
  EXPECT_EQ(layoutFrame(1920, 1080, 2, false), (FrameLayout{1920, 1080, 1440, 1080, 240, 0, 2}));
  EXPECT_EQ(layoutFrame(3840, 2160, 1, false), (FrameLayout{3840, 2160, 2880, 2160, 480, 0, 1}));
  EXPECT_EQ(layoutFrame(600, 800, 1, false), (FrameLayout{600, 800, 600, 450, 0, 175, 1}));
  EXPECT_EQ(layoutFrame(800, 600, 3, false), (FrameLayout{800, 600, 800, 600, 0, 0, 3}));
  // Shapes that do not divide evenly: the picture rounds down and the odd pixel goes to the far bar.
  EXPECT_EQ(layoutFrame(1001, 500, 1, false), (FrameLayout{1001, 500, 666, 500, 167, 0, 1}));
  EXPECT_EQ(layoutFrame(1920, 1080, 2, false).renderWidth(), 2880);
}

TEST(FrameLayout, TinyFramesStillHoldAPictureOfAtLeastOnePixel) {
  EXPECT_EQ(layoutFrame(1, 1, 1, false), (FrameLayout{1, 1, 1, 1, 0, 0, 1}));
  EXPECT_EQ(layoutFrame(2, 2, 2, false), (FrameLayout{2, 2, 2, 1, 0, 0, 2}));
  EXPECT_EQ(layoutFrame(1, 5, 1, false), (FrameLayout{1, 5, 1, 1, 0, 2, 1}));
  EXPECT_EQ(layoutFrame(9, 1, 1, false), (FrameLayout{9, 1, 1, 1, 4, 0, 1}));
}

TEST(FrameLayout, StretchRendersAtTheFramesOwnShape) {
  EXPECT_EQ(layoutFrame(1280, 720, 2, true), (FrameLayout{1280, 720, 1280, 720, 0, 0, 2}));
}

TEST(FrameLayout, DownsamplingAveragesInLinearLightAndKeepsFlatColoursExact) {
  // Two 2 x 2 blocks: every byte value the same in the first, black and white halves in the second.
  std::vector<std::uint8_t> rendered;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      const std::uint8_t v = x < 2 ? 77 : (x == 2 ? 0 : 255);
      rendered.insert(rendered.end(), {v, v, static_cast<std::uint8_t>(x < 2 ? 200 : v)});
    }
  }
  const std::vector<std::uint8_t> out = capture::downsampleLinear(rendered, 4, 2, 2);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{77, 77, 200, 188, 188, 188}));  // half of white in linear light
  for (int value = 0; value < 256; ++value) {
    const std::vector<std::uint8_t> flat(4 * 4 * 3, static_cast<std::uint8_t>(value));
    ASSERT_EQ(capture::downsampleLinear(flat, 4, 4, 4), std::vector<std::uint8_t>(3, value)) << value;
  }
  EXPECT_THROW(capture::downsampleLinear(rendered, 4, 2, 3), std::invalid_argument);
}

TEST(FrameLayout, TheComposedFrameHasBlackBarsAroundThePicture) {
  const FrameLayout layout = layoutFrame(8, 3, 1, false);  // a 4 x 3 picture, 2 pixels of bar each side
  const std::vector<std::uint8_t> picture(4 * 3 * 3, 90);
  const std::vector<std::uint8_t> frame = capture::composeFrame(layout, picture);
  ASSERT_EQ(frame.size(), 8u * 3 * 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(frame[(y * 8 + x) * 3 + 1], x >= 2 && x < 6 ? 90 : 0) << x << "," << y;
    }
  }
}

}  // namespace
