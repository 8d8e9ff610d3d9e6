#pragma once
// Internal to the GL layer: texture pictures as OpenGL ES 3 takes them. Uploads arrive in OpenGL 1.1's
// formats (GL_BGRA above all, which OpenGL ES lacks) and leave as RGBA bytes; an internal format
// without alpha (3, GL_RGB) gets an opaque alpha, as OpenGL samples it. Mipmaps are made as GLU makes
// them for gluBuild2DMipmaps: each level halves the one before with a box filter, rounding to nearest.

#include <GL/gl.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace gllayer {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4, bottom row first as OpenGL has it
};

// The pixels of glTexImage2D as RGBA, or nothing for a format or type the layer does not take (it
// takes GL_BGRA, GL_RGBA, GL_RGB, GL_BGR and GL_LUMINANCE of GL_UNSIGNED_BYTE). Rows of `pixels` are
// padded to `unpackAlignment` bytes.
std::optional<Picture> toRgba(int width, int height, GLenum format, GLenum type, const void* pixels,
                              int unpackAlignment, GLint internalFormat);

// True for the internal formats the layer keeps alpha for (4, GL_RGBA, GL_RGBA8 ...).
bool keepsAlpha(GLint internalFormat);

// The next mipmap level: half the width and height (at least 1), each pixel the rounded mean of the
// two or four it covers.
Picture halve(const Picture& picture);

// RGBA rows read back, repacked as GL_RGBA, GL_RGB or GL_BGRA with rows padded to `packAlignment`.
void packPixels(const std::uint8_t* rgba, int width, int height, GLenum format, int packAlignment, std::uint8_t* out);

}  // namespace gllayer
