// The GL layer's mipmaps against GLU's own: libGLU's gluBuild2DMipmaps on Mesa's desktop OpenGL, every
// level read back, byte for byte the levels the layer makes from the same BGRA picture.
#include "platform/web/gl/pictures.h"
#include "tools/capture/offscreen_context.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(GluMipmaps, EveryLevelEqualsTheLayersHalving) {
  capture::OffscreenContext context(16, 16);
  for (const auto& [width, height] : {std::pair{64, 32}, {4, 64}, {256, 256}}) {
    std::mt19937 random(width * 7 + height);
    std::vector<std::uint8_t> bgra(std::size_t(width) * height * 4);
    for (auto& byte : bgra) byte = static_cast<std::uint8_t>(random());
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    gllayer::Picture ours = *gllayer::toRgba(width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data(), 4, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0;; ++level) {
      std::vector<std::uint8_t> glus(ours.rgba.size());
      glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, glus.data());
      ASSERT_EQ(glus, ours.rgba) << width << " x " << height << " level " << level;
      if (ours.width == 1 && ours.height == 1) break;
      ours = gllayer::halve(ours);
    }
    glDeleteTextures(1, &texture);
  }
}

}  // namespace
