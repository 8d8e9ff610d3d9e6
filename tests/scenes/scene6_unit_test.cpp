#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <cmath>

namespace {

class Scene6 : public scenetest::DemoState {
 protected:
  void SetUp() override {
    DemoState::SetUp();
    scenes::demoClock = 101500;
    scenes::scene6Start();
  }

  static scenes::Caption postAt(std::int32_t clock, int index = 1) {
    scenes::demoClock = clock;
    scenes::scene6Post();
    return scenes::captions[index];
  }

  static void expectCaption(const scenes::Caption& actual, const scenes::Caption& expected, std::int32_t clock) {
    EXPECT_EQ(actual.x, expected.x) << clock;
    EXPECT_EQ(actual.y, expected.y) << clock;
    EXPECT_EQ(actual.alpha, expected.alpha) << clock;
    EXPECT_EQ(actual.row, expected.row) << clock;
  }
};

TEST_F(Scene6, StartSetsTheCaptionsAndScattersTheSparksInDrawOrder) {
  expectCaption(scenes::captions[1], {4, 2.3f, 0, 5}, 101500);
  expectCaption(scenes::captions[0], {4, -2, 0, 8}, 101500);
  const double next = scenes::randomUnit();
  scenes::resetRandom();
  for (int k = 1; k <= 200; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    ASSERT_EQ(p.x2, float(scenes::randomInt(1600) / 100.0 - 8)) << k;
    ASSERT_EQ(p.y2, float(2 + scenes::randomInt(800) / 100.0)) << k;
    ASSERT_EQ(p.z2, float(scenes::randomInt(1600) / 100.0 - 8)) << k;
    for (float swing : {p.x3, p.y3, p.z3}) ASSERT_EQ(swing, float(scenes::randomInt(400) / 100.0 - 2)) << k;
    ASSERT_EQ(p.timeOffset, scenes::randomInt(3000)) << k;
    EXPECT_EQ(p.x, float(p.x2 + std::sin((p.timeOffset + 101500) / 1000.0) * p.x3));  // placed at once
  }
  EXPECT_EQ(scenes::randomUnit(), next);

  scenes::captions[1].alpha = 0.25f;  // later calls in the start window change nothing
  scenes::demoClock = 105100;
  scenes::scene6Start();
  EXPECT_EQ(scenes::captions[1].alpha, 0.25f);
}

TEST_F(Scene6, UpperCaptionWindowsAreStrictAtTheirExactBounds) {
  expectCaption(postAt(102150), {4, 2.3f, 0, 5}, 102150);
  expectCaption(postAt(102151), {float(-9.5 + 102151.0 / 12000), 2.3f, float(std::sin(1.0 / 1500)), 5}, 102151);
  struct Bound {
    std::int32_t clock, rowAfter;
    double xBaseAfter;
  };
  for (const Bound& bound : {Bound{107240, 6, -9.75}, Bound{112330, 7, -10}}) {
    const scenes::Caption before = postAt(bound.clock - 1);
    expectCaption(postAt(bound.clock), before, bound.clock);  // no window is active
    const double t = bound.clock + 1;
    expectCaption(postAt(bound.clock + 1),
                  {float(bound.xBaseAfter + t / 12000), 2.3f, float(std::sin(1.0 / 1500)), bound.rowAfter},
                  bound.clock + 1);
  }
  const scenes::Caption lastUpper = postAt(117419);
  expectCaption(postAt(117420), lastUpper, 117420);
  expectCaption(postAt(121919), lastUpper, 121919);
}

TEST_F(Scene6, TheLowerCaptionDriftsLeftWhileTheThirdUpperOneIsStillOn) {
  expectCaption(postAt(116830, 0), {4, -2, 0, 8}, 116830);
  const double t = 117000;
  expectCaption(postAt(117000, 0), {float(14 - t / 12000), -2, float(std::sin(170.0 / 1500)), 8}, 117000);
  EXPECT_EQ(scenes::captions[1].x, float(-10 + t / 12000));
}

TEST_F(Scene6, RowsAreRaisedButNeverLowered) {
  scenes::captions[1].row = 9;
  EXPECT_EQ(postAt(108000).row, 9);
  scenes::captions[1].row = 2;
  EXPECT_EQ(postAt(103000).row, 2);  // the first window leaves the row alone
  EXPECT_EQ(postAt(113000).row, 7);
}

TEST_F(Scene6, PostSlidesEachSparkAlongItsSwingAndAimsTheCameraAtTheStalksTop) {
  engine::Particle& still = scenes::particles2->particles[17];
  still.x3 = still.y3 = still.z3 = 0;
  postAt(119876);
  EXPECT_EQ(still.x, still.x2);
  EXPECT_EQ(still.z, still.z2);
  const engine::Particle& p = scenes::particles2->particles[18];
  EXPECT_EQ(p.y, float(p.y2 + std::sin((p.timeOffset + 119876) / 1000.0) * p.y3));
  EXPECT_EQ(scenes::camera->centreY, 3);
  EXPECT_EQ(scenes::camera->eyeY, float(3 + 3 * std::sin(119876.0 / 5000)));
}

}  // namespace
