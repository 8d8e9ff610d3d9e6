// Scenes 1 and 2 as OpenGL calls: what each frame draws, when each element starts, the fading alphas
// and the cut between the two scenes.

#include "scenes/opening.h"
#include "scenes/scene2.h"
#include "scenes/scenes.h"
#include "tests/scenes/opening_fixture.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

using namespace openingtest;
using glrec::Call;

bool binds(GLuint name) {
  const auto bindings = glrec::callsNamed("glBindTexture");
  return std::any_of(bindings.begin(), bindings.end(), [&](const Call& call) { return call.args[1] == name; });
}

// The colours the flame composition sets, from the wheel's translation on.
std::vector<Call> flameColours() {
  std::vector<Call> colours;
  const auto calls = glrec::calls();
  auto it = std::find(calls.begin(), calls.end(), Call{"glTranslatef", {-1.2f, 0.5f, -4}});
  for (; it != calls.end(); ++it) {
    if (it->name == "glColor4f") colours.push_back(*it);
  }
  return colours;
}

// Eleven spokes (flare, strip), wisp 1, crescent layers 1 to 4, wisp 2.
std::vector<std::vector<double>> flameColoursFor(const scenes::FlameAlphas& a) {
  std::vector<std::vector<double>> colours;
  for (int spoke = 0; spoke < 11; ++spoke) {
    colours.push_back({1, 0.6, 0.1, a.a1});
    colours.push_back({1, 0.6, 0.1, a.a2});
  }
  for (const std::vector<double>& colour : std::initializer_list<std::vector<double>>{{1, 0.6, 0.05, a.a1},
                                                                                      {1, 0.6, 0.1, a.a2},
                                                                                      {1, 0.4, 0, a.a3},
                                                                                      {1, 0.5, 0, a.a4},
                                                                                      {1, 0.5, 0, a.a5},
                                                                                      {1, 0.6, 0.05, a.a1}}) {
    colours.push_back(colour);
  }
  return colours;
}

void expectFlameColours(const scenes::FlameAlphas& alphas) {
  const auto colours = flameColours();
  const auto expected = flameColoursFor(alphas);
  ASSERT_EQ(colours.size(), expected.size());
  for (std::size_t i = 0; i < colours.size(); ++i) expectArgs(colours[i], expected[i]);
}

class Scene1 : public OpeningScenes {
 protected:
  void renderAt(std::int32_t clock) {
    at(clock);
    scenes::scene1Start();
    glrec::clearCalls();
    scenes::scene1Render();
  }
};

TEST_F(Scene1, StartSetsTheViewPlacesTheSpritesAndTheCaptionOnce) {
  at(0);
  scenes::scene1Start();
  EXPECT_EQ(scenes::currentScene, 10);
  EXPECT_EQ(glrec::callsNamed("gluLookAt")[0], (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  EXPECT_FLOAT_EQ(scenes::captions[0].x, 1.68f);
  EXPECT_FLOAT_EQ(scenes::captions[0].y, -0.125f);
  EXPECT_EQ(scenes::captions[0].alpha, 0);
  // Three draws per sprite, x then y then z, each R(1600) / 100 - 8.
  const auto& sprites = scenes::particles2->particles;
  scenes::resetRandom();
  for (int k = 1; k <= 200; ++k) {
    for (float coordinate : {sprites[k].x, sprites[k].y, sprites[k].z}) {
      ASSERT_FLOAT_EQ(coordinate, static_cast<float>(scenes::randomInt(1600) / 100.0 - 8)) << "sprite " << k;
    }
  }
  EXPECT_EQ(sprites[201].x, 0);

  glrec::clearCalls();
  const double nextDraw = scenes::randomUnit();
  scenes::resetRandom();
  for (int i = 0; i < 600; ++i) scenes::randomUnit();
  at(50);
  scenes::scene1Start();
  EXPECT_TRUE(glrec::calls().empty());
  EXPECT_EQ(scenes::randomUnit(), nextDraw);  // the second call drew nothing
}

TEST_F(Scene1, EarlyFramesShowTheFadingGradientAndTheCaptionOnly) {
  at(0);
  scenes::scene1Start();
  scenes::captions[0].alpha = 0.25f;
  renderAt(3000);
  const auto colours = glrec::callsNamed("glColor4f");  // the gradient's two, the caption's
  ASSERT_EQ(colours.size(), 3u);
  expectArgs(colours[0], {0, 0, 0, 1});
  expectArgs(colours[1], {0.0125, 0.0875, 0.175, 1});
  expectArgs(colours[2], {1, 1, 1, 0.25});
  EXPECT_EQ(glrec::callsNamed("glOrtho")[1], (Call{"glOrtho", {-4, 4, -3, 3, -10, 10}}));
  EXPECT_EQ(glrec::callsNamed("glTranslatef")[0], (Call{"glTranslatef", {1.68f, -0.125f, -1}}));
  EXPECT_EQ(glrec::callsNamed("glBindTexture"), (std::vector<Call>{{"glBindTexture", {GL_TEXTURE_2D, text1Name}}}));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));

  renderAt(7000);
  expectArgs(glrec::callsNamed("glColor4f")[1], {0.025, 0.175, 0.35, 1});
}

TEST_F(Scene1, EachElementStartsOnlyAfterItsInstant) {
  renderAt(9000);
  EXPECT_FALSE(binds(flareName));
  renderAt(9001);
  EXPECT_TRUE(binds(flareName));
  EXPECT_FALSE(binds(flareBigName));

  renderAt(10000);  // nothing of the sprite cloud
  EXPECT_FALSE(binds(flareBigName));
  EXPECT_EQ(glrec::count("glBegin"), 2u + 11 + 11 + 6);  // gradient, caption, the flame composition
  renderAt(10001);
  EXPECT_TRUE(binds(flareBigName));
  EXPECT_FALSE(binds(background1Name));

  renderAt(11000);
  EXPECT_FALSE(binds(background1Name));
  renderAt(11001);
  EXPECT_TRUE(binds(background1Name));
}

TEST_F(Scene1, TheSpritesTurnAroundTheViewerAndFaceIt) {
  renderAt(10500);
  const auto fromCloud = glrec::callsFrom("glBindTexture");
  auto bind = std::find(fromCloud.begin(), fromCloud.end(), Call{"glBindTexture", {GL_TEXTURE_2D, flareBigName}});
  ASSERT_NE(bind, fromCloud.end());
  EXPECT_EQ(*(bind - 1), (Call{"glEnable", {GL_TEXTURE_2D}}));
  EXPECT_EQ(*(bind + 1), (Call{"glColor4f", {1, 1, 1, 0.5}}));
  const engine::Particle& first = scenes::particles2->particles[1];
  const double ax = -10500.0 / 200, ay = -10500.0 / 500, az = 10500.0 / 500;
  const std::vector<Call> firstSprite{{"glLoadIdentity", {}},
                                      {"glRotatef", {static_cast<float>(ax), 1, 0, 0}},
                                      {"glRotatef", {static_cast<float>(ay), 0, 1, 0}},
                                      {"glRotatef", {static_cast<float>(az), 0, 0, 1}},
                                      {"glTranslatef", {first.x, first.y, first.z}},
                                      {"glRotatef", {static_cast<float>(-az), 0, 0, 1}},
                                      {"glRotatef", {static_cast<float>(-ay), 0, 1, 0}},
                                      {"glRotatef", {static_cast<float>(-ax), 1, 0, 0}},
                                      {"glBegin", {GL_QUADS}}};
  EXPECT_EQ(std::vector<Call>(bind + 2, bind + 11), firstSprite);
  const auto quads = blocks(GL_QUADS);
  const auto sprites = std::count_if(quads.begin(), quads.end(), [](const std::vector<Call>& quad) {
    return std::abs(named(quad, "glVertex3f")[0].args[0]) == 0.05f;
  });
  EXPECT_EQ(sprites, 200);
}

TEST_F(Scene1, ThePictureAndTheFlameFadeUp) {
  renderAt(12000);
  const auto fromPicture = glrec::callsFrom("glBindTexture");
  const Call bindPicture{"glBindTexture", {GL_TEXTURE_2D, background1Name}};
  auto bind = std::find(fromPicture.begin(), fromPicture.end(), bindPicture);
  ASSERT_NE(bind, fromPicture.end());
  EXPECT_EQ(*(bind - 2), (Call{"glTranslatef", {0.01f, -0.5f, -2}}));
  EXPECT_EQ(*(bind + 1), (Call{"glColor4f", {1, 1, 1, 0.5}}));
  EXPECT_EQ(*(bind + 5), (Call{"glVertex3f", {-0.5, -0.5, 0}}));

  renderAt(14500);
  expectFlameColours({0.1, 0.05, 0.4, 0.25, 500.0 / 1666});
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
}

class Scene2 : public OpeningScenes {
 protected:
  void SetUp() override {
    OpeningScenes::SetUp();
    at(0);
    scenes::scene1Start();  // the sprites are scene 1's
  }
};

TEST_F(Scene2, HoldsThePictureUnderTheCaptionAtFullStrength) {
  at(15000);
  scenes::scene2Start();
  scenes::captions[1].row = 5;
  scenes::captions[1].x = 4.25f;
  scenes::cloudAngles = {10, 20, 30};
  glrec::clearCalls();
  scenes::scene2Render();

  expectArgs(glrec::callsNamed("glColor4f")[1], {0.025, 0.175, 0.35, 1});
  EXPECT_EQ(glrec::callsNamed("glTranslatef")[0], (Call{"glTranslatef", {4.25f, 1.5f, -1}}));
  const auto caption = blocks(GL_QUADS)[1];
  EXPECT_EQ(caption[0], (Call{"glTexCoord2f", {1, 0.3125}}));  // row 5: t from 0.25 to 0.3125
  const std::vector<Call> binds = glrec::callsNamed("glBindTexture");
  EXPECT_EQ(binds[1], (Call{"glBindTexture", {GL_TEXTURE_2D, background1Name}}));
  EXPECT_EQ(binds[2], (Call{"glBindTexture", {GL_TEXTURE_2D, flareBigName}}));
  // The picture leaves texturing on for the sprites.
  const auto fromPicture = glrec::callsFrom("glTranslatef");
  auto cloud = std::find(fromPicture.begin(), fromPicture.end(), binds[2]);
  for (auto it = std::find(fromPicture.begin(), fromPicture.end(), binds[1]); it != cloud; ++it) {
    EXPECT_NE(it->name, "glDisable");
  }
  EXPECT_EQ(*(cloud + 1), (Call{"glColor4f", {1, 1, 1, 1}}));
  EXPECT_EQ(*(cloud + 3), (Call{"glRotatef", {10, 1, 0, 0}}));
  EXPECT_EQ(*(cloud + 5), (Call{"glRotatef", {30, 0, 0, 1}}));
  expectFlameColours({0.2, 0.1, 0.8, 0.5, 0.6});
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
}

TEST_F(Scene2, TheFlameKeepsItsStrengthAcrossTheCut) {
  at(14999);
  glrec::clearCalls();
  scenes::scene1Render();
  const auto before = flameColours();
  at(15000);
  scenes::scene2Start();
  glrec::clearCalls();
  scenes::scene2Render();
  const auto after = flameColours();
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NEAR(before[i].args[3], after[i].args[3], 0.001) << i;
}

}  // namespace
