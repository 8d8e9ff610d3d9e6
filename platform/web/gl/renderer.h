#pragma once
// Internal to the GL layer: the OpenGL ES 3 side. One small shader program draws everything: position
// through one matrix (projection times modelview), colour clamped to [0, 1] per vertex as the
// fixed-function pipeline clamps it, times the texture's texel when texturing (GL_MODULATE), and a
// point size for GL_POINT; a point lights the pixel it falls in, as OpenGL's points do. Vertices either stream
// (glBegin/glEnd, uploaded per draw) or stay in a display list's buffers and are drawn again from there.
//
// A vertex may take its colour or texture coordinate from the current one at draw time rather than
// its own (`inherits`): a display list's vertices before the list sets that attribute.

#include "platform/web/gl/matrix.h"
#include "platform/web/gl/primitives.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace gllayer {

struct Vertex {
  std::array<float, 3> position{};
  std::array<float, 4> colour{};
  std::array<float, 2> texCoord{};
  std::array<float, 2> inherits{};  // 1: take the current colour, texture coordinate instead
};

struct DrawState {
  Matrix transform{};  // projection * modelview
  bool textured = false;
  float pointSize = 1;
  std::array<float, 4> colour{};
  std::array<float, 2> texCoord{};
  std::array<int, 4> viewport{};  // x, y, width, height

  bool operator==(const DrawState&) const = default;
};

// Where triangles, lines and points start in an element buffer, and how many indices each has.
struct IndexRanges {
  std::array<std::uint32_t, 3> first{};
  std::array<std::uint32_t, 3> count{};
};

// A display list's buffers on the GPU.
struct ListBuffers {
  GLuint vertexArray = 0;
  GLuint vertices = 0;
  GLuint elements = 0;
};

class Renderer {
 public:
  Renderer();
  ~Renderer() = default;  // the context owns the objects; deleteList frees a list's
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  void drawStreamed(const std::vector<Vertex>& vertices, const Indices& indices, const DrawState& state);

  // Uploads a list's vertices and its indices (all ranges of all its parts in one buffer).
  ListBuffers uploadList(const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices);
  void drawList(const ListBuffers& list, const IndexRanges& ranges, const DrawState& state);
  void deleteList(const ListBuffers& list);

 private:
  void use(const DrawState& state);
  void drawRanges(const IndexRanges& ranges);

  GLuint program_ = 0;
  GLint transform_ = -1, pointSize_ = -1, colour_ = -1, texCoord_ = -1, textured_ = -1, picture_ = -1;
  GLint pointInPixel_ = -1, viewport_ = -1;
  std::optional<DrawState> uniforms_;  // what the program's uniforms hold
  int pointInPixelValue_ = -1;
  GLuint streamArray_ = 0, streamVertices_ = 0, streamElements_ = 0;
  std::vector<std::uint32_t> streamIndices_;
};

// Appends the indices to `all` and says where each kind went.
IndexRanges appendIndices(const Indices& indices, std::vector<std::uint32_t>& all);

}  // namespace gllayer
