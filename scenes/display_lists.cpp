#include "scenes/display_lists.h"

#include "engine/camera.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

#include <GL/gl.h>

#include <array>
#include <span>

namespace scenes {

std::uint32_t plantList = 0;
std::uint32_t blossomList = 0;
std::uint32_t grassList = 0;

namespace {

struct TexCoord {
  float s, t;
};

// A square cross-section of the stalk: its centre and half-size.
struct Section {
  double x, y, z, half;
};

// One corner of a stalk side: on the lower or upper section, at its -/+ x and -/+ z side.
struct SideCorner {
  bool upper;
  int sx, sz;
  TexCoord tex;
};

// The four sides of a stalk segment, in the order -z, +x, +z, -x.
constexpr SideCorner stalkSides[4][4] = {
    {{false, -1, -1, {0, 1}}, {false, 1, -1, {1, 1}}, {true, 1, -1, {1, 0}}, {true, -1, -1, {0, 0}}},
    {{false, 1, -1, {0, 1}}, {false, 1, 1, {1, 1}}, {true, 1, 1, {1, 0}}, {true, 1, -1, {0, 0}}},
    {{false, 1, 1, {1, 1}}, {false, -1, 1, {0, 1}}, {true, -1, 1, {0, 0}}, {true, 1, 1, {1, 0}}},
    {{false, -1, 1, {1, 1}}, {false, -1, -1, {0, 1}}, {true, -1, -1, {0, 0}}, {true, -1, 1, {1, 0}}},
};

constexpr Point leaves[4][4] = {
    {{0, 0, 0.1f}, {0.1f, 0, 0}, {1, 1, -0.3f}, {1, 1, 0.3f}},
    {{0, 0, -0.1f}, {-0.1f, 0, 0}, {-1.4f, 1, 0.1f}, {-1.3f, 1, -0.2f}},
    {{0.1f, 0, 0}, {0, 0, -0.1f}, {-0.3f, 1, 1}, {0.3f, 1, 1}},
    {{-0.1f, 0, 0}, {0, 0, 0.1f}, {0.3f, 1, -1.1f}, {-0.3f, 1, -1.3f}},
};
constexpr TexCoord leafTex[4] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};

constexpr Point leafTips[4][3] = {
    {{1, 1, -0.3f}, {1, 1, 0.3f}, {1.6f, 0.2f, 0}},
    {{-1.4f, 1, 0.1f}, {-1.3f, 1, -0.2f}, {-1.7f, 0.2f, 0}},
    {{-0.3f, 1, 1}, {0.3f, 1, 1}, {0, 0.4f, 1.8f}},
    {{0.3f, 1, -1.1f}, {-0.3f, 1, -1.3f}, {0, 0, -1.6f}},
};
constexpr TexCoord leafTipTex[3] = {{1, 0}, {0, 0}, {0, 1}};

constexpr Point lowerBud[] = {{0, 2.9f, 0},     {-0.25f, 3.5f, 0}, {0, 3.5f, 0.25f},
                              {0.25f, 3.5f, 0}, {0, 3.5f, -0.25f}, {-0.25f, 3.5f, 0}};
constexpr Point upperBud[] = {{0, 4, 0},        {-0.25f, 3.5f, 0}, {0, 3.5f, 0.25f},
                              {0.25f, 3.5f, 0}, {0, 3.5f, -0.25f}, {-0.25f, 3.5f, 0}};
// Three turns around the stalk's axis, ending on the fan's own centre.
constexpr Point petals[] = {{0, 2.9f, 0},      {-0.35f, 3.5f, 0}, {0, 3.5f, 0.3f},  {0.32f, 3.3f, 0},
                            {0, 3.2f, -0.35f}, {-0.35f, 3.3f, 0}, {0, 3.5f, 0.37f}, {0.37f, 3.5f, 0},
                            {0, 3.5f, -0.39f}, {-0.41f, 3.3f, 0}, {0, 3.2f, 0.43f}, {0.43f, 3.2f, 0},
                            {0, 3.2f, -0.43f}, {0, 2.9f, 0}};

constexpr int grassBlades = 2000;

// randomInt(10) / 50 - 0.1: one of -0.1, -0.08, ..., 0.08.
double randomOffset() { return randomInt(10) / 50.0 - 0.1; }

void normalOf(const Point& a, const Point& b, const Point& c) {
  engine::triangleNormal(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z);
  glNormal3f(engine::lastNormal.x, engine::lastNormal.y, engine::lastNormal.z);
}

void vertex(const TexCoord& tex, const Point& p) {
  glTexCoord2f(tex.s, tex.t);
  glVertex3f(p.x, p.y, p.z);
}

// A flat face: the normal of its first three corners, then every corner.
void face(std::span<const Point> corners, std::span<const TexCoord> tex) {
  normalOf(corners[0], corners[1], corners[2]);
  for (std::size_t k = 0; k < corners.size(); ++k) vertex(tex[k], corners[k]);
}

Point sideCorner(const Section& lower, const Section& upper, const SideCorner& corner) {
  const Section& s = corner.upper ? upper : lower;
  return {static_cast<float>(s.x + corner.sx * s.half), static_cast<float>(s.y),
          static_cast<float>(s.z + corner.sz * s.half)};
}

void stalkSegment(const Section& lower, const Section& upper) {
  for (const auto& side : stalkSides) {
    std::array<Point, 4> corners;
    std::array<TexCoord, 4> tex;
    for (std::size_t k = 0; k < 4; ++k) {
      corners[k] = sideCorner(lower, upper, side[k]);
      tex[k] = side[k].tex;
    }
    face(corners, tex);
  }
}

void compilePlant() {
  const double a = randomOffset(), b = randomOffset(), c = randomOffset();
  const double d = randomOffset(), e = randomOffset(), f = randomOffset();
  const Section sections[4] = {{0, 0, 0, 0.05}, {a, 1 + b, c, 0.05}, {d, 2 + e, f, 0.05}, {0, 3, 0, 0.03}};
  glNewList(plantList, GL_COMPILE);
  glBegin(GL_QUADS);
  for (int k = 0; k < 3; ++k) stalkSegment(sections[k], sections[k + 1]);
  for (const auto& leaf : leaves) face(leaf, leafTex);
  glEnd();
  glBegin(GL_TRIANGLES);
  for (const auto& tip : leafTips) face(tip, leafTipTex);
  glEnd();
  glEndList();
}

// A triangle fan with a normal per triangle: before the first vertex the normal of the first triangle,
// before every later vertex the normal of the triangle it closes with the two before it.
void fan(std::span<const Point> points) {
  glBegin(GL_TRIANGLE_FAN);
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (k == 0) normalOf(points[0], points[1], points[2]);
    if (k >= 3) normalOf(points[k - 2], points[k - 1], points[k]);
    const TexCoord tex = k == 0 ? TexCoord{1, 0} : k == 1 ? TexCoord{0, 0} : TexCoord{0, 1};
    vertex(tex, points[k]);
  }
  glEnd();
}

void compileBlossom() {
  glNewList(blossomList, GL_COMPILE);
  fan(lowerBud);
  fan(upperBud);
  fan(petals);
  glEndList();
}

// One blade: 0.08 wide at the ground, 0.02 at its tip, facing the z axis; each tip corner leans on its
// own random draw, the normal on a third one.
void grassBlade() {
  const double x = randomInt(300) / 10.0 - 15;
  const double z = randomInt(300) / 10.0 - 15;
  const double h = randomInt(400) / 400.0 + 0.1;
  const auto tipZ = [z] { return static_cast<float>(z - 0.01 + randomInt(10) / 50.0 - 0.1); };
  const auto fx = [x](double dx) { return static_cast<float>(x + dx); };
  const auto fz = static_cast<float>(z - 0.04);
  const auto fh = static_cast<float>(h);
  const Point normalTip{fx(0.01), fh, tipZ()};
  const Point groundLeft{fx(-0.04), 0, fz}, groundRight{fx(0.04), 0, fz};
  normalOf(groundLeft, groundRight, normalTip);
  const Point tipRight{fx(0.01), fh, tipZ()};
  const Point tipLeft{fx(-0.01), fh, tipZ()};
  vertex({0, 1}, groundLeft);
  vertex({1, 1}, groundRight);
  vertex({1, 0}, tipRight);
  vertex({0, 0}, tipLeft);
}

void compileGrass() {
  glNewList(grassList, GL_COMPILE);
  glBegin(GL_QUADS);
  for (int blade = 1; blade <= grassBlades; ++blade) grassBlade();
  glEnd();
  glEndList();
}

}  // namespace

void prepareScenes() {
  plantList = glGenLists(1);
  compilePlant();
  blossomList = glGenLists(1);
  compileBlossom();
  grassList = glGenLists(1);
  compileGrass();
}

}  // namespace scenes
