// Scene 2, 15,000 to 45,730 ms: the picture of scene 1 held at full strength, six captions drifting in
// from the right one after another, and the sprite cloud changing its tumbling ten times on fixed
// instants of the music.

#include "scenes/scene2.h"

#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/opening.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

#include <cmath>

namespace scenes {

CloudAngles cloudAngles{};

namespace {

constexpr std::int32_t sceneCode = 20;
constexpr FlameAlphas steadyFlame{0.2, 0.1, 0.8, 0.5, 0.6};

// A caption window, start inclusive, end exclusive: the caption shows this row at x = xAt0 - t / 12000
// with alpha sin((t - from) / 1500), rising to 1 after about 2356 ms and negative (unseen) after 4712.
struct CaptionWindow {
  double from, to;
  std::int32_t row;
  double xAt0;
};

constexpr CaptionWindow captionWindows[] = {
    {16510, 21600, 2, 6}, {21600, 26690, 3, 6}, {26690, 31780, 4, 6},
    {31780, 36870, 5, 6}, {36870, 41960, 6, 6}, {42960, 45730, 7, 7},
};

// From this instant on (up to the next) the cloud turns by (t / x, t / y, t / z) degrees; the first set
// also covers everything before the second.
struct AngleSet {
  double from;
  double x, y, z;
};

constexpr AngleSet angleSets[] = {
    {0, -200, -500, 500},    {25417, -500, 600, -400}, {27969, 500, -400, -500}, {30494, -300, -500, 400},
    {31771, 500, 500, -400}, {33040, -400, -400, 400}, {35578, 300, 500, -400},  {36848, -500, -300, 400},
    {38113, 300, -500, 400}, {40656, -500, 500, -600},
};

CloudAngles anglesAt(const AngleSet& set, double t) {
  return {static_cast<float>(t / set.x), static_cast<float>(t / set.y), static_cast<float>(t / set.z)};
}

const AngleSet& angleSetAt(double t) {
  const AngleSet* current = &angleSets[0];
  for (const AngleSet& set : angleSets) {
    if (t >= set.from) current = &set;
  }
  return *current;
}

// Outside every window (and between the fifth and the last) the caption keeps its last values.
void moveCaption(double t) {
  Caption& caption = captions[1];
  for (const CaptionWindow& window : captionWindows) {
    if (t < window.from || t >= window.to) continue;
    if (caption.row < window.row) caption.row = window.row;
    caption.x = static_cast<float>(window.xAt0 - t / 12000);
    caption.alpha = static_cast<float>(maths::sin((t - window.from) / 1500));
  }
}

}  // namespace

void scene2Start() {
  if (currentScene == sceneCode) return;
  currentScene = sceneCode;
  const double t = clockTime();
  setDefaultView();
  setWavePoints(t);
  captions[1] = Caption{4, 1.5f, 0, 2};
  cloudAngles = anglesAt(angleSets[0], t);
}

void scene2Render() {
  const double t = clockTime();
  glLoadIdentity();
  drawGradient(0, 0, 0, 0.025, 0.175, 0.35, 1);
  const Caption& caption = captions[1];
  drawTextRow(texText1, caption.row, caption.x, caption.y, caption.alpha);
  drawPicture(1);  // texturing stays on for the sprites
  drawSpriteCloud(1, cloudAngles.ax, cloudAngles.ay, cloudAngles.az);
  drawFlameComposition(t, steadyFlame);
}

void scene2Post() {
  const double t = clockTime();
  setWavePoints(t);
  moveCaption(t);
  cloudAngles = anglesAt(angleSetAt(t), t);
}

}  // namespace scenes
