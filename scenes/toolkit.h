#pragma once
// Drawing procedures the scenes share. Plain immediate-mode OpenGL with no state of their own; each
// says which OpenGL state it changes, because the scenes rely on it:
//
// drawBlock     a six-faced block from a bottom square to a top square; binds nothing, changes no state.
// drawTextRow   one row (1 to 16) of a text texture in a fixed 8 x 6 view (x -4..4, y -3..3). Leaves the
//               blend function additive (GL_SRC_ALPHA, GL_ONE), texturing off, the projection restored
//               and the modelview matrix holding the translation by (x, y, -1).
// drawGradient  a full-screen two-colour quad at the far end of a 640 x 480 view. Leaves blending on,
//               the projection restored and the modelview matrix at the identity; texturing as it was.
// drawQuad      a square of half-size h in the xy plane, texture t = 0 at its top edge.
// drawPanel     a rectangle (x1, y1) to (x2, y2) in the xy plane, s from 0 at x1 to 1 at x2, t from t1 at
//               y1 to t2 at y2; corners counter-clockwise from (x1, y1). drawQuad and drawPanel make one
//               GL_QUADS group with the normal (0, 0, 1) and change no other state.
//
// Coordinates and colours are doubles, handed to OpenGL as single-precision floats; the small emitters
// below do that conversion for every scene.

#include "engine/texture.h"

#include <cstdint>

namespace scenes {

void drawBlock(double x1, double y1, double z1, double s1, double x2, double y2, double z2, double s2);
void drawTextRow(const engine::Texture* texture, std::int32_t row, double x, double y, double alpha);
void drawGradient(double r1, double g1, double b1, double r2, double g2, double b2, std::int32_t vertical);
void drawQuad(double halfSize);
void drawPanel(double x1, double y1, double x2, double y2, double t1, double t2);

// A point and a colour with alpha, as the scenes' tables hold them.
struct Point {
  double x, y, z;
};
struct Rgba {
  double r, g, b, a;
};

// The demo clock as the floating-point t of the scenes' formulas.
double clockTime();
// The default view, set and applied: the eye at the origin looking down -z, y up.
void setDefaultView();
void vertex(double x, double y, double z);
void texturedVertex(double s, double t, double x, double y, double z);  // glTexCoord2f, then glVertex3f
void colour(double r, double g, double b, double alpha);
void vertex(const Point& p);
void colour(const Rgba& c);

}  // namespace scenes
