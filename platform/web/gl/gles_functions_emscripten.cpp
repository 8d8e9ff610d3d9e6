// The GL layer's function look-up in the browser: emscripten's WebGL 2 functions by their GL names.
#include "platform/web/gl/gles_functions.h"

#include <emscripten/html5_webgl.h>

namespace gllayer {

void* lookGlesFunctionUp(const char* name) { return emscripten_webgl_get_proc_address(name); }

}  // namespace gllayer
