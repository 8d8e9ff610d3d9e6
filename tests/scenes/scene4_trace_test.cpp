#include "scenes/scene4.h"
#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <cmath>

namespace {

using glrec::Call;
using scenetest::colour;
using scenetest::indexOf;
using scenetest::singles;
using scenetest::vertex;

std::vector<Call> only(const std::vector<Call>& calls, const std::string& name) {
  std::vector<Call> out;
  for (const Call& call : calls) {
    if (call.name == name) out.push_back(call);
  }
  return out;
}

using DrawBird = scenetest::DemoState;

TEST_F(DrawBird, AtTimeZeroTheJointsAreLevelAndTheTipsHangBelowThenTheOutlineRepeatsIt) {
  const double x = 1, y = 2, z = 3;
  scenes::drawBird(x, y, z, 0);
  const auto& calls = glrec::calls();
  const std::size_t outline = indexOf({"glPolygonMode", {GL_FRONT_AND_BACK, GL_LINE}});
  ASSERT_LT(outline, calls.size());
  const std::vector<Call> filled(calls.begin(), calls.begin() + outline);
  ASSERT_EQ(filled.front(), colour(0, 0, 0, 0.5));

  const double tip = y + std::sin(-250.0 / 800);
  EXPECT_NEAR(tip - y, -0.31, 0.01);
  const std::vector<Call> expected{
      vertex(x - 0.25, y, z),       vertex(x + 0.25, y, z),      vertex(x + 0.2, y, z + 0.5),
      vertex(x - 0.2, y, z + 0.5),  vertex(x - 0.25, y, z),      vertex(x + 0.25, y, z),
      vertex(x + 0.2, y, z - 0.5),  vertex(x - 0.2, y, z - 0.5), vertex(x + 0.2, y, z + 0.5),
      vertex(x - 0.2, y, z + 0.5),  vertex(x, tip, z + 1),       vertex(x + 0.2, y, z - 0.5),
      vertex(x - 0.2, y, z - 0.5),  vertex(x, tip, z - 1),       vertex(x - 0.35, y + 0.1, z),
      vertex(x - 0.35, y - 0.1, z), vertex(x + 0.6, y, z),       vertex(x - 0.5, y - 0.15, z),
      vertex(x - 0.35, y - 0.1, z), vertex(x - 0.35, y + 0.1, z)};
  EXPECT_EQ(only(filled, "glVertex3f"), expected);
  EXPECT_EQ(only(filled, "glBegin"), (std::vector<Call>{{"glBegin", {GL_QUADS}}, {"glBegin", {GL_TRIANGLES}}}));
  const auto texCoords = only(filled, "glTexCoord2f");
  ASSERT_EQ(texCoords.size(), 20u);
  EXPECT_EQ(texCoords[3], (Call{"glTexCoord2f", {0, 0}}));
  EXPECT_EQ(texCoords[17], (Call{"glTexCoord2f", {1, 0}}));
  EXPECT_EQ(texCoords[19], (Call{"glTexCoord2f", {0, 1}}));

  // The outline: lines, opaque black, the same calls again, then filled polygons.
  EXPECT_EQ(calls[outline + 1], colour(0, 0, 0, 1));
  const std::vector<Call> outlined(calls.begin() + outline + 2, calls.end() - 1);
  EXPECT_EQ(outlined, std::vector<Call>(filled.begin() + 1, filled.end()));
  EXPECT_EQ(calls.back(), (Call{"glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}}));
  EXPECT_EQ(glrec::state().polygonModeFront, static_cast<GLenum>(GL_FILL));
  EXPECT_EQ(glrec::state().polygonModeBack, static_cast<GLenum>(GL_FILL));
}

class Scene4Frame : public scenetest::DemoState {
 protected:
  void SetUp() override {
    DemoState::SetUp();
    scenes::currentScene = 30;
    runAt(71139, scenes::scene4Start);
  }
};

TEST_F(Scene4Frame, CloudPuffsAreTenShrinkingTurningSpheresOnOneQuadricMadeForTheFrame) {
  runAt(80000, scenes::scene4Render);
  const auto& calls = glrec::calls();
  const std::size_t made = indexOf({"gluNewQuadric", {1}});
  ASSERT_LT(made, calls.size());
  const std::vector<Call> before{{"glBlendFunc", {GL_SRC_ALPHA, GL_ONE}}, {"glEnable", {GL_TEXTURE_2D}}};
  EXPECT_EQ(std::vector<Call>(calls.begin() + made - 2, calls.begin() + made), before);
  EXPECT_EQ(calls[made + 1], (Call{"gluQuadricTexture", {1, GL_TRUE}}));
  EXPECT_EQ(calls[made + 2], (Call{"glBindTexture", {GL_TEXTURE_2D, double(scenes::texCloud->glName)}}));

  const std::vector<Call> puffs = scenetest::callsBetween(made + 3, "gluDeleteQuadric");
  ASSERT_EQ(puffs.size(), 3u * 30 + 1 + 2 + 2);
  EXPECT_EQ(calls[made + 3 + puffs.size()], (Call{"gluDeleteQuadric", {1}}));
  const std::vector<std::vector<Call>> moves{{{"glTranslatef", {1, 1, -3}}},
                                             {{"glRotatef", {-100, 1, 1, 1}}, {"glTranslatef", {-3, -2.5, 7}}},
                                             {{"glRotatef", {-100, 1, 1, 1}}, {"glTranslatef", {-0.5, -0.5, 0.2f}}}};
  std::size_t at = 0;
  for (const auto& move : moves) {
    EXPECT_EQ(std::vector<Call>(puffs.begin() + at, puffs.begin() + at + move.size()), move);
    at += move.size();
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(puffs[at], colour(1, 1, 1, 1));
      EXPECT_EQ(puffs[at + 1].name, "gluSphere");
      EXPECT_NEAR(puffs[at + 1].args[1], 1 - 0.06 * i, 1e-12) << "sphere " << i;
      EXPECT_EQ(std::vector<double>(puffs[at + 1].args.begin() + 2, puffs[at + 1].args.end()),
                (std::vector<double>{10, 10}));
      EXPECT_EQ(puffs[at + 2], (Call{"glRotatef", {10, 1, 0, 0}}));
      at += 3;
    }
  }
  EXPECT_EQ(glrec::count("gluNewQuadric"), 1u);
  runAt(80100, scenes::scene4Render);
  EXPECT_EQ(glrec::callsNamed("gluNewQuadric"), (std::vector<Call>{{"gluNewQuadric", {2}}}));
  EXPECT_EQ(glrec::callsNamed("gluDeleteQuadric"), (std::vector<Call>{{"gluDeleteQuadric", {2}}}));
}

TEST_F(Scene4Frame, DrawsEveryPartInOrderAndRestoresTheStateAfterTheWirePasses) {
  const std::int32_t t = 80000;
  runAt(t, scenes::scene4Render);
  const auto looks = glrec::callsNamed("gluLookAt");
  ASSERT_EQ(looks.size(), 2u);
  EXPECT_EQ(looks[0], (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  const std::vector<double> eye =
      singles({static_cast<float>(3 * std::sin(t / 3200.0)), static_cast<float>(2 * std::sin((t - 71139) / 2200.0) + 2),
               static_cast<float>(3 * std::cos(t / 2000.0))});
  EXPECT_EQ(std::vector<double>(looks[1].args.begin(), looks[1].args.begin() + 3), eye);
  std::vector<double> bound;
  for (const Call& call : glrec::callsNamed("glBindTexture")) bound.push_back(call.args[1]);
  EXPECT_EQ(bound, (std::vector<double>{double(scenes::texText2->glName), double(scenes::texBackground3->glName),
                                        double(scenes::texCloud->glName), double(scenes::texFlareBig->glName)}));

  // The ground: a green fan, then the same fan as a faint black grid in line mode.
  const std::size_t fan = indexOf({"glBegin", {GL_TRIANGLE_FAN}});
  EXPECT_EQ(glrec::calls()[fan - 1], (Call{"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}}));
  const auto ground = scenetest::callsBetween(fan, "glEnd");
  const auto gridStart = indexOf({"glBegin", {GL_TRIANGLE_FAN}}, fan + 1);
  EXPECT_EQ(glrec::calls()[gridStart - 1], (Call{"glPolygonMode", {GL_FRONT_AND_BACK, GL_LINE}}));
  const auto grid = scenetest::callsBetween(gridStart, "glEnd");
  EXPECT_EQ(grid[1], colour(0, 0, 0, 0.2));
  EXPECT_EQ(only(grid, "glVertex3f"), only(ground, "glVertex3f"));
  EXPECT_EQ(only(ground, "glVertex3f").size(), 22u);
  EXPECT_EQ(only(ground, "glVertex3f")[1], vertex(0, -5.8, 10));
  EXPECT_EQ(glrec::calls()[gridStart + grid.size() + 1], (Call{"glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}}));

  std::size_t strips = 0;
  for (const Call& call : glrec::callsNamed("glBegin")) strips += call.args[0] == GL_TRIANGLE_STRIP;
  EXPECT_EQ(strips, 1200u);
  EXPECT_EQ(glrec::count("gluSphere"), 30u);
  std::size_t sprites = 0;
  for (const Call& call : glrec::callsFrom("gluDeleteQuadric")) sprites += call.name == "glBegin";
  EXPECT_EQ(sprites, 200u);
  const engine::Particle& last = scenes::particles2->particles[200];
  const auto& calls = glrec::calls();
  EXPECT_EQ(calls[calls.size() - 3], vertex(last.x - 0.05, last.y + 0.05, last.z));
  scenetest::expectFrameStateRestored();
}

TEST_F(Scene4Frame, SkySettlesFromWhiteToBlackOverLightBlueInOneSecond) {
  const auto skyColours = [this](std::int32_t t) {
    runAt(t, scenes::scene4Render);
    const auto colours = glrec::callsNamed("glColor4f");
    return std::vector<Call>(colours.begin(), colours.begin() + 2);
  };
  EXPECT_EQ(skyColours(71139), (std::vector<Call>{colour(1, 1, 1, 1), colour(1, 1, 1, 1)}));
  EXPECT_EQ(skyColours(71639), (std::vector<Call>{colour(0.5, 0.5, 0.5, 1), colour(0.75, 1 - 500 / 3333.0, 0.95, 1)}));
  EXPECT_EQ(skyColours(72139), (std::vector<Call>{colour(0, 0, 0, 1), colour(0.5, 1 - 1000 / 3333.0, 0.9, 1)}));
  EXPECT_EQ(skyColours(72140), (std::vector<Call>{colour(0, 0, 0, 1), colour(0.5, 0.7, 0.9, 1)}));
}

}  // namespace
