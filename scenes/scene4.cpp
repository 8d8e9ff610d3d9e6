// Scene 4, 71,139 to 86,180 ms: out of the white the tree scene ends in, the sky settles into black
// above light blue; three black birds flap in the middle while the camera swings around them, over a
// green disc of ground with dark swaying grass, three textured cloud puffs and a ring of glowing sprites;
// a small picture hangs close to the lens.
//
// The scene's state lives in the shared particle systems: particles5 records 1-2000 are the grass
// strands (see grass.h, 1-1200 drawn), particles2 records 1-200 the sprites (values 1-3).

#include "scenes/scene4.h"

#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/grass.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace scenes {

namespace {

constexpr std::int32_t sceneCode = 80;
constexpr int spriteCount = 200;
constexpr double sceneStart = 71139;
constexpr double skySettled = 72139;

engine::Particle& strand(int i) { return particles5->particles[i]; }
engine::Particle& sprite(int i) { return particles2->particles[i]; }

// --- set-up ---------------------------------------------------------------------------------------

// The feet fill an oval from x = -9 to 9 whose half-width in z is about 9 cos(9 x degrees).
void placeGrass() {
  for (int i = 1; i <= strandCount; ++i) {
    engine::Particle& s = strand(i);
    s.x = static_cast<float>(randomInt(1800) / 100.0 - 9);
    s.y = -5.2f;
    const auto m = static_cast<std::int32_t>(90 * maths::cos(engine::degToRad(9.0 * s.x)));
    if (randomInt(2) == 1) {
      s.z = static_cast<float>(randomInt(m) / 10.0);
    } else {
      s.z = static_cast<float>(-(randomInt(m) / 10.0));
    }
    growStrand(s);
  }
}

// 2 to 9.99 away from the origin, on either side.
float eitherSide() {
  const double distance = randomInt(800) / 100.0 + 2;
  return static_cast<float>(randomInt(2) == 1 ? -distance : distance);
}

void placeSprites() {
  for (int k = 1; k <= spriteCount; ++k) {
    engine::Particle& p = sprite(k);
    p.x = eitherSide();
    p.y = static_cast<float>(randomInt(600) / 100.0 - 2);
    p.z = eitherSide();
  }
}

// --- post -----------------------------------------------------------------------------------------

// Inside each window (ends excluded) the caption creeps in from the right while its alpha swells and
// fades; outside them it keeps its values.
struct CaptionWindow {
  double from;
  double to;
  std::int32_t minimumRow;
};

constexpr CaptionWindow captionWindows[] = {{75700, 80790, 0}, {80790, 85880, 2}};

// --- render ---------------------------------------------------------------------------------------

void drawSky(double t) {
  if (t > skySettled) {
    drawGradient(0, 0, 0, 0.5, 0.7, 0.9, 1);
    return;
  }
  const double d = t - sceneStart;
  drawGradient(1 - d / 1000, 1 - d / 1000, 1 - d / 1000, 1 - d / 2000, 1 - d / 3333, 1 - d / 10000, 1);
}

// A small picture just in front of the lens, below and right of the centre, in the default view.
void drawPictureNearLens() {
  setDefaultView();
  glLoadIdentity();
  glTranslatef(0.036f, -0.05f, -0.1f);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texBackground3->glName);
  glColor4f(1, 1, 1, 1);
  drawQuad(0.025);
  glDisable(GL_TEXTURE_2D);
}

void enterSwingingView(double t) {
  engine::setCamera(camera, static_cast<float>(3 * maths::sin(t / 3200)),
                    static_cast<float>(2 * maths::sin((t - sceneStart) / 2200) + 2),
                    static_cast<float>(3 * maths::cos(t / 2000)), 0, 0, 0, 0, 1, 0);
  engine::applyCamera(camera);
}

// The rim of the ground cone: 21 points on a circle of radius 10, the first and last the same.
void groundRimVertex(int k) {
  const double a = engine::degToRad(18.0 * k);
  vertex(10 * maths::sin(a), -5.8, 10 * maths::cos(a));
}

// A shallow green cone, then its black wire grid over it.
void drawGround() {
  glBegin(GL_TRIANGLE_FAN);
  glColor4f(0, 1, 0, 0.4f);
  vertex(0, -5, 0);
  for (int k = 0; k <= 20; ++k) {
    glColor4f(0, static_cast<float>(1 - maths::sin(engine::degToRad(18.0 * k)) / 2), 0, 0.4f);
    groundRimVertex(k);
  }
  glEnd();
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glBegin(GL_TRIANGLE_FAN);
  glColor4f(0, 0, 0, 0.2f);
  vertex(0, -5, 0);
  for (int k = 0; k <= 20; ++k) groundRimVertex(k);
  glEnd();
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

constexpr StrandColours grassColours{{0.4f, 0.2f, 0.2f, 0.7f}, {0.2f, 0, 0, 0.6f}, {0, 0, 0, 0.4f}};

// One bird vertex, relative to the bird's centre: `lift` says whether it rises with the wing joints,
// with the wing tips or not at all.
enum class Lift { none, joint, tip };

struct BirdVertex {
  float s, t;
  double dx;
  Lift lift;
  double dy;
  double dz;
};

constexpr BirdVertex birdWings[8] = {
    {0, 1, -0.25, Lift::none, 0, 0},   {1, 1, 0.25, Lift::none, 0, 0},
    {1, 0, 0.2, Lift::joint, 0, 0.5},  {0, 0, -0.2, Lift::joint, 0, 0.5},  // inner wing 1
    {0, 1, -0.25, Lift::none, 0, 0},   {1, 1, 0.25, Lift::none, 0, 0},
    {1, 0, 0.2, Lift::joint, 0, -0.5}, {0, 0, -0.2, Lift::joint, 0, -0.5},  // inner wing 2
};

constexpr BirdVertex birdTriangles[12] = {
    {0, 1, 0.2, Lift::joint, 0, 0.5},   {1, 1, -0.2, Lift::joint, 0, 0.5},  {1, 0, 0, Lift::tip, 0, 1},         // tip 1
    {0, 1, 0.2, Lift::joint, 0, -0.5},  {1, 1, -0.2, Lift::joint, 0, -0.5}, {1, 0, 0, Lift::tip, 0, -1},        // tip 2
    {0, 1, -0.35, Lift::none, 0.1, 0},  {1, 1, -0.35, Lift::none, -0.1, 0}, {1, 0, 0.6, Lift::none, 0, 0},      // body
    {1, 0, -0.5, Lift::none, -0.15, 0}, {1, 1, -0.35, Lift::none, -0.1, 0}, {0, 1, -0.35, Lift::none, 0.1, 0},  // tail
};

template <std::size_t n>
void drawBirdPart(GLenum mode, const BirdVertex (&part)[n], double x, double y, double z, double joint, double tip) {
  glBegin(mode);
  for (const BirdVertex& v : part) {
    const double lift = v.lift == Lift::joint ? joint : v.lift == Lift::tip ? tip : 0;
    texturedVertex(v.s, v.t, x + v.dx, y + lift + v.dy, z + v.dz);
  }
  glEnd();
}

void drawBirdShape(double x, double y, double z, double joint, double tip) {
  drawBirdPart(GL_QUADS, birdWings, x, y, z, joint, tip);
  drawBirdPart(GL_TRIANGLES, birdTriangles, x, y, z, joint, tip);
}

// A puff: ten textured spheres shrinking from radius 1 by 0.06, each turned a further 10 degrees about x.
void drawPuff(GLUquadric* quadric) {
  for (int i = 0; i < 10; ++i) {
    glColor4f(1, 1, 1, 1);
    gluSphere(quadric, (100 - 6 * i) / 100.0, 10, 10);
    glRotatef(10, 1, 0, 0);
  }
}

// Where each puff goes, relative to the one before (the transformations accumulate).
struct PuffStep {
  bool turn;  // a turn by -100 degrees about (1, 1, 1) before the move
  float x, y, z;
};

constexpr PuffStep puffSteps[3] = {{false, 1, 1, -3}, {true, -3, -2.5f, 7}, {true, -0.5f, -0.5f, 0.2f}};

void drawClouds() {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_TEXTURE_2D);
  GLUquadric* quadric = gluNewQuadric();
  gluQuadricTexture(quadric, GL_TRUE);
  glBindTexture(GL_TEXTURE_2D, texCloud->glName);
  for (const PuffStep& step : puffSteps) {
    if (step.turn) glRotatef(-100, 1, 1, 1);
    glTranslatef(step.x, step.y, step.z);
    drawPuff(quadric);
  }
  gluDeleteQuadric(quadric);
}

// Small glowing squares in the xy plane (they do not face the camera); texturing is on from the clouds.
void drawSprites() {
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, texFlareBig->glName);
  for (int k = 1; k <= spriteCount; ++k) {
    const engine::Particle& p = sprite(k);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    texturedVertex(0, 1, p.x - 0.05, p.y - 0.05, p.z);
    texturedVertex(1, 1, p.x + 0.05, p.y - 0.05, p.z);
    texturedVertex(1, 0, p.x + 0.05, p.y + 0.05, p.z);
    texturedVertex(0, 0, p.x - 0.05, p.y + 0.05, p.z);
    glEnd();
  }
  glDisable(GL_TEXTURE_2D);
}

}  // namespace

void drawBird(double x, double y, double z, std::int32_t time) {
  const double joint = maths::sin(time / 800.0) / 2;
  const double tip = maths::sin((time - 250) / 800.0);
  glColor4f(0, 0, 0, 0.5f);
  drawBirdShape(x, y, z, joint, tip);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glColor4f(0, 0, 0, 1);
  drawBirdShape(x, y, z, joint, tip);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void scene4Start() {
  if (currentScene == sceneCode) return;
  currentScene = sceneCode;
  setDefaultView();
  captions[1] = Caption{4, 1.5f, 0, 1};
  placeGrass();
  placeSprites();
}

void scene4Render() {
  const double t = clockTime();
  glLoadIdentity();
  drawSky(t);
  const Caption& caption = captions[1];
  drawTextRow(texText2, caption.row, caption.x, caption.y, caption.alpha);
  drawPictureNearLens();
  enterSwingingView(t);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  drawGround();
  for (int i = 1; i <= drawnStrands; ++i) drawStrand(strand(i), t, grassColours);
  drawBird(0, 0, 0, demoClock);
  drawBird(0.8, -0.5, 0.7, demoClock - 600);
  drawBird(0.4, -1.4, -1.9, demoClock - 1600);
  drawClouds();
  drawSprites();
}

void scene4Post() {
  const double t = clockTime();
  Caption& caption = captions[1];
  for (const CaptionWindow& window : captionWindows) {
    if (t <= window.from || t >= window.to) continue;
    if (caption.row < window.minimumRow) caption.row = window.minimumRow;
    caption.x = static_cast<float>(10.2 - t / 12000);
    caption.alpha = static_cast<float>(maths::sin((t - window.from) / 1500));
  }
}

}  // namespace scenes
