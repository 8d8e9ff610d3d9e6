#include "scenes/scene7.h"

#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>

namespace scenes {

engine::Vector3 flowerPos{0, 0, 0};
engine::Vector3 butterflyPos{0, 0, 0};
float wingPhase = 0;

namespace {

constexpr double sceneStart = 121920;    // the set-up's first millisecond
constexpr double closingStart = 150000;  // the closing picture's first millisecond
constexpr double darkeningStart = 154000;
constexpr double flightEnd = 131000;

void translate(double x, double y, double z) {
  glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

// ---- the set-up's tables ----

struct CaptionPlace {
  float x;
  float y;
  std::int32_t row;  // 0: the row is left as it is (the title always shows rows 1 and 2)
};

// Caption 0 is the title; 1 and 5 head the two credit blocks, the others are their lines.
constexpr CaptionPlace captionPlaces[10] = {
    {4.1f, 1.95f, 0}, {2.8f, 0.9f, 3},  {3.0f, 0.5f, 4},  {3.0f, 0.2f, 5},   {3.0f, -0.1f, 6},
    {2.8f, -0.5f, 7}, {3.0f, -0.9f, 8}, {3.0f, -1.2f, 9}, {3.0f, -1.5f, 10}, {3.0f, -1.8f, 11},
};

// ---- the flower, in the frame of flowerPos ----

// The leaf halves: two leaves folded along their midribs, each half from the stalk's foot to the tip's
// base. Filled, the first two corners are dark and the last two light.
constexpr Point leafHalves[4][4] = {
    {{0, 0.05, 0.05}, {0, 0, 0}, {0.5, 0.4, 0}, {0.5, 0.45, 0.05}},
    {{0, 0.05, -0.05}, {0, 0, 0}, {0.5, 0.4, 0}, {0.5, 0.45, -0.05}},
    {{0, 0.05, 0.05}, {0, 0, 0}, {-0.35, 0.6, 0}, {-0.35, 0.65, 0.05}},
    {{0, 0.05, -0.05}, {0, 0, 0}, {-0.35, 0.6, 0}, {-0.35, 0.65, -0.05}},
};

constexpr Point leafTips[4][3] = {
    {{0.5, 0.4, 0}, {0.9, 0.25, 0}, {0.5, 0.45, 0.05}},
    {{0.5, 0.4, 0}, {0.9, 0.25, 0}, {0.5, 0.45, -0.05}},
    {{-0.35, 0.6, 0}, {-0.75, 0.35, 0}, {-0.35, 0.65, 0.05}},
    {{-0.35, 0.6, 0}, {-0.75, 0.35, 0}, {-0.35, 0.65, -0.05}},
};

constexpr Rgba leafDark{0.1, 0.7, 0.1, 0.8};
constexpr Rgba leafLight{0.3, 0.9, 0.3, 0.8};  // also the filled stalk's colour
constexpr Rgba wireGreen{0.1, 0.6, 0.1, 0.8};  // the wire leaves and stalk

// The stalk: three slanted columns (drawBlock's arguments), bending left, right and further right up to
// its top square centred on (0.2, 1.515, 0), where the flower's head sits.
constexpr std::array<double, 8> stalkBlocks[3] = {
    {0, 0, 0, 0.015, -0.05, 0.5, 0, 0.015},
    {-0.05, 0.515, 0, 0.015, 0.05, 1, 0, 0.015},
    {0.05, 1.015, 0, 0.015, 0.2, 1.5, 0, 0.015},
};
constexpr Point headOffset{0.2, 1.515, 0};

constexpr Rgba centreColour{0.2, 0.05, 0.05, 1};

// A petal corner, with the petal colour set before it (or none: the colour carries on).
enum class Paint { keep, c1, c2, c3 };
struct PetalCorner {
  Paint paint;
  Point at;
};

// Ten times around the head, 36 degrees apart: two quads per outer petal, one per inner petal.
constexpr PetalCorner outerPetal[8] = {
    {Paint::c1, {0.02, -0.015, 0}},     {Paint::c2, {0.15, -0.06, 0}},     {Paint::keep, {0.15, 0.06, 0.05}},
    {Paint::c1, {0.02, 0.015, 0.05}},   {Paint::c2, {0.15, -0.06, 0}},     {Paint::keep, {0.17, -0.045, 0}},
    {Paint::keep, {0.17, 0.045, 0.05}}, {Paint::keep, {0.15, 0.06, 0.05}},
};
constexpr PetalCorner innerPetal[4] = {
    {Paint::c1, {0.01, -0.015, 0}},
    {Paint::c3, {0.09, -0.02, 0.06}},
    {Paint::keep, {0.09, 0.02, 0.06}},
    {Paint::c1, {0.01, 0.015, 0}},
};

// The petal colours of one pass; their alpha is the pass's petal alpha.
struct PetalColours {
  Rgba c1, c2, c3;
};
constexpr PetalColours filledPetals{{0.5, 0.7, 0, 0}, {0.8, 0.7, 0, 0}, {0.9, 0.5, 0, 0}};
constexpr PetalColours wirePetals{{0.2, 0.4, 0, 0}, {0.5, 0.4, 0, 0}, {0.6, 0.2, 0, 0}};

constexpr int grassBlades = 100;

// ---- how much of the picture shows ----

// The strength of every element of the picture: the full picture until 150,000 ms, then the closing
// picture's fades.
struct Look {
  Rgba skyBottom;        // the gradient's bottom colour (the top is black)
  bool captions;         // title and credits
  bool groundAndLeaves;  // the ground patch and both passes of the leaves
  double pictureAlpha;   // the sky picture
  double stalkAlpha;     // filled stalk (its own colour only when the leaves are gone)
  double centreAlpha;    // the centre sphere and the head colour before the wire petals
  double petalAlpha;     // both petal rings, both passes
  double grassAlpha;     // filled grass
  double wireStalkAlpha;
  double wireGrassAlpha;
};

constexpr Rgba blueSky{0.05, 0.35, 0.7, 1};

Look fullLook() {
  return Look{.skyBottom = blueSky,
              .captions = true,
              .groundAndLeaves = true,
              .pictureAlpha = 1,
              .stalkAlpha = 0.8,
              .centreAlpha = 1,
              .petalAlpha = 0.6,
              .grassAlpha = 0.7,
              .wireStalkAlpha = 0.8,
              .wireGrassAlpha = 0.5};
}

Look closingLook(double t) {
  const double v = t - closingStart;
  Rgba sky = blueSky;
  if (t >= darkeningStart) {  // black at about 157,000 ms
    const double d = t - darkeningStart;
    sky = Rgba{0.05 - d / 60000, 0.35 - d / 8572, 0.7 - d / 4286, 1};
  }
  // Each fade lasts about 4000 ms; afterwards the alphas are negative and OpenGL clamps them to 0.
  return Look{.skyBottom = sky,
              .captions = false,
              .groundAndLeaves = false,
              .pictureAlpha = 1 - v / 4000,
              .stalkAlpha = 0.8 - v / 5000,
              .centreAlpha = 1 - v / 4000,
              .petalAlpha = 0.6 - v / 6667,
              .grassAlpha = 0.7 - v / 5715,
              .wireStalkAlpha = 0.8 - v / 5000,
              .wireGrassAlpha = 0.5 - v / 8000};
}

Rgba withAlpha(const Rgba& c, double alpha) { return Rgba{c.r, c.g, c.b, alpha}; }

// ---- drawing ----

void drawCaptions() {
  const Caption& title = captions[0];
  drawTextRow(texText3, 1, title.x, title.y, title.alpha);
  drawTextRow(texText3, 2, title.x + 0.45, title.y - 0.2, title.alpha);
  for (std::size_t k = 1; k < captions.size(); ++k) {
    drawTextRow(texText3, captions[k].row, captions[k].x, captions[k].y, captions[k].alpha);
  }
}

void lookStraightAhead() { setDefaultView(); }

// Fixed on the screen, right of the centre and slightly above it.
void drawSkyPicture(double alpha) {
  glLoadIdentity();
  glTranslatef(0.5f, 0.2f, -2.0f);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texBackground99->glName);
  colour(Rgba{1, 1, 1, alpha});
  drawQuad(0.5);
  glDisable(GL_TEXTURE_2D);
}

// The eye sways 0.6 in front of the stalk; the point looked at climbs from the stalk's foot.
void applyFlowerCamera(double t) {
  const engine::Vector3& f = flowerPos;
  const double u = t - sceneStart;
  engine::setCamera(camera, static_cast<float>(f.x - maths::sin(t / 4000) / 3),
                    static_cast<float>(f.y + 1 + maths::sin((t - 4000) / 8000)), static_cast<float>(f.z + 0.6),
                    static_cast<float>(f.x + u / 40000), static_cast<float>(f.y + u / 6000), f.z, 0, 1, 0);
  engine::applyCamera(camera);
}

void enterFlowerFrame() {
  glLoadIdentity();
  glTranslatef(flowerPos.x, flowerPos.y, flowerPos.z);
}

void enterHeadFrame() {
  glLoadIdentity();
  translate(flowerPos.x + headOffset.x, flowerPos.y + headOffset.y, flowerPos.z + headOffset.z);
}

void drawGround() {
  glBegin(GL_QUADS);
  colour(Rgba{0, 1, 0, 0.9});
  vertex(Point{-1.5, 0.05, 1.5});
  vertex(Point{1.5, 0.05, 1.5});
  colour(Rgba{0, 0.8, 0, 0.9});
  vertex(Point{1.5, 0.05, -1.5});
  vertex(Point{-1.5, 0.05, -1.5});
  glEnd();
}

void drawFilledLeafHalves() {
  glBegin(GL_QUADS);
  for (const auto& half : leafHalves) {
    colour(leafDark);
    vertex(half[0]);
    vertex(half[1]);
    colour(leafLight);
    vertex(half[2]);
    vertex(half[3]);
  }
  glEnd();
}

// The outline starts each half at the stalk's foot: corners 2, 3, 4, 1.
void drawWireLeafHalves() {
  glBegin(GL_QUADS);
  for (const auto& half : leafHalves) {
    for (int corner : {1, 2, 3, 0}) vertex(half[corner]);
  }
  glEnd();
}

void drawLeafTips() {
  glBegin(GL_TRIANGLES);
  for (const auto& tip : leafTips) {
    for (const Point& p : tip) vertex(p);
  }
  glEnd();
}

void drawStalk() {
  for (const auto& b : stalkBlocks) drawBlock(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
}

void drawCentre(double alpha) {
  colour(withAlpha(centreColour, alpha));
  GLUquadric* quadric = gluNewQuadric();
  gluQuadricTexture(quadric, GL_FALSE);
  gluSphere(quadric, 0.05, 10, 10);
  gluDeleteQuadric(quadric);
}

template <std::size_t n>
void drawPetalRing(const PetalCorner (&petal)[n], const PetalColours& colours, double alpha) {
  for (int petalIndex = 0; petalIndex < 10; ++petalIndex) {
    glBegin(GL_QUADS);
    for (const PetalCorner& corner : petal) {
      if (corner.paint == Paint::c1) colour(withAlpha(colours.c1, alpha));
      if (corner.paint == Paint::c2) colour(withAlpha(colours.c2, alpha));
      if (corner.paint == Paint::c3) colour(withAlpha(colours.c3, alpha));
      vertex(corner.at);
    }
    glEnd();
    glRotatef(36, 0, 0, 1);
  }
}

// Ten turns of 36 degrees bring the inner ring back to the outer ring's orientation.
void drawPetals(const PetalColours& colours, double alpha) {
  drawPetalRing(outerPetal, colours, alpha);
  drawPetalRing(innerPetal, colours, alpha);
}

void bladeTriangle(const engine::Particle& blade) {
  vertex(Point{blade.x + 0.02, blade.y, blade.z});
  vertex(Point{blade.x - 0.02, blade.y, blade.z});
  vertex(Point{blade.x2, blade.y2 + 0.3, blade.z2});
}

// Record 0 is never written and adds a blade at the stalk's foot.
void drawFilledGrass(double alpha) {
  colour(Rgba{0.3, 0.8, 0.2, alpha});
  glBegin(GL_TRIANGLES);
  for (int k = 0; k <= grassBlades; ++k) bladeTriangle(particles5->particles[k]);
  glEnd();
}

void drawWireGrass(double alpha) {
  for (int k = 1; k <= grassBlades; ++k) {
    colour(Rgba{0, 0.4, 0, alpha});
    glBegin(GL_TRIANGLES);
    bladeTriangle(particles5->particles[k]);
    glEnd();
  }
}

void drawFilledFlower(const Look& look) {
  if (look.groundAndLeaves) {
    drawFilledLeafHalves();
    drawLeafTips();  // in the light colour the halves left
  } else {
    colour(withAlpha(leafLight, look.stalkAlpha));
  }
  drawStalk();
  enterHeadFrame();
  drawCentre(look.centreAlpha);
  drawPetals(filledPetals, look.petalAlpha);
  enterFlowerFrame();
  drawFilledGrass(look.grassAlpha);
}

// The modelview still holds the translation to flowerPos.
void drawWireFlower(const Look& look) {
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  colour(withAlpha(wireGreen, look.wireStalkAlpha));
  if (look.groundAndLeaves) drawWireLeafHalves();
  drawStalk();
  if (look.groundAndLeaves) drawLeafTips();
  enterHeadFrame();
  colour(withAlpha(centreColour, look.centreAlpha));
  drawPetals(wirePetals, look.petalAlpha);
  enterFlowerFrame();
  drawWireGrass(look.wireGrassAlpha);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// A 0.2 x 0.2 square in the plane x = 0, hinged on the y axis, reaching towards +z.
void drawWing() {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(0, 0.1f, 0);
  glTexCoord2f(0, 1);
  glVertex3f(0, -0.1f, 0);
  glTexCoord2f(1, 1);
  glVertex3f(0, -0.1f, 0.2f);
  glTexCoord2f(1, 0);
  glVertex3f(0, 0.1f, 0.2f);
  glEnd();
}

// Turns on about the hinge by `degrees`, then draws a wing there.
void turnAndDrawWing(double degrees) {
  glRotatef(static_cast<float>(degrees), 0, 1, 0);
  drawWing();
}

// The wings stand at +15 w and -15 w degrees: each drawn in colour at half opacity, then darkened by the
// black shape.
void drawButterfly() {
  const double w = wingPhase;
  glLoadIdentity();
  glTranslatef(butterflyPos.x, butterflyPos.y, butterflyPos.z);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texButterfly->glName);
  colour(Rgba{1, 1, 1, 0.5});
  turnAndDrawWing(15 * w);
  turnAndDrawWing(-30 * w);
  glBindTexture(GL_TEXTURE_2D, texButterflyShape->glName);
  colour(Rgba{0, 0, 0, 1});
  turnAndDrawWing(30 * w);
  turnAndDrawWing(-30 * w);
}

// Everything after the gradient and the captions: the sky picture, then the flower scene in painter's
// order, the flower and the butterfly blended over what is behind them.
void drawPicture(const Look& look, double t) {
  lookStraightAhead();
  drawSkyPicture(look.pictureAlpha);
  applyFlowerCamera(t);
  enterFlowerFrame();
  if (look.groundAndLeaves) drawGround();  // additive, like the sky
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  drawFilledFlower(look);
  drawWireFlower(look);
  drawButterfly();
  glDisable(GL_TEXTURE_2D);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

void drawScene(const Look& look) {
  const double t = demoClock;
  glLoadIdentity();
  const Rgba& sky = look.skyBottom;
  drawGradient(0, 0, 0, sky.r, sky.g, sky.b, 1);
  if (look.captions) drawCaptions();
  drawPicture(look, t);
}

// ---- the set-up and the post procedure ----

void placeCaptions() {
  for (std::size_t k = 0; k < captions.size(); ++k) {
    const CaptionPlace& place = captionPlaces[k];
    captions[k].x = place.x;
    captions[k].y = place.y;
    captions[k].alpha = 0;
    if (place.row != 0) captions[k].row = place.row;
  }
}

// One coordinate of a blade's base: 0.25 to 1.24 units from the stalk, on a random side.
float bladeBaseOffset() {
  float offset = static_cast<float>(0.25 + randomInt(100) / 100.0);
  if (randomInt(2) > 0) offset = -offset;
  return offset;
}

// The blades stand in four square patches around the stalk; each tip leans by at most 0.05 sideways.
void plantGrass() {
  for (int k = 1; k <= grassBlades; ++k) {
    engine::Particle& blade = particles5->particles[k];
    blade.x = bladeBaseOffset();
    blade.y = -0.5f;
    blade.z = bladeBaseOffset();
    blade.x2 = static_cast<float>(blade.x + randomInt(100) / 1000.0 - 0.05);
    blade.y2 = static_cast<float>(blade.y + randomInt(100) / 2000.0 + 0.05);
    blade.z2 = static_cast<float>(blade.z + randomInt(100) / 1000.0 - 0.05);
  }
}

// Fades in from 126,000 to 128,000 ms and out from 148,000 to 150,000 ms; in between it keeps the
// last value of the fade-in.
void fadeTitle(double t) {
  if (t > 126000 && t < 128000) captions[0].alpha = static_cast<float>((t - 126000) / 2000);
  if (t > 148000 && t < 150000) captions[0].alpha = static_cast<float>(1 - (t - 148000) / 2000);
}

// Each credit line rises and sinks along a sine over its 14,000 ms window, starting 500 ms after the
// line above it; outside its window it keeps its last value.
void fadeCredits(double t) {
  if (t > 132000 && t < 146000) captions[1].alpha = static_cast<float>(maths::sin((t - 132000) / 3000));
  for (int i = 1; i <= 8; ++i) {
    const double s = 132000 + 500 * i;
    if (t > s && t < 146000 + 500 * i) captions[1 + i].alpha = static_cast<float>(maths::sin((t - s) / 3000));
  }
}

// Until 131,000 ms the butterfly glides down onto the flower beating its wings fast; then it rests
// where the last frame of the flight left it and opens and closes its wings slowly.
void moveButterfly(double t) {
  if (t < flightEnd) {
    const double a = engine::degToRad(static_cast<double>(90 + (t - sceneStart) / 51));
    const double lift = maths::sin(a);
    butterflyPos = engine::Vector3{-0.8f, static_cast<float>(1.515 + lift), static_cast<float>(-2 + lift)};
    wingPhase = static_cast<float>(1 + maths::sin(t / 45));
  } else {
    wingPhase = static_cast<float>(1 + maths::sin(t / 1000));
  }
}

}  // namespace

void scene7Start() {
  if (currentScene == scene7Code) return;
  currentScene = scene7Code;
  lookStraightAhead();
  placeCaptions();
  flowerPos = engine::Vector3{-1, -1, -3};
  butterflyPos = engine::Vector3{-0.8f, 0.5f, -3};
  wingPhase = 0;
  plantGrass();
}

void scene7Render() { drawScene(fullLook()); }

void scene7Render2() { drawScene(closingLook(demoClock)); }

void scene7Post() {
  const double t = demoClock;
  fadeTitle(t);
  fadeCredits(t);
  moveButterfly(t);
}

}  // namespace scenes
