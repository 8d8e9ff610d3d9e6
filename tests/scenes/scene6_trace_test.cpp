#include "scenes/display_lists.h"
#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using glrec::Call;

class Scene6Trace : public scenetest::DemoState {
 protected:
  void SetUp() override {
    DemoState::SetUp();
    scenes::prepareScenes();  // as at start-up, before any scene
    frame(101500);
    glrec::clearCalls();
  }

  static void frame(std::int32_t clock) {
    scenes::demoClock = clock;
    scenes::scene6Start();
    scenes::scene6Render();
    scenes::scene6Post();
  }
};

TEST_F(Scene6Trace, TheFirstFrameShowsTheSetUpsViewAndTheSwayingViewLagsOneFrame) {
  glrec::reset();
  scenes::currentScene = 0;
  frame(101500);
  // The start procedure applies the straight view, the render applies it again.
  EXPECT_EQ(glrec::callsNamed("gluLookAt").back(), (Call{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}));
  glrec::clearCalls();
  frame(101533);
  const auto views = glrec::callsNamed("gluLookAt");
  ASSERT_EQ(views.size(), 1u);
  const double t = 101500;  // the clock of the frame before
  EXPECT_FLOAT_EQ(views[0].args[0], std::sin(t / 8000) - 4 * std::sin(t / 5000));
  EXPECT_FLOAT_EQ(views[0].args[1], 3 + 3 * std::sin(t / 5000));
  EXPECT_FLOAT_EQ(views[0].args[2], std::sin(t / 8000) - 2.5);
  EXPECT_EQ(std::vector<double>(views[0].args.begin() + 3, views[0].args.end()),
            (std::vector<double>{0, 3, 0, 0, 1, 0}));
}

TEST_F(Scene6Trace, PlantIsDrawnUntexturedThenTexturedWithoutTheGrass) {
  frame(110000);
  EXPECT_EQ(glrec::callsNamed("glRotatef"),
            (std::vector<Call>{{"glRotatef", {0, 1, 0, 0}},
                               {"glRotatef", {float(101500 / 50.0), 0, 1, 0}},  // ry of the frame before
                               {"glRotatef", {0, 0, 0, 1}}}));
  const double plant = scenes::plantList, blossom = scenes::blossomList, grass = scenes::grassList;
  const std::vector<Call> expected{
      {"glColor4f", {0.1f, 0.5f, 0.1f, 0.5f}},
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
  };
  const auto& calls = glrec::calls();
  const auto from = std::find(calls.begin(), calls.end(), Call{"glRotatef", {0, 0, 0, 1}}) + 1;
  ASSERT_LT(from + expected.size(), calls.end());
  EXPECT_EQ(std::vector<Call>(from, from + expected.size()), expected);
}

TEST_F(Scene6Trace, SparksAreThreeCrossedSquaresInWorldCoordinates) {
  frame(104000);
  const auto& calls = glrec::calls();
  auto at = std::find(calls.begin(), calls.end(),
                      Call{"glBindTexture", {GL_TEXTURE_2D, double(scenes::texFlareBig->glName)}});
  ASSERT_NE(at, calls.end());
  EXPECT_EQ(at[1], (Call{"glColor4f", {1, 1, 1, 1}}));
  const float h = 0.02f;
  const std::vector<std::vector<double>> corners{{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0},
                                                 {-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h},
                                                 {0, -h, -h}, {0, h, -h}, {0, h, h}, {0, -h, h}};
  const std::vector<std::vector<double>> tex{{0, 1}, {1, 1}, {1, 0}, {0, 0}};
  // Per spark: identity, translation to where the previous post left it, 12 textured corners.
  at += 2;
  for (int k = 1; k <= 200; ++k, at += 28) {
    ASSERT_LE(at + 28, calls.end());
    const engine::Particle& p = scenes::particles2->particles[k];
    const double s = std::sin((p.timeOffset + 101500) / 1000.0);
    EXPECT_EQ(at[0], (Call{"glLoadIdentity", {}}));
    EXPECT_EQ(at[1].name, "glTranslatef");
    EXPECT_FLOAT_EQ(at[1].args[0], p.x2 + s * p.x3);
    EXPECT_FLOAT_EQ(at[1].args[1], p.y2 + s * p.y3);
    EXPECT_FLOAT_EQ(at[1].args[2], p.z2 + s * p.z3);
    EXPECT_EQ(at[2], (Call{"glBegin", {GL_QUADS}}));
    for (int v = 0; v < 12; ++v) {
      ASSERT_EQ(at[3 + 2 * v].args, tex[v % 4]);
      ASSERT_EQ(at[4 + 2 * v].args, corners[v]);
    }
    EXPECT_EQ(at[27], (Call{"glEnd", {}}));
  }
  EXPECT_EQ(*at, (Call{"glDisable", {GL_TEXTURE_2D}}));
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_FALSE(glrec::isEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
}

}  // namespace
