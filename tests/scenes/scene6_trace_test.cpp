#include "scenes/display_lists.h"
#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using glrec::Call;

class Scene6Trace : public scenetest::DemoStateFixture {
 protected:
  void SetUp() override {
    DemoStateFixture::SetUp();
    scenes::prepareScenes();  // as at start-up, before any scene
    glrec::clearCalls();
  }

  static void frame(std::int32_t clock) {
    scenes::demoClock = clock;
    scenes::scene6Start();
    scenes::scene6Render();
    scenes::scene6Post();
  }

  // The calls from the first glCallList on, up to the first spark's glLoadIdentity.
  static std::vector<Call> plantCalls() {
    const auto from = glrec::callsFrom("glCallList");
    std::vector<Call> result;
    for (const Call& call : from) {
      if (call.name == "glLoadIdentity") break;
      result.push_back(call);
    }
    return result;
  }
};

TEST_F(Scene6Trace, TheCameraSwaysOneFrameLate) {
  frame(101500);
  const auto first = glrec::callsNamed("gluLookAt");
  // The start procedure applies the straight view once, the render applies it again.
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[1], (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));

  glrec::clearCalls();
  frame(101533);
  const auto second = glrec::callsNamed("gluLookAt");
  ASSERT_EQ(second.size(), 1u);
  const double t = 101500;  // the clock of the frame before
  const std::vector<double> eye{float(std::sin(t / 8000) - 4 * std::sin(t / 5000)),
                                float(3 + 3 * std::sin(t / 5000)), float(std::sin(t / 8000) - 2.5)};
  EXPECT_EQ(std::vector<double>(second[0].args.begin(), second[0].args.begin() + 3), eye);
  EXPECT_EQ(std::vector<double>(second[0].args.begin() + 3, second[0].args.end()),
            (std::vector<double>{0, 3, 0, 0, 1, 0}));
}

TEST_F(Scene6Trace, PlantIsDrawnUntexturedThenTexturedWithoutTheGrass) {
  frame(101500);
  glrec::clearCalls();
  frame(110000);
  const auto rotations = glrec::callsNamed("glRotatef");
  ASSERT_EQ(rotations.size(), 3u);
  EXPECT_EQ(rotations[0], (Call{"glRotatef", {0, 1, 0, 0}}));
  EXPECT_EQ(rotations[1], (Call{"glRotatef", {float(101500 / 50.0), 0, 1, 0}}));  // ry of the frame before
  EXPECT_EQ(rotations[2], (Call{"glRotatef", {0, 0, 0, 1}}));

  const double plant = scenes::plantList, blossom = scenes::blossomList, grass = scenes::grassList;
  const std::vector<Call> expected{
      {"glCallList", {plant}},
      {"glColor4f", {1, 0.1f, 0.1f, 0.5}},
      {"glCallList", {blossom}},
      {"glColor4f", {0.1f, 0.1f, 0.1f, 0.5}},
      {"glCallList", {grass}},
      {"glEnable", {GL_TEXTURE_2D}},
      {"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFivebox1->glName)}},
      {"glColor4f", {1, 1, 1, 0.5}},
      {"glCallList", {plant}},
      {"glCallList", {blossom}},
      {"glDisable", {GL_TEXTURE_2D}},
      {"glEnable", {GL_TEXTURE_2D}},
      {"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlareBig->glName)}},
      {"glColor4f", {1, 1, 1, 1}},
  };
  EXPECT_EQ(plantCalls(), expected);
  const auto colours = glrec::callsNamed("glColor4f");
  EXPECT_NE(std::find(colours.begin(), colours.end(), Call{"glColor4f", {0.1f, 0.5f, 0.1f, 0.5f}}), colours.end());
}

TEST_F(Scene6Trace, SparksAreThreeCrossedSquaresInWorldCoordinates) {
  frame(101500);
  glrec::clearCalls();
  frame(104000);
  const auto& calls = glrec::calls();
  const auto firstSpark = std::find(calls.begin(), calls.end(),
                                    Call{"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlareBig->glName)}});
  ASSERT_NE(firstSpark, calls.end());
  // Per spark: identity, translation, glBegin, 12 texture coordinates and vertices, glEnd.
  const std::size_t perSpark = 3 + 24 + 1;
  auto at = firstSpark + 2;
  ASSERT_GE(calls.end() - at, static_cast<long>(200 * perSpark + 1));
  for (int k = 1; k <= 200; ++k, at += perSpark) {
    EXPECT_EQ(at[0], (Call{"glLoadIdentity", {}})) << k;
    EXPECT_EQ(at[1].name, "glTranslatef") << k;
    EXPECT_EQ(at[2], (Call{"glBegin", {GL_QUADS}})) << k;
    EXPECT_EQ(at[3 + 24], (Call{"glEnd", {}})) << k;
  }
  EXPECT_EQ(*at, (Call{"glDisable", {GL_TEXTURE_2D}}));
  const auto firstSquares = std::vector<Call>(firstSpark + 5, firstSpark + 5 + 24);
  const float h = 0.02f;
  const std::vector<std::vector<double>> corners{{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0},
                                                 {-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h},
                                                 {0, -h, -h}, {0, h, -h}, {0, h, h}, {0, -h, h}};
  const std::vector<std::vector<double>> tex{{0, 1}, {1, 1}, {1, 0}, {0, 0}};
  for (int v = 0; v < 12; ++v) {
    EXPECT_EQ(firstSquares[2 * v], (Call{"glTexCoord2f", tex[v % 4]})) << v;
    EXPECT_EQ(firstSquares[2 * v + 1].args, corners[v]) << v;
  }
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glrec::isEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
}

TEST_F(Scene6Trace, SparksAreDrawnWhereThePreviousPostLeftThem) {
  frame(101500);
  glrec::clearCalls();
  scenes::demoClock = 104000;
  scenes::scene6Render();
  const auto translations = glrec::callsNamed("glTranslatef");
  ASSERT_GE(translations.size(), 200u);
  const auto sparks = std::vector<Call>(translations.end() - 200, translations.end());
  for (int k = 1; k <= 200; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    const double s = std::sin((p.timeOffset + 101500) / 1000.0);
    EXPECT_EQ(sparks[k - 1], (Call{"glTranslatef", {p.x, p.y, p.z}}));
    EXPECT_FLOAT_EQ(p.x, p.x2 + s * p.x3);
  }
}

}  // namespace
