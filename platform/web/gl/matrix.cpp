#include "platform/web/gl/matrix.h"

#include "maths/maths.h"

#include <cmath>

namespace gllayer {

namespace {

constexpr double pi = 3.14159265358979323846;

float& at(Matrix& m, int row, int column) { return m[column * 4 + row]; }
float at(const Matrix& m, int row, int column) { return m[column * 4 + row]; }

void normalise(float v[3]) {
  const float length = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
  if (length == 0) return;
  for (int i = 0; i < 3; ++i) v[i] /= length;
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

Matrix identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix p{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      at(p, row, column) = at(a, row, 0) * at(b, 0, column) + at(a, row, 1) * at(b, 1, column) +
                           at(a, row, 2) * at(b, 2, column) + at(a, row, 3) * at(b, 3, column);
    }
  }
  return p;
}

Matrix fromDoubles(const double* m) {
  Matrix out{};
  for (int i = 0; i < 16; ++i) out[i] = static_cast<float>(m[i]);
  return out;
}

// Column by column, as GL stores matrices.
Matrix translation(float x, float y, float z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }
Matrix scaling(float x, float y, float z) { return {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}; }

Matrix rotation(float degrees, float x, float y, float z) {
  const double radians = degrees * pi / 180.0;
  const auto s = static_cast<float>(maths::sin(radians));
  const auto c = static_cast<float>(maths::cos(radians));
  const auto length = static_cast<float>(std::sqrt(x * x + y * y + z * z));
  Matrix m = identity();
  if (length <= 1.0e-4F) return m;
  x /= length;
  y /= length;
  z /= length;
  const float oneMinusC = 1.0F - c;
  at(m, 0, 0) = (oneMinusC * (x * x)) + c;
  at(m, 0, 1) = (oneMinusC * (x * y)) - z * s;
  at(m, 0, 2) = (oneMinusC * (z * x)) + y * s;
  at(m, 1, 0) = (oneMinusC * (x * y)) + z * s;
  at(m, 1, 1) = (oneMinusC * (y * y)) + c;
  at(m, 1, 2) = (oneMinusC * (y * z)) - x * s;
  at(m, 2, 0) = (oneMinusC * (z * x)) - y * s;
  at(m, 2, 1) = (oneMinusC * (y * z)) + x * s;
  at(m, 2, 2) = (oneMinusC * (z * z)) + c;
  return m;
}

Matrix ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane) {
  Matrix m = identity();
  at(m, 0, 0) = 2.0F / (right - left);
  at(m, 0, 3) = -(right + left) / (right - left);
  at(m, 1, 1) = 2.0F / (top - bottom);
  at(m, 1, 3) = -(top + bottom) / (top - bottom);
  at(m, 2, 2) = -2.0F / (farPlane - nearPlane);
  at(m, 2, 3) = -(farPlane + nearPlane) / (farPlane - nearPlane);
  return m;
}

Matrix frustum(float left, float right, float bottom, float top, float nearPlane, float farPlane) {
  Matrix m{};
  at(m, 0, 0) = (2.0F * nearPlane) / (right - left);
  at(m, 0, 2) = (right + left) / (right - left);
  at(m, 1, 1) = (2.0F * nearPlane) / (top - bottom);
  at(m, 1, 2) = (top + bottom) / (top - bottom);
  at(m, 2, 2) = -(farPlane + nearPlane) / (farPlane - nearPlane);
  at(m, 2, 3) = -(2.0F * farPlane * nearPlane) / (farPlane - nearPlane);
  at(m, 3, 2) = -1.0F;
  return m;
}

Matrix perspective(double fieldOfViewDegrees, double aspect, double nearPlane, double farPlane) {
  const double radians = fieldOfViewDegrees / 2 * pi / 180;
  const double depth = farPlane - nearPlane;
  const double sine = maths::sin(radians);
  if (depth == 0 || sine == 0 || aspect == 0) return identity();
  const double cotangent = maths::cos(radians) / sine;
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  m[0] = cotangent / aspect;
  m[5] = cotangent;
  m[10] = -(farPlane + nearPlane) / depth;
  m[11] = -1;
  m[14] = -2 * nearPlane * farPlane / depth;
  m[15] = 0;
  return fromDoubles(m);
}

Matrix lookAt(const double eye[3], const double centre[3], const double up[3]) {
  float forward[3], side[3], upward[3];
  for (int i = 0; i < 3; ++i) {
    forward[i] = static_cast<float>(centre[i] - eye[i]);
    upward[i] = static_cast<float>(up[i]);
  }
  normalise(forward);
  cross(forward, upward, side);
  normalise(side);
  cross(side, forward, upward);
  Matrix m = identity();
  for (int i = 0; i < 3; ++i) {
    at(m, 0, i) = side[i];
    at(m, 1, i) = upward[i];
    at(m, 2, i) = -forward[i];
  }
  return multiply(m,
                  translation(static_cast<float>(-eye[0]), static_cast<float>(-eye[1]), static_cast<float>(-eye[2])));
}

std::array<float, 4> transform(const Matrix& m, float x, float y, float z) {
  std::array<float, 4> out{};
  for (int row = 0; row < 4; ++row) {
    out[row] = at(m, row, 0) * x + at(m, row, 1) * y + at(m, row, 2) * z + at(m, row, 3);
  }
  return out;
}

}  // namespace gllayer
