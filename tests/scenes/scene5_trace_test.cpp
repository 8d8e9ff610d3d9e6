#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using glrec::Call;

class Scene5Trace : public scenetest::DemoState {
 protected:
  // The set-up, the post procedure at `clock`, then one recorded render at `clock`.
  static void renderAt(std::int32_t clock) {
    scenes::demoClock = 86200;
    scenes::scene5Start();
    scenes::demoClock = clock;
    scenes::scene5Post();
    glrec::clearCalls();
    scenes::scene5Render();
  }

  // The calls inside the glBegin(GL_QUADS) group that follows the call `after`.
  static std::vector<Call> quadsAfter(const Call& after) {
    const auto& calls = glrec::calls();
    auto it = std::find(std::find(calls.begin(), calls.end(), after), calls.end(), Call{"glBegin", {GL_QUADS}});
    EXPECT_NE(it, calls.end()) << after;
    return std::vector<Call>(it + 1, std::find(it, calls.end(), Call{"glEnd", {}}));
  }
};

// A quad of one ribbon segment: colour, then texture coordinate and position of its four vertices.
struct ExpectedQuad {
  double colour[4];
  double vertices[4][5];  // s, t, x, y, z
};

// The six quads of segment i at clock t (shadow Q1-Q3, shimmer Q4-Q6), written out from the formulas.
std::array<ExpectedQuad, 6> ribbonSegment(double t, int i) {
  const auto S = [t](double p) { return std::sin(t / p); };
  const auto zL = [&](double p) { return 0.1 * (i - 1) * S(p); };
  const auto zR = [&](double p) { return 0.1 * i * S(p); };
  const auto wL = [&](double p) { return 0.02 * (i - 1) * S(p); };
  const auto wR = [&](double p) { return 0.02 * i * S(p); };
  const double xL = 0.2 * i - 0.1, xR = 0.2 * i + 0.1, lo = -0.15, hi = 0.15;
  return {{
      {{0.2, 0.1, 0.1, 0.5},
       {{0, 1, xL, lo, zL(1000)}, {1, 1, xR, lo, zR(1300)}, {1, 0, xR, hi, zR(1200)}, {0, 0, xL, hi, zL(1400)}}},
      {{0.2, 0.1, 0.1, 0.1},
       {{0, 1, xL, lo - wL(1400), zL(1100)},
        {1, 1, xR, lo - wL(1400), zR(1300)},
        {1, 0, xR, hi + wR(1200), zR(1300)},
        {0, 0, xL, hi + wR(1400), zL(1200)}}},
      {{0.2, 0.1, 0.1, 0.2},
       {{0, 1, xL - wL(1000), lo, zL(1100)},
        {1, 1, xR + wR(1200), lo, zR(1300)},
        {1, 0, xR + wR(1400), hi, zR(1400)},
        {0, 0, xL - wL(1200), hi, zL(1200)}}},
      {{0.1, 0.1, 0.2, 0.5},
       {{zL(2000), zR(2000), xL, lo, zL(1300)},
        {zR(2000), zR(2000), xR, lo, zR(1500)},
        {zR(2000), zL(2000), xR, hi, zR(1000)},
        {zL(2000), zL(2000), xL, hi, zL(1200)}}},
      {{0.2, 0.1, 0.1, 0.5},
       {{zL(3000), zR(3000), xL, lo - wL(1200), zL(1100)},
        {zR(3000), zR(3000), xR, lo - wL(1400), zR(1300)},
        {zR(3000), zL(3000), xR, hi + wR(1200), zR(1000)},
        {zL(3000), zL(3000), xL, hi + wR(1200), zL(1200)}}},
      {{1, 1, 1, 0.5},
       {{zL(1500), zR(1500), xL - wL(1000), lo, zL(1000)},
        {zR(1500), zR(1500), xR + wR(1200), lo, zR(1000)},
        {zR(1500), zL(1500), xR + wR(1000), hi, zR(1000)},
        {zL(1500), zL(1500), xL - wL(1100), hi, zL(1000)}}},
  }};
}

// Segment i's 27 calls in a ribbon group of ten segments against three expected quads.
void expectSegment(const std::vector<Call>& group, int i, const ExpectedQuad* quads) {
  ASSERT_EQ(group.size(), 10u * 27u);
  for (int q = 0; q < 3; ++q) {
    const Call* c = &group[(i - 1) * 27 + q * 9];
    ASSERT_EQ(c[0].name, "glColor4f");
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(c[0].args[k], quads[q].colour[k]) << "quad " << q;
    for (int v = 0; v < 4; ++v) {
      const Call& tex = c[1 + 2 * v];
      const Call& position = c[2 + 2 * v];
      ASSERT_EQ(tex.name, "glTexCoord2f");
      ASSERT_EQ(position.name, "glVertex3f");
      const double* e = quads[q].vertices[v];
      for (int k = 0; k < 2; ++k) EXPECT_FLOAT_EQ(tex.args[k], e[k]) << "quad " << q << " vertex " << v;
      for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(position.args[k], e[2 + k]) << "quad " << q << " vertex " << v;
    }
  }
}

TEST_F(Scene5Trace, RibbonSegmentsFollowTheirWobbleTermsAtAGivenClock) {
  const std::int32_t clock = 93717;
  renderAt(clock);
  const auto shadow = quadsAfter(Call{"glTranslatef", {-1.9f, 0, -3}});
  const auto shimmer = quadsAfter(Call{"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlare->glName)}});
  for (int i : {1, 4, 10}) {
    const auto expected = ribbonSegment(clock, i);
    expectSegment(shadow, i, &expected[0]);
    expectSegment(shimmer, i, &expected[3]);
  }
}

TEST_F(Scene5Trace, RenderBindsInPaintersOrderAndLeavesTheSharedState) {
  renderAt(95000);
  std::vector<double> bound;
  for (const Call& call : glrec::callsNamed("glBindTexture")) bound.push_back(call.args[1]);
  std::vector<double> expected;
  for (const engine::Texture* texture : {scenes::texText2, scenes::texBackground4, scenes::texBackground4,
                                         scenes::texFlareBig, scenes::texGlare, scenes::texFlare}) {
    expected.push_back(texture->glName);
  }
  EXPECT_EQ(bound, expected);
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_FALSE(glrec::isEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(glrec::state().matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_EQ(glrec::state().projectionDepth, 0);
}

TEST_F(Scene5Trace, GlareRaysRunFromTheTurningFlareToEverySwarmPoint) {
  const std::int32_t clock = 97123;
  renderAt(clock);
  const auto angle = static_cast<float>(90 * std::sin(clock / 8000.0));
  EXPECT_EQ(glrec::callsNamed("glRotatef"),
            (std::vector<Call>{
                {"glRotatef", {angle, 0, 0, 1}}, {"glRotatef", {angle, 1, 0, 0}}, {"glRotatef", {angle, 0, 1, 0}}}));
  const auto rays = glrec::callsFrom("glBegin");
  std::vector<Call> vertices;
  for (auto it = std::find(rays.begin(), rays.end(), Call{"glBegin", {GL_TRIANGLES}}); it->name != "glEnd"; ++it) {
    if (it->name == "glVertex3f") vertices.push_back(*it);
  }
  ASSERT_EQ(vertices.size(), 300u);
  for (int k = 1; k <= 100; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    const Call* v = &vertices[3 * (k - 1)];
    EXPECT_EQ(v[0].args, (std::vector<double>{0, 0, 0}));
    // Compared as floats: the scene rounds p.x - 0.2 to single precision.
    EXPECT_FLOAT_EQ(v[1].args[0], p.x - 0.2);
    EXPECT_FLOAT_EQ(v[1].args[1], p.y + 0.2);
    EXPECT_FLOAT_EQ(v[2].args[0], p.x + 0.2);
    EXPECT_FLOAT_EQ(v[2].args[1], p.y - 0.2);
    EXPECT_EQ(v[2].args[2], p.z);
    // The post procedure swung the point about its rest position.
    const engine::Particle& r = scenes::particles1->particles[k];
    EXPECT_FLOAT_EQ(p.y, r.y + std::sin(clock / 1500.0) / r.y3);
  }
}

TEST_F(Scene5Trace, StartPlacesTheSwarmOnceInDrawOrder) {
  scenes::demoClock = 86180;
  scenes::scene5Start();
  EXPECT_EQ(scenes::currentScene, 50);
  EXPECT_EQ(glrec::callsNamed("gluLookAt").back(), (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  scenetest::expectCaptionPlaced(-7, -0.5f, 3);

  // Replay the draws: per point x, y, z, then each divisor's magnitude followed by its sign.
  const double next = scenes::randomUnit();
  scenes::resetRandom();
  for (int k = 1; k <= 100; ++k) {
    const engine::Particle& rest = scenes::particles1->particles[k];
    for (float value : {rest.x, rest.y, rest.z}) ASSERT_EQ(value, float(scenes::randomInt(100) / 40.0 - 1.25)) << k;
    for (float divisor : {rest.x3, rest.y3, rest.z3}) {
      double magnitude = scenes::randomInt(100) / 100.0 + 1.01;
      if (scenes::randomInt(2) == 1) magnitude = -magnitude;
      ASSERT_EQ(divisor, float(magnitude)) << k;
    }
    EXPECT_EQ(scenes::particles2->particles[k].x, rest.x);
  }
  EXPECT_EQ(scenes::randomUnit(), next);

  // A second call in the start window draws nothing and no numbers.
  scenes::resetRandom();
  const double firstDraw = scenes::randomUnit();
  scenes::resetRandom();
  glrec::clearCalls();
  scenes::demoClock = 86280;
  scenes::scene5Start();
  EXPECT_TRUE(glrec::calls().empty());
  EXPECT_EQ(scenes::randomUnit(), firstDraw);
}

}  // namespace
