#include "scenes/toolkit.h"

#include "tests/scenes/demo_state_fixture.h"
#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

using glrec::Call;
using scenetest::texCoord;

std::vector<Call> vertices() { return glrec::callsNamed("glVertex3f"); }

TEST(DrawBlock, EqualEndsGiveTheCubeWithAxisNormalsAndATexCoordBeforeEveryVertex) {
  glrec::reset();
  scenes::drawBlock(0, 0, 0, 1, 0, 0, 0, 1);
  const auto& calls = glrec::calls();
  ASSERT_EQ(calls.front(), (Call{"glBegin", {GL_QUADS}}));
  ASSERT_EQ(calls.back().name, "glEnd");
  EXPECT_EQ(glrec::count("glBegin"), 1u);
  EXPECT_EQ(vertices().size(), 24u);
  std::set<std::tuple<double, double, double>> corners;
  for (const Call& v : vertices()) corners.insert({v.args[0], v.args[1], v.args[2]});
  EXPECT_EQ(corners.size(), 8u);
  for (const auto& [x, y, z] : corners) {
    EXPECT_EQ(std::abs(x), 1);
    EXPECT_EQ(std::abs(y), 1);
    EXPECT_EQ(std::abs(z), 1);
  }
  for (std::size_t i = 1; i + 1 < calls.size(); ++i) {
    if (calls[i].name == "glVertex3f") {
      EXPECT_EQ(calls[i - 1].name, "glTexCoord2f") << i;
    }
  }
  const std::vector<Call> normals = glrec::callsNamed("glNormal3f");
  const std::vector<Call> expected{{"glNormal3f", {0, 0, 1}},  {"glNormal3f", {0, 0, -1}}, {"glNormal3f", {0, 1, 0}},
                                   {"glNormal3f", {0, -1, 0}}, {"glNormal3f", {1, 0, 0}},  {"glNormal3f", {-1, 0, 0}}};
  EXPECT_EQ(normals, expected);
}

TEST(DrawBlock, FacesAreCounterClockwiseSeenFromOutside) {
  glrec::reset();
  scenes::drawBlock(0.5, 1, -2, 0.25, 0.7, 3, -1.5, 0.1);  // a slanted, tapering column
  const auto normals = glrec::callsNamed("glNormal3f");
  const auto v = vertices();
  for (std::size_t face = 0; face < 6; ++face) {
    const auto& a = v[4 * face].args;
    const auto& b = v[4 * face + 1].args;
    const auto& c = v[4 * face + 2].args;
    const double n[3] = {(b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]),
                         (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]),
                         (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])};
    const double dot = n[0] * normals[face].args[0] + n[1] * normals[face].args[1] + n[2] * normals[face].args[2];
    EXPECT_GT(dot, 0) << "face " << face;
  }
}

TEST(DrawBlock, AZeroTopHalfSizeMakesAPyramid) {
  glrec::reset();
  scenes::drawBlock(0, 0, 0, 1, 0, 2, 0, 0);
  for (const Call& v : vertices()) {
    if (v.args[1] > 0) {
      EXPECT_EQ(v.args, (std::vector<double>{0, 2, 0}));
    }
  }
}

TEST(DrawTextRow, DrawsTheRowStripAndLeavesAdditiveBlendingAndTheTranslation) {
  engine::Texture texture;
  texture.glName = 42;
  glrec::reset();
  glBlendFunc(GL_ONE, GL_ZERO);
  glEnable(GL_TEXTURE_2D);
  scenes::drawTextRow(&texture, 16, 1.5, -0.25, 0.75);
  EXPECT_EQ(glrec::state().blendSource, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glrec::state().matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_EQ(glrec::state().projectionDepth, 0);
  EXPECT_EQ(glrec::callsNamed("glOrtho")[0], (Call{"glOrtho", {-4, 4, -3, 3, -10, 10}}));
  // The translation is the last modelview change: nothing resets it before the procedure returns.
  const auto fromTranslate = glrec::callsFrom("glTranslatef");
  EXPECT_EQ(fromTranslate.front(), (Call{"glTranslatef", {1.5, -0.25, -1}}));
  for (const Call& call : fromTranslate) EXPECT_NE(call.name, "glLoadIdentity");
  EXPECT_EQ(glrec::callsNamed("glBindTexture")[0], (Call{"glBindTexture", {GL_TEXTURE_2D, 42}}));
  EXPECT_EQ(glrec::callsNamed("glColor4f")[0], (Call{"glColor4f", {1, 1, 1, 0.75}}));
  const std::vector<Call> strip{{"glTexCoord2f", {1, 1}},      {"glVertex3f", {2, -0.15625, 0}},
                                {"glTexCoord2f", {0, 1}},      {"glVertex3f", {-3, -0.15625, 0}},
                                {"glTexCoord2f", {0, 0.9375}}, {"glVertex3f", {-3, 0.15625, 0}},
                                {"glTexCoord2f", {1, 0.9375}}, {"glVertex3f", {2, 0.15625, 0}}};
  const auto begin = glrec::callsFrom("glBegin");
  EXPECT_EQ(std::vector<Call>(begin.begin() + 1, begin.begin() + 9), strip);
}

TEST(DrawGradient, VerticalGoesTopToBottomAndBlendingIsOnAfterwards) {
  glrec::reset();
  glDisable(GL_BLEND);
  scenes::drawGradient(0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 1);
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_EQ(glrec::state().projectionDepth, 0);
  EXPECT_EQ(glrec::state().matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  const auto body = glrec::callsFrom("glBegin");
  const std::vector<std::string> expected{"glBegin",      "glNormal3f", "glColor4f", "glTexCoord2f", "glVertex3f",
                                          "glTexCoord2f", "glVertex3f", "glColor4f", "glTexCoord2f", "glVertex3f",
                                          "glTexCoord2f", "glVertex3f", "glEnd"};
  std::vector<std::string> names;
  for (std::size_t i = 0; i < expected.size(); ++i) names.push_back(body[i].name);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(body[2], (Call{"glColor4f", {0.1f, 0.2f, 0.3f, 1}}));
  EXPECT_EQ(body[7], (Call{"glColor4f", {0.4f, 0.5f, 0.6f, 1}}));
  EXPECT_EQ(body[8], (Call{"glTexCoord2f", {1, 1}}));
  EXPECT_EQ(body[9], (Call{"glVertex3f", {640, 480, -99}}));
}

TEST(DrawGradient, HorizontalGoesLeftToRight) {
  glrec::reset();
  scenes::drawGradient(0, 0, 0, 1, 1, 1, 0);
  const auto colours = glrec::callsNamed("glColor4f");
  ASSERT_EQ(colours.size(), 3u);
  EXPECT_EQ(colours[0].args[0], 0);  // left edge
  EXPECT_EQ(colours[1].args[0], 1);  // right edge, both corners
  EXPECT_EQ(colours[2].args[0], 0);  // back to the left edge
}

TEST(DrawPanel, RunsCounterClockwiseFromTheFirstCornerWithTheTextureRowsGiven) {
  glrec::reset();
  scenes::drawPanel(-0.65, -0.4, 0.95, 0.4, 1, 0.5);
  const std::vector<glrec::Call> expected{{"glBegin", {GL_QUADS}},
                                          {"glNormal3f", {0, 0, 1}},
                                          texCoord(0, 1),
                                          scenetest::vertex(-0.65f, -0.4f, 0),
                                          texCoord(1, 1),
                                          scenetest::vertex(0.95f, -0.4f, 0),
                                          texCoord(1, 0.5f),
                                          scenetest::vertex(0.95f, 0.4f, 0),
                                          texCoord(0, 0.5f),
                                          scenetest::vertex(-0.65f, 0.4f, 0),
                                          {"glEnd", {}}};
  EXPECT_EQ(glrec::calls(), expected);
  glrec::reset();
  scenes::drawQuad(0.25);  // the square case: t = 0 at its top edge
  EXPECT_EQ(glrec::calls()[2], texCoord(0, 1));
  EXPECT_EQ(glrec::calls()[3], scenetest::vertex(-0.25f, -0.25f, 0));
  EXPECT_EQ(glrec::calls()[9], scenetest::vertex(-0.25f, 0.25f, 0));
}

}  // namespace
