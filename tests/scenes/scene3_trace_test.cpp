#include "scenes/scenes.h"
#include "tests/scenes/scene34_fixture.h"

#include <cmath>

namespace {

using glrec::Call;
using scenetest::colour;
using scenetest::indexOf;
using scenetest::singles;
using scenetest::vertex;

class Scene3Frame : public scenetest::DemoState {
 protected:
  void SetUp() override {
    DemoState::SetUp();
    runAt(45730, scenes::scene3Start);
  }
};

struct BandPoint {
  double x, y;
  double sPeriod, tPeriod;  // 0: the coordinate is 0
};

constexpr BandPoint band[17] = {
    {-0.21, -0.15, 0, 500},  {-0.14, -0.21, 1200, 800}, {-0.11, -0.038, 1100, 0}, {-0.06, -0.25, 0, 0},
    {-0.06, -0.038, 0, 800}, {0, -0.264, 600, 500},     {0, -0.038, 700, 0},      {0.06, -0.262, 0, 0},
    {0.06, -0.038, 0, 900},  {0.12, -0.248, 1000, 600}, {0.12, -0.038, 700, 0},   {0.18, -0.22, 0, 0},
    {0.18, -0.038, 0, 800},  {0.24, -0.176, 700, 800},  {0.24, -0.036, 600, 0},   {0.295, -0.105, 0, 0},
    {0.34, -0.036, 0, 800},
};

std::vector<Call> expectedBand(double t, bool textured) {
  std::vector<Call> calls{{"glBegin", {GL_TRIANGLE_STRIP}}};
  if (textured) calls.push_back({"glNormal3f", {0, 0, 1}});
  for (int k = 0; k < 17; ++k) {
    if (k == 16) calls.push_back(colour(0, 0, 0, 1));
    if (textured) {
      const auto swing = [t](double period) { return period == 0 ? 0.0f : static_cast<float>(std::sin(t / period)); };
      calls.push_back(scenetest::texCoord(swing(band[k].sPeriod), swing(band[k].tPeriod)));
    }
    calls.push_back(vertex(band[k].x, band[k].y, 0));
  }
  calls.push_back({"glEnd", {}});
  return calls;
}

TEST_F(Scene3Frame, BandIsAStripOfSeventeenVerticesEndingBlackInBothPasses) {
  const std::int32_t t = 52345;
  runAt(t, scenes::scene3Render);
  const std::size_t flare = indexOf({"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlare->glName)}});
  ASSERT_LT(flare + 1, glrec::calls().size());
  EXPECT_EQ(glrec::calls()[flare + 1], colour(1, 0.6, 0.05, 0.8));
  auto strip = scenetest::callsBetween(flare + 2, "glEnd");
  strip.push_back({"glEnd", {}});
  EXPECT_EQ(strip, expectedBand(t, true));

  const std::size_t wire = flare + 2 + strip.size();
  const std::vector<Call> switchOff{{"glDisable", {GL_TEXTURE_2D}}, colour(1, 0, 0, 0.5)};
  EXPECT_EQ(std::vector<Call>(glrec::calls().begin() + wire, glrec::calls().begin() + wire + 2), switchOff);
  auto plain = scenetest::callsBetween(wire + 2, "glEnd");
  plain.push_back({"glEnd", {}});
  EXPECT_EQ(plain, expectedBand(t, false));
}

TEST_F(Scene3Frame, DiscTurnsInTheDefaultViewThenTheCameraOrbitsTheTurningTree) {
  const std::int32_t t = 60000;
  runAt(t, scenes::scene3Render);
  const auto looks = glrec::callsNamed("gluLookAt");
  ASSERT_EQ(looks.size(), 2u);
  EXPECT_EQ(looks[0], (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  const double s8 = std::sin(t / 8000.0);
  const double s5 = std::sin(t / 5000.0);
  const std::vector<double> eye = singles({static_cast<float>(s8 - 3 * s5), static_cast<float>(3 * s5 + 2),
                                            static_cast<float>(s8 - 1.5)});
  EXPECT_EQ(std::vector<double>(looks[1].args.begin(), looks[1].args.begin() + 3), eye);
  EXPECT_EQ(std::vector<double>(looks[1].args.begin() + 3, looks[1].args.end()), (std::vector<double>{0, 1.5, 0, 0, 1, 0}));
  const std::vector<Call> turns{{"glRotatef", {-20, 1, 0, 0}},
                                {"glRotatef", {-45, 0, 1, 0}},
                                {"glRotatef", {static_cast<float>(32000.0 / 500), 0, 0, 1}},
                                {"glRotatef", {static_cast<float>(32000.0 / 50), 0, 1, 0}}};
  EXPECT_EQ(glrec::callsNamed("glRotatef"), turns);
  std::vector<double> bound;
  for (const Call& call : glrec::callsNamed("glBindTexture")) bound.push_back(call.args[1]);
  EXPECT_EQ(bound, (std::vector<double>{double(scenes::texText1->glName), double(scenes::texCircle1->glName),
                                        double(scenes::texFlare->glName), double(scenes::texFlareBig->glName)}));
}

TEST_F(Scene3Frame, TreeIsDrawnSolidThenAsAWireFrameAndThePolygonModesAreRestored) {
  runAt(60000, scenes::scene3Render);
  const auto& calls = glrec::calls();
  const std::size_t front = indexOf({"glPolygonMode", {GL_FRONT, GL_LINE}});
  ASSERT_LT(front, calls.size());
  EXPECT_EQ(calls[front - 1], (Call{"glBlendFunc", {GL_SRC_ALPHA, GL_ONE}}));
  EXPECT_EQ(calls[front + 1], (Call{"glPolygonMode", {GL_BACK, GL_POINT}}));
  EXPECT_EQ(calls[front + 2], colour(0.4, 1, 0.4, 0.5));
  const std::size_t fill = indexOf({"glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}}, front);
  ASSERT_LT(fill, calls.size());
  int wireBlocks = 0;
  for (std::size_t i = front; i < fill; ++i) wireBlocks += calls[i].name == "glBegin";
  EXPECT_EQ(wireBlocks, 42);

  // The trunk first, then branch 1 from the trunk's top and branch 14 from its parent, branch 7.
  const auto vertices = glrec::callsNamed("glVertex3f");
  const std::size_t firstTreeVertex = 4 + 4 + 4 + 17 + 17;  // after the sky, the caption, the disc, the band
  EXPECT_EQ(vertices[firstTreeVertex], vertex(-0.1, -0.1, 0.1));
  EXPECT_EQ(vertices[firstTreeVertex + 2], vertex(0.1, 1.1, 0.1));
  const engine::Particle& b1 = scenes::particles3->particles[1];
  const std::size_t branch1 = firstTreeVertex + 24;
  EXPECT_EQ(vertices[branch1], vertex(-0.1, 0.9, 0.1));
  EXPECT_EQ(vertices[branch1 + 2], vertex(b1.x + 0.07, b1.y + 0.07, b1.z + 0.07));
  const engine::Particle& b7 = scenes::particles3->particles[7];
  const std::size_t branch14 = firstTreeVertex + 24 * 14;
  EXPECT_EQ(vertices[branch14], vertex(b7.x - 0.04, b7.y - 0.04, b7.z + 0.04));
  scenetest::expectFrameStateRestored();
}

TEST_F(Scene3Frame, FlaresCrossEveryBranchPointAndEveryLeafInItsColour) {
  runAt(60000, scenes::scene3Render);
  const std::size_t flares = indexOf({"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlareBig->glName)}});
  const auto branchCrosses = scenetest::callsBetween(flares, "glEnd");
  std::size_t crossVertices = 0;
  for (const Call& call : branchCrosses) crossVertices += call.name == "glVertex3f";
  EXPECT_EQ(crossVertices, 41u * 12);
  const engine::Particle& b41 = scenes::particles3->particles[41];
  EXPECT_EQ(branchCrosses[branchCrosses.size() - 1], vertex(b41.x, b41.y - 0.05, b41.z + 0.05));

  const std::size_t leaves = flares + branchCrosses.size() + 1;
  const auto leafCrosses = scenetest::callsBetween(leaves, "glEnd");
  std::vector<Call> colours;
  for (const Call& call : leafCrosses) {
    if (call.name == "glColor4f") colours.push_back(call);
  }
  ASSERT_EQ(colours.size(), 540u);
  const engine::Particle& l539 = scenes::particles4->particles[539];
  EXPECT_EQ(colours[539], colour(l539.x3, l539.y3, l539.z3, 1));
  EXPECT_EQ(leafCrosses[leafCrosses.size() - 2 * 12 - 1], colours[539]);
  EXPECT_EQ(leafCrosses.back(), vertex(l539.x, l539.y - 0.05, l539.z + 0.05));
}

TEST_F(Scene3Frame, GroundFanClosesItsRimAndTheGrassSwaysFromEachFoot) {
  const std::int32_t t = 62000;
  runAt(t, scenes::scene3Render);
  const std::size_t fan = indexOf({"glBegin", {GL_TRIANGLE_FAN}});
  auto ground = scenetest::callsBetween(fan, "glEnd");
  ASSERT_EQ(ground.size(), 1u + 1 + 21 * 2);
  EXPECT_EQ(ground[1], vertex(0, 0, 0));
  EXPECT_EQ(ground[2], colour(0.3, 0.7, 0.3, 0.5));
  EXPECT_EQ(ground[3], vertex(0, -0.2, 4));
  EXPECT_EQ(ground[4], colour(std::sin(9.0) + 0.3, 0.7, 0.3, 0.5));
  EXPECT_NEAR(ground.back().args[0], ground[3].args[0], 1e-6);
  EXPECT_NEAR(ground.back().args[2], ground[3].args[2], 1e-6);

  const auto strips = glrec::callsNamed("glBegin");
  std::size_t grass = 0;
  for (const Call& call : strips) grass += call == Call{"glBegin", {GL_TRIANGLE_STRIP}};
  EXPECT_EQ(grass, 2u + 1201);  // the band's two passes, strands 0 to 1200

  const engine::Particle& s = scenes::particles5->particles[1200];
  const double g = (100.0 * s.x + t) / 1000;
  const double h = (100.0 * s.z + t) / 1000;
  const std::vector<Call> last{colour(0.9, 0.5, 0.3, 0.7),
                               {"glBegin", {GL_TRIANGLE_STRIP}},
                               vertex(s.x + 0.02, s.y, s.z),
                               vertex(s.x - 0.02, s.y, s.z),
                               colour(0.6, 0.6, 0.3, 0.6),
                               vertex(s.x, s.y2, s.z),
                               colour(0.3, 0.7, 0.3, 0.4),
                               vertex(s.x2 + std::sin(g) / 20, s.y3, s.z2 + std::cos(h) / 15),
                               vertex(s.x3 + std::sin(g) / 10, s.y3 + 0.2, s.z3 + std::cos(h) / 20),
                               {"glEnd", {}}};
  const auto& calls = glrec::calls();
  EXPECT_EQ(std::vector<Call>(calls.end() - 10, calls.end()), last);
  scenetest::expectFrameStateRestored();
}

TEST_F(Scene3Frame, SkyTurnsWhiteFrom66000) {
  runAt(60000, scenes::scene3Render);
  auto colours = glrec::callsNamed("glColor4f");
  EXPECT_EQ(colours[0], colour(0.2, 0.5, 0, 1));
  EXPECT_EQ(colours[1], colour(0, 0, 0, 1));
  runAt(71000, scenes::scene3Render);
  colours = glrec::callsNamed("glColor4f");
  EXPECT_EQ(colours[0], colour(0.2 + 5000 / 6250.0, 0.5 + 0.5, 1, 1));
  EXPECT_EQ(colours[1], colour(5 / 3.0, 5 / 3.0, 5 / 3.0, 1));
}

}  // namespace
