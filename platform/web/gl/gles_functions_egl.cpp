// The GL layer's function look-up on EGL (natively, on Mesa): every OpenGL ES 3 function by name.
#include "platform/web/gl/gles_functions.h"

#include <EGL/egl.h>

namespace gllayer {

void* lookGlesFunctionUp(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

}  // namespace gllayer
