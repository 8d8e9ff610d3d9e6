#include "tools/capture/offscreen_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

TEST(OffscreenContext, ReadsFramesBackTopRowFirst) {
  capture::OffscreenContext context(64, 48);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(1, 0, 0);
  glBegin(GL_QUADS);  // the upper half of the frame
  glVertex2f(-1, 0);
  glVertex2f(1, 0);
  glVertex2f(1, 1);
  glVertex2f(-1, 1);
  glEnd();
  const auto rgb = context.readRgb();
  ASSERT_EQ(rgb.size(), 64u * 48u * 3u);
  const auto pixel = [&](int x, int y) {
    const std::size_t at = (std::size_t(y) * 64 + x) * 3;
    return std::vector<int>{rgb[at], rgb[at + 1], rgb[at + 2]};
  };
  EXPECT_EQ(pixel(10, 2), (std::vector<int>{255, 0, 0}));   // top row: the quad
  EXPECT_EQ(pixel(10, 45), (std::vector<int>{0, 0, 255}));  // bottom row: the clear colour
}

}  // namespace
