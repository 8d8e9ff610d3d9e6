#pragma once
// The GL call recorder: every OpenGL 1.1 and GLU entry point the program uses, defined here instead of
// in libGL/libGLU, so a test linked against this library sees the exact calls a procedure makes, in
// order, with their arguments widened to double. Beside the list it keeps the little state tests ask
// about (enabled capabilities, the blend function, the matrix mode, polygon modes, bound texture).
//
// Object names come from counters (textures from 1, display lists from 1, quadrics from 1). Queries
// (glGet*) answer zeros. glTexImage2D and gluBuild2DMipmaps keep a copy of the pixels they were given.

#include <GL/gl.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace glrec {

struct Call {
  std::string name;
  std::vector<double> args;

  bool operator==(const Call& other) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& call);

struct TextureUpload {
  std::string via;  // "glTexImage2D" or "gluBuild2DMipmaps"
  int width = 0;
  int height = 0;
  int components = 0;
  unsigned format = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes for GL_BGRA
};

struct State {
  std::map<GLenum, bool> enabled;
  GLenum blendSource = GL_ONE;
  GLenum blendDestination = GL_ZERO;
  GLenum matrixMode = GL_MODELVIEW;
  GLenum polygonModeFront = GL_FILL;
  GLenum polygonModeBack = GL_FILL;
  GLuint boundTexture = 0;
  int projectionDepth = 0;  // glPushMatrix minus glPopMatrix on each stack
  int modelviewDepth = 0;
};

// Forget every recorded call and reset the state and name counters.
void reset();
// Forget the recorded calls and uploads only; state and name counters carry on.
void clearCalls();

const std::vector<Call>& calls();
const State& state();
const std::vector<TextureUpload>& uploads();

bool isEnabled(GLenum capability);
// The calls with this name, in order.
std::vector<Call> callsNamed(const std::string& name);
std::size_t count(const std::string& name);
// The calls from the first call named `from` on (all calls if there is none).
std::vector<Call> callsFrom(const std::string& from);
// The names only, in order: a compact view for sequence assertions.
std::vector<std::string> names();

// Used by the recorded entry points.
void record(const char* name, std::initializer_list<double> args);

}  // namespace glrec
