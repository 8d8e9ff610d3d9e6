// Scene 3, 45,730 to 71,139 ms: a small tree grows out of a round patch of ground under a green-to-black
// sky, drawn solid and as a green wire frame, with a flare on every branch point, coloured leaves on
// their twigs and a band of windblown grass; a turning disc with a glowing band hangs near the lens.
// From 55,910 ms the leaves fall; from 66,000 ms the tree fades and the sky turns white.
//
// The scene's state lives in the shared particle systems: particles3 records 1-41 are the branch points
// (values 1-3), particles4 records 0-549 the leaves (1-3 position, 4-6 rest position, 7-9 colour, 14
// phase in ms), particles5 records 1-2000 the grass strands (see grass.h).

#include "maths/maths.h"
#include "scenes/demo_state.h"
#include "scenes/grass.h"
#include "scenes/scene3.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

#include <cmath>

namespace scenes {

namespace {

constexpr std::int32_t sceneCode = 30;
constexpr int branchCount = 41;
// Leaves 10-549 are placed, twenty around each of branch points 14 to 40; leaves 0 to 540 get a rest
// position, a phase and a colour, 1 to 540 sway and fall, 0 to 539 are drawn.
constexpr int lastLeaf = 540;
constexpr double fallStart = 55910;
constexpr double fadeStart = 66000;

double sinOf(double period) { return maths::sin(clockTime() / period); }

engine::Particle& branch(int k) { return particles3->particles[k]; }
engine::Particle& leaf(int i) { return particles4->particles[i]; }
engine::Particle& strand(int i) { return particles5->particles[i]; }

// The branch point a branch grows from: 1-3 for branch points 4-13, 4-12 for branch points 14-41.
int parentOf(int k) { return k <= 13 ? k % 3 + 1 : 12 - k % 9; }

// --- set-up ---------------------------------------------------------------------------------------

// Branch points 1-3 sit above the trunk; every later one lies within a box above its parent, the box
// `height` hundredths high.
void placeBranchPoints() {
  for (int k = 1; k <= 3; ++k) {
    branch(k).x = static_cast<float>(randomInt(100) / 100.0 - 0.5);
    branch(k).y = static_cast<float>(randomInt(80) / 100.0 + 1);
    branch(k).z = static_cast<float>(randomInt(100) / 100.0 - 0.5);
  }
  for (int k = 4; k <= branchCount; ++k) {
    const engine::Particle& parent = branch(parentOf(k));
    const int height = k <= 13 ? 100 : 70;
    branch(k).x = static_cast<float>(randomInt(60) / 100.0 + parent.x - 0.3);
    branch(k).y = static_cast<float>(randomInt(height) / 100.0 + parent.y);
    branch(k).z = static_cast<float>(randomInt(60) / 100.0 + parent.z - 0.3);
  }
}

float nearby(float centre) { return static_cast<float>(centre + (randomInt(400) / 1000.0 - 0.2)); }

void placeLeaves(double t) {
  for (int i = 1; i <= 27; ++i) {
    const engine::Particle& twig = branch(i + 13);
    for (int j = 0; j < 20; ++j) {
      engine::Particle& l = leaf((2 * i - 1) * 10 + j);
      l.x = nearby(twig.x);
      l.y = nearby(twig.y);
      l.z = nearby(twig.z);
    }
  }
  for (int i = 0; i <= lastLeaf; ++i) {
    engine::Particle& l = leaf(i);
    l.x2 = l.x;
    l.y2 = l.y;
    l.z2 = l.z;
    l.timeOffset = randomInt(3000);
    const double sway = maths::sin((l.timeOffset + t) / 1000) / 5;
    l.x = static_cast<float>(l.x2 + sway);
    l.y = static_cast<float>(l.y2 + sway);
    l.z = static_cast<float>(l.z2 + sway);
    l.x3 = static_cast<float>(randomInt(60) / 100.0 + 0.3);
    l.y3 = static_cast<float>(randomInt(60) / 100.0 + 0.5);
    l.z3 = static_cast<float>(randomInt(10) / 100.0);
  }
}

// The feet fill a lens from x = -4 to 4 whose half-width in z is 4 sin(23 (x + 4) degrees).
void placeGrass() {
  for (int i = 1; i <= strandCount; ++i) {
    engine::Particle& s = strand(i);
    s.x = static_cast<float>(randomInt(800) / 100.0 - 4);
    s.y = -0.5f;
    auto m = static_cast<std::int32_t>(400 * maths::sin(engine::degToRad(23 * (s.x + 4.0))));
    if (randomInt(2) == 1) m = -m;
    s.z = static_cast<float>(randomInt(m) / 100.0);
    growStrand(s);
  }
}

// --- post -----------------------------------------------------------------------------------------

void swayLeaves(double t) {
  for (int i = 1; i <= lastLeaf; ++i) {
    engine::Particle& l = leaf(i);
    const double w = maths::sin((l.timeOffset + t) / 1000) / 5;
    l.x = static_cast<float>(l.x2 + w);
    l.y = static_cast<float>(l.y2 + w);
    l.z = static_cast<float>(l.z2 + w);
  }
}

// Falling leaves sway wider as they drop; a leaf at or below the ground stays where it landed.
void dropLeaves(double t) {
  const double d = t - fallStart;
  for (int i = 1; i <= lastLeaf; ++i) {
    engine::Particle& l = leaf(i);
    if (!(l.y > 0)) continue;
    const double w = maths::sin((l.timeOffset + t) / 1000) / 5;
    l.x = static_cast<float>(l.x2 + w * (1 + d / 1000));
    l.y = static_cast<float>(l.y2 + w - d / 2500);
    l.z = static_cast<float>(l.z2 + w * (1 + d / 1000));
  }
}

// Inside each window (ends excluded) the caption shows a row creeping right while its alpha swells and
// fades; outside them it keeps its values. A row of 0 leaves the row as it is, keepY leaves y.
struct CaptionWindow {
  double from;
  double to;
  std::int32_t row;
  double xOffset;
  bool keepY;
};

constexpr CaptionWindow captionWindows[] = {
    {45730, 50820, 0, 4.8, false},
    {50820, 55910, 9, 5.2, false},
    {55910, 61000, 10, 5.6, true},
    {61000, 66090, 11, 6.0, true},
};

void moveCaption(double t) {
  Caption& caption = captions[1];
  for (const CaptionWindow& window : captionWindows) {
    if (t <= window.from || t >= window.to) continue;
    if (window.row != 0) caption.row = window.row;
    caption.x = static_cast<float>(t / 12000 - window.xOffset);
    if (!window.keepY) caption.y = 2.3f;
    caption.alpha = static_cast<float>(maths::sin((t - window.from) / 1500));
  }
}

// --- render ---------------------------------------------------------------------------------------

void drawSky(double t) {
  if (t < fadeStart) {
    drawGradient(0.2, 0.5, 0, 0, 0, 0, 0);
    return;
  }
  const double d = t - fadeStart;
  drawGradient(0.2 + d / 6250, 0.5 + d / 10000, d / 5000, d / 3000, d / 3000, d / 3000, 0);
}

double swing(double period) { return period == 0 ? 0 : sinOf(period); }

// The band as a triangle strip whose last vertex is black; with texture coordinates for the flare pass.
void drawBand(bool textured) {
  glBegin(GL_TRIANGLE_STRIP);
  if (textured) glNormal3f(0, 0, 1);
  for (const BandVertex& v : bandStrip) {
    if (&v == &bandStrip[16]) glColor4f(0, 0, 0, 1);  // the strip fades out at its last vertex
    if (textured) glTexCoord2f(static_cast<float>(swing(v.sPeriod)), static_cast<float>(swing(v.tPeriod)));
    vertex(v.x, v.y, 0);
  }
  glEnd();
}

// The disc and its band, turning slowly in the default view near the lens.
void drawDisc(double t) {
  glLoadIdentity();
  setDefaultView();
  glTranslatef(0.2f, 0, -1);
  glRotatef(-20, 1, 0, 0);
  glRotatef(-45, 0, 1, 0);
  glRotatef(static_cast<float>((t - 28000) / 500), 0, 0, 1);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texCircle1->glName);
  glColor4f(1, 1, 1, 1);
  drawQuad(0.4);
  glBindTexture(GL_TEXTURE_2D, texFlare->glName);
  glColor4f(1, 0.6f, 0.05f, 0.8f);
  drawBand(true);
  glDisable(GL_TEXTURE_2D);
  glColor4f(1, 0, 0, 0.5f);
  drawBand(false);
}

// The camera circles the tree while the tree turns 20 degrees a second about the vertical axis.
void enterOrbit(double t) {
  engine::setCamera(camera, static_cast<float>(sinOf(8000) - 3 * sinOf(5000)), static_cast<float>(3 * sinOf(5000) + 2),
                    static_cast<float>(sinOf(8000) - 1.5), 0, 1.5f, 0, 0, 1, 0);
  engine::applyCamera(camera);
  glRotatef(static_cast<float>((t - 28000) / 50), 0, 1, 0);
}

// The trunk and the 41 branches, each a column from its parent's point to its own, thinner per tier.
struct BranchTier {
  int first, last;
  double parentHalfSize, halfSize;
};

constexpr BranchTier branchTiers[] = {{1, 3, 0.1, 0.07}, {4, 13, 0.07, 0.04}, {14, 41, 0.04, 0.01}};

// Where branch k starts: the top of the trunk for the first three, else its parent's point.
Point stemOf(int k) {
  if (k <= 3) return {0, 1, 0};
  const engine::Particle& parent = branch(parentOf(k));
  return {parent.x, parent.y, parent.z};
}

void drawTreeBlocks() {
  drawBlock(0, 0, 0, 0.1, 0, 1, 0, 0.1);
  for (const BranchTier& tier : branchTiers) {
    for (int k = tier.first; k <= tier.last; ++k) {
      const Point stem = stemOf(k);
      const engine::Particle& b = branch(k);
      drawBlock(stem.x, stem.y, stem.z, tier.parentHalfSize, b.x, b.y, b.z, tier.halfSize);
    }
  }
}

// The solid tree blends over what lies behind it and fades from 66,000 ms (gone at 70,500 ms); the
// green wire frame is added on top and stays.
void drawTree(double t) {
  const double alpha = t < fadeStart ? 0.5 : 0.5 - (t - fadeStart) / 9000;
  colour(0.44, 0.305, 0.13, alpha);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  drawTreeBlocks();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glPolygonMode(GL_FRONT, GL_LINE);
  glPolygonMode(GL_BACK, GL_POINT);
  glColor4f(0.4f, 1, 0.4f, 0.5f);
  drawTreeBlocks();
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// A flare cross: three squares of half-size h through a point, in the xy, xz and yz planes.
struct CrossCorner {
  float s, t;
  int dx, dy, dz;
};

constexpr CrossCorner flareCross[12] = {
    {0, 1, -1, -1, 0}, {1, 1, 1, -1, 0}, {1, 0, 1, 1, 0},   {0, 0, -1, 1, 0}, {0, 1, -1, 0, -1}, {1, 1, 1, 0, -1},
    {1, 0, 1, 0, 1},   {0, 0, -1, 0, 1}, {0, 1, 0, -1, -1}, {1, 1, 0, 1, -1}, {1, 0, 0, 1, 1},   {0, 0, 0, -1, 1},
};

void drawFlareCross(const engine::Particle& at, double h) {
  for (const CrossCorner& c : flareCross) {
    glTexCoord2f(c.s, c.t);
    vertex(at.x + c.dx * h, at.y + c.dy * h, at.z + c.dz * h);
  }
}

void drawFlares() {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texFlareBig->glName);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  for (int k = 1; k <= branchCount; ++k) drawFlareCross(branch(k), 0.05);
  glEnd();
  glBegin(GL_QUADS);
  for (int i = 0; i < lastLeaf; ++i) {
    const engine::Particle& l = leaf(i);
    glColor4f(l.x3, l.y3, l.z3, 1);
    drawFlareCross(l, 0.05);
  }
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

// A round patch of ground with a wavy rim; its centre keeps the colour of the last leaf.
void drawGround() {
  glBegin(GL_TRIANGLE_FAN);
  vertex(0, 0, 0);
  for (int k = 0; k <= 20; ++k) {
    const double a = engine::degToRad(18.0 * k);
    colour(maths::sin(9.0 * k) + 0.3, 0.7, 0.3, 0.5);
    vertex(4 * maths::sin(a), maths::sin(a) / 10 - 0.2, 4 * maths::cos(a));
  }
  glEnd();
}

constexpr StrandColours grassColours{{0.9f, 0.5f, 0.3f, 0.7f}, {0.6f, 0.6f, 0.3f, 0.6f}, {0.3f, 0.7f, 0.3f, 0.4f}};

}  // namespace

void scene3Start() {
  if (currentScene == sceneCode) return;
  currentScene = sceneCode;
  captions[1] = Caption{-4.8f, 1.5f, 0, 8};
  placeBranchPoints();
  placeLeaves(clockTime());
  placeGrass();
}

void scene3Render() {
  const double t = clockTime();
  glLoadIdentity();
  drawSky(t);
  const Caption& caption = captions[1];
  drawTextRow(texText1, caption.row, caption.x, caption.y, caption.alpha);
  drawDisc(t);
  enterOrbit(t);
  drawTree(t);
  drawFlares();
  drawGround();
  for (int i = 0; i <= drawnStrands; ++i) drawStrand(strand(i), t, grassColours);
}

void scene3Post() {
  const double t = clockTime();
  if (t < fallStart) {
    swayLeaves(t);
  } else {
    dropLeaves(t);
  }
  moveCaption(t);
}

}  // namespace scenes
