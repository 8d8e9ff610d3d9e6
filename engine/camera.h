#pragma once
// The demo's one camera and the small maths helpers.
//
// The camera holds eye, centre and up (nine floats). applyCamera rebuilds the projection from scratch:
// a fixed perspective (45 degrees vertical, aspect 4/3 whatever the window, near 0.1, far 100) with the
// look-at view on the projection matrix, then leaves the modelview matrix at the identity. setCamera
// only stores values; nothing changes on screen until the next applyCamera.
//
// triangleNormal writes the unit normal of a triangle (single precision) into lastNormal, which the
// caller reads before the next call; a degenerate triangle gives the zero vector.

namespace engine {

struct Camera {
  float eyeX, eyeY, eyeZ;
  float centreX, centreY, centreZ;
  float upX, upY, upZ;
};

struct Vector3 {
  float x, y, z;
};

extern Vector3 lastNormal;

Camera* initCamera(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ, float upX,
                   float upY, float upZ);
void setCamera(Camera* camera, float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
               float upX, float upY, float upZ);
void applyCamera(const Camera* camera);
void doneCamera(Camera* camera);  // loads the default view (eye at 0, looking down -z), frees the camera

void triangleNormal(float x1, float y1, float z1, float x2, float y2, float z2, float x3, float y3, float z3);
double degToRad(double degrees);

}  // namespace engine
