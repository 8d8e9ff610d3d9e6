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
using Tex = std::array<double, 2>;

// One glBegin ... glEnd group of a compiled list: its vertices with the texture coordinate and the
// normal current at each, and the vertex index each glNormal3f precedes.
struct Group {
  GLenum mode = 0;
  std::vector<Vec> vertices;
  std::vector<Tex> tex;
  std::vector<Vec> normals;
  std::vector<int> normalBefore;
};

// The groups between glNewList(list) and its glEndList; anything but drawing calls fails the test.
std::vector<Group> groupsOf(std::uint32_t list) {
  const auto& calls = glrec::calls();
  auto it = std::find(calls.begin(), calls.end(), Call{"glNewList", {double(list), GL_COMPILE}});
  EXPECT_NE(it, calls.end()) << "list " << list << " was not compiled";
  std::vector<Group> groups;
  Vec normal{};
  Tex tex{};
  for (++it; it < calls.end() && it->name != "glEndList"; ++it) {
    const auto& a = it->args;
    if (it->name == "glBegin") {
      groups.push_back(Group{static_cast<GLenum>(a[0]), {}, {}, {}, {}});
    } else if (it->name == "glNormal3f") {
      normal = {a[0], a[1], a[2]};
      groups.back().normalBefore.push_back(static_cast<int>(groups.back().vertices.size()));
    } else if (it->name == "glTexCoord2f") {
      tex = {a[0], a[1]};
    } else if (it->name == "glVertex3f") {
      EXPECT_EQ((it - 1)->name, "glTexCoord2f");
      groups.back().vertices.push_back({a[0], a[1], a[2]});
      groups.back().tex.push_back(tex);
      groups.back().normals.push_back(normal);
    } else {
      EXPECT_EQ(it->name, "glEnd") << "list " << list;
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

TEST_F(DisplayLists, HoldSixteenQuadsAndFourTrianglesThreeFansAndTwoThousandBlades) {
  EXPECT_EQ(glrec::count("glGenLists"), 3u);
  const auto plant = groupsOf(scenes::plantList);
  ASSERT_EQ(plant.size(), 2u);
  EXPECT_EQ(plant[0].mode, static_cast<GLenum>(GL_QUADS));
  EXPECT_EQ(plant[0].vertices.size(), 16u * 4u);
  EXPECT_EQ(plant[1].mode, static_cast<GLenum>(GL_TRIANGLES));
  EXPECT_EQ(plant[1].vertices.size(), 4u * 3u);

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
}

TEST_F(DisplayLists, TwoRunsFromTheSameRandomStateRecordTheSameLists) {
  const std::vector<Call> first = glrec::calls();
  glrec::reset();
  scenes::resetRandom();
  scenes::prepareScenes();
  EXPECT_EQ(glrec::calls(), first);
}

TEST_F(DisplayLists, DrawSixPlantOffsetsThenSixNumbersPerBladeInOrder) {
  // Replay the generator: the plant's six offsets, then per blade x, z, height, the normal's tip and
  // the two tip corners.
  const double next = scenes::randomUnit();
  scenes::resetRandom();
  for (int k = 0; k < 6; ++k) scenes::randomInt(10);
  const auto grass = groupsOf(scenes::grassList)[0];
  const auto tipZ = [](double z) { return float(z - 0.01 + scenes::randomInt(10) / 50.0 - 0.1); };
  for (int blade = 0; blade < 2000; ++blade) {
    const double x = scenes::randomInt(300) / 10.0 - 15;
    const double z = scenes::randomInt(300) / 10.0 - 15;
    const double h = scenes::randomInt(400) / 400.0 + 0.1;
    const float normalTipZ = tipZ(z), rightTipZ = tipZ(z), leftTipZ = tipZ(z);
    const std::vector<Vec> expected{{float(x - 0.04), 0, float(z - 0.04)},
                                    {float(x + 0.04), 0, float(z - 0.04)},
                                    {float(x + 0.01), float(h), rightTipZ},
                                    {float(x - 0.01), float(h), leftTipZ}};
    ASSERT_EQ(std::vector<Vec>(&grass.vertices[4 * blade], &grass.vertices[4 * blade + 4]), expected) << blade;
    ASSERT_EQ(grass.normals[4 * blade], unitNormal(expected[0], expected[1], {float(x + 0.01), float(h), normalTipZ}));
    ASSERT_EQ(grass.normalBefore[blade], 4 * blade);
  }
  EXPECT_EQ(scenes::randomUnit(), next) << "prepareScenes drew more or fewer numbers";
  EXPECT_EQ(grass.tex[2], (Tex{1, 0}));
}

TEST_F(DisplayLists, StalkRisesFromTheFootSquareToTheTopSquareWhateverTheBend) {
  const auto quads = groupsOf(scenes::plantList)[0];
  for (int face = 0; face < 12; ++face) {
    const Vec& lower = quads.vertices[4 * face];
    const Vec& upper = quads.vertices[4 * face + 2];
    if (face < 4) {  // the first segment starts on the foot square
      EXPECT_EQ(lower[1], 0);
      EXPECT_FLOAT_EQ(std::abs(lower[0]), 0.05f);
      EXPECT_FLOAT_EQ(std::abs(lower[2]), 0.05f);
    }
    if (face >= 8) {  // the last one ends on the top square around (0, 3, 0)
      EXPECT_EQ(upper[1], 3);
      EXPECT_FLOAT_EQ(std::abs(upper[0]), 0.03f);
      EXPECT_FLOAT_EQ(std::abs(upper[2]), 0.03f);
    } else {  // the inner sections move by at most 0.1 per axis
      EXPECT_LE(std::abs(upper[1] - (face < 4 ? 1 : 2)), 0.1 + 1e-6);
      EXPECT_LE(std::abs(upper[0]), 0.15 + 1e-6);
    }
  }
}

TEST_F(DisplayLists, NormalsArePerFaceAndPerTriangleInTheFans) {
  for (const Group& group : groupsOf(scenes::plantList)) {
    const int corners = group.mode == GL_QUADS ? 4 : 3;
    const auto& v = group.vertices;
    for (std::size_t first = 0; first < v.size(); first += corners) {
      EXPECT_EQ(group.normals[first], unitNormal(v[first], v[first + 1], v[first + 2])) << first;
    }
    EXPECT_EQ(group.normalBefore.size(), v.size() / corners);
  }
  for (const Group& fan : groupsOf(scenes::blossomList)) {
    const auto& v = fan.vertices;
    std::vector<int> expectedBefore{0};
    for (int k = 3; k < static_cast<int>(v.size()); ++k) expectedBefore.push_back(k);
    EXPECT_EQ(fan.normalBefore, expectedBefore);
    EXPECT_EQ(fan.normals[0], unitNormal(v[0], v[1], v[2]));
    for (std::size_t k = 3; k < v.size(); ++k) EXPECT_EQ(fan.normals[k], unitNormal(v[k - 2], v[k - 1], v[k]));
    EXPECT_EQ(fan.tex[0], (Tex{1, 0}));
    EXPECT_EQ(fan.tex[1], (Tex{0, 0}));
    EXPECT_EQ(fan.tex.back(), (Tex{0, 1}));
  }
}

}  // namespace
