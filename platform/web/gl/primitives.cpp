#include "platform/web/gl/primitives.h"

namespace gllayer {

namespace {

constexpr std::uint8_t allEdges = 7;

void triangle(Pieces& out, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint8_t edges = allEdges) {
  out.triangles.push_back({{a, b, c}, edges});
}

// The quad a, b, c, d (in order round it) as two triangles, without their diagonal's edge.
void quad(Pieces& out, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
          QuadSplit split = QuadSplit::firstToThird) {
  if (split == QuadSplit::firstToThird) {
    triangle(out, a, b, c, 0b011);
    triangle(out, a, c, d, 0b110);
  } else {
    triangle(out, a, b, d, 0b101);
    triangle(out, b, c, d, 0b011);
  }
}

void line(Pieces& out, std::uint32_t a, std::uint32_t b) {
  out.lines.push_back(a);
  out.lines.push_back(b);
}

}  // namespace

void breakUp(GLenum mode, std::uint32_t first, std::uint32_t n, Pieces& out, QuadSplit split) {
  const std::uint32_t f = first;
  switch (mode) {
    case GL_POINTS:
      for (std::uint32_t i = 0; i < n; ++i) out.points.push_back(f + i);
      break;
    case GL_LINES:
      for (std::uint32_t i = 0; i + 1 < n; i += 2) line(out, f + i, f + i + 1);
      break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
      for (std::uint32_t i = 0; i + 1 < n; ++i) line(out, f + i, f + i + 1);
      if (mode == GL_LINE_LOOP && n > 2) line(out, f + n - 1, f);
      break;
    case GL_TRIANGLES:
      for (std::uint32_t i = 0; i + 2 < n; i += 3) triangle(out, f + i, f + i + 1, f + i + 2);
      break;
    case GL_TRIANGLE_STRIP:
      for (std::uint32_t i = 0; i + 2 < n; ++i) {
        const std::uint32_t odd = i & 1;
        triangle(out, f + i + odd, f + i + 1 - odd, f + i + 2);
      }
      break;
    case GL_TRIANGLE_FAN:
      for (std::uint32_t i = 1; i + 1 < n; ++i) triangle(out, f, f + i, f + i + 1);
      break;
    case GL_QUADS:
      for (std::uint32_t i = 0; i + 3 < n; i += 4) quad(out, f + i, f + i + 1, f + i + 2, f + i + 3, split);
      break;
    case GL_QUAD_STRIP:
      for (std::uint32_t i = 0; i + 3 < n; i += 2) quad(out, f + i, f + i + 1, f + i + 3, f + i + 2);
      break;
    case GL_POLYGON:
      for (std::uint32_t i = 1; i + 1 < n; ++i) {
        const std::uint8_t edges = (i == 1 ? 1 : 0) | 2 | (i + 2 == n ? 4 : 0);
        triangle(out, f, f + i, f + i + 1, edges);
      }
      break;
    default:
      break;
  }
}

void Indices::clear() {
  triangles.clear();
  lines.clear();
  points.clear();
}

void addTriangle(const Triangle& t, GLenum mode, Indices& out) {
  if (mode == GL_FILL) {
    out.triangles.insert(out.triangles.end(), t.v.begin(), t.v.end());
    return;
  }
  for (int k = 0; k < 3; ++k) {
    if (!(t.edges & (1 << k))) continue;
    if (mode == GL_LINE) {
      out.lines.push_back(t.v[k]);
      out.lines.push_back(t.v[(k + 1) % 3]);
    } else {
      out.points.push_back(t.v[k]);
    }
  }
}

void addPieces(const Pieces& pieces, GLenum mode, Indices& out) {
  for (const Triangle& t : pieces.triangles) addTriangle(t, mode, out);
  out.lines.insert(out.lines.end(), pieces.lines.begin(), pieces.lines.end());
  out.points.insert(out.points.end(), pieces.points.begin(), pieces.points.end());
}

bool windsCounterClockwise(const ClipPosition& a, const ClipPosition& b, const ClipPosition& c) {
  // The determinant of the rows (x, y, w): the screen area's sign times that of the three w, which
  // is the sign of the area of the triangle's visible part.
  const double det = double(a[0]) * (double(b[1]) * c[3] - double(c[1]) * b[3]) -
                     double(a[1]) * (double(b[0]) * c[3] - double(c[0]) * b[3]) +
                     double(a[3]) * (double(b[0]) * c[1] - double(c[0]) * b[1]);
  return det > 0;
}

}  // namespace gllayer
