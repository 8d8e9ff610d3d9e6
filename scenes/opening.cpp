#include "scenes/opening.h"

#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

#include <cmath>

namespace scenes {

namespace {

// One entry of the composition's tables: a constant, or base + sign * S(P) / divisor (C(P) for the
// cosine entries), evaluated at the frame's clock.
struct Wave {
  double base = 0;
  double period = 0;  // 0: a constant
  double sign = 1;
  double divisor = 1;
  bool cosine = false;

  constexpr Wave(double constant = 0) : base(constant) {}

  double at(double t) const {
    if (period == 0) return base;
    const double wave = cosine ? maths::cos(t / period) : maths::sin(t / period);
    return base + sign * wave / divisor;
  }
};

// The notation of the tables below: S(P) = sin(t / P), C(P) = cos(t / P).
constexpr Wave S(double period) {
  Wave wave;
  wave.period = period;
  return wave;
}
constexpr Wave C(double period) {
  Wave wave = S(period);
  wave.cosine = true;
  return wave;
}
constexpr Wave operator/(Wave wave, double divisor) {
  wave.divisor = divisor;
  return wave;
}
constexpr Wave operator+(double base, Wave wave) {
  wave.base = base;
  return wave;
}
constexpr Wave operator-(double base, Wave wave) {
  wave.base = base;
  wave.sign = -wave.sign;
  return wave;
}

struct WavePair {
  Wave s, t;
};
struct WaveTriple {
  Wave x, y, z;
};

// The crescent: 34 strip vertices alternating between its outer (right) edge and its inner edge, from
// (-0.6, -0.8) to (-0.6, 0.8). Layers 1 and 2 lie on the base points (z = 0); layer 3 (and 4, its
// mirror image) moves the lower edge points in x, y and depth.
struct CrescentRow {
  double x, y;  // base point
  WavePair layer2Texture;
  WavePair layer3Texture;
  WaveTriple layer3Position;
};

constexpr CrescentRow crescent[34] = {
    {-0.6, -0.8, {0, S(600)}, {0, S(800)}, {-0.6 + S(800) / 12, -0.8, S(800) / 12}},
    {-0.3, -0.7, {S(500), S(800)}, {S(900), S(1200)}, {-0.3, -0.7 + S(1000) / 10, S(1200) / 6}},
    {-0.48, -0.7, {S(700), 0}, {S(1100), 0}, {-0.48 + S(900) / 8, -0.7, S(900) / 8}},
    {-0.16, -0.65, {0, 0}, {0, 0}, {-0.16 + S(600) / 30, -0.65 - S(800) / 15, S(1100) / 10}},
    {-0.42, -0.65, {0, S(700)}, {0, S(1000)}, {-0.42 - S(900) / 6, -0.65, S(1000) / 8}},
    {-0.05, -0.6, {S(600), S(900)}, {S(800), S(900)}, {-0.05 - S(1700) / 10, -0.6, S(2000) / 4}},
    {-0.35, -0.6, {S(500), 0}, {S(700), 0}, {-0.35 + S(1000) / 10, -0.6 - S(1200) / 12, S(900) / 10}},
    {0.15, -0.5, {S(700), S(700)}, {S(800), S(900)}, {0.15 + S(800) / 12, -0.5 + S(1000) / 10, S(900) / 12}},
    {-0.25, -0.5, {0, S(600)}, {0, S(1000)}, {-0.25 - S(800) / 6, -0.5, S(800) / 8}},
    {0.28, -0.4, {0, 0}, {0, 0}, {0.28, -0.4, S(1200) / 8}},
    {-0.2, -0.4, {S(500), 0}, {S(800), 0}, {-0.2 - S(1000) / 8, -0.4, S(1000) / 6}},
    {0.38, -0.3, {S(600), S(900)}, {S(900), S(1100)}, {0.38, -0.3 + S(800) / 8, S(1000) / 6}},
    {-0.15, -0.3, {0, S(600)}, {0, S(600)}, {-0.15, -0.3, S(900) / 4}},
    {0.45, -0.2, {0, 0}, {0, 0}, {0.45 + S(900) / 10, -0.2, S(800) / 4}},
    {-0.11, -0.2, {S(800), 0}, {S(1100), 0}, {-0.11, -0.2, S(1000) / 6}},
    {0.5, -0.1, {S(900), S(600)}, {S(1200), S(900)}, {0.5 + S(600) / 6, -0.1, S(1100) / 6}},
    {-0.09, -0.1, {0, S(700)}, {0, S(1000)}, {-0.09, -0.1, S(800) / 10}},
    {0.52, 0, {0, 0}, {0, 0}, {0.52 + S(1000) / 10, 0, S(1200) / 8}},
    {-0.08, 0, {S(900), 0}, {S(700), 0}, {-0.08 - S(1200) / 6, 0, S(800) / 10}},
    {0.5, 0.1, {S(500), S(600)}, {S(1000), S(800)}, {0.5, 0.1, 0}},
    {-0.09, 0.1, {0, S(700)}, {0, S(1200)}, {-0.09, 0.1, 0}},
    {0.45, 0.2, {0, 0}, {0, 0}, {0.45, 0.2, 0}},
    {-0.11, 0.2, {S(900), 0}, {S(1100), 0}, {-0.11, 0.2, 0}},
    {0.38, 0.3, {S(700), S(800)}, {S(900), S(1100)}, {0.38, 0.3, 0}},
    {-0.15, 0.3, {0, S(800)}, {0, S(900)}, {-0.15, 0.3, 0}},
    {0.28, 0.4, {0, 0}, {0, 0}, {0.28, 0.4, 0}},
    {-0.2, 0.4, {S(500), 0}, {S(700), 0}, {-0.2, 0.4, 0}},
    {0.15, 0.5, {S(700), S(800)}, {S(900), S(1300)}, {0.15, 0.5, 0}},
    {-0.25, 0.5, {0, S(700)}, {0, S(1000)}, {-0.25, 0.5, 0}},
    {-0.05, 0.6, {0, 0}, {0, 0}, {-0.05, 0.6, 0}},
    {-0.35, 0.6, {0, 0}, {0, 0}, {-0.35, 0.6, 0}},
    {-0.3, 0.7, {S(600), S(800)}, {S(1000), S(900)}, {-0.3, 0.7, 0}},
    {-0.48, 0.7, {S(900), 0}, {S(800), 0}, {-0.48, 0.7, 0}},
    {-0.6, 0.8, {0, S(500)}, {0, S(1000)}, {-0.6, 0.8, 0}},
};

// A wisp: a twisting ribbon of 8 strip vertices.
struct WispVertex {
  WavePair texture;
  WaveTriple position;
};
using Wisp = WispVertex[8];

constexpr Wisp wisp1 = {
    {{0, S(1000)}, {0, 0, 0}},
    {{S(800), S(1024)}, {0.5, 0.5, 0}},
    {{S(512), 0}, {0, 0, 0.05}},
    {{0, 0}, {0, S(1000), 0.1}},
    {{0, S(768)}, {S(800), C(800), 0.2}},
    {{S(1000), S(1024)}, {S(600), 0, 0.3}},
    {{S(512), 0}, {C(400), S(400), 0.4}},
    {{0, S(900)}, {0, S(200), 0.5}},
};

constexpr Wisp wisp2 = {
    {{0, S(1000)}, {0, 0, 0}},
    {{S(1200), S(1024)}, {0.5, 0.5, 0}},
    {{S(800), 0}, {0, 0, 0.05}},
    {{0, 0}, {0, S(600), 0.1}},
    {{0, S(1000)}, {S(800), C(700), 0.2}},
    {{S(800), S(800)}, {S(800), 0, 0.3}},
    {{S(700), 0}, {C(400), S(600), 0.4}},
    {{0, S(600)}, {0, S(400), 0.5}},
};

constexpr int wavePointCount = 20;
constexpr int spokeCount = 11;  // 11 turns of 36 degrees: the first and the last spoke coincide

void rotate(double degrees, float x, float y, float z) { glRotatef(static_cast<float>(degrees), x, y, z); }

void texCoord(double s, double t) { glTexCoord2f(static_cast<float>(s), static_cast<float>(t)); }

void texCoord(const WavePair& texture, double t) { texCoord(texture.s.at(t), texture.t.at(t)); }

void waveVertex(const WaveTriple& position, double t) { vertex(position.x.at(t), position.y.at(t), position.z.at(t)); }

void bindFlare() {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texFlare->glName);
}

// One spoke's strip: for k = 10 to 20 the wave points k - 9, k and k - 1, each moved by (-0.1, -0.1).
void drawWaveStrip(double t) {
  const auto wavePoint = [](int k) {
    const engine::Particle& p = particles1->particles[k];
    vertex(p.x - 0.1, p.y - 0.1, p.z);
  };
  glBegin(GL_TRIANGLE_STRIP);
  for (int k = 10; k <= wavePointCount; ++k) {
    texCoord(maths::sin(t / 1200), maths::sin(t / 800));
    wavePoint(k - 9);
    texCoord(0, maths::sin(t / 1000));
    wavePoint(k);
    texCoord(maths::sin(t / 900), 0);
    wavePoint(k - 1);
  }
  glEnd();
}

void drawFlareWheel(double t, const FlameAlphas& alphas) {
  glLoadIdentity();
  glTranslatef(-1.2f, 0.5f, -4.0f);
  rotate(-t / 200, 1, 0, 0);
  rotate(-t / 500, 0, 1, 0);
  rotate(t / 500, 0, 0, 1);
  for (int spoke = 0; spoke < spokeCount; ++spoke) {
    glRotatef(36, 0, 1, 0);
    bindFlare();
    colour(1, 0.6, 0.1, alphas.a1);
    drawQuad(1);
    colour(1, 0.6, 0.1, alphas.a2);
    drawWaveStrip(t);
  }
}

void drawWisp(const Wisp& wisp, double t, double alpha) {
  colour(1, 0.6, 0.05, alpha);
  glBegin(GL_TRIANGLE_STRIP);
  for (const WispVertex& v : wisp) {
    texCoord(v.texture, t);
    waveVertex(v.position, t);
  }
  glEnd();
}

void enterCrescentFrame(double t) {
  glLoadIdentity();
  glTranslatef(1.5f, -0.7f, -5.2f);
  glDisable(GL_TEXTURE_2D);
  rotate(20 * maths::sin(t / 4000), 1, 0, 0);
  rotate(30 * maths::sin(t / 3000), 0, 1, 0);
  rotate(10 * maths::sin(t / 6000), 0, 0, 1);
}

void drawCrescentBase() {
  glBegin(GL_TRIANGLE_STRIP);
  for (const CrescentRow& row : crescent) vertex(row.x, row.y, 0);
  glEnd();
}

void drawCrescentLayer2(double t) {
  glBegin(GL_TRIANGLE_STRIP);
  for (const CrescentRow& row : crescent) {
    texCoord(row.layer2Texture, t);
    vertex(row.x, row.y, 0);
  }
  glEnd();
}

void drawCrescentLayer3(double t) {
  glBegin(GL_TRIANGLE_STRIP);
  for (const CrescentRow& row : crescent) {
    texCoord(row.layer3Texture, t);
    waveVertex(row.layer3Position, t);
  }
  glEnd();
}

void drawCrescent(double t, const FlameAlphas& alphas) {
  enterCrescentFrame(t);
  colour(1, 0.6, 0.1, alphas.a2);
  drawCrescentBase();
  bindFlare();
  colour(1, 0.4, 0, alphas.a3);
  drawCrescentLayer2(t);
  colour(1, 0.5, 0, alphas.a4);
  drawCrescentLayer3(t);
  // Layer 4: layer 3 turned upside down and front to back.
  glRotatef(180, 1, 0, 0);
  bindFlare();
  colour(1, 0.5, 0, alphas.a5);
  drawCrescentLayer3(t);
  glRotatef(-180, 1, 0, 0);
}

}  // namespace

void setWavePoints(double t) {
  const double s = maths::sin(t / 4000);
  const double c = maths::cos(t / 4000);
  for (int k = 1; k <= wavePointCount; ++k) {
    engine::Particle& p = particles1->particles[k];
    p.x = static_cast<float>(s * maths::sin(k));
    p.y = static_cast<float>(c * maths::cos(k));
    p.z = 0;
  }
}

void drawPicture(double alpha) {
  glLoadIdentity();
  glTranslatef(0.01f, -0.5f, -2.0f);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texBackground1->glName);
  colour(1, 1, 1, alpha);
  drawQuad(0.5);
}

void drawSpriteCloud(double alpha, double ax, double ay, double az) {
  glBindTexture(GL_TEXTURE_2D, texFlareBig->glName);
  colour(1, 1, 1, alpha);
  for (int k = 1; k <= spriteCount; ++k) {
    const engine::Particle& p = particles2->particles[k];
    glLoadIdentity();
    rotate(ax, 1, 0, 0);
    rotate(ay, 0, 1, 0);
    rotate(az, 0, 0, 1);
    glTranslatef(p.x, p.y, p.z);
    rotate(-az, 0, 0, 1);
    rotate(-ay, 0, 1, 0);
    rotate(-ax, 1, 0, 0);
    drawQuad(0.05);
  }
}

void drawFlameComposition(double t, const FlameAlphas& alphas) {
  drawFlareWheel(t, alphas);
  drawWisp(wisp1, t, alphas.a1);  // in the wheel's frame, still textured with the flare
  drawCrescent(t, alphas);
  drawWisp(wisp2, t, alphas.a1);  // in the crescent's frame
  glDisable(GL_TEXTURE_2D);
}

}  // namespace scenes
