#include "scenes/toolkit.h"

#include "engine/camera.h"
#include "scenes/demo_state.h"

#include <GL/gl.h>

namespace scenes {

namespace {

// One corner of a block face: on the bottom or the top square, at its -/+ x and -/+ z side, with its
// texture coordinate.
struct Corner {
  bool top;
  int sx;
  int sz;
  float s;
  float t;
};

struct Face {
  float nx, ny, nz;  // the axis normal of the face
  Corner corners[4];
};

// Counter-clockwise seen from outside the block.
constexpr Face blockFaces[6] = {
    {0, 0, 1, {{false, -1, 1, 0, 0}, {false, 1, 1, 1, 0}, {true, 1, 1, 1, 1}, {true, -1, 1, 0, 1}}},       // front
    {0, 0, -1, {{false, -1, -1, 1, 0}, {true, -1, -1, 1, 1}, {true, 1, -1, 0, 1}, {false, 1, -1, 0, 0}}},  // back
    {0, 1, 0, {{true, -1, -1, 0, 1}, {true, -1, 1, 0, 0}, {true, 1, 1, 1, 0}, {true, 1, -1, 1, 1}}},       // top
    {0, -1, 0, {{false, -1, -1, 1, 1}, {false, 1, -1, 0, 1}, {false, 1, 1, 0, 0}, {false, -1, 1, 1, 0}}},  // bottom
    {1, 0, 0, {{false, 1, -1, 1, 0}, {true, 1, -1, 1, 1}, {true, 1, 1, 0, 1}, {false, 1, 1, 0, 0}}},       // right
    {-1, 0, 0, {{false, -1, -1, 0, 0}, {false, -1, 1, 1, 0}, {true, -1, 1, 1, 1}, {true, -1, -1, 0, 1}}},  // left
};

void enterView(double left, double right, double bottom, double top, double nearPlane, double farPlane) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(left, right, bottom, top, nearPlane, farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void leaveView() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

double clockTime() { return static_cast<double>(demoClock); }

void setDefaultView() {
  engine::setCamera(camera, 0, 0, 0, 0, 0, -1, 0, 1, 0);
  engine::applyCamera(camera);
}

void vertex(double x, double y, double z) {
  glVertex3f(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void texturedVertex(double s, double t, double x, double y, double z) {
  glTexCoord2f(static_cast<float>(s), static_cast<float>(t));
  vertex(x, y, z);
}

void colour(double r, double g, double b, double alpha) {
  glColor4f(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), static_cast<float>(alpha));
}

void vertex(const Point& p) { vertex(p.x, p.y, p.z); }

void colour(const Rgba& c) { colour(c.r, c.g, c.b, c.a); }

void drawBlock(double x1, double y1, double z1, double s1, double x2, double y2, double z2, double s2) {
  const double bottom = y1 - s1;
  const double top = y2 + s2;
  glBegin(GL_QUADS);
  for (const Face& face : blockFaces) {
    glNormal3f(face.nx, face.ny, face.nz);
    for (const Corner& c : face.corners) {
      if (c.top) {
        texturedVertex(c.s, c.t, x2 + c.sx * s2, top, z2 + c.sz * s2);
      } else {
        texturedVertex(c.s, c.t, x1 + c.sx * s1, bottom, z1 + c.sz * s1);
      }
    }
  }
  glEnd();
}

void drawTextRow(const engine::Texture* texture, std::int32_t row, double x, double y, double alpha) {
  enterView(-4, 4, -3, 3, -10, 10);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTranslatef(static_cast<float>(x), static_cast<float>(y), -1.0f);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture->glName);
  glColor4f(1, 1, 1, static_cast<float>(alpha));
  const auto t0 = static_cast<float>((row - 1) * 0.0625);
  const auto t1 = static_cast<float>(row * 0.0625);
  glBegin(GL_QUADS);
  texturedVertex(1, t1, 2, -0.15625, 0);
  texturedVertex(0, t1, -3, -0.15625, 0);
  texturedVertex(0, t0, -3, 0.15625, 0);
  texturedVertex(1, t0, 2, 0.15625, 0);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  leaveView();
}

void drawGradient(double r1, double g1, double b1, double r2, double g2, double b2, std::int32_t vertical) {
  enterView(0, 640, 480, 0, -100, 100);
  glDisable(GL_BLEND);
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  colour(r1, g1, b1, 1);
  texturedVertex(0, 0, 0, 0, -99);
  if (vertical == 0) colour(r2, g2, b2, 1);
  texturedVertex(1, 0, 640, 0, -99);
  if (vertical != 0) colour(r2, g2, b2, 1);
  texturedVertex(1, 1, 640, 480, -99);
  if (vertical == 0) colour(r1, g1, b1, 1);
  texturedVertex(0, 1, 0, 480, -99);
  glEnd();
  glEnable(GL_BLEND);
  leaveView();
}

void drawQuad(double halfSize) { drawPanel(-halfSize, -halfSize, halfSize, halfSize, 1, 0); }

void drawPanel(double x1, double y1, double x2, double y2, double t1, double t2) {
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  texturedVertex(0, t1, x1, y1, 0);
  texturedVertex(1, t1, x2, y1, 0);
  texturedVertex(1, t2, x2, y2, 0);
  texturedVertex(0, t2, x1, y2, 0);
  glEnd();
}

}  // namespace scenes
