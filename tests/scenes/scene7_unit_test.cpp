// Scene 7's post procedure: the title's and the credits' fade windows at their exact bounds, and the
// butterfly's flight and rest.

#include "tests/scenes/scene7_test_support.h"

#include "maths/maths.h"

#include <cmath>

namespace {

using scene7test::Scene7;

float alpha(int caption) { return scenes::captions[caption].alpha; }

TEST_F(Scene7, NoCaptionShowsBefore126000) {
  for (std::int32_t clock = 121920; clock <= 126000; ++clock) post(clock);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(alpha(k), 0) << k;
}

TEST_F(Scene7, TitleFadesInAndOutInsideItsOpenWindowsAndHoldsBetween) {
  post(126000);
  EXPECT_EQ(alpha(0), 0);
  post(126001);
  EXPECT_FLOAT_EQ(alpha(0), 0.0005f);
  post(127999);
  EXPECT_FLOAT_EQ(alpha(0), 0.9995f);
  const float held = alpha(0);
  for (const std::int32_t clock : {128000, 138000, 148000}) {
    post(clock);
    EXPECT_EQ(alpha(0), held) << clock;  // just under 1
  }
  post(148001);
  EXPECT_FLOAT_EQ(alpha(0), 0.9995f);
  post(149999);
  EXPECT_FLOAT_EQ(alpha(0), 0.0005f);
  post(150000);
  post(157900);
  EXPECT_FLOAT_EQ(alpha(0), 0.0005f);
}

TEST_F(Scene7, EachCreditRisesAndSinksInItsOwnWindowAndKeepsItsLastValueOutside) {
  for (int i = 0; i <= 8; ++i) {
    SCOPED_TRACE(i);
    const int caption = 1 + i;
    const std::int32_t start = 132000 + 500 * i;
    const std::int32_t stop = 146000 + 500 * i;
    scenes::captions[caption].alpha = 0;  // the earlier captions' windows overlap this one
    post(start);
    EXPECT_EQ(alpha(caption), 0);
    post(start + 1);
    EXPECT_FLOAT_EQ(alpha(caption), static_cast<float>(std::sin(1.0 / 3000)));
    post(start + 4712);  // fully visible
    EXPECT_NEAR(alpha(caption), 1, 1e-6);
    post(stop - 1);
    const float last = static_cast<float>(std::sin((stop - 1 - start) / 3000.0));
    EXPECT_FLOAT_EQ(alpha(caption), last);
    EXPECT_LT(last, 0);  // invisible since about 9425 ms into the window
    post(stop);
    EXPECT_EQ(alpha(caption), last);
  }
}

TEST_F(Scene7, ButterflyGlidesDownBeatingFastUntil131000ThenRestsAndBeatsSlowly) {
  const auto flight = [](double t) {
    const double a = engine::degToRad(static_cast<double>(90 + (t - 121920) / 51));
    return maths::sin(a);
  };
  post(121920);
  EXPECT_FLOAT_EQ(scenes::butterflyPos.x, -0.8f);
  EXPECT_FLOAT_EQ(scenes::butterflyPos.y, 2.515f);
  EXPECT_FLOAT_EQ(scenes::butterflyPos.z, -1);
  EXPECT_FLOAT_EQ(scenes::wingPhase, static_cast<float>(1 + std::sin(121920.0 / 45)));

  post(130999);
  const float y = static_cast<float>(1.515 + flight(130999));
  const float z = static_cast<float>(-2 + flight(130999));
  EXPECT_EQ(scenes::butterflyPos.y, y);
  EXPECT_EQ(scenes::butterflyPos.z, z);
  EXPECT_NEAR(y, 0.515f, 0.001f);  // at the flower's centre
  EXPECT_NEAR(z, -3, 0.001f);
  EXPECT_EQ(scenes::wingPhase, static_cast<float>(1 + maths::sin(130999.0 / 45)));

  for (const std::int32_t clock : {131000, 140000, 157900}) {
    post(clock);
    EXPECT_EQ(scenes::butterflyPos.y, y) << clock;
    EXPECT_EQ(scenes::butterflyPos.z, z) << clock;
    EXPECT_EQ(scenes::wingPhase, static_cast<float>(1 + maths::sin(clock / 1000.0))) << clock;
  }
}

TEST_F(Scene7, ALateLastFlightFrameLeavesTheButterflyShortOfTheCentre) {
  post(130000);
  post(131500);
  EXPECT_FLOAT_EQ(scenes::butterflyPos.y, static_cast<float>(1.515 + std::sin(engine::degToRad(90 + 8080.0 / 51))));
  EXPECT_GT(scenes::butterflyPos.y, 0.52f);
  EXPECT_GT(scenes::butterflyPos.z, -2.995f);
}

}  // namespace
