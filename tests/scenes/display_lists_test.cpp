#include "scenes/display_lists.h"

#include "engine/camera.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using glrec::Call;
using Vec = std::array<double, 3>;

// One glBegin ... glEnd group of a compiled list: its vertices with the texture coordinate and the
// normal current at each.
struct Group {
  GLenum mode = 0;
  std::vector<Vec> vertices;
  std::vector<std::array<double, 2>> tex;
  std::vector<Vec> normals;       // the current normal at each vertex
  std::vector<int> normalBefore;  // the vertex index each glNormal3f call precedes
};

// The groups recorded between glNewList(list) and its glEndList; every call inside the list must be a
// drawing call (no colour, binding or state change).
std::vector<Group> groupsOf(std::uint32_t list) {
  const auto& calls = glrec::calls();
  std::size_t at = 0;
  while (at < calls.size() && calls[at] != Call{"glNewList", {double(list), GL_COMPILE}}) ++at;
  EXPECT_LT(at, calls.size()) << "list " << list << " was not compiled";
  std::vector<Group> groups;
  Vec normal{0, 0, 1};
  std::array<double, 2> tex{0, 0};
  for (++at; at < calls.size() && calls[at].name != "glEndList"; ++at) {
    const Call& call = calls[at];
    if (call.name == "glBegin") {
      groups.push_back(Group{static_cast<GLenum>(call.args[0]), {}, {}, {}, {}});
    } else if (call.name == "glNormal3f") {
      normal = {call.args[0], call.args[1], call.args[2]};
      groups.back().normalBefore.push_back(static_cast<int>(groups.back().vertices.size()));
    } else if (call.name == "glTexCoord2f") {
      tex = {call.args[0], call.args[1]};
    } else if (call.name == "glVertex3f") {
      EXPECT_EQ(calls[at - 1].name, "glTexCoord2f");
      groups.back().vertices.push_back({call.args[0], call.args[1], call.args[2]});
      groups.back().tex.push_back(tex);
      groups.back().normals.push_back(normal);
    } else {
      EXPECT_EQ(call.name, "glEnd") << "unexpected call in list " << list;
    }
  }
  return groups;
}

Vec unitNormal(const Vec& a, const Vec& b, const Vec& c) {
  engine::triangleNormal(float(a[0]), float(a[1]), float(a[2]), float(b[0]), float(b[1]), float(b[2]), float(c[0]),
                         float(c[1]), float(c[2]));
  return {engine::lastNormal.x, engine::lastNormal.y, engine::lastNormal.z};
}

class DisplayLists : public ::testing::Test {
 protected:
  void SetUp() override {
    glrec::reset();
    scenes::resetRandom();
    scenes::prepareScenes();
  }
};

TEST_F(DisplayLists, AreThreeListsOfTheDocumentedShapes) {
  EXPECT_EQ(glrec::count("glGenLists"), 3u);
  EXPECT_EQ(glrec::count("glNewList"), 3u);
  EXPECT_EQ(glrec::count("glEndList"), 3u);
  EXPECT_NE(scenes::plantList, scenes::blossomList);
  EXPECT_NE(scenes::blossomList, scenes::grassList);

  const auto plant = groupsOf(scenes::plantList);
  ASSERT_EQ(plant.size(), 2u);
  EXPECT_EQ(plant[0].mode, static_cast<GLenum>(GL_QUADS));
  EXPECT_EQ(plant[0].vertices.size(), 16u * 4u);
  EXPECT_EQ(plant[0].normalBefore.size(), 16u);
  EXPECT_EQ(plant[1].mode, static_cast<GLenum>(GL_TRIANGLES));
  EXPECT_EQ(plant[1].vertices.size(), 4u * 3u);
  EXPECT_EQ(plant[1].normalBefore.size(), 4u);

  const auto blossom = groupsOf(scenes::blossomList);
  ASSERT_EQ(blossom.size(), 3u);
  const std::size_t fanSizes[3] = {6, 6, 14};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(blossom[k].mode, static_cast<GLenum>(GL_TRIANGLE_FAN));
    EXPECT_EQ(blossom[k].vertices.size(), fanSizes[k]);
  }

  const auto grass = groupsOf(scenes::grassList);
  ASSERT_EQ(grass.size(), 1u);
  EXPECT_EQ(grass[0].mode, static_cast<GLenum>(GL_QUADS));
  EXPECT_EQ(grass[0].vertices.size(), 2000u * 4u);
  EXPECT_EQ(grass[0].normalBefore.size(), 2000u);
}

TEST_F(DisplayLists, TwoRunsFromTheSameRandomStateRecordTheSameLists) {
  const std::vector<Call> first = glrec::calls();
  glrec::reset();
  scenes::resetRandom();
  scenes::prepareScenes();
  EXPECT_EQ(glrec::calls(), first);
}

TEST_F(DisplayLists, DrawSixPlantOffsetsAndSixNumbersPerBladeInOrder) {
  // Replay the generator: the plant's six offsets, then per blade x, z, height, the normal's tip and
  // the two tip corners.
  const double next = scenes::randomUnit();
  scenes::resetRandom();
  for (int k = 0; k < 6; ++k) scenes::randomInt(10);
  const auto grass = groupsOf(scenes::grassList)[0];
  for (int blade = 0; blade < 2000; ++blade) {
    const double x = scenes::randomInt(300) / 10.0 - 15;
    const double z = scenes::randomInt(300) / 10.0 - 15;
    const double h = scenes::randomInt(400) / 400.0 + 0.1;
    const double normalTipZ = z - 0.01 + scenes::randomInt(10) / 50.0 - 0.1;
    const double rightTipZ = z - 0.01 + scenes::randomInt(10) / 50.0 - 0.1;
    const double leftTipZ = z - 0.01 + scenes::randomInt(10) / 50.0 - 0.1;
    const std::vector<Vec> expected{{float(x - 0.04), 0, float(z - 0.04)},
                                    {float(x + 0.04), 0, float(z - 0.04)},
                                    {float(x + 0.01), float(h), float(rightTipZ)},
                                    {float(x - 0.01), float(h), float(leftTipZ)}};
    const std::vector<Vec> actual(grass.vertices.begin() + 4 * blade, grass.vertices.begin() + 4 * blade + 4);
    ASSERT_EQ(actual, expected) << "blade " << blade;
    const Vec normal = unitNormal(expected[0], expected[1], {float(x + 0.01), float(h), float(normalTipZ)});
    ASSERT_EQ(grass.normals[4 * blade], normal) << "blade " << blade;
    EXPECT_GE(h, 0.1);
    EXPECT_LE(h, 1.0975 + 1e-12);
  }
  EXPECT_EQ(scenes::randomUnit(), next) << "prepareScenes drew more or fewer numbers";
  const std::array<double, 2> bladeTex[4] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(grass.tex[k], bladeTex[k]);
}

TEST_F(DisplayLists, StalkStandsOnTheOriginAndEndsInTheTopSquareWhateverTheBend) {
  const auto quads = groupsOf(scenes::plantList)[0];
  // The first four faces start on the foot square, the last segment's faces end on the top square.
  for (int face = 0; face < 4; ++face) {
    for (int corner = 0; corner < 2; ++corner) {
      const Vec& v = quads.vertices[4 * face + corner];
      EXPECT_EQ(v[1], 0);
      EXPECT_FLOAT_EQ(std::abs(v[0]), 0.05f);
      EXPECT_FLOAT_EQ(std::abs(v[2]), 0.05f);
    }
  }
  for (int face = 8; face < 12; ++face) {
    for (int corner = 2; corner < 4; ++corner) {
      const Vec& v = quads.vertices[4 * face + corner];
      EXPECT_EQ(v[1], 3);
      EXPECT_FLOAT_EQ(std::abs(v[0]), 0.03f);
      EXPECT_FLOAT_EQ(std::abs(v[2]), 0.03f);
    }
  }
  // The inner sections move by at most 0.1 per axis from the straight stalk.
  for (int face = 0; face < 8; ++face) {
    const Vec& top = quads.vertices[4 * face + 2];
    const double level = face < 4 ? 1 : 2;
    EXPECT_LE(std::abs(top[1] - level), 0.1 + 1e-6);
    EXPECT_LE(std::abs(top[0]), 0.15 + 1e-6);
    EXPECT_LE(std::abs(top[2]), 0.15 + 1e-6);
  }
}

TEST_F(DisplayLists, EveryFaceCarriesTheNormalOfItsFirstTriangle) {
  for (const Group& group : groupsOf(scenes::plantList)) {
    const int corners = group.mode == GL_QUADS ? 4 : 3;
    for (std::size_t first = 0; first < group.vertices.size(); first += corners) {
      const auto& v = group.vertices;
      EXPECT_EQ(group.normals[first], unitNormal(v[first], v[first + 1], v[first + 2])) << "vertex " << first;
      EXPECT_EQ(group.normalBefore[first / corners], static_cast<int>(first));
    }
  }
  // The leaf tip of leaf 1 bends down to (1.6, 0.2, 0); its texture runs (1, 0), (0, 0), (0, 1).
  const auto tips = groupsOf(scenes::plantList)[1];
  EXPECT_EQ(tips.vertices[2], (Vec{1.6f, 0.2f, 0}));
  EXPECT_EQ(tips.tex[0], (std::array<double, 2>{1, 0}));
  EXPECT_EQ(tips.tex[2], (std::array<double, 2>{0, 1}));
}

TEST_F(DisplayLists, FansCarryANormalPerTriangleAndTheirOwnTextureCoordinates) {
  for (const Group& fan : groupsOf(scenes::blossomList)) {
    const auto& v = fan.vertices;
    std::vector<int> expectedBefore{0};
    for (int k = 3; k < static_cast<int>(v.size()); ++k) expectedBefore.push_back(k);
    EXPECT_EQ(fan.normalBefore, expectedBefore);
    EXPECT_EQ(fan.normals[0], unitNormal(v[0], v[1], v[2]));
    EXPECT_EQ(fan.normals[2], fan.normals[0]);
    for (std::size_t k = 3; k < v.size(); ++k) EXPECT_EQ(fan.normals[k], unitNormal(v[k - 2], v[k - 1], v[k]));
    EXPECT_EQ(fan.tex[0], (std::array<double, 2>{1, 0}));
    EXPECT_EQ(fan.tex[1], (std::array<double, 2>{0, 0}));
    for (std::size_t k = 2; k < v.size(); ++k) EXPECT_EQ(fan.tex[k], (std::array<double, 2>{0, 1}));
  }
  // The petal fan ends on its own centre.
  const auto petals = groupsOf(scenes::blossomList)[2];
  EXPECT_EQ(petals.vertices.front(), petals.vertices.back());
  EXPECT_EQ(petals.vertices.front(), (Vec{0, 2.9f, 0}));
}

}  // namespace
