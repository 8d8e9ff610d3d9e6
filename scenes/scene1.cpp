// Scene 1, 0 to 15,000 ms: on a dark-blue gradient fading up from black, the first caption fades in and
// out; from 10,000 ms the sprite cloud tumbles around the viewer, from 11,000 ms the picture fades in,
// and in the last second the flame composition fades up to the strength scene 2 holds.

#include "scenes/demo_state.h"
#include "scenes/opening.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

namespace scenes {

namespace {

constexpr std::int32_t sceneCode = 10;

// Each sprite coordinate is R(1600) / 100 - 8: a cube from -8 to 7.99 around the viewer.
float spriteCoordinate() { return static_cast<float>(randomInt(1600) / 100.0 - 8); }

void placeSprites() {
  for (int k = 1; k <= spriteCount; ++k) {
    engine::Particle& p = particles2->particles[k];
    p.x = spriteCoordinate();
    p.y = spriteCoordinate();
    p.z = spriteCoordinate();
  }
}

// The composition is drawn from 9000 ms on but stays invisible (negative alphas) until 14,000 ms.
FlameAlphas fadingFlame(double t) {
  const double since = t - 14000;
  return {since / 5000, since / 10000, since / 1250, since / 2000, since / 1666};
}

}  // namespace

void scene1Start() {
  if (currentScene == sceneCode) return;
  currentScene = sceneCode;
  setDefaultView();
  setWavePoints(clockTime());
  placeSprites();
  captions[0].x = 1.68f;
  captions[0].y = -0.125f;
  captions[0].alpha = 0;
}

void scene1Render() {
  const double t = clockTime();
  glLoadIdentity();
  const double fade = t < 6000 ? t / 6000 : 1;
  drawGradient(0, 0, 0, 0.025 * fade, 0.175 * fade, 0.35 * fade, 1);
  const Caption& caption = captions[0];
  drawTextRow(texText1, 1, caption.x, caption.y, caption.alpha);
  if (t > 11000) {
    drawPicture((t - 11000) / 2000);
    glDisable(GL_TEXTURE_2D);
  }
  if (t > 10000) {
    glEnable(GL_TEXTURE_2D);
    drawSpriteCloud((t - 10000) / 1000, -t / 200, -t / 500, t / 500);
    glDisable(GL_TEXTURE_2D);
  }
  if (t > 9000) drawFlameComposition(t, fadingFlame(t));
}

// The caption fades in over the first 2 s and out from 6 to 8 s; in between and afterwards it keeps the
// value of the last frame that set it.
void scene1Post() {
  const double t = clockTime();
  Caption& caption = captions[0];
  if (t < 2000) caption.alpha = static_cast<float>(t / 2000);
  if (t > 6000 && t < 8000) caption.alpha = static_cast<float>(1 - (t - 6000) / 2000);
  setWavePoints(t);
}

}  // namespace scenes
