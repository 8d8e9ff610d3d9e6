#pragma once
// Internal to the GL layer: 4 x 4 matrices as OpenGL 1.1 keeps them (single precision, column-major:
// element (row, column) at [column * 4 + row]), with the products and the transformations of glRotate,
// glOrtho, glFrustum, gluPerspective and gluLookAt computed in the order and precision the reference
// implementations use, so the layer's vertices land where the fixed-function pipeline puts them. The
// sines and cosines come from our own maths library (the same bits on every machine).

#include <array>

namespace gllayer {

using Matrix = std::array<float, 16>;

Matrix identity();
// a * b: b applied first.
Matrix multiply(const Matrix& a, const Matrix& b);
// The matrix given as doubles (glMultMatrixd, GLU's matrices), each rounded to single precision.
Matrix fromDoubles(const double* m);

Matrix translation(float x, float y, float z);
Matrix scaling(float x, float y, float z);
// A turn of `degrees` about the axis (x, y, z), which need not be a unit vector; identity for an axis
// shorter than 1e-4.
Matrix rotation(float degrees, float x, float y, float z);
Matrix ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane);
Matrix frustum(float left, float right, float bottom, float top, float nearPlane, float farPlane);
// GLU's projection and viewing matrices; perspective is identity when it would divide by zero.
Matrix perspective(double fieldOfViewDegrees, double aspect, double nearPlane, double farPlane);
Matrix lookAt(const double eye[3], const double centre[3], const double up[3]);

// The homogeneous image of (x, y, z, 1).
std::array<float, 4> transform(const Matrix& m, float x, float y, float z);

}  // namespace gllayer
