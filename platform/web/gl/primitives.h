#pragma once
// Internal to the GL layer: OpenGL 1.1 primitives (glBegin's modes) broken into what OpenGL ES 3 draws,
// as the fixed-function pipeline breaks them. Polygons (triangles, strips, fans, quads, quad strips)
// become triangles carrying edge flags: a quad is (0, 1, 2) and (0, 2, 3) with the diagonal unflagged;
// an odd triangle of a strip has its first two vertices swapped so all keep one winding. In GL_LINE
// mode a triangle draws its flagged edges, in GL_POINT mode the vertex that starts each flagged edge,
// so every corner of a quad is drawn once. Lines, line strips, loops and points stay lines and points.
//
// Which polygon mode a triangle takes depends on its facing: the sign of its area on the screen,
// worked out from clip coordinates (x, y, w) so triangles partly behind the eye face the way their
// visible part does.

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

namespace gllayer {

struct Triangle {
  std::array<std::uint32_t, 3> v{};
  std::uint8_t edges = 7;  // bit k: the edge from v[k] to v[(k + 1) % 3] is a polygon's edge
};

// A primitive's pieces, as indices into the vertices it was given.
struct Pieces {
  std::vector<Triangle> triangles;
  std::vector<std::uint32_t> lines;  // pairs
  std::vector<std::uint32_t> points;
};

// Which diagonal splits a quad of GL_QUADS: it matters where the corners differ in colour or the quad
// is not flat. Mesa draws a quad as (0, 1, 2) and (0, 2, 3) when nothing in its draw needs clipping, as
// (0, 1, 3) and (1, 2, 3) when something does and always in a display list. A quad strip's quads are
// always split from their first corner to their third (0, 1, 3 and 0, 3, 2 of the strip's first four).
enum class QuadSplit { firstToThird, secondToFourth };

// Appends the pieces of `count` vertices starting at `first` drawn with glBegin(mode); an unknown mode
// or too few vertices add nothing.
void breakUp(GLenum mode, std::uint32_t first, std::uint32_t count, Pieces& out,
             QuadSplit split = QuadSplit::firstToThird);

// What OpenGL ES draws: triangles, line pairs and points, as indices.
struct Indices {
  std::vector<std::uint32_t> triangles;
  std::vector<std::uint32_t> lines;
  std::vector<std::uint32_t> points;

  void clear();
};

// Appends a triangle drawn in `mode` (GL_FILL, GL_LINE or GL_POINT).
void addTriangle(const Triangle& triangle, GLenum mode, Indices& out);
// Appends all pieces, every triangle in one polygon mode.
void addPieces(const Pieces& pieces, GLenum mode, Indices& out);

using ClipPosition = std::array<float, 4>;
// True if the triangle's corners, in clip coordinates, wind counter-clockwise on the screen.
bool windsCounterClockwise(const ClipPosition& a, const ClipPosition& b, const ClipPosition& c);

}  // namespace gllayer
