#include "scenes/grass.h"

#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

#include <cmath>

namespace scenes {

namespace {

// An offset of up to 0.05 either way.
double sideways() { return randomInt(100) / 1000.0 - 0.05; }

float sum(double a, double b) { return static_cast<float>(a + b); }

}  // namespace

void growStrand(engine::Particle& strand) {
  strand.x2 = sum(strand.x, sideways());
  strand.y2 = sum(strand.y, randomInt(100) / 2000.0 + 0.05);
  strand.z2 = sum(strand.z, sideways());
  strand.x3 = sum(strand.x2, sideways());
  strand.y3 = sum(strand.y2, randomInt(100) / 2000.0 + 0.08);
  strand.z3 = sum(strand.z2, sideways());
}

void drawStrand(const engine::Particle& strand, double t, const StrandColours& colours) {
  const double g = (100.0 * strand.x + t) / 1000.0;
  const double h = (100.0 * strand.z + t) / 1000.0;
  colour(colours.foot);
  glBegin(GL_TRIANGLE_STRIP);
  vertex(strand.x + 0.02, strand.y, strand.z);
  vertex(strand.x - 0.02, strand.y, strand.z);
  colour(colours.middle);
  vertex(strand.x, strand.y2, strand.z);
  colour(colours.tip);
  vertex(strand.x2 + maths::sin(g) / 20, strand.y3, strand.z2 + maths::cos(h) / 15);
  vertex(strand.x3 + maths::sin(g) / 10, strand.y3 + 0.2, strand.z3 + maths::cos(h) / 20);
  glEnd();
}

}  // namespace scenes
