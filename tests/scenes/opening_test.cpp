// The picture scenes 1 and 2 share, as OpenGL calls: the flare wheel, the wisps and the crescent's
// layers against their tables at one clock.

#include "scenes/opening.h"
#include "tests/scenes/opening_fixture.h"

#include <GL/gl.h>

namespace {

using namespace openingtest;
using glrec::Call;

constexpr double t = 14500;
constexpr scenes::FlameAlphas alphas{0.1, 0.05, 0.4, 0.25, 0.3};

// The strips in drawing order: 11 spokes, wisp 1, crescent layers 1 to 4, wisp 2.
constexpr int wisp1 = 11, layer1 = 12, layer2 = 13, layer3 = 14, layer4 = 15, wisp2 = 16;

class FlameComposition : public OpeningScenes {
 protected:
  void SetUp() override {
    OpeningScenes::SetUp();
    scenes::setWavePoints(t);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glrec::clearCalls();
    scenes::drawFlameComposition(t, alphas);
    strips = blocks(GL_TRIANGLE_STRIP);
    stripLeadIns = leadIns(GL_TRIANGLE_STRIP);
    ASSERT_EQ(strips.size(), 17u);
  }

  std::vector<Call> vertices(int strip) const { return named(strips[strip], "glVertex3f"); }
  std::vector<Call> texCoords(int strip) const { return named(strips[strip], "glTexCoord2f"); }

  std::vector<std::vector<Call>> strips;
  std::vector<std::vector<Call>> stripLeadIns;
};

TEST_F(FlameComposition, BindsOnlyTheFlareAndLeavesTexturingOffAndBlendingAdditive) {
  for (int spoke = 0; spoke < 11; ++spoke) EXPECT_EQ(vertices(spoke).size(), 33u);
  for (int layer = layer1; layer <= layer4; ++layer) EXPECT_EQ(vertices(layer).size(), 34u);
  EXPECT_EQ(vertices(wisp1).size(), 8u);
  EXPECT_EQ(vertices(wisp2).size(), 8u);
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_EQ(glrec::count("glBlendFunc"), 0u);
  EXPECT_EQ(glrec::state().modelviewDepth, 0);
  for (const Call& bind : glrec::callsNamed("glBindTexture")) EXPECT_EQ(bind.args[1], flareName);
}

TEST_F(FlameComposition, TheWheelHasElevenFlareSpokesEachWithAStripThroughTheWavePoints) {
  const auto wheel = glrec::callsFrom("glTranslatef");
  expectArgs(wheel[0], {-1.2, 0.5, -4});
  expectArgs(wheel[1], {-t / 200, 1, 0, 0});
  expectArgs(wheel[2], {-t / 500, 0, 1, 0});
  expectArgs(wheel[3], {t / 500, 0, 0, 1});
  const auto quads = blocks(GL_QUADS);
  const auto quadLeadIns = leadIns(GL_QUADS);
  ASSERT_EQ(quads.size(), 11u);
  for (int spoke = 0; spoke < 11; ++spoke) {
    const std::vector<Call> expected{{"glRotatef", {36, 0, 1, 0}},
                                     {"glEnable", {GL_TEXTURE_2D}},
                                     {"glBindTexture", {GL_TEXTURE_2D, flareName}},
                                     {"glColor4f", {1, 0.6f, 0.1f, 0.1f}}};
    const auto& leadIn = quadLeadIns[spoke];
    EXPECT_EQ(std::vector<Call>(leadIn.end() - 4, leadIn.end()), expected) << "spoke " << spoke;
    for (const Call& corner : named(quads[spoke], "glVertex3f")) EXPECT_EQ(std::abs(corner.args[0]), 1);
    EXPECT_EQ(stripLeadIns[spoke], (std::vector<Call>{{"glColor4f", {1, 0.6f, 0.1f, 0.05f}}}));

    // For k = 10 to 20: wave points k - 9, k and k - 1, each moved by (-0.1, -0.1).
    const auto points = vertices(spoke);
    const auto coords = texCoords(spoke);
    const std::vector<double> expectedCoords[3] = {{S(t, 1200), S(t, 800)}, {0, S(t, 1000)}, {S(t, 900), 0}};
    for (int j = 0; j < 33; ++j) {
      const int k = 10 + j / 3;
      const int index[3] = {k - 9, k, k - 1};
      const engine::Particle& p = scenes::particles1->particles[index[j % 3]];
      expectArgs(points[j], {p.x - 0.1, p.y - 0.1, p.z});
      expectArgs(coords[j], expectedCoords[j % 3]);
    }
  }
}

TEST_F(FlameComposition, TheCrescentLayersFollowTheirTableInTheCrescentsFrame) {
  const std::vector<Call> frame(stripLeadIns[layer1].end() - 6, stripLeadIns[layer1].end());
  EXPECT_EQ(frame[0], (Call{"glTranslatef", {1.5, -0.7f, -5.2f}}));
  EXPECT_EQ(frame[1], (Call{"glDisable", {GL_TEXTURE_2D}}));
  expectArgs(frame[2], {20 * S(t, 4000), 1, 0, 0});
  expectArgs(frame[3], {30 * S(t, 3000), 0, 1, 0});
  expectArgs(frame[4], {10 * S(t, 6000), 0, 0, 1});
  expectArgs(frame[5], {1, 0.6, 0.1, alphas.a2});

  const std::vector<Call> intoLayer2{
      {"glEnable", {GL_TEXTURE_2D}}, {"glBindTexture", {GL_TEXTURE_2D, flareName}}, {"glColor4f", {1, 0.4f, 0, 0.4f}}};
  EXPECT_EQ(stripLeadIns[layer2], intoLayer2);
  EXPECT_EQ(stripLeadIns[layer3], (std::vector<Call>{{"glColor4f", {1, 0.5f, 0, 0.25f}}}));
  const std::vector<Call> intoLayer4{{"glRotatef", {180, 1, 0, 0}},
                                     {"glEnable", {GL_TEXTURE_2D}},
                                     {"glBindTexture", {GL_TEXTURE_2D, flareName}},
                                     {"glColor4f", {1, 0.5f, 0, 0.3f}}};
  EXPECT_EQ(stripLeadIns[layer4], intoLayer4);
  EXPECT_EQ(stripLeadIns[wisp2].front(), (Call{"glRotatef", {-180, 1, 0, 0}}));

  // Layer 1 is untextured; layer 2 lies on the same base points; layer 4 repeats layer 3.
  EXPECT_TRUE(texCoords(layer1).empty());
  EXPECT_EQ(vertices(layer2), vertices(layer1));
  EXPECT_EQ(strips[layer4], strips[layer3]);

  // The base points run from (-0.6, -0.8) to (-0.6, 0.8), each outer point right of the inner one after it.
  const auto base = vertices(layer1);
  for (int k = 2; k <= 32; k += 2) EXPECT_GT(base[k - 1].args[0], base[k].args[0]) << "row " << k;

  struct Row {
    int k;
    std::vector<double> base, layer2Texture, layer3Texture, layer3Position;
  };
  const Row rows[] = {
      {1, {-0.6, -0.8, 0}, {0, S(t, 600)}, {0, S(t, 800)}, {-0.6 + S(t, 800) / 12, -0.8, S(t, 800) / 12}},
      {4, {-0.16, -0.65, 0}, {0, 0}, {0, 0}, {-0.16 + S(t, 600) / 30, -0.65 - S(t, 800) / 15, S(t, 1100) / 10}},
      {6,
       {-0.05, -0.6, 0},
       {S(t, 600), S(t, 900)},
       {S(t, 800), S(t, 900)},
       {-0.05 - S(t, 1700) / 10, -0.6, S(t, 2000) / 4}},
      {7,
       {-0.35, -0.6, 0},
       {S(t, 500), 0},
       {S(t, 700), 0},
       {-0.35 + S(t, 1000) / 10, -0.6 - S(t, 1200) / 12, S(t, 900) / 10}},
      {19, {-0.08, 0, 0}, {S(t, 900), 0}, {S(t, 700), 0}, {-0.08 - S(t, 1200) / 6, 0, S(t, 800) / 10}},
      {28, {0.15, 0.5, 0}, {S(t, 700), S(t, 800)}, {S(t, 900), S(t, 1300)}, {0.15, 0.5, 0}},
      {34, {-0.6, 0.8, 0}, {0, S(t, 500)}, {0, S(t, 1000)}, {-0.6, 0.8, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.k);
    expectArgs(base[row.k - 1], row.base);
    expectArgs(texCoords(layer2)[row.k - 1], row.layer2Texture);
    expectArgs(texCoords(layer3)[row.k - 1], row.layer3Texture);
    expectArgs(vertices(layer3)[row.k - 1], row.layer3Position);
  }
}

TEST_F(FlameComposition, TheWispsFollowTheirTables) {
  // Wisp 1 is drawn in the wheel's frame with the flare still bound; wisp 2 in the crescent's frame.
  EXPECT_EQ(stripLeadIns[wisp1], (std::vector<Call>{{"glColor4f", {1, 0.6f, 0.05f, 0.1f}}}));
  EXPECT_EQ(stripLeadIns[wisp2].back(), (Call{"glColor4f", {1, 0.6f, 0.05f, 0.1f}}));
  struct Row {
    int k;
    std::vector<double> wisp1Texture, wisp1Position, wisp2Texture, wisp2Position;
  };
  const Row rows[] = {
      {2, {S(t, 800), S(t, 1024)}, {0.5, 0.5, 0}, {S(t, 1200), S(t, 1024)}, {0.5, 0.5, 0}},
      {4, {0, 0}, {0, S(t, 1000), 0.1}, {0, 0}, {0, S(t, 600), 0.1}},
      {5, {0, S(t, 768)}, {S(t, 800), C(t, 800), 0.2}, {0, S(t, 1000)}, {S(t, 800), C(t, 700), 0.2}},
      {7, {S(t, 512), 0}, {C(t, 400), S(t, 400), 0.4}, {S(t, 700), 0}, {C(t, 400), S(t, 600), 0.4}},
      {8, {0, S(t, 900)}, {0, S(t, 200), 0.5}, {0, S(t, 600)}, {0, S(t, 400), 0.5}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.k);
    // Each vertex's texture coordinate comes right before it.
    EXPECT_EQ(strips[wisp1][2 * row.k - 2].name, "glTexCoord2f");
    expectArgs(strips[wisp1][2 * row.k - 2], row.wisp1Texture);
    expectArgs(strips[wisp1][2 * row.k - 1], row.wisp1Position);
    expectArgs(strips[wisp2][2 * row.k - 2], row.wisp2Texture);
    expectArgs(strips[wisp2][2 * row.k - 1], row.wisp2Position);
  }
}

}  // namespace
