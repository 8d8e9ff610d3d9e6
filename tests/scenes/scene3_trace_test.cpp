#include "scenes/scene3.h"
#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

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

using scenes::bandStrip;

std::vector<Call> expectedBand(double t, bool textured) {
  std::vector<Call> calls{{"glBegin", {GL_TRIANGLE_STRIP}}};
  if (textured) calls.push_back({"glNormal3f", {0, 0, 1}});
  for (int k = 0; k < 17; ++k) {
    if (k == 16) calls.push_back(colour(0, 0, 0, 1));
    if (textured) {
      const auto swing = [t](double period) { return period == 0 ? 0.0f : static_cast<float>(std::sin(t / period)); };
      calls.push_back(scenetest::texCoord(swing(bandStrip[k].sPeriod), swing(bandStrip[k].tPeriod)));
    }
    calls.push_back(vertex(bandStrip[k].x, bandStrip[k].y, 0));
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

TEST_F(Scene3Frame, DiscTurnsInTheDefaultViewThenTheCameraOrbitsTheTurningTreeAndItsGrass) {
  const std::int32_t t = 60000;
  runAt(t, scenes::scene3Render);
  const auto looks = glrec::callsNamed("gluLookAt");
  ASSERT_EQ(looks.size(), 2u);
  EXPECT_EQ(looks[0], (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  const double s8 = std::sin(t / 8000.0);
  const double s5 = std::sin(t / 5000.0);
  const std::vector<double> eye =
      singles({static_cast<float>(s8 - 3 * s5), static_cast<float>(3 * s5 + 2), static_cast<float>(s8 - 1.5)});
  EXPECT_EQ(std::vector<double>(looks[1].args.begin(), looks[1].args.begin() + 3), eye);
  EXPECT_EQ(std::vector<double>(looks[1].args.begin() + 3, looks[1].args.end()),
            (std::vector<double>{0, 1.5, 0, 0, 1, 0}));
  const std::vector<Call> turns{{"glRotatef", {-20, 1, 0, 0}},
                                {"glRotatef", {-45, 0, 1, 0}},
                                {"glRotatef", {static_cast<float>(32000.0 / 500), 0, 0, 1}},
                                {"glRotatef", {static_cast<float>(32000.0 / 50), 0, 1, 0}}};
  EXPECT_EQ(glrec::callsNamed("glRotatef"), turns);
  std::vector<double> bound;
  for (const Call& call : glrec::callsNamed("glBindTexture")) bound.push_back(call.args[1]);
  EXPECT_EQ(bound, (std::vector<double>{double(scenes::texText1->glName), double(scenes::texCircle1->glName),
                                        double(scenes::texFlare->glName), double(scenes::texFlareBig->glName)}));
  std::size_t strips = 0;
  for (const Call& call : glrec::callsNamed("glBegin")) strips += call.args[0] == GL_TRIANGLE_STRIP;
  EXPECT_EQ(strips, 2u + 1201);  // the band's two passes, grass strands 0 to 1200
  scenetest::expectFrameStateRestored();
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

}  // namespace
