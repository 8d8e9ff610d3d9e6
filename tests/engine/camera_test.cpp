#include "engine/camera.h"

#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

TEST(Camera, DefaultViewMatchesTheViewDoneCameraRestores) {
  glrec::reset();
  engine::Camera* camera = engine::initCamera(0, 0, 0, 0, 0, -1, 0, 1, 0);
  const std::vector<glrec::Call> applied = glrec::calls();
  EXPECT_EQ(glrec::state().matrixMode, static_cast<GLenum>(GL_MODELVIEW));

  glrec::reset();
  engine::doneCamera(camera);
  EXPECT_EQ(glrec::calls(), applied);

  const std::vector<glrec::Call> expected{
      {"glMatrixMode", {GL_PROJECTION}},
      {"glLoadIdentity", {}},
      {"gluPerspective", {45, 1.3333333333333333, 0.1, 100}},
      {"gluLookAt", {0, 0, 0, 0, 0, -1, 0, 1, 0}},
      {"glMatrixMode", {GL_MODELVIEW}},
      {"glLoadIdentity", {}},
  };
  EXPECT_EQ(applied, expected);
}

TEST(Camera, SetCameraTouchesNoStateAndApplyWidensTheStoredValues) {
  engine::Camera camera{};
  glrec::reset();
  engine::setCamera(&camera, 0.1f, 2, 3, 4, 5, 6, 0, 1, 0);
  EXPECT_TRUE(glrec::calls().empty());
  engine::applyCamera(&camera);
  const auto lookAt = glrec::callsNamed("gluLookAt");
  ASSERT_EQ(lookAt.size(), 1u);
  EXPECT_EQ(lookAt[0].args[0], static_cast<double>(0.1f));  // widened from single precision, not 0.1
  EXPECT_EQ(lookAt[0].args[5], 6.0);
  EXPECT_EQ(glrec::calls().back().name, "glLoadIdentity");
}

TEST(TriangleNormal, UnitNormalTowardsTheViewerAndZeroForDegenerateTriangles) {
  engine::triangleNormal(0, 0, 0, 1, 0, 0, 0, 1, 0);
  EXPECT_FLOAT_EQ(engine::lastNormal.x, 0);
  EXPECT_FLOAT_EQ(engine::lastNormal.y, 0);
  EXPECT_FLOAT_EQ(engine::lastNormal.z, 1);

  engine::triangleNormal(0, 0, 0, 0, 3, 0, 3, 0, 0);  // clockwise: away from the viewer, still unit length
  EXPECT_FLOAT_EQ(engine::lastNormal.z, -1);

  engine::triangleNormal(2, 2, 2, 2, 2, 2, 2, 2, 2);
  EXPECT_EQ(engine::lastNormal.x, 0);
  EXPECT_EQ(engine::lastNormal.y, 0);
  EXPECT_EQ(engine::lastNormal.z, 0);
}

TEST(DegToRad, ConvertsDegreesToRadians) {
  EXPECT_EQ(engine::degToRad(180), std::numbers::pi);
  EXPECT_EQ(engine::degToRad(-90), -std::numbers::pi / 2);
  EXPECT_EQ(engine::degToRad(0), 0.0);
}

}  // namespace
