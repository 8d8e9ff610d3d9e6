// Scene 7's OpenGL calls: the set-up's layout, the flower's geometry and colours in both passes, the
// closing picture's fades, and the state each render procedure leaves behind.

#include "tests/scenes/scene7_test_support.h"

#include <GL/glu.h>

#include <cmath>
#include <optional>

namespace {

using glrec::Call;
using scene7test::Scene7;

using scenetest::callsNamed;
using scenetest::colour;
using scenetest::indexOf;
using scenetest::single;
using scenetest::slice;
using scenetest::vertex;

Call translate(double x, double y, double z) { return Call{"glTranslatef", {single(x), single(y), single(z)}}; }
Call begin(GLenum mode) { return Call{"glBegin", {double(mode)}}; }
Call blend(GLenum destination) { return Call{"glBlendFunc", {GL_SRC_ALPHA, double(destination)}}; }
Call polygonMode(GLenum mode) { return Call{"glPolygonMode", {GL_FRONT_AND_BACK, double(mode)}}; }
Call rotateZ(double degrees) { return Call{"glRotatef", {single(degrees), 0, 0, 1}}; }

const Call identity{"glLoadIdentity", {}};
const Call end{"glEnd", {}};

// The frame of the flower's foot and of its head, (0.2, 1.515, 0) above it.
const Call flowerFrame = translate(-1, -1, -3);
const Call headFrame = translate(-1.0 + 0.2, -1.0 + 1.515, -3);

// The first `wanted` in `calls` at or after `from`; calls.size() if there is none.
std::size_t find(const std::vector<Call>& calls, const Call& wanted, std::size_t from = 0) {
  return indexOf(wanted, from, calls);
}

// The calls of one head pass: from the translation to the head up to the next glLoadIdentity.
std::vector<Call> headPass(const std::vector<Call>& calls, int pass) {
  std::size_t at = find(calls, headFrame);
  if (pass == 1) at = find(calls, headFrame, at + 1);
  return slice(calls, at, find(calls, identity, at));
}

struct PetalColours {
  Call c1, c2, c3;
};

// Ten outer petals (c1, c2, c1, c2 each), then ten inner petals (c1, c3, c1 each).
std::vector<Call> petalColours(const PetalColours& c) {
  std::vector<Call> expected;
  for (int i = 0; i < 10; ++i) expected.insert(expected.end(), {c.c1, c.c2, c.c1, c.c2});
  for (int i = 0; i < 10; ++i) expected.insert(expected.end(), {c.c1, c.c3, c.c1});
  return expected;
}

PetalColours filledPetals(double alpha) {
  return {colour(0.5, 0.7, 0, alpha), colour(0.8, 0.7, 0, alpha), colour(0.9, 0.5, 0, alpha)};
}
PetalColours wirePetals(double alpha) {
  return {colour(0.2, 0.4, 0, alpha), colour(0.5, 0.4, 0, alpha), colour(0.6, 0.2, 0, alpha)};
}

// Expects `wanted` to appear in `calls` in this order (other calls may lie between).
void expectInOrder(const std::vector<Call>& calls, const std::vector<Call>& wanted) {
  std::size_t at = 0;
  for (const Call& call : wanted) {
    const std::size_t found = find(calls, call, at);
    ASSERT_LT(found, calls.size()) << call << " missing after call " << at;
    at = found + 1;
  }
}

// The bottom colour of the sky gradient (its second colour).
std::vector<double> skyBottom(const std::vector<Call>& calls) { return callsNamed(calls, "glColor4f").at(1).args; }

TEST_F(Scene7, SetUpRunsOnceAndPlantsGrassInFourPatchesWithSevenDrawsABlade) {
  // The first blade from the first seven draws, in their order: base x and its side, base z and its
  // side, then the tip's three offsets.
  scenes::resetRandom();
  std::vector<double> u(7);
  for (double& draw : u) draw = scenes::randomUnit();
  const auto r = [&](int i, int n) { return std::trunc(n * u[i]); };
  const double bx = (r(1, 2) > 0 ? -1 : 1) * (0.25 + r(0, 100) / 100);
  const double bz = (r(3, 2) > 0 ? -1 : 1) * (0.25 + r(2, 100) / 100);
  const engine::Particle& first = scenes::particles5->particles[1];
  EXPECT_FLOAT_EQ(first.x, bx);
  EXPECT_EQ(first.y, -0.5f);
  EXPECT_FLOAT_EQ(first.z, bz);
  EXPECT_FLOAT_EQ(first.x2, bx + r(4, 100) / 1000 - 0.05);
  EXPECT_FLOAT_EQ(first.y2, -0.5 + r(5, 100) / 2000 + 0.05);
  EXPECT_FLOAT_EQ(first.z2, bz + r(6, 100) / 1000 - 0.05);

  // 100 blades of seven draws; a second call in the set-up's window draws nothing and changes nothing.
  for (int i = 7; i < 700; ++i) scenes::randomUnit();
  const double draw701 = scenes::randomUnit();
  scenes::resetRandom();
  scenes::currentScene = 0;
  scenes::captions[0].row = 13;
  scenes::scene7Start();
  EXPECT_EQ(scenes::currentScene, 990);
  EXPECT_EQ(scenes::captions[0].row, 13);
  scenes::captions[3].alpha = 0.5f;
  glrec::clearCalls();
  scenes::demoClock = 122020;
  scenes::scene7Start();
  EXPECT_TRUE(glrec::calls().empty());
  EXPECT_EQ(scenes::captions[3].alpha, 0.5f);
  EXPECT_EQ(scenes::randomUnit(), draw701);

  bool quadrants[2][2] = {};
  for (int k = 1; k <= 100; ++k) {
    const engine::Particle& b = scenes::particles5->particles[k];
    for (float base : {b.x, b.z}) {
      EXPECT_GE(std::abs(base), 0.25f - 1e-6f) << k;
      EXPECT_LE(std::abs(base), 1.24f + 1e-6f) << k;
    }
    quadrants[b.x > 0][b.z > 0] = true;
  }
  EXPECT_TRUE(quadrants[0][0] && quadrants[0][1] && quadrants[1][0] && quadrants[1][1]);
}

TEST_F(Scene7, StalksTopSquareIsCentredWhereTheHeadSitsInBothPasses) {
  const auto& calls = render(135000);
  // Each pass draws the stalk as three blocks after the translation to the flower's foot; the third
  // block's top face (normal +y) is the stalk's top.
  const Call up{"glNormal3f", {0, 1, 0}};
  std::size_t at = find(calls, flowerFrame);
  for (int pass = 0; pass < 2; ++pass) {
    for (int block = 0; block < 3; ++block) at = find(calls, up, at + 1);
    ASSERT_LT(at + 8, calls.size());
    double sumX = 0, sumZ = 0, minX = 1e9, maxX = -1e9;
    for (std::size_t i = at + 2; i <= at + 8; i += 2) {
      ASSERT_EQ(calls[i].name, "glVertex3f");
      EXPECT_FLOAT_EQ(calls[i].args[1], 1.515) << "pass " << pass;
      sumX += calls[i].args[0];
      sumZ += calls[i].args[2];
      minX = std::min(minX, calls[i].args[0]);
      maxX = std::max(maxX, calls[i].args[0]);
    }
    EXPECT_NEAR(sumX / 4, 0.2, 1e-6) << "pass " << pass;
    EXPECT_NEAR(sumZ / 4, 0, 1e-6) << "pass " << pass;
    EXPECT_NEAR(maxX - minX, 0.03, 1e-6) << "pass " << pass;
    // The head is drawn next, in its own frame at the stalk's top: flowerPos + (0.2, 1.515, 0).
    const std::size_t head = find(calls, headFrame, at);
    ASSERT_LT(head, calls.size());
    EXPECT_EQ(calls[head - 1], identity);
    at = head;
  }
  const auto filled = headPass(calls, 0);
  EXPECT_EQ(callsNamed(filled, "gluSphere"), (std::vector<Call>{{"gluSphere", {1, 0.05, 10, 10}}}));
  EXPECT_EQ(callsNamed(filled, "gluQuadricTexture"), (std::vector<Call>{{"gluQuadricTexture", {1, GL_FALSE}}}));
  EXPECT_EQ(callsNamed(filled, "gluDeleteQuadric").size(), 1u);
  EXPECT_TRUE(callsNamed(headPass(calls, 1), "gluSphere").empty());
}

TEST_F(Scene7, PetalRingsTakeTheirColoursInBothPassesAndTurnTwiceAround) {
  for (const std::int32_t clock : {135000, 152000}) {
    SCOPED_TRACE(clock);
    const auto& calls = render(clock);
    const double v = clock - 150000;
    const double petalAlpha = clock < 150000 ? 0.6 : 0.6 - v / 6667;
    const double headAlpha = clock < 150000 ? 1 : 1 - v / 4000;
    for (int pass = 0; pass < 2; ++pass) {
      const auto head = headPass(calls, pass);
      std::vector<Call> expected{colour(0.2, 0.05, 0.05, headAlpha)};
      const auto petals = petalColours(pass == 0 ? filledPetals(petalAlpha) : wirePetals(petalAlpha));
      expected.insert(expected.end(), petals.begin(), petals.end());
      EXPECT_EQ(callsNamed(head, "glColor4f"), expected) << "pass " << pass;
      EXPECT_EQ(callsNamed(head, "glRotatef"), std::vector<Call>(20, rotateZ(36))) << "pass " << pass;
      EXPECT_EQ(callsNamed(head, "glBegin"), std::vector<Call>(20, begin(GL_QUADS))) << "pass " << pass;
      EXPECT_EQ(callsNamed(head, "glVertex3f").size(), 10u * 8 + 10u * 4) << "pass " << pass;
    }
  }
}

TEST_F(Scene7, FullPictureDrawsSkyCaptionsPictureGroundFlowerAndButterflyInPaintersOrder) {
  for (int k = 0; k < 10; ++k) scenes::captions[k].alpha = 0.05f * (k + 1);
  scenes::captions[0].row = 9;  // the title shows rows 1 and 2 whatever its row
  const auto& calls = render(135000);
  const double t = 135000, u = t - 121920;
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), identity);
  expectInOrder(calls, {{"glOrtho", {0, 640, 480, 0, -100, 100}},
                        colour(0, 0, 0, 1),
                        colour(0.05, 0.35, 0.7, 1),
                        {"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}},
                        translate(0.5, 0.2, -2),
                        {"glEnable", {GL_TEXTURE_2D}},
                        {"glBindTexture", {GL_TEXTURE_2D, scene7test::skyName}},
                        colour(1, 1, 1, 1),
                        begin(GL_QUADS),
                        {"glNormal3f", {0, 0, 1}},
                        {"glDisable", {GL_TEXTURE_2D}},
                        {"gluLookAt",
                         {single(-1 - std::sin(t / 4000) / 3), single(-1 + 1 + std::sin((t - 4000) / 8000)),
                          single(-3 + 0.6), single(-1 + u / 40000), single(-1 + u / 6000), -3, 0, 1, 0}},
                        identity,
                        flowerFrame,
                        polygonMode(GL_LINE),
                        colour(0.1, 0.6, 0.1, 0.8),
                        polygonMode(GL_FILL),
                        {"glBindTexture", {GL_TEXTURE_2D, scene7test::butterflyName}},
                        {"glBindTexture", {GL_TEXTURE_2D, scene7test::butterflyShapeName}}});

  // Title (rows 1 and 2, the second line shifted) and nine credits (rows 3 to 11), each at its alpha.
  const auto rows = callsNamed(calls, "glTexCoord2f");  // the gradient's four, then four a row
  const auto moves = callsNamed(calls, "glTranslatef");
  const auto colours = callsNamed(calls, "glColor4f");
  for (int row = 1; row <= 11; ++row) {
    const std::size_t k = row <= 2 ? 0 : row - 2;
    EXPECT_EQ(rows[4 + 4 * (row - 1)], (Call{"glTexCoord2f", {1, row * 0.0625}})) << row;
    const double x = scenes::captions[k].x + (row == 2 ? 0.45 : 0);
    const double y = scenes::captions[k].y - (row == 2 ? 0.2 : 0);
    EXPECT_EQ(moves[row - 1], translate(x, y, -1)) << row;
    EXPECT_EQ(colours[row + 1], colour(1, 1, 1, scenes::captions[k].alpha)) << row;
  }
  EXPECT_EQ(glrec::count("glOrtho"), 12u);

  // The ground, blended additively like the sky, then every flower part blended over what lies behind.
  const std::size_t ground = find(calls, flowerFrame);
  EXPECT_EQ(calls[ground - 1], identity);
  const std::vector<Call> groundAndSwitch{begin(GL_QUADS),
                                          colour(0, 1, 0, 0.9),
                                          vertex(-1.5, 0.05, 1.5),
                                          vertex(1.5, 0.05, 1.5),
                                          colour(0, 0.8, 0, 0.9),
                                          vertex(1.5, 0.05, -1.5),
                                          vertex(-1.5, 0.05, -1.5),
                                          end,
                                          blend(GL_ONE_MINUS_SRC_ALPHA)};
  EXPECT_EQ(slice(calls, ground + 1, ground + 10), groundAndSwitch);

  // Leaf halves: dark at the stalk, light at the tip; the tips and the stalk carry the light colour on.
  const auto leaves = slice(calls, ground + 10, find(calls, headFrame));
  const Call dark = colour(0.1, 0.7, 0.1, 0.8), light = colour(0.3, 0.9, 0.3, 0.8);
  EXPECT_EQ(callsNamed(leaves, "glColor4f"), (std::vector<Call>{dark, light, dark, light, dark, light, dark, light}));

  // The wire leaf halves start at the stalk's foot.
  const std::size_t wire = find(calls, polygonMode(GL_LINE));
  const auto wireVertices = callsNamed(slice(calls, wire, find(calls, end, wire)), "glVertex3f");
  ASSERT_EQ(wireVertices.size(), 16u);
  for (int half = 0; half < 4; ++half) EXPECT_EQ(wireVertices[4 * half], vertex(0, 0, 0)) << half;

  // Grass: 101 filled blades in one group (record 0 at the stalk's foot), 100 wire blades one by one.
  const std::size_t filledGrass = find(calls, colour(0.3, 0.8, 0.2, 0.7));
  ASSERT_LT(filledGrass, wire);
  EXPECT_EQ(calls[filledGrass - 1], flowerFrame);
  EXPECT_EQ(calls[filledGrass + 1], begin(GL_TRIANGLES));
  EXPECT_EQ(slice(calls, filledGrass + 2, filledGrass + 5),
            (std::vector<Call>{vertex(0.02, 0, 0), vertex(-0.02, 0, 0), vertex(0, 0.3, 0)}));
  EXPECT_EQ(calls[filledGrass + 2 + 3 * 101], end);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), colour(0, 0.4, 0, 0.5)), 100);

  EXPECT_EQ(calls[calls.size() - 2], (Call{"glDisable", {GL_TEXTURE_2D}}));
  EXPECT_EQ(calls.back(), blend(GL_ONE));
  EXPECT_EQ(glrec::count("glPolygonMode"), 2u);
  scenetest::expectFrameStateRestored();
}

TEST_F(Scene7, ButterflyWingsStandAtPlusAndMinusFifteenTimesThePhase) {
  scenes::wingPhase = 0.8f;
  scenes::butterflyPos = {-0.8f, 0.6f, -2.9f};
  const auto& calls = render(140000);
  const std::size_t at = find(calls, translate(-0.8f, 0.6f, -2.9f));
  ASSERT_LT(at, calls.size());
  const auto butterfly = slice(calls, at, calls.size());
  const double w = 0.8f;
  const auto turn = [](double degrees) { return Call{"glRotatef", {single(degrees), 0, 1, 0}}; };
  EXPECT_EQ(callsNamed(butterfly, "glRotatef"),
            (std::vector<Call>{turn(15 * w), turn(-30 * w), turn(30 * w), turn(-30 * w)}));
  EXPECT_EQ(callsNamed(butterfly, "glColor4f"), (std::vector<Call>{colour(1, 1, 1, 0.5), colour(0, 0, 0, 1)}));
  expectInOrder(butterfly, {{"glEnable", {GL_TEXTURE_2D}},
                            {"glBindTexture", {GL_TEXTURE_2D, scene7test::butterflyName}},
                            turn(15 * w),
                            begin(GL_QUADS),
                            {"glTexCoord2f", {0, 0}},
                            vertex(0, 0.1, 0),
                            {"glBindTexture", {GL_TEXTURE_2D, scene7test::butterflyShapeName}}});
  EXPECT_EQ(polygonMode(GL_FILL), *std::prev(std::find(calls.begin(), calls.end(), translate(-0.8f, 0.6f, -2.9f)), 2));
}

TEST_F(Scene7, ClosingPictureAt152000FadesAllButTheButterfly) {
  const auto& calls = render(152000);
  const double v = 2000;
  // Every colour of the closing picture, in order: no captions, no ground, no leaves.
  std::vector<Call> expected{colour(0, 0, 0, 1), colour(0.05, 0.35, 0.7, 1),  // the sky, not yet darkening
                             colour(1, 1, 1, 1 - v / 4000),                   // sky picture
                             colour(0.3, 0.9, 0.3, 0.8 - v / 5000),           // filled stalk
                             colour(0.2, 0.05, 0.05, 1 - v / 4000)};          // centre
  const auto filled = petalColours(filledPetals(0.6 - v / 6667));
  expected.insert(expected.end(), filled.begin(), filled.end());
  expected.push_back(colour(0.3, 0.8, 0.2, 0.7 - v / 5715));  // filled grass
  expected.push_back(colour(0.1, 0.6, 0.1, 0.8 - v / 5000));  // wire stalk
  expected.push_back(colour(0.2, 0.05, 0.05, 1 - v / 4000));  // head before the wire petals
  const auto wire = petalColours(wirePetals(0.6 - v / 6667));
  expected.insert(expected.end(), wire.begin(), wire.end());
  expected.insert(expected.end(), 100, colour(0, 0.4, 0, 0.5 - v / 8000));  // wire grass
  expected.push_back(colour(1, 1, 1, 0.5));                                 // butterfly, unfaded
  expected.push_back(colour(0, 0, 0, 1));
  EXPECT_EQ(callsNamed(calls, "glColor4f"), expected);

  // The blend switch follows the translation to the flower's foot directly; the stalk's own colour
  // comes next, before the first block.
  const std::size_t foot = find(calls, flowerFrame);
  EXPECT_EQ(slice(calls, foot, foot + 4), (std::vector<Call>{flowerFrame, blend(GL_ONE_MINUS_SRC_ALPHA),
                                                             colour(0.3, 0.9, 0.3, 0.4), begin(GL_QUADS)}));
  // In the wire pass the stalk is the first thing drawn.
  const std::size_t wirePass = find(calls, polygonMode(GL_LINE));
  EXPECT_EQ(slice(calls, wirePass + 1, wirePass + 4),
            (std::vector<Call>{colour(0.1, 0.6, 0.1, 0.4), begin(GL_QUADS), {"glNormal3f", {0, 0, 1}}}));
  EXPECT_EQ(glrec::count("glOrtho"), 1u);                                           // the gradient only
  EXPECT_EQ(std::count(calls.begin(), calls.end(), begin(GL_TRIANGLES)), 1 + 100);  // grass only
  EXPECT_EQ(calls.back(), blend(GL_ONE));
  scenetest::expectFrameStateRestored();
}

TEST_F(Scene7, SkyDarkensToBlackFrom154000AndTheFadesStayBelowZero) {
  EXPECT_EQ(skyBottom(render(153999)), colour(0.05, 0.35, 0.7, 1).args);
  EXPECT_EQ(skyBottom(render(154000)), colour(0.05, 0.35, 0.7, 1).args);
  EXPECT_EQ(skyBottom(render(155000)),
            colour(0.05 - 1000.0 / 60000, 0.35 - 1000.0 / 8572, 0.7 - 1000.0 / 4286, 1).args);
  for (const std::int32_t clock : {157000, 157500, 157900}) {
    const auto sky = skyBottom(render(clock));
    for (int c = 0; c < 3; ++c) EXPECT_LT(sky[c], 0.5 / 255) << clock << " channel " << c;
    // Every faded alpha stays at or below zero: only the butterfly's colours keep a positive alpha.
    const auto colours = callsNamed(glrec::calls(), "glColor4f");
    for (std::size_t i = 2; i + 2 < colours.size(); ++i) EXPECT_LE(colours[i].args[3], 0) << clock << " " << i;
  }
}

}  // namespace
