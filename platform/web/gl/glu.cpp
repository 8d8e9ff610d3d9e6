// The GLU half of the GL layer: projection and viewing matrices, mipmaps and quadrics, drawn through
// the layer's own OpenGL 1.1 calls with GLU's vertex order, texture coordinates and precision (its
// sine and cosine tables are single precision, filled from double-precision angles).
#include "platform/web/gl/layer_internal.h"

#include "maths/maths.h"

#include <GL/glu.h>

#include <algorithm>
#include <optional>
#include <vector>

struct GLUquadric {
  GLboolean textureCoords = GL_FALSE;
};

namespace {

constexpr double pi = 3.14159265358979323846;

struct SineTable {
  std::vector<float> sine, cosine;
};

// scale * sin and scale * cos of the angle `whole` * i / count for i = 0 .. count, each angle rounded to
// single precision first; with `closed` the last entry repeats the first.
SineTable sines(int count, double whole, bool closed, double scale = 1) {
  SineTable t{std::vector<float>(count + 1), std::vector<float>(count + 1)};
  for (int i = 0; i <= count; ++i) {
    const auto angle = static_cast<float>(whole * i / count);
    t.sine[i] = static_cast<float>(scale * maths::sin(angle));
    t.cosine[i] = static_cast<float>(scale * maths::cos(angle));
  }
  if (closed) {
    t.sine[count] = t.sine[0];
    t.cosine[count] = t.cosine[0];
  }
  return t;
}

void texCoordIf(bool textured, float s, float t) {
  if (textured) glTexCoord2f(s, t);
}

// The sphere's two caps as fans, for a sphere without texture coordinates.
void sphereCaps(const SineTable& around, const SineTable& down, float radius, int slices, int stacks) {
  glBegin(GL_TRIANGLE_FAN);
  glNormal3f(0, 0, 1);
  glVertex3f(0, 0, radius);
  for (int i = slices; i >= 0; --i)
    glVertex3f(down.sine[1] * around.sine[i], down.sine[1] * around.cosine[i], down.cosine[1]);
  glEnd();
  glBegin(GL_TRIANGLE_FAN);
  glVertex3f(0, 0, -radius);
  const float ring = down.sine[stacks - 1], z = down.cosine[stacks - 1];
  for (int i = 0; i <= slices; ++i) glVertex3f(ring * around.sine[i], ring * around.cosine[i], z);
  glEnd();
}

}  // namespace

extern "C" {

void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  gllayer::multiplyCurrentMatrix(gllayer::perspective(fovy, aspect, zNear, zFar));
}

void GLAPIENTRY gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                          GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
  const double eye[3] = {eyeX, eyeY, eyeZ}, centre[3] = {centreX, centreY, centreZ}, up[3] = {upX, upY, upZ};
  gllayer::multiplyCurrentMatrix(gllayer::lookAt(eye, centre, up));
}

void GLAPIENTRY gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top) {
  glOrtho(left, right, bottom, top, -1, 1);
}

GLUquadric* GLAPIENTRY gluNewQuadric() { return new GLUquadric; }
void GLAPIENTRY gluDeleteQuadric(GLUquadric* quadric) { delete quadric; }
void GLAPIENTRY gluQuadricTexture(GLUquadric* quadric, GLboolean texture) { quadric->textureCoords = texture; }
void GLAPIENTRY gluQuadricNormals(GLUquadric* quadric, GLenum normal) { (void)quadric, (void)normal; }
void GLAPIENTRY gluQuadricDrawStyle(GLUquadric* quadric, GLenum draw) { (void)quadric, (void)draw; }

// Stacks from the +z pole (t = 1) to the -z pole (t = 0), slices from +y towards +x (s from 1 to 0).
void GLAPIENTRY gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks) {
  if (slices < 2 || stacks < 1 || radius < 0) return gllayer::raiseError(GLU_INVALID_VALUE);
  const bool textured = quadric->textureCoords;
  const SineTable around = sines(slices, 2 * pi, true);
  SineTable down = sines(stacks, pi, false, radius);
  down.sine[0] = down.sine[stacks] = 0;  // the poles are points
  const auto r = static_cast<float>(radius);
  int first = 0, last = stacks;
  if (!textured) {
    sphereCaps(around, down, r, slices, stacks);
    first = 1;
    last = stacks - 1;
  }
  for (int j = first; j < last; ++j) {
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= slices; ++i) {
      const float s = 1 - static_cast<float>(i) / slices;
      texCoordIf(textured, s, 1 - static_cast<float>(j + 1) / stacks);
      glVertex3f(down.sine[j + 1] * around.sine[i], down.sine[j + 1] * around.cosine[i], down.cosine[j + 1]);
      texCoordIf(textured, s, 1 - static_cast<float>(j) / stacks);
      glVertex3f(down.sine[j] * around.sine[i], down.sine[j] * around.cosine[i], down.cosine[j]);
    }
    glEnd();
  }
}

// Loops from the outer edge inwards; texture coordinates map the outer circle onto the unit square.
void GLAPIENTRY gluDisk(GLUquadric* quadric, GLdouble inner, GLdouble outer, GLint slices, GLint loops) {
  if (slices < 2 || loops < 1 || outer <= 0 || inner < 0 || inner > outer) {
    return gllayer::raiseError(GLU_INVALID_VALUE);
  }
  const bool textured = quadric->textureCoords;
  const SineTable around = sines(slices, (pi * 360.0) / 180.0, true);
  const auto width = static_cast<float>(outer - inner);
  const auto radiusAt = [&](int j) {
    return static_cast<float>(outer - double(width * (static_cast<float>(j) / loops)));
  };
  const auto texAt = [&](float radius) { return static_cast<float>(radius / outer / 2); };
  glNormal3f(0, 0, 1);
  int rings = loops;
  if (inner == 0) {
    rings = loops - 1;
    const float radius = radiusAt(loops - 1);
    const float tex = texAt(radius);
    glBegin(GL_TRIANGLE_FAN);
    texCoordIf(textured, 0.5F, 0.5F);
    glVertex3f(0, 0, 0);
    for (int i = slices; i >= 0; --i) {
      texCoordIf(textured, tex * around.sine[i] + 0.5F, tex * around.cosine[i] + 0.5F);
      glVertex3f(radius * around.sine[i], radius * around.cosine[i], 0);
    }
    glEnd();
  }
  for (int j = 0; j < rings; ++j) {
    const float low = radiusAt(j), high = radiusAt(j + 1);
    const float texLow = texAt(low), texHigh = texAt(high);
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= slices; ++i) {
      texCoordIf(textured, texLow * around.sine[i] + 0.5F, texLow * around.cosine[i] + 0.5F);
      glVertex3f(low * around.sine[i], low * around.cosine[i], 0);
      texCoordIf(textured, texHigh * around.sine[i] + 0.5F, texHigh * around.cosine[i] + 0.5F);
      glVertex3f(high * around.sine[i], high * around.cosine[i], 0);
    }
    glEnd();
  }
}

// Stacks from z = 0 (t = 0) to z = height (t = 1), slices as the sphere's.
void GLAPIENTRY gluCylinder(GLUquadric* quadric, GLdouble base, GLdouble top, GLdouble height, GLint slices,
                            GLint stacks) {
  if (slices < 2 || stacks < 1 || base < 0 || top < 0 || height < 0) return gllayer::raiseError(GLU_INVALID_VALUE);
  const bool textured = quadric->textureCoords;
  const SineTable around = sines(slices, 2 * pi, true);
  const auto delta = static_cast<float>(base - top);
  for (int j = 0; j < stacks; ++j) {
    const auto zLow = static_cast<float>(j * height / stacks), zHigh = static_cast<float>((j + 1) * height / stacks);
    const float low = static_cast<float>(base) - delta * (static_cast<float>(j) / stacks);
    const float high = static_cast<float>(base) - delta * (static_cast<float>(j + 1) / stacks);
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= slices; ++i) {
      const float s = 1 - static_cast<float>(i) / slices;
      texCoordIf(textured, s, static_cast<float>(j) / stacks);
      glVertex3f(low * around.sine[i], low * around.cosine[i], zLow);
      texCoordIf(textured, s, static_cast<float>(j + 1) / stacks);
      glVertex3f(high * around.sine[i], high * around.cosine[i], zHigh);
    }
    glEnd();
  }
}

// Level 0 as given, then each level the box-filtered half of the one before, down to 1 x 1.
GLint GLAPIENTRY gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                                   GLenum type, const void* data) {
  if (target != GL_TEXTURE_2D) return GLU_INVALID_ENUM;
  if (width < 1 || height < 1) return GLU_INVALID_VALUE;
  std::optional<gllayer::Picture> picture =
      gllayer::toRgba(width, height, format, type, data, gllayer::unpackAlignment(), internalFormat);
  if (!picture) return GLU_INVALID_ENUM;
  for (GLint level = 0;; ++level) {
    gllayer::storeTextureLevel(level, *picture);
    if (picture->width == 1 && picture->height == 1) break;
    picture = gllayer::halve(*picture);
  }
  return 0;
}

}  // extern "C"
