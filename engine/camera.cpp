#include "engine/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <new>

namespace engine {

Vector3 lastNormal{0.0f, 0.0f, 0.0f};

namespace {

constexpr double fieldOfView = 45.0;
constexpr double aspect = 1.3333333333333333;
constexpr double nearPlane = 0.1;
constexpr double farPlane = 100.0;

void loadView(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
              double upY, double upZ) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fieldOfView, aspect, nearPlane, farPlane);
  gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

Camera* initCamera(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ, float upX,
                   float upY, float upZ) {
  auto* camera = new (std::nothrow) Camera{};
  if (!camera) return nullptr;
  setCamera(camera, eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
  applyCamera(camera);
  return camera;
}

void setCamera(Camera* camera, float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
               float upX, float upY, float upZ) {
  *camera = Camera{eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ};
}

void applyCamera(const Camera* camera) {
  const Camera& c = *camera;
  loadView(c.eyeX, c.eyeY, c.eyeZ, c.centreX, c.centreY, c.centreZ, c.upX, c.upY, c.upZ);
}

void doneCamera(Camera* camera) {
  loadView(0, 0, 0, 0, 0, -1, 0, 1, 0);
  delete camera;
}

void triangleNormal(float x1, float y1, float z1, float x2, float y2, float z2, float x3, float y3, float z3) {
  const float ax = x1 - x2, ay = y1 - y2, az = z1 - z2;
  const float bx = x2 - x3, by = y2 - y3, bz = z2 - z3;
  lastNormal = Vector3{ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
  float length = std::sqrt(lastNormal.x * lastNormal.x + lastNormal.y * lastNormal.y + lastNormal.z * lastNormal.z);
  if (length == 0.0f) length = 1.0f;
  lastNormal.x /= length;
  lastNormal.y /= length;
  lastNormal.z /= length;
}

double degToRad(double degrees) {
  const double pi = 3.141592653589793;
  return degrees * pi / 180.0;
}

}  // namespace engine
