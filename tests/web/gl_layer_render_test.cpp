// The GL layer drawing on OpenGL ES 3 (Mesa's software renderer through EGL): pixels read back after
// quads, polygon modes, display lists, matrix stacks and texture uploads.
#include "platform/web/gl/gl_layer.h"
#include "tools/capture/offscreen_context.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>

namespace {

constexpr int size = 32;
using Rgb = std::array<int, 3>;

class GlLayer : public testing::Test {
 protected:
  GlLayer() {
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, size, 0, size, -1, 1);  // one unit a pixel, y up
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  // The pixel at (x, y), y counted from the bottom as in OpenGL.
  Rgb pixel(int x, int y) {
    const std::vector<std::uint8_t> rgb = context_.readRgb();
    const std::size_t i = (std::size_t(size - 1 - y) * size + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }

  int litPixels(int fromX, int toX) {
    int lit = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = fromX; x < toX; ++x) lit += pixel(x, y) != Rgb{0, 0, 0};
    }
    return lit;
  }

 private:
  // Each case has a context of its own: the layer forgets the last one's objects first.
  struct FreshLayer {
    FreshLayer() { gllayer::forgetContext(); }
  } fresh_;
  capture::OffscreenContext context_{size, size, capture::ClientApi::openGlEs3};
};

// A quad with corners at pixel centres, wound counter-clockwise (or clockwise).
void square(float x0, float y0, float x1, float y1, bool counterClockwise = true) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(x0, y0);
  if (counterClockwise) {
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
  } else {
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
  }
  glEnd();
}

TEST_F(GlLayer, QuadsFillTheirAreaWithTheCurrentColourAndBlend) {
  glColor3f(1, 0, 0);
  square(8, 8, 24, 24);
  EXPECT_EQ(pixel(16, 16), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(4, 4), (Rgb{0, 0, 0}));
  EXPECT_EQ(litPixels(0, size), 16 * 16);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glColor4f(0, 1, 0, 0.5F);
  square(8, 8, 16, 16);
  const Rgb added = pixel(10, 10);
  EXPECT_EQ(added[0], 255);
  EXPECT_NEAR(added[1], 128, 1);
  glColor4f(0, 0, 1, -1);  // clamped to 0 like the fixed-function colour: adds nothing
  square(8, 8, 16, 16);
  EXPECT_EQ(pixel(10, 10), added);
}

TEST_F(GlLayer, PolygonModesFollowEachPolygonsFacing) {
  glPolygonMode(GL_FRONT, GL_LINE);
  glPolygonMode(GL_BACK, GL_POINT);
  glColor3f(1, 1, 1);
  square(2.5F, 2.5F, 12.5F, 12.5F, true);    // front: its outline
  square(18.5F, 2.5F, 28.5F, 12.5F, false);  // back: its four corners
  EXPECT_EQ(pixel(7, 7), (Rgb{0, 0, 0}));
  EXPECT_GE(litPixels(0, 16), 36);
  EXPECT_EQ(litPixels(16, size), 4);
  EXPECT_EQ(pixel(18, 2), (Rgb{255, 255, 255}));
  // A point on a pixel's corner lights the pixel above and right of it, as OpenGL's points do.
  glClear(GL_COLOR_BUFFER_BIT);
  square(20, 20, 20, 20);
  EXPECT_EQ(litPixels(0, size), 1);
  EXPECT_EQ(pixel(20, 20), (Rgb{255, 255, 255}));
  // Clockwise polygons face front now.
  glClear(GL_COLOR_BUFFER_BIT);
  glFrontFace(GL_CW);
  square(2.5F, 2.5F, 12.5F, 12.5F, true);
  EXPECT_EQ(litPixels(0, 16), 4);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Corners red, green, blue, black: the centre shows the diagonal the quad was split along.
void colouredQuad(float x0, float y0, float x1, float y1) {
  glColor3f(1, 0, 0);
  glVertex2f(x0, y0);
  glColor3f(0, 1, 0);
  glVertex2f(x1, y0);
  glColor3f(0, 0, 1);
  glVertex2f(x1, y1);
  glColor3f(0, 0, 0);
  glVertex2f(x0, y1);
}

TEST_F(GlLayer, QuadsSplitAsMesaSplitsThem) {
  const Rgb firstToThird{120, 0, 135}, secondToFourth{0, 120, 16};  // the centre pixel of each split
  glBegin(GL_QUADS);
  colouredQuad(8, 8, 24, 24);
  glEnd();
  EXPECT_EQ(pixel(16, 16), firstToThird) << "nothing to clip";
  glBegin(GL_QUADS);
  colouredQuad(8, 8, 24, 24);
  glEnd();
  glBegin(GL_QUADS);  // the same draw: it needs clipping now
  colouredQuad(40, 40, 50, 50);
  glEnd();
  EXPECT_EQ(pixel(16, 16), secondToFourth) << "a draw that needs clipping";
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glBegin(GL_QUADS);
  colouredQuad(8, 8, 24, 24);
  glEnd();
  glEndList();
  glCallList(list);
  EXPECT_EQ(pixel(16, 16), secondToFourth) << "a display list";
}

TEST_F(GlLayer, DisplayListsReplayTheirGeometryWithTheStateOfTheirCall) {
  const GLuint lists = glGenLists(2);
  glNewList(lists, GL_COMPILE);
  square(0, 0, 4, 4);  // no colour of its own
  glTranslatef(8, 0, 0);
  glEndList();
  glNewList(lists + 1, GL_COMPILE);
  glColor3f(0, 0, 1);
  square(0, 8, 4, 12);
  glEndList();
  EXPECT_EQ(litPixels(0, size), 0) << "compiling draws nothing";
  glColor3f(0, 1, 0);
  glTranslatef(2, 0, 0);
  glCallList(lists);
  glCallList(lists);  // moved on by the list's own translation
  EXPECT_EQ(pixel(3, 1), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(11, 1), (Rgb{0, 255, 0}));
  EXPECT_EQ(litPixels(0, size), 2 * 16);
  glCallList(lists + 1);
  EXPECT_EQ(pixel(19, 9), (Rgb{0, 0, 255}));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[2], 1) << "the list's colour is current after it";
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);  // the mode of the call, not of the compilation
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
  glScalef(6, 2, 1);
  glCallList(lists + 1);
  EXPECT_EQ(pixel(12, 20), (Rgb{0, 0, 0}));
  EXPECT_GT(litPixels(0, size), 20);
  glDeleteLists(lists, 2);
}

TEST_F(GlLayer, MatrixStacksRestoreWhatTheyHeld) {
  glColor3f(1, 1, 1);
  glPushMatrix();
  glTranslatef(16, 0, 0);
  glRotatef(90, 0, 0, 1);  // (0..4, 0..4) turns into (-4..0, 0..4)
  square(0, 0, 4, 4);
  glPopMatrix();
  EXPECT_EQ(pixel(13, 2), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixel(17, 2), (Rgb{0, 0, 0}));
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();  // the whole viewport is -1..1 now
  glMatrixMode(GL_MODELVIEW);
  square(0, 0, 1, 1);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  EXPECT_EQ(pixel(30, 30), (Rgb{255, 255, 255}));
  square(28, 0, 32, 4);  // the pixel projection is back
  EXPECT_EQ(pixel(30, 2), (Rgb{255, 255, 255}));
  EXPECT_EQ(litPixels(0, size), 16 + 16 * 16 + 16);
  glPopMatrix();
  EXPECT_EQ(glGetError(), GLenum(GL_STACK_UNDERFLOW));
}

TEST_F(GlLayer, BgraPicturesUploadSwizzledAndModulateTheColour) {
  const std::uint8_t bgra[2 * 2 * 4] = {255, 0, 0,   0, 0,  255, 0,   0,   // bottom row: blue, green
                                        0,   0, 255, 0, 40, 80,  120, 0};  // top row: red, a mix
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);  // three components: the zero alphas do not count
  glColor3f(1, 1, 1);
  square(0, 0, 16, 16);
  EXPECT_EQ(pixel(4, 4), (Rgb{0, 0, 255}));
  EXPECT_EQ(pixel(12, 4), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(4, 12), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(12, 12), (Rgb{120, 80, 40}));
  glColor3f(0.5F, 1, 1);
  square(16, 0, 32, 16);
  EXPECT_EQ(pixel(28, 12), (Rgb{60, 80, 40}));
  // Mipmapped and drawn at a quarter of the size, the picture shows its one-pixel level: the
  // rounded mean of the four.
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 2, 2, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glColor3f(1, 1, 1);
  square(20, 20, 21, 21);
  EXPECT_EQ(pixel(20, 20), (Rgb{(255 + 120 + 2) / 4, (255 + 80 + 2) / 4, (255 + 40 + 2) / 4}));
  glDeleteTextures(1, &texture);
}

}  // namespace
