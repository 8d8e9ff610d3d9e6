#include "platform/web/gl/renderer.h"

#include "platform/web/gl/gles_functions.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace gllayer {

namespace {

constexpr const char* vertexSource = R"(#version 300 es
uniform mat4 transform;
uniform float pointSize;
uniform vec4 currentColour;
uniform vec2 currentTexCoord;
uniform bool pointInPixel;
uniform vec4 viewport;
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec2 inherits;
out vec4 vertexColour;
out vec2 vertexTexCoord;
void main() {
  gl_Position = transform * vec4(position, 1.0);
  gl_PointSize = pointSize;
  if (pointInPixel) {
    // A point lights the pixel it falls in, as OpenGL's points do (a sprite would take the one whose
    // centre is nearest, up and left on a tie).
    vec2 halfSize = viewport.zw * 0.5;
    vec2 centre = floor(gl_Position.xy / gl_Position.w * halfSize + halfSize + viewport.xy) + 0.5;
    gl_Position.xy = (centre - viewport.xy - halfSize) / halfSize * gl_Position.w;
  }
  vertexColour = clamp(inherits.x > 0.5 ? currentColour : colour, 0.0, 1.0);
  vertexTexCoord = inherits.y > 0.5 ? currentTexCoord : texCoord;
}
)";

constexpr const char* fragmentSource = R"(#version 300 es
precision highp float;
uniform sampler2D picture;
uniform bool textured;
in vec4 vertexColour;
in vec2 vertexTexCoord;
out vec4 fragmentColour;
void main() {
  fragmentColour = textured ? vertexColour * texture(picture, vertexTexCoord) : vertexColour;
}
)";

[[noreturn]] void fail(const char* what, const char* log) {
  std::fprintf(stderr, "GL layer: %s failed: %s\n", what, log);
  std::abort();
}

// Fails with the driver's log when a shader or program's status (compile or link) is not GL_TRUE.
template <class GetStatus, class GetLog>
void requireStatus(GLuint object, GLenum status, GetStatus getStatus, GetLog getLog, const char* what) {
  GLint ok = 0;
  getStatus(object, status, &ok);
  if (!ok) {
    char log[1024] = "";
    getLog(object, sizeof log, nullptr, log);
    fail(what, log);
  }
}

GLuint compile(GLenum kind, const char* source) {
  const GlesFunctions& g = gles();
  const GLuint shader = g.CreateShader(kind);
  g.ShaderSource(shader, 1, &source, nullptr);
  g.CompileShader(shader);
  requireStatus(shader, GL_COMPILE_STATUS, g.GetShaderiv, g.GetShaderInfoLog, "compiling a shader");
  return shader;
}

GLuint link() {
  const GlesFunctions& g = gles();
  const GLuint program = g.CreateProgram();
  const GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource);
  const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
  g.AttachShader(program, vertex);
  g.AttachShader(program, fragment);
  g.LinkProgram(program);
  requireStatus(program, GL_LINK_STATUS, g.GetProgramiv, g.GetProgramInfoLog, "linking the shaders");
  g.DeleteShader(vertex);
  g.DeleteShader(fragment);
  return program;
}

// The vertex layout, for the bound vertex array and array buffer.
void describeVertices() {
  const GlesFunctions& g = gles();
  const auto attribute = [&g](GLuint index, GLint size, std::size_t offset) {
    g.EnableVertexAttribArray(index);
    g.VertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(offset));
  };
  attribute(0, 3, offsetof(Vertex, position));
  attribute(1, 4, offsetof(Vertex, colour));
  attribute(2, 2, offsetof(Vertex, texCoord));
  attribute(3, 2, offsetof(Vertex, inherits));
}

ListBuffers makeBuffers() {
  const GlesFunctions& g = gles();
  ListBuffers b;
  g.GenVertexArrays(1, &b.vertexArray);
  g.GenBuffers(1, &b.vertices);
  g.GenBuffers(1, &b.elements);
  g.BindVertexArray(b.vertexArray);
  g.BindBuffer(GL_ARRAY_BUFFER, b.vertices);
  g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.elements);
  describeVertices();
  return b;
}

}  // namespace

IndexRanges appendIndices(const Indices& indices, std::vector<std::uint32_t>& all) {
  IndexRanges ranges;
  const std::vector<std::uint32_t>* kinds[3] = {&indices.triangles, &indices.lines, &indices.points};
  for (int k = 0; k < 3; ++k) {
    ranges.first[k] = static_cast<std::uint32_t>(all.size());
    ranges.count[k] = static_cast<std::uint32_t>(kinds[k]->size());
    all.insert(all.end(), kinds[k]->begin(), kinds[k]->end());
  }
  return ranges;
}

Renderer::Renderer() {
  const GlesFunctions& g = gles();
  program_ = link();
  transform_ = g.GetUniformLocation(program_, "transform");
  pointSize_ = g.GetUniformLocation(program_, "pointSize");
  colour_ = g.GetUniformLocation(program_, "currentColour");
  texCoord_ = g.GetUniformLocation(program_, "currentTexCoord");
  textured_ = g.GetUniformLocation(program_, "textured");
  pointInPixel_ = g.GetUniformLocation(program_, "pointInPixel");
  viewport_ = g.GetUniformLocation(program_, "viewport");
  picture_ = g.GetUniformLocation(program_, "picture");
  const ListBuffers stream = makeBuffers();
  streamArray_ = stream.vertexArray;
  streamVertices_ = stream.vertices;
  streamElements_ = stream.elements;
}

void Renderer::use(const DrawState& state) {
  const GlesFunctions& g = gles();
  g.UseProgram(program_);
  if (uniforms_ == state) return;
  uniforms_ = state;
  g.UniformMatrix4fv(transform_, 1, GL_FALSE, state.transform.data());
  g.Uniform1f(pointSize_, state.pointSize);
  g.Uniform4f(colour_, state.colour[0], state.colour[1], state.colour[2], state.colour[3]);
  g.Uniform2f(texCoord_, state.texCoord[0], state.texCoord[1]);
  g.Uniform1i(textured_, state.textured ? 1 : 0);
  g.Uniform1i(picture_, 0);
  const auto& v = state.viewport;
  g.Uniform4f(viewport_, float(v[0]), float(v[1]), float(v[2]), float(v[3]));
}

void Renderer::drawRanges(const IndexRanges& ranges) {
  static constexpr GLenum modes[3] = {GL_TRIANGLES, GL_LINES, GL_POINTS};
  for (int k = 0; k < 3; ++k) {
    if (ranges.count[k] == 0) continue;
    const int pointInPixel = modes[k] == GL_POINTS ? 1 : 0;
    if (pointInPixel != pointInPixelValue_) gles().Uniform1i(pointInPixel_, pointInPixelValue_ = pointInPixel);
    gles().DrawElements(modes[k], static_cast<GLsizei>(ranges.count[k]), GL_UNSIGNED_INT,
                        reinterpret_cast<const void*>(std::size_t(ranges.first[k]) * sizeof(std::uint32_t)));
  }
}

void Renderer::drawStreamed(const std::vector<Vertex>& vertices, const Indices& indices, const DrawState& state) {
  if (vertices.empty()) return;
  const GlesFunctions& g = gles();
  streamIndices_.clear();
  const IndexRanges ranges = appendIndices(indices, streamIndices_);
  if (streamIndices_.empty()) return;
  use(state);
  g.BindVertexArray(streamArray_);
  g.BindBuffer(GL_ARRAY_BUFFER, streamVertices_);
  g.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
               GL_STREAM_DRAW);
  g.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamIndices_.size() * sizeof(std::uint32_t)),
               streamIndices_.data(), GL_STREAM_DRAW);
  drawRanges(ranges);
  g.BindVertexArray(0);
}

ListBuffers Renderer::uploadList(const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices) {
  const GlesFunctions& g = gles();
  const ListBuffers list = makeBuffers();
  g.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
               GL_STATIC_DRAW);
  g.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)), indices.data(),
               GL_STATIC_DRAW);
  g.BindVertexArray(0);
  return list;
}

void Renderer::drawList(const ListBuffers& list, const IndexRanges& ranges, const DrawState& state) {
  use(state);
  gles().BindVertexArray(list.vertexArray);
  drawRanges(ranges);
  gles().BindVertexArray(0);
}

void Renderer::deleteList(const ListBuffers& list) {
  const GlesFunctions& g = gles();
  g.DeleteVertexArrays(1, &list.vertexArray);
  g.DeleteBuffers(1, &list.vertices);
  g.DeleteBuffers(1, &list.elements);
}

}  // namespace gllayer
