#include "platform/web/gl/gles_functions.h"

#include <cstdio>
#include <cstdlib>

namespace gllayer {

namespace {

template <typename Pointer>
void fill(Pointer& pointer, const char* name) {
  pointer = reinterpret_cast<Pointer>(lookGlesFunctionUp(name));
  if (!pointer) {
    std::fprintf(stderr, "GL layer: the OpenGL ES 3 function %s is missing\n", name);
    std::abort();
  }
}

GlesFunctions load() {
  GlesFunctions table;
#define VELMORROW_GLES_FILL(name) fill(table.name, "gl" #name);
  VELMORROW_GLES_FUNCTIONS(VELMORROW_GLES_FILL)
#undef VELMORROW_GLES_FILL
  return table;
}

}  // namespace

const GlesFunctions& gles() {
  static const GlesFunctions table = load();
  return table;
}

}  // namespace gllayer
