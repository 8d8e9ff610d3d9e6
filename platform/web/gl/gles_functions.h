#pragma once
// Internal to the GL layer: the OpenGL ES 3 (WebGL 2) functions the layer draws with, reached through
// a table of pointers filled by name. The layer defines glBindTexture, glClear and the other OpenGL 1.1
// names itself, so it can never call the real ones by those names: it calls gles().BindTexture(...).
//
// The table is filled on first use, with a context current, by the backend's lookGlesFunctionUp
// (eglGetProcAddress natively, emscripten_webgl_get_proc_address in the browser). A function the
// backend cannot find ends the program with a message naming it: the layer cannot draw without it.

// The library is compiled with GL_GLEXT_PROTOTYPES: GL/gl.h then declares the OpenGL ES 3 functions too,
// which gives the table its pointer types (declarations only: nothing links them).
#include <GL/gl.h>

#define VELMORROW_GLES_FUNCTIONS(X) \
  X(AttachShader)                   \
  X(BindBuffer)                     \
  X(BindTexture)                    \
  X(BindVertexArray)                \
  X(BlendFunc)                      \
  X(BufferData)                     \
  X(Clear)                          \
  X(ClearColor)                     \
  X(ClearDepthf)                    \
  X(ColorMask)                      \
  X(CompileShader)                  \
  X(CreateProgram)                  \
  X(CreateShader)                   \
  X(CullFace)                       \
  X(DeleteBuffers)                  \
  X(DeleteShader)                   \
  X(DeleteTextures)                 \
  X(DeleteVertexArrays)             \
  X(DepthFunc)                      \
  X(DepthMask)                      \
  X(Disable)                        \
  X(DrawElements)                   \
  X(Enable)                         \
  X(EnableVertexAttribArray)        \
  X(Finish)                         \
  X(Flush)                          \
  X(FrontFace)                      \
  X(GenBuffers)                     \
  X(GenTextures)                    \
  X(GenVertexArrays)                \
  X(GetError)                       \
  X(GetFloatv)                      \
  X(GetIntegerv)                    \
  X(GetProgramiv)                   \
  X(GetProgramInfoLog)              \
  X(GetShaderiv)                    \
  X(GetShaderInfoLog)               \
  X(GetString)                      \
  X(GetUniformLocation)             \
  X(LineWidth)                      \
  X(LinkProgram)                    \
  X(PixelStorei)                    \
  X(ReadPixels)                     \
  X(Scissor)                        \
  X(ShaderSource)                   \
  X(TexImage2D)                     \
  X(TexParameterf)                  \
  X(TexParameteri)                  \
  X(Uniform1f)                      \
  X(Uniform1i)                      \
  X(Uniform2f)                      \
  X(Uniform4f)                      \
  X(UniformMatrix4fv)               \
  X(UseProgram)                     \
  X(VertexAttribPointer)            \
  X(Viewport)

namespace gllayer {

struct GlesFunctions {
#define VELMORROW_GLES_MEMBER(name) decltype(&gl##name) name = nullptr;
  VELMORROW_GLES_FUNCTIONS(VELMORROW_GLES_MEMBER)
#undef VELMORROW_GLES_MEMBER
};

// The table, filled on the first call.
const GlesFunctions& gles();

// The backend's look-up: the address of the OpenGL ES 3 function of this name ("glBindTexture"), or
// nullptr.
void* lookGlesFunctionUp(const char* name);

}  // namespace gllayer
