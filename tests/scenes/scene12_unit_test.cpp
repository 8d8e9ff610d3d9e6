// What the post procedures of scenes 1 and 2 carry from frame to frame: the captions and the sprite
// cloud's rotation.

#include "scenes/scene2.h"
#include "scenes/scenes.h"
#include "tests/scenes/opening_fixture.h"

#include <cmath>

namespace {

using namespace openingtest;

void postScene1At(std::int32_t clock) {
  scenes::demoClock = clock;
  scenes::scene1Post();
}

void postScene2At(std::int32_t clock) {
  scenes::demoClock = clock;
  scenes::scene2Post();
}

TEST_F(OpeningScenes, TheFirstCaptionFadesInHoldsFadesOutAndKeepsItsLastValue) {
  at(0);
  scenes::scene1Start();
  const scenes::Caption& caption = scenes::captions[0];
  postScene1At(1000);
  EXPECT_FLOAT_EQ(caption.alpha, 0.5f);
  postScene1At(1999);
  postScene1At(4000);  // held
  EXPECT_FLOAT_EQ(caption.alpha, 0.9995f);
  postScene1At(6000);
  EXPECT_FLOAT_EQ(caption.alpha, 0.9995f);
  postScene1At(7000);
  EXPECT_EQ(caption.alpha, 0.5f);
  postScene1At(7983);
  postScene1At(9000);  // held, close to 0
  EXPECT_FLOAT_EQ(caption.alpha, 0.0085f);
  EXPECT_FLOAT_EQ(caption.x, 1.68f);
  // The wave points follow the clock.
  EXPECT_FLOAT_EQ(scenes::particles1->particles[1].x, static_cast<float>(std::sin(9000.0 / 4000) * std::sin(1)));
}

class Scene2Post : public OpeningScenes {
 protected:
  void SetUp() override {
    OpeningScenes::SetUp();
    at(15000);
    scenes::scene2Start();
  }
  const scenes::Caption& caption = scenes::captions[1];
};

TEST_F(Scene2Post, StartPlacesTheCaptionAndTheCloudAngles) {
  EXPECT_EQ(scenes::currentScene, 20);
  EXPECT_EQ(caption.x, 4);
  EXPECT_EQ(caption.y, 1.5f);
  EXPECT_EQ(caption.alpha, 0);
  EXPECT_EQ(caption.row, 2);
  EXPECT_FLOAT_EQ(scenes::cloudAngles.ax, -75);
  EXPECT_FLOAT_EQ(scenes::cloudAngles.ay, -30);
  EXPECT_FLOAT_EQ(scenes::cloudAngles.az, 30);
  postScene2At(16000);  // before the first window: the caption keeps its start values
  EXPECT_EQ(caption.x, 4);
  EXPECT_EQ(caption.alpha, 0);
}

TEST_F(Scene2Post, CaptionsDriftThroughTheirWindows) {
  postScene2At(19000);
  EXPECT_EQ(caption.row, 2);
  EXPECT_NEAR(caption.x, 4.4167, 0.0001);
  EXPECT_NEAR(caption.alpha, 0.996, 0.0005);
  EXPECT_FLOAT_EQ(caption.alpha, static_cast<float>(std::sin(1.66)));

  postScene2At(21600);  // the next window starts on its first millisecond
  EXPECT_EQ(caption.row, 3);
  EXPECT_EQ(caption.alpha, 0);

  postScene2At(41959);
  EXPECT_EQ(caption.row, 6);
  const float lastAlpha = caption.alpha;
  EXPECT_LT(lastAlpha, 0);
  postScene2At(42000);  // between the windows: nothing changes, the caption stays invisible
  EXPECT_EQ(caption.row, 6);
  EXPECT_EQ(caption.alpha, lastAlpha);

  postScene2At(45729);
  EXPECT_EQ(caption.row, 7);
  EXPECT_NEAR(caption.x, 7 - 45729.0 / 12000, 1e-6);
  EXPECT_NEAR(caption.alpha, 0.96, 0.005);
}

TEST_F(Scene2Post, TheCloudChangesItsTurnOnTheGivenInstants) {
  // Each angle is the clock over a signed divisor, the divisors changing at 25,417 and 38,113 ms.
  struct Turn {
    std::int32_t clock;
    float x, y, z;
  };
  for (const Turn turn : {Turn{25416, -200, -500, 500}, Turn{25417, -500, 600, -400}, Turn{38113, 300, -500, 400},
                          Turn{45729, -500, 500, -600}}) {
    SCOPED_TRACE(turn.clock);
    postScene2At(turn.clock);
    const float clock = static_cast<float>(turn.clock);
    EXPECT_FLOAT_EQ(scenes::cloudAngles.ax, clock / turn.x);
    EXPECT_FLOAT_EQ(scenes::cloudAngles.ay, clock / turn.y);
    EXPECT_FLOAT_EQ(scenes::cloudAngles.az, clock / turn.z);
  }
}

}  // namespace
