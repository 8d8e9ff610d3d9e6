#pragma once
// Internal to the GL layer: what its GLU half needs from its OpenGL half.

#include "platform/web/gl/matrix.h"
#include "platform/web/gl/pictures.h"

#include <GL/gl.h>

namespace gllayer {

// The current matrix times m, as glMultMatrix (recorded into a display list being compiled).
void multiplyCurrentMatrix(const Matrix& m);
// Gives the bound texture this level (RGBA bytes).
void storeTextureLevel(GLint level, const Picture& picture);
GLint unpackAlignment();
void raiseError(GLenum error);

}  // namespace gllayer
