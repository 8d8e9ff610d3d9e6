#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <cmath>

namespace {

using Scene4Start = scenetest::DemoState;

constexpr double slack = 1e-5;
constexpr int scene4Draws = 9 * 2000 + 5 * 200;  // grass strands, then sprites

TEST_F(Scene4Start, SetsTheDefaultViewAndTheCaptionAndDrawsItsLayoutOnce) {
  scenes::currentScene = 30;
  runAt(71139, scenes::scene4Start);
  EXPECT_EQ(scenes::currentScene, 80);
  EXPECT_EQ(glrec::callsNamed("gluLookAt"), (std::vector<glrec::Call>{{"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}}}));
  scenetest::expectCaptionPlaced(4, 1.5f, 1);

  const double next = scenes::randomUnit();
  scenes::resetRandom();
  const float firstFoot = static_cast<float>(scenes::randomInt(1800) / 100.0 - 9);
  EXPECT_EQ(scenes::particles5->particles[1].x, firstFoot);
  for (int i = 1; i < scene4Draws; ++i) scenes::randomUnit();
  EXPECT_EQ(scenes::randomUnit(), next) << "the set-up made a different number of draws";

  runAt(71200, scenes::scene4Start);
  EXPECT_TRUE(glrec::calls().empty()) << "the set-up ran twice";
}

TEST_F(Scene4Start, PlantsAnOvalOfGrassAndSpritesInFourQuarters) {
  runAt(71139, scenes::scene4Start);
  int behind = 0;
  for (int i = 1; i <= 2000; ++i) {
    const engine::Particle& s = scenes::particles5->particles[i];
    ASSERT_EQ(s.y, -5.2f);
    ASSERT_GE(s.x, -9.0f);
    ASSERT_LE(s.x, 8.99f + slack);
    const int m = static_cast<int>(90 * std::cos(9 * s.x * M_PI / 180));
    ASSERT_GE(m, 14);
    EXPECT_LE(std::abs(s.z), (m - 1) / 10.0 + slack) << "strand " << i << " x " << s.x;
    if (s.x == 0) {
      EXPECT_LE(std::abs(s.z), 8.9f + slack);
    }
    behind += s.z < 0;
    EXPECT_GE(s.y2 - s.y, 0.05f - slack);
    EXPECT_GE(s.y3 - s.y2, 0.08f - slack);
  }
  EXPECT_GT(behind, 700);
  EXPECT_LT(behind, 1300);

  int quarters[2][2] = {};
  for (int k = 1; k <= 200; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    EXPECT_GE(std::abs(p.x), 2.0f);
    EXPECT_LE(std::abs(p.x), 9.99f + slack);
    EXPECT_GE(std::abs(p.z), 2.0f);
    EXPECT_LE(std::abs(p.z), 9.99f + slack);
    EXPECT_GE(p.y, -2.0f);
    EXPECT_LE(p.y, 3.99f + slack);
    ++quarters[p.x < 0][p.z < 0];
  }
  for (auto& half : quarters) {
    for (int count : half) EXPECT_GT(count, 20);
  }
}

using Scene4Post = scenetest::DemoState;

TEST_F(Scene4Post, CaptionsCreepInFromTheRightInTheirWindows) {
  runAt(71139, scenes::scene4Start);
  runAt(75000, scenes::scene4Post);
  const scenes::Caption& caption = scenes::captions[1];
  EXPECT_EQ(caption.x, 4) << "before its window the caption keeps its start";

  runAt(78000, scenes::scene4Post);
  EXPECT_EQ(caption.row, 1);
  EXPECT_FLOAT_EQ(caption.x, 3.7f);
  EXPECT_FLOAT_EQ(caption.y, 1.5f);
  EXPECT_NEAR(caption.alpha, std::sin(2300.0 / 1500), 1e-6);
  EXPECT_NEAR(caption.alpha, 0.999, 0.001);

  runAt(80790, scenes::scene4Post);  // both ends of a window are excluded
  EXPECT_EQ(caption.row, 1);
  runAt(81000, scenes::scene4Post);
  EXPECT_EQ(caption.row, 2);
  EXPECT_FLOAT_EQ(caption.alpha, static_cast<float>(std::sin(210.0 / 1500)));

  scenes::captions[1].row = 5;
  runAt(82000, scenes::scene4Post);
  EXPECT_EQ(caption.row, 5) << "the row is only raised to 2";
  const scenes::Caption last = caption;
  runAt(86000, scenes::scene4Post);
  EXPECT_EQ(caption.x, last.x);
  EXPECT_EQ(caption.alpha, last.alpha);
}

}  // namespace
