// Scene 5 (86,180 to 101,500 ms): over a dark red gradient two panels cut from the fourth background, a
// turning flare whose glare rays fan out to a drifting swarm of 100 points, a wobbling ribbon of ten
// segments (an untextured shadow and a shimmering textured pass) and two captions; in its last half
// second a single panel over which three thin white rings expand.
//
// The swarm lives in particles1 (rest positions, values 1-3, and per-axis divisors, values 7-9) and
// particles2 (the positions shown this frame), points 1 to 100 of each.

#include "engine/camera.h"
#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace scenes {

namespace {

constexpr std::int32_t sceneCode = 50;
constexpr int swarmSize = 100;
constexpr int ribbonSegments = 10;

// sin(t / period), the scene's slow oscillators.
double wave(double period) { return maths::sin(clockTime() / period); }

void bind(const engine::Texture* texture) { glBindTexture(GL_TEXTURE_2D, texture->glName); }

// ---- the swarm ----

// A magnitude of 1.01 to 2.0 from one draw, negated when a second draw of randomInt(2) gives 1.
float randomDivisor() {
  double divisor = randomInt(100) / 100.0 + 1.01;
  if (randomInt(2) == 1) divisor = -divisor;
  return static_cast<float>(divisor);
}

float randomRestCoordinate() { return static_cast<float>(randomInt(100) / 40.0 - 1.25); }

void placeSwarm() {
  for (int k = 1; k <= swarmSize; ++k) {
    engine::Particle& rest = particles1->particles[k];
    rest.x = randomRestCoordinate();
    rest.y = randomRestCoordinate();
    rest.z = randomRestCoordinate();
    engine::Particle& shown = particles2->particles[k];
    shown.x = rest.x;
    shown.y = rest.y;
    shown.z = rest.z;
    rest.x3 = randomDivisor();
    rest.y3 = randomDivisor();
    rest.z3 = randomDivisor();
  }
}

void moveSwarm() {
  const double sx = wave(2000), sy = wave(1500), sz = wave(1800);
  for (int k = 1; k <= swarmSize; ++k) {
    const engine::Particle& rest = particles1->particles[k];
    engine::Particle& shown = particles2->particles[k];
    shown.x = static_cast<float>(rest.x + sx / rest.x3);
    shown.y = static_cast<float>(rest.y + sy / rest.y3);
    shown.z = static_cast<float>(rest.z + sz / rest.z3);
  }
}

// ---- the ribbon ----
//
// Segment i spans x from 0.2 i - 0.1 (its left side) to 0.2 i + 0.1 (its right side). Every other term
// is a wobble a * n * sin(t / P) whose factor n is i - 1 on the left side and i on the right, so the
// wobble grows along the ribbon: zL/zR (a = 0.1) move the depth and drift the shimmer's texture,
// wL/wR (a = 0.02) flutter the edges.

enum class Side { left, right };

struct Wobble {
  double amplitude = 0;  // 0: no wobble
  Side side = Side::left;
  double period = 1;
};

constexpr Wobble operator-(Wobble w) { return {-w.amplitude, w.side, w.period}; }
constexpr Wobble zL(double period) { return {0.1, Side::left, period}; }
constexpr Wobble zR(double period) { return {0.1, Side::right, period}; }
constexpr Wobble wL(double period) { return {0.02, Side::left, period}; }
constexpr Wobble wR(double period) { return {0.02, Side::right, period}; }

// base + step * i + wobble: one coordinate of a ribbon vertex.
struct Term {
  double base = 0;
  double step = 0;
  Wobble wobble{};

  // Implicit, so the tables read with plain numbers and wobbles.
  constexpr Term(double constant) : base(constant) {}
  constexpr Term(Wobble w) : wobble(w) {}
  constexpr Term(double b, double s, Wobble w) : base(b), step(s), wobble(w) {}
};

constexpr Term operator+(Term term, Wobble w) { return {term.base, term.step, w}; }
constexpr Term operator-(Term term, Wobble w) { return term + -w; }

constexpr Term xL{-0.1, 0.2, {}};
constexpr Term xR{0.1, 0.2, {}};

struct RibbonVertex {
  Term s, t, x, y, z;
};

struct RibbonQuad {
  float r, g, b, a;
  RibbonVertex vertices[4];
};

// The shadow ribbon: untextured (its texture coordinates are issued all the same).
constexpr RibbonQuad shadowQuads[3] = {
    {0.2f,
     0.1f,
     0.1f,
     0.5f,
     {{0, 1, xL, -0.15, zL(1000)},
      {1, 1, xR, -0.15, zR(1300)},
      {1, 0, xR, 0.15, zR(1200)},
      {0, 0, xL, 0.15, zL(1400)}}},
    {0.2f,
     0.1f,
     0.1f,
     0.1f,
     {{0, 1, xL, -0.15 - wL(1400), zL(1100)},
      {1, 1, xR, -0.15 - wL(1400), zR(1300)},
      {1, 0, xR, 0.15 + wR(1200), zR(1300)},
      {0, 0, xL, 0.15 + wR(1400), zL(1200)}}},
    {0.2f,
     0.1f,
     0.1f,
     0.2f,
     {{0, 1, xL - wL(1000), -0.15, zL(1100)},
      {1, 1, xR + wR(1200), -0.15, zR(1300)},
      {1, 0, xR + wR(1400), 0.15, zR(1400)},
      {0, 0, xL - wL(1200), 0.15, zL(1200)}}},
};

// The shimmer ribbon: textured with the small flare, whose coordinates drift with the depth terms.
constexpr RibbonQuad shimmerQuads[3] = {
    {0.1f,
     0.1f,
     0.2f,
     0.5f,
     {{zL(2000), zR(2000), xL, -0.15, zL(1300)},
      {zR(2000), zR(2000), xR, -0.15, zR(1500)},
      {zR(2000), zL(2000), xR, 0.15, zR(1000)},
      {zL(2000), zL(2000), xL, 0.15, zL(1200)}}},
    {0.2f,
     0.1f,
     0.1f,
     0.5f,
     {{zL(3000), zR(3000), xL, -0.15 - wL(1200), zL(1100)},
      {zR(3000), zR(3000), xR, -0.15 - wL(1400), zR(1300)},
      {zR(3000), zL(3000), xR, 0.15 + wR(1200), zR(1000)},
      {zL(3000), zL(3000), xL, 0.15 + wR(1200), zL(1200)}}},
    {1.0f,
     1.0f,
     1.0f,
     0.5f,
     {{zL(1500), zR(1500), xL - wL(1000), -0.15, zL(1000)},
      {zR(1500), zR(1500), xR + wR(1200), -0.15, zR(1000)},
      {zR(1500), zL(1500), xR + wR(1000), 0.15, zR(1000)},
      {zL(1500), zL(1500), xL - wL(1100), 0.15, zL(1000)}}},
};

double evaluate(const Term& term, int segment) {
  double value = term.base + term.step * segment;
  const Wobble& w = term.wobble;
  if (w.amplitude != 0) {
    const int factor = w.side == Side::left ? segment - 1 : segment;
    value += w.amplitude * factor * wave(w.period);
  }
  return value;
}

void ribbonQuad(const RibbonQuad& quad, int segment) {
  glColor4f(quad.r, quad.g, quad.b, quad.a);
  for (const RibbonVertex& v : quad.vertices) {
    texturedVertex(evaluate(v.s, segment), evaluate(v.t, segment), evaluate(v.x, segment), evaluate(v.y, segment),
                   evaluate(v.z, segment));
  }
}

void ribbon(const RibbonQuad (&quads)[3]) {
  glBegin(GL_QUADS);
  for (int segment = 1; segment <= ribbonSegments; ++segment) {
    for (const RibbonQuad& quad : quads) ribbonQuad(quad, segment);
  }
  glEnd();
}

// ---- the picture ----

void panels() {
  glLoadIdentity();
  glTranslatef(-0.6f, -1.0f, -2.0f);
  glEnable(GL_TEXTURE_2D);
  bind(texBackground4);
  glColor4f(1, 1, 1, 1);
  drawPanel(-0.5, -0.05, 0.5, 0.45, 0.5, 0);
  glTranslatef(-0.6f, 1.0f, 0.0f);
  bind(texBackground4);
  glColor4f(1, 1, 1, 1);
  drawPanel(-0.65, -0.4, 0.95, 0.4, 1, 0.5);
  glDisable(GL_TEXTURE_2D);
}

// The big flare turning on the right, then in its frame, turned further, one thin glare triangle from
// its centre to every swarm point.
void flareAndGlare() {
  const auto angle = static_cast<float>(90 * wave(8000));
  glLoadIdentity();
  glTranslatef(1.2f, 0.0f, -5.0f);
  glRotatef(angle, 0, 0, 1);
  glEnable(GL_TEXTURE_2D);
  bind(texFlareBig);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  texturedVertex(0, 1, -0.5, -0.5, 0);
  texturedVertex(1, 1, 0.5, -0.5, 0);
  texturedVertex(1, 0, 0.5, 0.5, 0);
  texturedVertex(0, 0, -0.5, 0.5, 0);
  glEnd();
  glRotatef(angle, 1, 0, 0);
  glRotatef(angle, 0, 1, 0);
  bind(texGlare);
  glColor4f(1, 1, 1, 0.5f);
  glBegin(GL_TRIANGLES);
  for (int k = 1; k <= swarmSize; ++k) {
    const engine::Particle& p = particles2->particles[k];
    texturedVertex(0.5, 0, 0, 0, 0);
    texturedVertex(0, 0.9, p.x - 0.2, p.y + 0.2, p.z);
    texturedVertex(0.9, 1, p.x + 0.2, p.y - 0.2, p.z);
  }
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

void ribbons() {
  glLoadIdentity();
  glTranslatef(-1.9f, 0.0f, -3.0f);
  ribbon(shadowQuads);
  glEnable(GL_TEXTURE_2D);
  bind(texFlare);
  ribbon(shimmerQuads);
  glDisable(GL_TEXTURE_2D);
}

// ---- the closing rings ----

struct Ring {
  float alpha;
  double startClock;  // the clock at which its inner radius is 0
};

constexpr Ring rings[3] = {{1.0f, 101000}, {0.5f, 100000}, {0.2f, 99000}};
constexpr double ringWidth = 0.02;
constexpr double ringGrowth = 2000;  // ms per unit of radius

void closingPanel() {
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -2.0f);
  glEnable(GL_TEXTURE_2D);
  bind(texBackground4);
  glColor4f(1, 1, 1, 1);
  drawPanel(-0.95, -0.54, 1.05, 0.46, 1, 0.5);
  glDisable(GL_TEXTURE_2D);
}

void expandingRings() {
  GLUquadric* quadric = gluNewQuadric();
  gluQuadricTexture(quadric, GL_FALSE);
  for (const Ring& ring : rings) {
    const double inner = (clockTime() - ring.startClock) / ringGrowth;
    glColor4f(1, 1, 1, ring.alpha);
    gluDisk(quadric, inner, inner + ringWidth, 30, 30);
  }
  gluDeleteQuadric(quadric);
}

// ---- the caption ----

constexpr std::int32_t firstWindowOpen = 90970;
constexpr std::int32_t secondWindowOpen = 96060;
constexpr std::int32_t secondWindowClose = 101150;

// Inside a window the caption slides right and its alpha follows one arch of a sine; outside both
// windows it keeps its last values.
void animateCaption() {
  const std::int32_t now = demoClock;
  const double t = clockTime();
  Caption& caption = captions[1];
  if (now > firstWindowOpen && now < secondWindowOpen) {
    caption.x = static_cast<float>(-7.5 + t / 12000);
    caption.alpha = static_cast<float>(maths::sin((t - firstWindowOpen) / 1500));
  } else if (now > secondWindowOpen && now < secondWindowClose) {
    caption.row = 4;
    caption.x = static_cast<float>(-8 + t / 12000);
    caption.alpha = static_cast<float>(maths::sin((t - secondWindowOpen) / 1500));
  }
}

}  // namespace

void scene5Start() {
  if (currentScene == sceneCode) return;
  setDefaultView();
  currentScene = sceneCode;
  placeSwarm();
  captions[1] = Caption{-7, -0.5f, 0, 3};
}

void scene5Render() {
  glLoadIdentity();
  drawGradient(0.3, 0, 0, 0, 0, 0, 1);
  const Caption& caption = captions[1];
  drawTextRow(texText2, caption.row, caption.x, caption.y, caption.alpha);
  panels();
  flareAndGlare();
  ribbons();
}

void scene5RenderRings() {
  glLoadIdentity();
  drawGradient(0.3, 0, 0, 0, 0, 0, 1);
  closingPanel();
  expandingRings();
}

void scene5Post() {
  moveSwarm();
  animateCaption();
}

}  // namespace scenes
