#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using glrec::Call;

class Scene5Trace : public scenetest::DemoStateFixture {
 protected:
  // Start (once) and a few frames up to `clock`, then one recorded render at `clock`.
  void renderAt(std::int32_t clock) {
    scenes::demoClock = 86200;
    scenes::scene5Start();
    scenes::demoClock = clock;
    scenes::scene5Post();
    glrec::clearCalls();
    scenes::scene5Render();
  }

  // The calls of the glBegin(GL_QUADS) group that follows the call `after`.
  static std::vector<Call> quadsAfter(const Call& after) {
    const auto& calls = glrec::calls();
    auto it = std::find(calls.begin(), calls.end(), after);
    EXPECT_NE(it, calls.end()) << after;
    it = std::find(it, calls.end(), Call{"glBegin", {GL_QUADS}});
    const auto end = std::find(it, calls.end(), Call{"glEnd", {}});
    return std::vector<Call>(it + 1, end);
  }
};

// One ribbon vertex as texture coordinate and position.
struct Expected {
  double s, t, x, y, z;
};

// The three quads of segment i of one ribbon at clock t, written out from the ribbon's formulas.
struct SegmentQuads {
  std::array<std::array<double, 4>, 3> colours;
  std::array<std::array<Expected, 4>, 3> quads;
};

SegmentQuads shadowSegment(double t, int i) {
  const auto S = [t](double p) { return std::sin(t / p); };
  const auto zL = [&](double p) { return 0.1 * (i - 1) * S(p); };
  const auto zR = [&](double p) { return 0.1 * i * S(p); };
  const auto wL = [&](double p) { return 0.02 * (i - 1) * S(p); };
  const auto wR = [&](double p) { return 0.02 * i * S(p); };
  const double xL = 0.2 * i - 0.1, xR = 0.2 * i + 0.1;
  return {{{{0.2, 0.1, 0.1, 0.5}, {0.2, 0.1, 0.1, 0.1}, {0.2, 0.1, 0.1, 0.2}}},
          {{{{{0, 1, xL, -0.15, zL(1000)},
              {1, 1, xR, -0.15, zR(1300)},
              {1, 0, xR, 0.15, zR(1200)},
              {0, 0, xL, 0.15, zL(1400)}}},
            {{{0, 1, xL, -0.15 - wL(1400), zL(1100)},
              {1, 1, xR, -0.15 - wL(1400), zR(1300)},
              {1, 0, xR, 0.15 + wR(1200), zR(1300)},
              {0, 0, xL, 0.15 + wR(1400), zL(1200)}}},
            {{{0, 1, xL - wL(1000), -0.15, zL(1100)},
              {1, 1, xR + wR(1200), -0.15, zR(1300)},
              {1, 0, xR + wR(1400), 0.15, zR(1400)},
              {0, 0, xL - wL(1200), 0.15, zL(1200)}}}}}};
}

SegmentQuads shimmerSegment(double t, int i) {
  const auto S = [t](double p) { return std::sin(t / p); };
  const auto zL = [&](double p) { return 0.1 * (i - 1) * S(p); };
  const auto zR = [&](double p) { return 0.1 * i * S(p); };
  const auto wL = [&](double p) { return 0.02 * (i - 1) * S(p); };
  const auto wR = [&](double p) { return 0.02 * i * S(p); };
  const double xL = 0.2 * i - 0.1, xR = 0.2 * i + 0.1;
  return {{{{0.1, 0.1, 0.2, 0.5}, {0.2, 0.1, 0.1, 0.5}, {1, 1, 1, 0.5}}},
          {{{{{zL(2000), zR(2000), xL, -0.15, zL(1300)},
              {zR(2000), zR(2000), xR, -0.15, zR(1500)},
              {zR(2000), zL(2000), xR, 0.15, zR(1000)},
              {zL(2000), zL(2000), xL, 0.15, zL(1200)}}},
            {{{zL(3000), zR(3000), xL, -0.15 - wL(1200), zL(1100)},
              {zR(3000), zR(3000), xR, -0.15 - wL(1400), zR(1300)},
              {zR(3000), zL(3000), xR, 0.15 + wR(1200), zR(1000)},
              {zL(3000), zL(3000), xL, 0.15 + wR(1200), zL(1200)}}},
            {{{zL(1500), zR(1500), xL - wL(1000), -0.15, zL(1000)},
              {zR(1500), zR(1500), xR + wR(1200), -0.15, zR(1000)},
              {zR(1500), zL(1500), xR + wR(1000), 0.15, zR(1000)},
              {zL(1500), zL(1500), xL - wL(1100), 0.15, zL(1000)}}}}}};
}

// Segment i's calls in a ribbon group: per quad a colour, then texture coordinate and vertex four times.
void expectSegment(const std::vector<Call>& group, int i, const SegmentQuads& expected) {
  ASSERT_EQ(group.size(), 10u * 3u * 9u);
  const std::size_t first = (i - 1) * 27;
  for (int q = 0; q < 3; ++q) {
    const Call& colour = group[first + q * 9];
    ASSERT_EQ(colour.name, "glColor4f");
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(colour.args[c], expected.colours[q][c]) << "quad " << q + 1;
    for (int v = 0; v < 4; ++v) {
      const Call& tex = group[first + q * 9 + 1 + 2 * v];
      const Call& position = group[first + q * 9 + 2 + 2 * v];
      ASSERT_EQ(tex.name, "glTexCoord2f");
      ASSERT_EQ(position.name, "glVertex3f");
      const Expected& e = expected.quads[q][v];
      const std::string where = "quad " + std::to_string(q + 1) + " vertex " + std::to_string(v + 1);
      EXPECT_FLOAT_EQ(tex.args[0], e.s) << where;
      EXPECT_FLOAT_EQ(tex.args[1], e.t) << where;
      EXPECT_FLOAT_EQ(position.args[0], e.x) << where;
      EXPECT_FLOAT_EQ(position.args[1], e.y) << where;
      EXPECT_FLOAT_EQ(position.args[2], e.z) << where;
    }
  }
}

void expectVertex(const Call& call, double x, double y, double z) {
  ASSERT_EQ(call.name, "glVertex3f");
  EXPECT_FLOAT_EQ(call.args[0], x);
  EXPECT_FLOAT_EQ(call.args[1], y);
  EXPECT_FLOAT_EQ(call.args[2], z);
}

TEST_F(Scene5Trace, RibbonSegmentsFollowTheirWobbleTermsAtAGivenClock) {
  const std::int32_t clock = 93717;
  renderAt(clock);
  const auto shadow = quadsAfter(Call{"glTranslatef", {-1.9f, 0, -3}});
  expectSegment(shadow, 4, shadowSegment(clock, 4));
  expectSegment(shadow, 10, shadowSegment(clock, 10));
  const auto shimmer = quadsAfter(Call{"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlare->glName)}});
  expectSegment(shimmer, 1, shimmerSegment(clock, 1));
  expectSegment(shimmer, 7, shimmerSegment(clock, 7));
}

TEST_F(Scene5Trace, RenderDrawsInPaintersOrderAndLeavesTheSharedState) {
  renderAt(95000);
  std::vector<double> bound;
  for (const Call& call : glrec::callsNamed("glBindTexture")) bound.push_back(call.args[1]);
  const std::vector<double> expected{double(scenes::texText2->glName),    double(scenes::texBackground4->glName),
                                     double(scenes::texBackground4->glName), double(scenes::texFlareBig->glName),
                                     double(scenes::texGlare->glName),    double(scenes::texFlare->glName)};
  EXPECT_EQ(bound, expected);
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_FALSE(glrec::isEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glrec::state().blendSource, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(glrec::state().matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_EQ(glrec::state().projectionDepth, 0);
  EXPECT_EQ(glrec::count("glBegin"), glrec::count("glEnd"));
  // The two panels share one translation chain: the second adds (-0.6, 1, 0) to the first.
  const auto translations = glrec::callsNamed("glTranslatef");
  EXPECT_NE(std::find(translations.begin(), translations.end(), Call{"glTranslatef", {-0.6f, -1, -2}}),
            translations.end());
  EXPECT_NE(std::find(translations.begin(), translations.end(), Call{"glTranslatef", {-0.6f, 1, 0}}),
            translations.end());
}

TEST_F(Scene5Trace, GlareRaysRunFromTheTurningFlareToEverySwarmPoint) {
  const std::int32_t clock = 97123;
  renderAt(clock);
  const auto angle = static_cast<float>(90 * std::sin(clock / 8000.0));
  const auto rotations = glrec::callsNamed("glRotatef");
  ASSERT_EQ(rotations.size(), 3u);
  EXPECT_EQ(rotations[0], (Call{"glRotatef", {angle, 0, 0, 1}}));
  EXPECT_EQ(rotations[1], (Call{"glRotatef", {angle, 1, 0, 0}}));
  EXPECT_EQ(rotations[2], (Call{"glRotatef", {angle, 0, 1, 0}}));

  const auto& calls = glrec::calls();
  const auto begin = std::find(calls.begin(), calls.end(), Call{"glBegin", {GL_TRIANGLES}});
  ASSERT_NE(begin, calls.end());
  EXPECT_EQ(*(begin - 1), (Call{"glColor4f", {1, 1, 1, 0.5}}));
  std::vector<Call> vertices;
  for (auto it = begin; it->name != "glEnd"; ++it) {
    if (it->name == "glVertex3f") vertices.push_back(*it);
  }
  ASSERT_EQ(vertices.size(), 300u);
  for (int k = 1; k <= 100; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    const auto* v = &vertices[3 * (k - 1)];
    EXPECT_EQ(v[0], (Call{"glVertex3f", {0, 0, 0}}));
    expectVertex(v[1], p.x - 0.2, p.y + 0.2, p.z);
    expectVertex(v[2], p.x + 0.2, p.y - 0.2, p.z);
  }
}

TEST_F(Scene5Trace, StartPlacesTheSwarmOnceAndSetsTheCamera) {
  scenes::demoClock = 86180;
  scenes::scene5Start();
  EXPECT_EQ(scenes::currentScene, 50);
  EXPECT_EQ(glrec::callsNamed("gluLookAt").back(), (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  EXPECT_EQ(scenes::captions[1].x, -7);
  EXPECT_EQ(scenes::captions[1].y, -0.5f);
  EXPECT_EQ(scenes::captions[1].alpha, 0);
  EXPECT_EQ(scenes::captions[1].row, 3);

  // Replay the draws: per point x, y, z, then each divisor's magnitude followed by its sign.
  const double next = scenes::randomUnit();
  scenes::resetRandom();
  for (int k = 1; k <= 100; ++k) {
    const engine::Particle& rest = scenes::particles1->particles[k];
    const engine::Particle& shown = scenes::particles2->particles[k];
    for (float value : {rest.x, rest.y, rest.z}) {
      ASSERT_EQ(value, float(scenes::randomInt(100) / 40.0 - 1.25)) << k;
    }
    for (float divisor : {rest.x3, rest.y3, rest.z3}) {
      double magnitude = scenes::randomInt(100) / 100.0 + 1.01;
      if (scenes::randomInt(2) == 1) magnitude = -magnitude;
      ASSERT_EQ(divisor, float(magnitude)) << k;
    }
    EXPECT_EQ(shown.x, rest.x);
    EXPECT_EQ(shown.y, rest.y);
    EXPECT_EQ(shown.z, rest.z);
  }
  EXPECT_EQ(scenes::randomUnit(), next);
  EXPECT_EQ(scenes::particles1->particles[0].x, 0);
  EXPECT_EQ(scenes::particles1->particles[101].x, 0);

  // A second call in the start window changes nothing and draws no numbers.
  scenes::resetRandom();
  const double firstDraw = scenes::randomUnit();
  scenes::resetRandom();
  const float restX = scenes::particles1->particles[1].x;
  glrec::clearCalls();
  scenes::demoClock = 86200;
  scenes::scene5Start();
  EXPECT_TRUE(glrec::calls().empty());
  EXPECT_EQ(scenes::particles1->particles[1].x, restX);
  EXPECT_EQ(scenes::randomUnit(), firstDraw);
}

TEST_F(Scene5Trace, PostSwingsEachPointAboutItsRestPosition) {
  scenes::demoClock = 86180;
  scenes::scene5Start();
  const double t = 92345;
  scenes::demoClock = 92345;
  scenes::scene5Post();
  for (int k = 1; k <= 100; ++k) {
    const engine::Particle& r = scenes::particles1->particles[k];
    const engine::Particle& p = scenes::particles2->particles[k];
    EXPECT_FLOAT_EQ(p.x, r.x + std::sin(t / 2000) / r.x3);
    EXPECT_FLOAT_EQ(p.y, r.y + std::sin(t / 1500) / r.y3);
    EXPECT_FLOAT_EQ(p.z, r.z + std::sin(t / 1800) / r.z3);
    EXPECT_LE(std::abs(p.x - r.x), 1 / 1.01 + 1e-6);
  }
}

}  // namespace
