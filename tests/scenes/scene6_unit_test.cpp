#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <cmath>

namespace {

class Scene6 : public scenetest::DemoStateFixture {
 protected:
  void SetUp() override {
    DemoStateFixture::SetUp();
    scenes::demoClock = 101500;
    scenes::scene6Start();
  }

  static void postAt(std::int32_t clock) {
    scenes::demoClock = clock;
    scenes::scene6Post();
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
  EXPECT_EQ(scenes::currentScene, 60);

  const double next = scenes::randomUnit();
  scenes::resetRandom();
  for (int k = 1; k <= 200; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    ASSERT_EQ(p.x2, float(scenes::randomInt(1600) / 100.0 - 8)) << k;
    ASSERT_EQ(p.y2, float(2 + scenes::randomInt(800) / 100.0)) << k;
    ASSERT_EQ(p.z2, float(scenes::randomInt(1600) / 100.0 - 8)) << k;
    for (float swing : {p.x3, p.y3, p.z3}) ASSERT_EQ(swing, float(scenes::randomInt(400) / 100.0 - 2)) << k;
    ASSERT_EQ(p.timeOffset, scenes::randomInt(3000)) << k;
    const double s = std::sin((p.timeOffset + 101500) / 1000.0);  // placed at once
    EXPECT_EQ(p.x, float(p.x2 + s * p.x3));
    EXPECT_EQ(p.y, float(p.y2 + s * p.y3));
    EXPECT_EQ(p.z, float(p.z2 + s * p.z3));
  }
  EXPECT_EQ(scenes::randomUnit(), next);
  EXPECT_EQ(scenes::particles2->particles[0].x, 0);

  // Later calls in the start window change nothing.
  scenes::captions[1].alpha = 0.25f;
  scenes::demoClock = 105100;
  scenes::scene6Start();
  EXPECT_EQ(scenes::captions[1].alpha, 0.25f);
}

TEST_F(Scene6, CaptionWindowsAreStrictAtTheirExactBounds) {
  // Before the first window the captions keep the set-up's values.
  postAt(102150);
  expectCaption(scenes::captions[1], {4, 2.3f, 0, 5}, 102150);

  postAt(102151);
  expectCaption(scenes::captions[1], {float(-9.5 + 102151.0 / 12000), 2.3f, float(std::sin(1.0 / 1500)), 5}, 102151);

  struct Bound {
    std::int32_t clock;
    std::int32_t rowAfter;
    double xBaseAfter;
  };
  for (const Bound& bound : {Bound{107240, 6, -9.75}, Bound{112330, 7, -10}}) {
    postAt(bound.clock - 1);
    const scenes::Caption before = scenes::captions[1];
    postAt(bound.clock);  // neither window is active
    expectCaption(scenes::captions[1], before, bound.clock);
    postAt(bound.clock + 1);
    const double t = bound.clock + 1;
    expectCaption(scenes::captions[1],
                  {float(bound.xBaseAfter + t / 12000), 2.3f, float(std::sin(1.0 / 1500)), bound.rowAfter},
                  bound.clock + 1);
  }

  postAt(117419);
  const scenes::Caption lastUpper = scenes::captions[1];
  postAt(117420);
  expectCaption(scenes::captions[1], lastUpper, 117420);
  postAt(121919);
  expectCaption(scenes::captions[1], lastUpper, 121919);
}

TEST_F(Scene6, TheLowerCaptionDriftsLeftInAWindowOverlappingTheThirdUpperOne) {
  postAt(116830);
  expectCaption(scenes::captions[0], {4, -2, 0, 8}, 116830);
  postAt(117000);
  const double t = 117000;
  expectCaption(scenes::captions[0], {float(14 - t / 12000), -2, float(std::sin(170.0 / 1500)), 8}, 117000);
  EXPECT_EQ(scenes::captions[1].x, float(-10 + t / 12000));  // the upper one moves in the same frame
  EXPECT_EQ(scenes::captions[1].row, 7);
  postAt(121919);
  EXPECT_EQ(scenes::captions[0].x, float(14 - 121919.0 / 12000));
}

TEST_F(Scene6, RowsAreRaisedButNeverLowered) {
  scenes::captions[1].row = 9;
  postAt(108000);
  EXPECT_EQ(scenes::captions[1].row, 9);
  scenes::captions[1].row = 2;
  postAt(103000);
  EXPECT_EQ(scenes::captions[1].row, 2);  // the first window leaves the row alone
  postAt(113000);
  EXPECT_EQ(scenes::captions[1].row, 7);
}

TEST_F(Scene6, PostTurnsThePlantAndSlidesEachSparkAlongItsSwing) {
  engine::Particle& still = scenes::particles2->particles[17];
  still.x3 = still.y3 = still.z3 = 0;
  postAt(119876);
  for (int k = 1; k <= 200; ++k) {
    const engine::Particle& p = scenes::particles2->particles[k];
    const double s = std::sin((p.timeOffset + 119876) / 1000.0);
    EXPECT_EQ(p.x, float(p.x2 + s * p.x3)) << k;
    EXPECT_EQ(p.y, float(p.y2 + s * p.y3)) << k;
    EXPECT_EQ(p.z, float(p.z2 + s * p.z3)) << k;
  }
  EXPECT_EQ(still.x, still.x2);
  EXPECT_EQ(still.y, still.y2);
  EXPECT_EQ(still.z, still.z2);
  // The camera is stored for the next frame, looking at the stalk's top.
  EXPECT_EQ(scenes::camera->centreY, 3);
  EXPECT_EQ(scenes::camera->eyeY, float(3 + 3 * std::sin(119876.0 / 5000)));
}

}  // namespace
