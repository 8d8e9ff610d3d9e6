// Scene 6 (101,500 to 121,920 ms): a plant with a red blossom in a dark meadow turns about its stalk
// while the camera sways around it, always looking at the stalk's top; 200 sparks slide to and fro
// around it, and four captions drift in and fade in and out over the dark red gradient.
//
// The sparks live in particles2, points 1 to 200: values 1-3 the position shown, 4-6 the rest position,
// 7-9 the swing vector, 14 the phase in ms. The camera that the post procedure stores is applied by the
// next frame's render, so the view lags the clock by one frame.

#include "engine/camera.h"
#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/display_lists.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

#include <cmath>

namespace scenes {

namespace {

constexpr std::int32_t sceneCode = 60;
constexpr int sparkCount = 200;
constexpr float sparkHalf = 0.02f;

// The pose of the plant and its meadow: a translation and three angles in degrees. Only ry moves.
struct PlantTransform {
  float tx, ty, tz;
  float rx, ry, rz;
};

PlantTransform plantTransform{};

// ---- the sparks ----

// The phase and the clock are summed as integers (wide enough for any phase a record may hold).
void placeSpark(engine::Particle& p) {
  const std::int64_t phaseTime = std::int64_t{p.timeOffset} + demoClock;
  const double s = maths::sin(static_cast<double>(phaseTime) / 1000.0);
  p.x = static_cast<float>(p.x2 + s * p.x3);
  p.y = static_cast<float>(p.y2 + s * p.y3);
  p.z = static_cast<float>(p.z2 + s * p.z3);
}

float randomSwing() { return static_cast<float>(randomInt(400) / 100.0 - 2); }

void scatterSparks() {
  for (int k = 1; k <= sparkCount; ++k) {
    engine::Particle& p = particles2->particles[k];
    p.x = static_cast<float>(randomInt(1600) / 100.0 - 8);
    p.y = static_cast<float>(2 + randomInt(800) / 100.0);
    p.z = static_cast<float>(randomInt(1600) / 100.0 - 8);
    p.x2 = p.x;
    p.y2 = p.y;
    p.z2 = p.z;
    p.x3 = randomSwing();
    p.y3 = randomSwing();
    p.z3 = randomSwing();
    p.timeOffset = randomInt(3000);
    placeSpark(p);
  }
}

void moveSparks() {
  for (int k = 1; k <= sparkCount; ++k) placeSpark(particles2->particles[k]);
}

struct SparkCorner {
  float s, t;
  float x, y, z;
};

// Three crossed squares around the spark, one in each axis plane.
constexpr float h = sparkHalf;
constexpr SparkCorner sparkSquares[3][4] = {
    {{0, 1, -h, -h, 0}, {1, 1, h, -h, 0}, {1, 0, h, h, 0}, {0, 0, -h, h, 0}},
    {{0, 1, -h, 0, -h}, {1, 1, h, 0, -h}, {1, 0, h, 0, h}, {0, 0, -h, 0, h}},
    {{0, 1, 0, -h, -h}, {1, 1, 0, h, -h}, {1, 0, 0, h, h}, {0, 0, 0, -h, h}},
};

void drawSpark(const engine::Particle& p) {
  glLoadIdentity();
  glTranslatef(p.x, p.y, p.z);
  glBegin(GL_QUADS);
  for (const auto& square : sparkSquares) {
    for (const SparkCorner& c : square) {
      glTexCoord2f(c.s, c.t);
      glVertex3f(c.x, c.y, c.z);
    }
  }
  glEnd();
}

// The sparks stand in world coordinates and do not turn with the plant.
void drawSparks() {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texFlareBig->glName);
  glColor4f(1, 1, 1, 1);
  for (int k = 1; k <= sparkCount; ++k) drawSpark(particles2->particles[k]);
  glDisable(GL_TEXTURE_2D);
}

// ---- the plant ----

void drawPlant() {
  const PlantTransform& p = plantTransform;
  glLoadIdentity();
  glTranslatef(p.tx, p.ty, p.tz);
  glRotatef(p.rx, 1, 0, 0);
  glRotatef(p.ry, 0, 1, 0);
  glRotatef(p.rz, 0, 0, 1);
  glColor4f(0.1f, 0.5f, 0.1f, 0.5f);
  glCallList(plantList);
  glColor4f(1.0f, 0.1f, 0.1f, 0.5f);
  glCallList(blossomList);
  glColor4f(0.1f, 0.1f, 0.1f, 0.5f);
  glCallList(grassList);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texFivebox1->glName);
  glColor4f(1, 1, 1, 0.5f);
  glCallList(plantList);
  glCallList(blossomList);
  glDisable(GL_TEXTURE_2D);
}

// The eye sways on two slow sines and always looks at the stalk's top, where the blossom sits.
void swayCamera() {
  const double t = demoClock;
  const PlantTransform& p = plantTransform;
  const double eyeX = maths::sin(t / 8000) - 4 * maths::sin(t / 5000);
  const double eyeY = 3 + 3 * maths::sin(t / 5000);
  const double eyeZ = maths::sin(t / 8000) - 2.5;
  engine::setCamera(camera, static_cast<float>(eyeX), static_cast<float>(eyeY), static_cast<float>(eyeZ), p.tx,
                    3 + p.ty, p.tz, 0, 1, 0);
}

// ---- the captions ----

// One caption window (strict bounds): the caption slides by t / 12000 in its direction and its alpha
// follows one arch of a sine from the window's opening; its row is raised to at least minimumRow.
struct CaptionWindow {
  std::int32_t open, close;
  int caption;
  std::int32_t minimumRow;  // 0: the row stays as it is
  double xBase;
  double xDirection;
};

constexpr CaptionWindow captionWindows[] = {
    {102150, 107240, 1, 0, -9.5, 1},
    {107240, 112330, 1, 6, -9.75, 1},
    {112330, 117420, 1, 7, -10, 1},
    {116830, 121920, 0, 0, 14, -1},
};

// A caption keeps its last values outside its windows.
void animateCaptions() {
  const double t = demoClock;
  for (const CaptionWindow& w : captionWindows) {
    if (demoClock <= w.open || demoClock >= w.close) continue;
    Caption& caption = captions[w.caption];
    if (caption.row < w.minimumRow) caption.row = w.minimumRow;
    caption.x = static_cast<float>(w.xBase + w.xDirection * t / 12000);
    caption.alpha = static_cast<float>(maths::sin((t - w.open) / 1500));
  }
}

}  // namespace

void scene6Start() {
  if (currentScene == sceneCode) return;
  currentScene = sceneCode;
  setDefaultView();
  plantTransform = PlantTransform{};
  captions[1] = Caption{4, 2.3f, 0, 5};
  captions[0] = Caption{4, -2, 0, 8};
  scatterSparks();
}

void scene6Render() {
  glLoadIdentity();
  drawGradient(0.3, 0, 0, 0, 0, 0, 1);
  for (int index : {1, 0}) {
    const Caption& caption = captions[index];
    drawTextRow(texText2, caption.row, caption.x, caption.y, caption.alpha);
  }
  engine::applyCamera(camera);
  drawPlant();
  drawSparks();
}

void scene6Post() {
  plantTransform.ry = static_cast<float>(demoClock / 50.0);
  swayCamera();
  animateCaptions();
  moveSparks();
}

}  // namespace scenes
