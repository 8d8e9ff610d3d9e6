#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <cmath>

namespace {

using scenetest::DemoState;

const engine::Particle& branchPoint(int k) { return scenes::particles3->particles[k]; }
engine::Particle& leaf(int i) { return scenes::particles4->particles[i]; }
const engine::Particle& strand(int i) { return scenes::particles5->particles[i]; }

int parentOf(int k) { return k <= 13 ? k % 3 + 1 : 12 - k % 9; }

constexpr double slack = 1e-5;  // single-precision storage

// Every draw scene 3's set-up makes: branch points 3 x 41, leaf positions 3 x 540, leaf phase and
// colour 4 x 541, grass 9 x 2000.
constexpr int scene3Draws = 3 * 41 + 3 * 540 + 4 * 541 + 9 * 2000;

using Scene3Start = DemoState;

TEST_F(Scene3Start, DrawsItsLayoutInOrderAndOnlyOnce) {
  runAt(45730, scenes::scene3Start);
  EXPECT_EQ(scenes::currentScene, 30);
  scenetest::expectCaptionPlaced(-4.8f, 1.5f, 8);

  const double next = scenes::randomUnit();
  scenes::resetRandom();
  const float x = static_cast<float>(scenes::randomInt(100) / 100.0 - 0.5);
  const float y = static_cast<float>(scenes::randomInt(80) / 100.0 + 1);
  const float z = static_cast<float>(scenes::randomInt(100) / 100.0 - 0.5);
  EXPECT_EQ(branchPoint(1).x, x);
  EXPECT_EQ(branchPoint(1).y, y);
  EXPECT_EQ(branchPoint(1).z, z);
  for (int i = 3; i < scene3Draws; ++i) scenes::randomUnit();
  EXPECT_EQ(scenes::randomUnit(), next) << "the set-up made a different number of draws";

  const float kept = branchPoint(5).x;
  scenes::particles3->particles[5].x = 99;
  runAt(45800, scenes::scene3Start);
  EXPECT_EQ(branchPoint(5).x, 99) << "the set-up ran twice";
  EXPECT_NE(kept, 99);
  EXPECT_TRUE(glrec::calls().empty());
}

TEST_F(Scene3Start, GrowsEveryBranchWithinReachOfItsParent) {
  runAt(45730, scenes::scene3Start);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_GE(branchPoint(k).y, 1.0f);
    EXPECT_LE(branchPoint(k).y, 1.79f + slack);
  }
  for (int k = 4; k <= 41; ++k) {
    const engine::Particle& parent = branchPoint(parentOf(k));
    const engine::Particle& b = branchPoint(k);
    const double maxRise = k <= 13 ? 0.99 : 0.69;
    EXPECT_GE(b.x - parent.x, -0.3 - slack) << k;
    EXPECT_LE(b.x - parent.x, 0.29 + slack) << k;
    EXPECT_GE(b.y - parent.y, -slack) << k;
    EXPECT_LE(b.y - parent.y, maxRise + slack) << k;
    EXPECT_GE(b.z - parent.z, -0.3 - slack) << k;
    EXPECT_LE(b.z - parent.z, 0.29 + slack) << k;
  }
}

TEST_F(Scene3Start, HangsTwentyLeavesAroundEachTwigSwayingFromTheirRest) {
  runAt(45730, scenes::scene3Start);
  for (int n = 10; n <= 540; ++n) {
    const engine::Particle& twig = branchPoint((n / 10 + 1) / 2 + 13);
    const engine::Particle& l = leaf(n);
    EXPECT_LE(std::abs(l.x2 - twig.x), 0.2 + slack) << n;
    EXPECT_LE(std::abs(l.y2 - twig.y), 0.2 + slack) << n;
    EXPECT_LE(std::abs(l.z2 - twig.z), 0.2 + slack) << n;
    ASSERT_GE(l.timeOffset, 0);
    ASSERT_LT(l.timeOffset, 3000);
    EXPECT_NEAR(l.y, l.y2 + std::sin((l.timeOffset + 45730.0) / 1000) / 5, slack) << n;
    EXPECT_LE(l.z3, 0.09f + slack) << "blue, the last colour drawn";
  }
}

TEST_F(Scene3Start, PlantsTheGrassInALensWhosePointsHaveNoWidth) {
  runAt(45730, scenes::scene3Start);
  int atLeftPoint = 0;
  int behind = 0;
  for (int i = 1; i <= 2000; ++i) {
    const engine::Particle& s = strand(i);
    ASSERT_EQ(s.y, -0.5f);
    ASSERT_GE(s.x, -4.0f);
    ASSERT_LE(s.x, 3.99f + slack);
    const int m = static_cast<int>(400 * std::sin((23 * (s.x + 4.0)) * M_PI / 180));
    EXPECT_LE(std::abs(s.z), std::max(0, std::abs(m) - 1) / 100.0 + slack) << "strand " << i << " x " << s.x;
    if (s.x == -4.0f) {
      ++atLeftPoint;
      EXPECT_EQ(s.z, 0) << "strand " << i;
    }
    if (s.z < 0) ++behind;
    EXPECT_GE(s.y2 - s.y, 0.05f - slack);
    EXPECT_LE(s.y2 - s.y, 0.0995f + slack);
    EXPECT_GE(s.y3 - s.y2, 0.08f - slack);
    EXPECT_LE(s.y3 - s.y2, 0.1295f + slack);
    EXPECT_LE(std::abs(s.x3 - s.x2), 0.05f + slack);
  }
  EXPECT_GT(atLeftPoint, 0) << "no strand drawn at x = -4; the check above saw nothing";
  EXPECT_GT(behind, 600);
  EXPECT_LT(behind, 1400);
}

using Scene3Post = DemoState;

TEST_F(Scene3Post, LeavesSwayUntilTheyFallAndStayWhereTheyLand) {
  engine::Particle& high = leaf(1);
  high.x2 = 0.5f;
  high.y2 = 2;
  high.z2 = -0.5f;
  high.timeOffset = 0;
  engine::Particle& low = leaf(2);
  low.y2 = 0.2f;
  low.timeOffset = 1000;

  runAt(50000, scenes::scene3Post);
  EXPECT_NEAR(high.y, 2 + std::sin(50.0) / 5, slack);
  EXPECT_NEAR(low.y, 0.2 + std::sin(51.0) / 5, slack);

  runAt(60000, scenes::scene3Post);
  const double w = std::sin(60.0) / 5;
  EXPECT_NEAR(high.y, 2 + w - 1.636, slack);
  EXPECT_NEAR(high.y, 0.30, 0.01);
  EXPECT_NEAR(high.x, 0.5 + w * 5.09, slack);
  EXPECT_NEAR(high.z, -0.5 + w * 5.09, slack);
  ASSERT_LE(low.y, 0) << "the low leaf should have landed by now";

  const engine::Particle landed = low;
  for (std::int32_t t = 60100; t < 71139; t += 1000) {
    runAt(t, scenes::scene3Post);
    EXPECT_EQ(low.x, landed.x);
    EXPECT_EQ(low.y, landed.y);
    EXPECT_EQ(low.z, landed.z);
  }
  EXPECT_LE(high.y, 0) << "every leaf is down before the scene ends";
}

TEST_F(Scene3Post, CaptionsCreepRightInTheirWindowsAndHoldOutsideThem) {
  runAt(45730, scenes::scene3Start);
  runAt(45730, scenes::scene3Post);  // the window's first end is excluded
  EXPECT_FLOAT_EQ(scenes::captions[1].x, -4.8f);
  EXPECT_FLOAT_EQ(scenes::captions[1].y, 1.5f);

  runAt(48000, scenes::scene3Post);
  const scenes::Caption& caption = scenes::captions[1];
  EXPECT_EQ(caption.row, 8);
  EXPECT_FLOAT_EQ(caption.x, static_cast<float>(4.0 - 4.8));
  EXPECT_FLOAT_EQ(caption.y, 2.3f);
  EXPECT_FLOAT_EQ(caption.alpha, static_cast<float>(std::sin(2270.0 / 1500)));

  runAt(52000, scenes::scene3Post);
  EXPECT_EQ(caption.row, 9);
  runAt(58000, scenes::scene3Post);
  EXPECT_EQ(caption.row, 10);
  EXPECT_FLOAT_EQ(caption.x, static_cast<float>(58000.0 / 12000 - 5.6));

  runAt(66000, scenes::scene3Post);
  EXPECT_EQ(caption.row, 11);
  EXPECT_FLOAT_EQ(caption.x, static_cast<float>(5.5 - 6));
  EXPECT_LT(caption.alpha, 0) << "past its swell the caption is invisible";
  const scenes::Caption last = caption;
  runAt(66090, scenes::scene3Post);
  runAt(70000, scenes::scene3Post);
  EXPECT_EQ(caption.x, last.x);
  EXPECT_EQ(caption.alpha, last.alpha);
}

using Scene3Tree = DemoState;

// The alpha of the colour set just before the solid tree switches to blending over what lies behind
// it (the last switch to that blend function in the frame; the caption's is the first).
double solidTreeAlpha() {
  double colourAlpha = NAN;
  double alpha = NAN;
  for (const glrec::Call& call : glrec::calls()) {
    if (call.name == "glColor4f") colourAlpha = call.args[3];
    if (call == glrec::Call{"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}}) alpha = colourAlpha;
  }
  return alpha;
}

TEST_F(Scene3Tree, SolidTreeFadesFromHalfToNothingBetween66000And70500) {
  runAt(45730, scenes::scene3Start);
  for (auto [t, alpha] : {std::pair{60000, 0.5}, {66000, 0.5}, {68250, 0.25}, {70500, 0.0}, {71000, -1.0 / 18}}) {
    runAt(t, scenes::scene3Render);
    EXPECT_NEAR(solidTreeAlpha(), alpha, 1e-6) << "at " << t;
  }
}

}  // namespace
