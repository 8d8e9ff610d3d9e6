// The OpenGL 1.1 half of the GL layer: state, immediate mode, matrices, textures, display lists, and
// the calls passed on to OpenGL ES.
#include "platform/web/gl/gl_layer.h"

#include "platform/web/gl/gles_functions.h"
#include "platform/web/gl/layer_internal.h"
#include "platform/web/gl/renderer.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace gllayer {

namespace {

constexpr std::size_t maxStackDepth = 32;
constexpr int maxListNesting = 64;

struct Attributes {
  std::array<float, 4> colour{1, 1, 1, 1};
  std::array<float, 2> texCoord{0, 0};
  std::array<float, 3> normal{0, 0, 1};
};

struct TextureInfo {
  std::uint32_t levels = 0;  // bit n: level n has a picture
  int width = 0;
  int height = 0;
  GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;

  bool complete() const {
    if (!(levels & 1)) return false;
    if (minFilter == GL_NEAREST || minFilter == GL_LINEAR) return true;
    int w = width, h = height, level = 0;
    while (w > 1 || h > 1) {
      w = std::max(w / 2, 1);
      h = std::max(h / 2, 1);
      if (!(levels & (1u << ++level))) return false;
    }
    return true;
  }
};

// A stretch of a display list's geometry between two recorded commands.
struct ListPart {
  Pieces pieces;                               // quads split as Mesa splits them in a list
  std::array<IndexRanges, 3> ranges{};         // drawn with both faces GL_FILL, GL_LINE, GL_POINT
  std::optional<std::array<float, 4>> colour;  // the current attributes the part leaves behind
  std::optional<std::array<float, 2>> texCoord;
  std::optional<std::array<float, 3>> normal;
};

struct DisplayList {
  std::vector<Vertex> vertices;
  std::vector<std::variant<ListPart, std::function<void()>>> items;
  ListBuffers buffers;
};

// The list being compiled and the attributes its vertices take.
struct Compilation {
  GLuint name = 0;
  GLenum mode = GL_COMPILE;
  DisplayList list;
  Attributes atStart;  // the current attributes at glNewList
  Attributes attributes;
  bool colourSet = false, texCoordSet = false, normalSet = false;
};

struct Layer {
  std::unique_ptr<Renderer> renderer;
  Attributes current;
  bool inBegin = false;
  GLenum beginMode = GL_POINTS;
  std::vector<Vertex> batch;
  GLenum matrixMode = GL_MODELVIEW;
  std::vector<Matrix> modelview{identity()};
  std::vector<Matrix> projection{identity()};
  GLenum frontMode = GL_FILL, backMode = GL_FILL, frontFace = GL_CCW;
  bool texturing = false;
  float pointSize = 1;
  GLuint boundTexture = 0;
  std::map<GLuint, TextureInfo> textures;
  GLint packAlignment = 4, unpackAlignment = 4;
  std::optional<std::array<int, 4>> viewport;  // until glViewport: OpenGL ES's, asked for when needed
  GLenum error = GL_NO_ERROR;
  std::map<GLuint, DisplayList> lists;
  std::optional<Compilation> compiling;
  std::vector<Vertex> pendingQuads;  // GL_QUADS drawn at the next state change, as one draw
  int replaying = 0;
  Indices indices;  // reused
};

Layer& layer() {
  static Layer state;
  return state;
}

Renderer& renderer() {
  Layer& l = layer();
  if (!l.renderer) l.renderer = std::make_unique<Renderer>();
  return *l.renderer;
}

const GlesFunctions& g() { return gles(); }

void drawPendingQuads();

// True when the call goes into the display list being compiled instead of being done now. Either way
// the quads waiting for their draw go first.
template <typename Command>
bool compiled(Command&& command) {
  drawPendingQuads();
  Layer& l = layer();
  if (!l.compiling || l.replaying) return false;
  l.compiling->list.items.emplace_back(std::function<void()>(std::forward<Command>(command)));
  return l.compiling->mode == GL_COMPILE;
}

// A call that goes to the GLES context as it is: into the display list being compiled, or done now, or
// both; done (now or on replay) after the quads waiting for their draw.
template <typename Call>
void passThrough(Call call) {
  const auto flushedCall = [call] {
    drawPendingQuads();
    call();
  };
  if (!compiled(flushedCall)) flushedCall();
}

std::vector<Matrix>& currentStack() {
  Layer& l = layer();
  return l.matrixMode == GL_PROJECTION ? l.projection : l.modelview;
}

std::array<int, 4> viewport() {
  Layer& l = layer();
  if (!l.viewport) {
    GLint v[4] = {0, 0, 0, 0};
    g().GetIntegerv(GL_VIEWPORT, v);
    l.viewport = {v[0], v[1], v[2], v[3]};
  }
  return *l.viewport;
}

DrawState drawState() {
  Layer& l = layer();
  DrawState s;
  s.transform = multiply(l.projection.back(), l.modelview.back());
  const auto texture = l.textures.find(l.boundTexture);
  s.textured = l.texturing && texture != l.textures.end() && texture->second.complete();
  s.pointSize = l.pointSize;
  s.colour = l.current.colour;
  s.texCoord = l.current.texCoord;
  s.viewport = viewport();
  return s;
}

// The indices of `pieces` as drawn now: every triangle in the polygon mode of the face it shows.
void collectIndices(const std::vector<Vertex>& vertices, const Pieces& pieces, const Matrix& toClip, Indices& out) {
  const Layer& l = layer();
  out.clear();
  if (l.frontMode == l.backMode) {
    addPieces(pieces, l.frontMode, out);
    return;
  }
  std::vector<ClipPosition> clip(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const auto& p = vertices[i].position;
    clip[i] = transform(toClip, p[0], p[1], p[2]);
  }
  for (const Triangle& t : pieces.triangles) {
    const bool front = windsCounterClockwise(clip[t.v[0]], clip[t.v[1]], clip[t.v[2]]) == (l.frontFace == GL_CCW);
    addTriangle(t, front ? l.frontMode : l.backMode, out);
  }
  out.lines.insert(out.lines.end(), pieces.lines.begin(), pieces.lines.end());
  out.points.insert(out.points.end(), pieces.points.begin(), pieces.points.end());
}

// True if a vertex lies beyond the left, right, bottom or top of the view.
bool needsClipping(const std::vector<Vertex>& vertices, const Matrix& toClip) {
  return std::any_of(vertices.begin(), vertices.end(), [&toClip](const Vertex& v) {
    const ClipPosition c = transform(toClip, v.position[0], v.position[1], v.position[2]);
    return c[0] < -c[3] || c[0] > c[3] || c[1] < -c[3] || c[1] > c[3];
  });
}

void drawNow(const std::vector<Vertex>& vertices, GLenum mode) {
  Layer& l = layer();
  const DrawState state = drawState();
  const QuadSplit split = mode == GL_QUADS && needsClipping(vertices, state.transform) ? QuadSplit::secondToFourth
                                                                                       : QuadSplit::firstToThird;
  Pieces pieces;
  breakUp(mode, 0, static_cast<std::uint32_t>(vertices.size()), pieces, split);
  collectIndices(vertices, pieces, state.transform, l.indices);
  renderer().drawStreamed(vertices, l.indices, state);
}

// Mesa draws consecutive glBegin(GL_QUADS) ... glEnd as one draw, which decides the split of all its
// quads: they wait here for the next call that is not a vertex or one of its attributes.
void drawPendingQuads() {
  Layer& l = layer();
  if (l.pendingQuads.empty()) return;
  drawNow(l.pendingQuads, GL_QUADS);
  l.pendingQuads.clear();
}

int modeIndex(GLenum mode) { return mode == GL_FILL ? 0 : mode == GL_LINE ? 1 : 2; }

void drawPart(const DisplayList& list, const ListPart& part) {
  Layer& l = layer();
  const DrawState state = drawState();
  if (l.frontMode == l.backMode) {
    renderer().drawList(list.buffers, part.ranges[modeIndex(l.frontMode)], state);
  } else {
    collectIndices(list.vertices, part.pieces, state.transform, l.indices);
    renderer().drawStreamed(list.vertices, l.indices, state);
  }
  if (part.colour) l.current.colour = *part.colour;
  if (part.texCoord) l.current.texCoord = *part.texCoord;
  if (part.normal) l.current.normal = *part.normal;
}

void replay(GLuint name) {
  Layer& l = layer();
  const auto found = l.lists.find(name);
  if (found == l.lists.end() || l.replaying >= maxListNesting) return;
  ++l.replaying;
  for (const auto& item : found->second.items) {
    if (const auto* part = std::get_if<ListPart>(&item)) {
      drawPart(found->second, *part);
    } else {
      std::get<std::function<void()>>(item)();
    }
  }
  --l.replaying;
}

ListPart& openPart(DisplayList& list) {
  if (list.items.empty() || !std::holds_alternative<ListPart>(list.items.back())) list.items.emplace_back(ListPart{});
  return std::get<ListPart>(list.items.back());
}

// A finished glBegin/glEnd goes into the list being compiled (and is drawn too for
// GL_COMPILE_AND_EXECUTE, its inherited attributes those current when the list began).
void compileBatch(Compilation& c, std::vector<Vertex>& batch, GLenum mode) {
  const auto first = static_cast<std::uint32_t>(c.list.vertices.size());
  breakUp(mode, first, static_cast<std::uint32_t>(batch.size()), openPart(c.list).pieces, QuadSplit::secondToFourth);
  c.list.vertices.insert(c.list.vertices.end(), batch.begin(), batch.end());
  if (c.mode == GL_COMPILE) return;
  for (Vertex& v : batch) {
    if (v.inherits[0] > 0) v.colour = c.atStart.colour;
    if (v.inherits[1] > 0) v.texCoord = c.atStart.texCoord;
    v.inherits = {0, 0};
  }
  drawNow(batch, mode);
}

// The attribute calls: in a list being compiled they change the list's attributes (and, for
// GL_COMPILE_AND_EXECUTE, the current ones).
template <typename Change>
void changeAttributes(Change change, bool Compilation::*flag) {
  Layer& l = layer();
  if (l.compiling && !l.replaying) {
    change(l.compiling->attributes);
    (*l.compiling).*flag = true;
    if (l.compiling->mode == GL_COMPILE) return;
  }
  change(l.current);
}

void setColour(float r, float g, float b, float a) {
  changeAttributes([=](Attributes& at) { at.colour = {r, g, b, a}; }, &Compilation::colourSet);
}

void setTexCoord(float s, float t) {
  changeAttributes([=](Attributes& at) { at.texCoord = {s, t}; }, &Compilation::texCoordSet);
}

void setNormal(float x, float y, float z) {
  changeAttributes([=](Attributes& at) { at.normal = {x, y, z}; }, &Compilation::normalSet);
}

void addVertex(float x, float y, float z) {
  Layer& l = layer();
  if (!l.inBegin) return;
  Vertex v{{x, y, z}, l.current.colour, l.current.texCoord, {0, 0}};
  if (l.compiling && !l.replaying) {
    const Compilation& c = *l.compiling;
    v.colour = c.attributes.colour;
    v.texCoord = c.attributes.texCoord;
    v.inherits = {c.colourSet ? 0.0F : 1.0F, c.texCoordSet ? 0.0F : 1.0F};
  }
  l.batch.push_back(v);
}

void finishList() {
  Layer& l = layer();
  Compilation& c = *l.compiling;
  std::vector<std::uint32_t> indices;
  for (auto& item : c.list.items) {
    auto* part = std::get_if<ListPart>(&item);
    if (!part) continue;
    for (GLenum mode : {GL_FILL, GL_LINE, GL_POINT}) {
      Indices drawn;
      addPieces(part->pieces, mode, drawn);
      part->ranges[modeIndex(mode)] = appendIndices(drawn, indices);
    }
  }
  // The attributes the list leaves behind go with its last part.
  if (c.colourSet) openPart(c.list).colour = c.attributes.colour;
  if (c.texCoordSet) openPart(c.list).texCoord = c.attributes.texCoord;
  if (c.normalSet) openPart(c.list).normal = c.attributes.normal;
  if (!c.list.vertices.empty()) c.list.buffers = renderer().uploadList(c.list.vertices, indices);
  const auto old = l.lists.find(c.name);
  if (old != l.lists.end() && old->second.buffers.vertexArray) renderer().deleteList(old->second.buffers);
  l.lists[c.name] = std::move(c.list);
  l.compiling.reset();
}

void deleteList(GLuint name) {
  Layer& l = layer();
  const auto found = l.lists.find(name);
  if (found == l.lists.end()) return;
  if (found->second.buffers.vertexArray) renderer().deleteList(found->second.buffers);
  l.lists.erase(found);
}

void pushMatrix() {
  std::vector<Matrix>& stack = currentStack();
  if (stack.size() >= maxStackDepth) return raiseError(GL_STACK_OVERFLOW);
  stack.push_back(stack.back());
}

void popMatrix() {
  std::vector<Matrix>& stack = currentStack();
  if (stack.size() <= 1) return raiseError(GL_STACK_UNDERFLOW);
  stack.pop_back();
}

void loadMatrix(const Matrix& m) {
  if (compiled([m] { loadMatrix(m); })) return;
  currentStack().back() = m;
}

bool passedOn(GLenum capability) {
  switch (capability) {
    case GL_BLEND:
    case GL_DEPTH_TEST:
    case GL_CULL_FACE:
    case GL_SCISSOR_TEST:
    case GL_DITHER:
    case GL_POLYGON_OFFSET_FILL:
      return true;
    default:
      return false;
  }
}

void enable(GLenum capability, bool on) {
  if (compiled([=] { enable(capability, on); })) return;
  if (capability == GL_TEXTURE_2D) layer().texturing = on;
  if (!passedOn(capability)) return;
  if (on) {
    g().Enable(capability);
  } else {
    g().Disable(capability);
  }
}

}  // namespace

void multiplyCurrentMatrix(const Matrix& m) {
  if (compiled([m] { multiplyCurrentMatrix(m); })) return;
  Matrix& top = currentStack().back();
  top = multiply(top, m);
}

void storeTextureLevel(GLint level, const Picture& picture) {
  drawPendingQuads();
  Layer& l = layer();
  if (level < 0 || level > 31) return raiseError(GL_INVALID_VALUE);
  g().TexImage2D(GL_TEXTURE_2D, level, GL_RGBA, picture.width, picture.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 picture.rgba.data());
  TextureInfo& info = l.textures[l.boundTexture];
  if (level == 0) {
    info.width = picture.width;
    info.height = picture.height;
    info.levels = 0;
  }
  info.levels |= 1u << level;
}

GLint unpackAlignment() { return layer().unpackAlignment; }

void raiseError(GLenum error) {
  Layer& l = layer();
  if (l.error == GL_NO_ERROR) l.error = error;
}

void forgetContext() {
  Layer& l = layer();
  (void)l.renderer.release();  // its objects went with the old context
  l = Layer{};
}

}  // namespace gllayer

using namespace gllayer;

extern "C" {

// Immediate mode.
void GLAPIENTRY glBegin(GLenum mode) {
  Layer& l = layer();
  if (l.inBegin) return raiseError(GL_INVALID_OPERATION);
  if (mode != GL_QUADS) drawPendingQuads();
  l.inBegin = true;
  l.beginMode = mode;
  l.batch.clear();
}

void GLAPIENTRY glEnd() {
  Layer& l = layer();
  if (!l.inBegin) return raiseError(GL_INVALID_OPERATION);
  l.inBegin = false;
  if (l.compiling && !l.replaying) return compileBatch(*l.compiling, l.batch, l.beginMode);
  if (l.beginMode != GL_QUADS) return drawNow(l.batch, l.beginMode);
  l.pendingQuads.insert(l.pendingQuads.end(), l.batch.begin(), l.batch.end());
}

void GLAPIENTRY glVertex2f(GLfloat x, GLfloat y) { addVertex(x, y, 0); }
void GLAPIENTRY glVertex2d(GLdouble x, GLdouble y) { addVertex(float(x), float(y), 0); }
void GLAPIENTRY glVertex2i(GLint x, GLint y) { addVertex(float(x), float(y), 0); }
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { addVertex(x, y, z); }
void GLAPIENTRY glVertex3d(GLdouble x, GLdouble y, GLdouble z) { addVertex(float(x), float(y), float(z)); }
void GLAPIENTRY glVertex3fv(const GLfloat* v) { addVertex(v[0], v[1], v[2]); }
void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) { setTexCoord(s, t); }
void GLAPIENTRY glTexCoord2d(GLdouble s, GLdouble t) { setTexCoord(float(s), float(t)); }
void GLAPIENTRY glColor3f(GLfloat r, GLfloat g, GLfloat b) { setColour(r, g, b, 1); }
void GLAPIENTRY glColor3d(GLdouble r, GLdouble g, GLdouble b) { setColour(float(r), float(g), float(b), 1); }
void GLAPIENTRY glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { setColour(r, g, b, a); }
void GLAPIENTRY glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) {
  setColour(float(r), float(g), float(b), float(a));
}
void GLAPIENTRY glColor3ub(GLubyte r, GLubyte g, GLubyte b) { setColour(r / 255.0F, g / 255.0F, b / 255.0F, 1); }
void GLAPIENTRY glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
  setColour(r / 255.0F, g / 255.0F, b / 255.0F, a / 255.0F);
}
void GLAPIENTRY glNormal3f(GLfloat x, GLfloat y, GLfloat z) { setNormal(x, y, z); }
void GLAPIENTRY glNormal3fv(const GLfloat* v) { setNormal(v[0], v[1], v[2]); }

// Rasterisation state.
void GLAPIENTRY glPointSize(GLfloat size) {
  if (compiled([=] { glPointSize(size); })) return;
  if (size <= 0) return raiseError(GL_INVALID_VALUE);
  layer().pointSize = size;
}
void GLAPIENTRY glLineWidth(GLfloat width) {
  passThrough([=] { g().LineWidth(width); });
}
void GLAPIENTRY glPolygonMode(GLenum face, GLenum mode) {
  if (compiled([=] { glPolygonMode(face, mode); })) return;
  if (mode != GL_FILL && mode != GL_LINE && mode != GL_POINT) return raiseError(GL_INVALID_ENUM);
  Layer& l = layer();
  if (face == GL_FRONT || face == GL_FRONT_AND_BACK) l.frontMode = mode;
  if (face == GL_BACK || face == GL_FRONT_AND_BACK) l.backMode = mode;
}
void GLAPIENTRY glFrontFace(GLenum mode) {
  if (compiled([=] { glFrontFace(mode); })) return;
  layer().frontFace = mode;
  g().FrontFace(mode);
}
void GLAPIENTRY glCullFace(GLenum mode) {
  passThrough([=] { g().CullFace(mode); });
}
void GLAPIENTRY glShadeModel(GLenum mode) { (void)mode; }
void GLAPIENTRY glHint(GLenum target, GLenum mode) { (void)target, (void)mode; }
void GLAPIENTRY glAlphaFunc(GLenum func, GLclampf ref) { (void)func, (void)ref; }

// Per-fragment state and the framebuffer, passed on.
void GLAPIENTRY glEnable(GLenum cap) { enable(cap, true); }
void GLAPIENTRY glDisable(GLenum cap) { enable(cap, false); }
void GLAPIENTRY glBlendFunc(GLenum source, GLenum destination) {
  passThrough([=] { g().BlendFunc(source, destination); });
}
void GLAPIENTRY glDepthFunc(GLenum func) {
  passThrough([=] { g().DepthFunc(func); });
}
void GLAPIENTRY glDepthMask(GLboolean flag) {
  passThrough([=] { g().DepthMask(flag); });
}
void GLAPIENTRY glColorMask(GLboolean r, GLboolean gr, GLboolean b, GLboolean a) {
  passThrough([=] { g().ColorMask(r, gr, b, a); });
}
void GLAPIENTRY glClear(GLbitfield mask) {
  passThrough([=] { g().Clear(mask); });
}
void GLAPIENTRY glClearColor(GLclampf r, GLclampf gr, GLclampf b, GLclampf a) {
  passThrough([=] { g().ClearColor(r, gr, b, a); });
}
void GLAPIENTRY glClearDepth(GLclampd depth) {
  passThrough([=] { g().ClearDepthf(static_cast<GLfloat>(depth)); });
}
void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (compiled([=] { glViewport(x, y, width, height); })) return;
  layer().viewport = {x, y, width, height};
  g().Viewport(x, y, width, height);
}
void GLAPIENTRY glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  passThrough([=] { g().Scissor(x, y, width, height); });
}
void GLAPIENTRY glFlush() {
  drawPendingQuads();
  g().Flush();
}
void GLAPIENTRY glFinish() {
  drawPendingQuads();
  g().Finish();
}

GLenum GLAPIENTRY glGetError() {
  Layer& l = layer();
  const GLenum own = l.error;
  l.error = GL_NO_ERROR;
  return own != GL_NO_ERROR ? own : g().GetError();
}

void GLAPIENTRY glGetIntegerv(GLenum pname, GLint* params) {
  const Layer& l = layer();
  switch (pname) {
    case GL_MATRIX_MODE:
      *params = static_cast<GLint>(l.matrixMode);
      return;
    case GL_MODELVIEW_STACK_DEPTH:
      *params = static_cast<GLint>(l.modelview.size());
      return;
    case GL_PROJECTION_STACK_DEPTH:
      *params = static_cast<GLint>(l.projection.size());
      return;
    case GL_TEXTURE_BINDING_2D:
      *params = static_cast<GLint>(l.boundTexture);
      return;
    case GL_PACK_ALIGNMENT:
      *params = l.packAlignment;
      return;
    case GL_UNPACK_ALIGNMENT:
      *params = l.unpackAlignment;
      return;
    default:
      g().GetIntegerv(pname, params);
  }
}

void GLAPIENTRY glGetFloatv(GLenum pname, GLfloat* params) {
  const Layer& l = layer();
  const auto copy = [params](const auto& values) { std::copy(values.begin(), values.end(), params); };
  switch (pname) {
    case GL_MODELVIEW_MATRIX:
      return copy(l.modelview.back());
    case GL_PROJECTION_MATRIX:
      return copy(l.projection.back());
    case GL_CURRENT_COLOR:
      return copy(l.current.colour);
    case GL_POINT_SIZE:
      *params = l.pointSize;
      return;
    default:
      g().GetFloatv(pname, params);
  }
}

void GLAPIENTRY glPixelStorei(GLenum pname, GLint param) {
  if (param != 1 && param != 2 && param != 4 && param != 8) return raiseError(GL_INVALID_VALUE);
  if (pname == GL_PACK_ALIGNMENT) layer().packAlignment = param;
  if (pname == GL_UNPACK_ALIGNMENT) layer().unpackAlignment = param;
}

void GLAPIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                             GLvoid* pixels) {
  if (type != GL_UNSIGNED_BYTE || (format != GL_RGBA && format != GL_RGB && format != GL_BGRA)) {
    return raiseError(GL_INVALID_ENUM);
  }
  if (width < 0 || height < 0) return raiseError(GL_INVALID_VALUE);
  drawPendingQuads();
  std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
  g().ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  packPixels(rgba.data(), width, height, format, layer().packAlignment, static_cast<std::uint8_t*>(pixels));
}

const GLubyte* GLAPIENTRY glGetString(GLenum name) { return g().GetString(name); }

// Matrices.
void GLAPIENTRY glMatrixMode(GLenum mode) {
  if (compiled([=] { glMatrixMode(mode); })) return;
  if (mode != GL_MODELVIEW && mode != GL_PROJECTION) return raiseError(GL_INVALID_ENUM);
  layer().matrixMode = mode;
}
void GLAPIENTRY glLoadIdentity() { loadMatrix(identity()); }
void GLAPIENTRY glPushMatrix() {
  if (compiled([] { glPushMatrix(); })) return;
  pushMatrix();
}
void GLAPIENTRY glPopMatrix() {
  if (compiled([] { glPopMatrix(); })) return;
  popMatrix();
}
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { multiplyCurrentMatrix(translation(x, y, z)); }
void GLAPIENTRY glTranslated(GLdouble x, GLdouble y, GLdouble z) {
  multiplyCurrentMatrix(translation(float(x), float(y), float(z)));
}
void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  multiplyCurrentMatrix(rotation(angle, x, y, z));
}
void GLAPIENTRY glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
  multiplyCurrentMatrix(rotation(float(angle), float(x), float(y), float(z)));
}
void GLAPIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) { multiplyCurrentMatrix(scaling(x, y, z)); }
void GLAPIENTRY glScaled(GLdouble x, GLdouble y, GLdouble z) {
  multiplyCurrentMatrix(scaling(float(x), float(y), float(z)));
}
void GLAPIENTRY glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  multiplyCurrentMatrix(ortho(float(l), float(r), float(b), float(t), float(n), float(f)));
}
void GLAPIENTRY glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  multiplyCurrentMatrix(frustum(float(l), float(r), float(b), float(t), float(n), float(f)));
}
void GLAPIENTRY glLoadMatrixf(const GLfloat* m) {
  Matrix matrix;
  std::copy(m, m + 16, matrix.begin());
  loadMatrix(matrix);
}
void GLAPIENTRY glMultMatrixf(const GLfloat* m) {
  Matrix matrix;
  std::copy(m, m + 16, matrix.begin());
  multiplyCurrentMatrix(matrix);
}

// Textures.
void GLAPIENTRY glGenTextures(GLsizei n, GLuint* textures) {
  renderer();
  g().GenTextures(n, textures);
}
void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* textures) {
  drawPendingQuads();
  Layer& l = layer();
  for (GLsizei i = 0; i < n; ++i) {
    if (textures[i] == 0) continue;
    l.textures.erase(textures[i]);
    if (l.boundTexture == textures[i]) l.boundTexture = 0;
  }
  g().DeleteTextures(n, textures);
}
void GLAPIENTRY glBindTexture(GLenum target, GLuint texture) {
  if (compiled([=] { glBindTexture(target, texture); })) return;
  if (target != GL_TEXTURE_2D) return raiseError(GL_INVALID_ENUM);
  renderer();
  layer().boundTexture = texture;
  g().BindTexture(target, texture);
}
void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param) {
  if (compiled([=] { glTexParameteri(target, pname, param); })) return;
  if (pname == GL_TEXTURE_MIN_FILTER) layer().textures[layer().boundTexture].minFilter = param;
  if (param == GL_CLAMP) param = GL_CLAMP_TO_EDGE;
  g().TexParameteri(target, pname, param);
}
void GLAPIENTRY glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
  glTexParameteri(target, pname, static_cast<GLint>(param));
}
void GLAPIENTRY glTexEnvi(GLenum target, GLenum pname, GLint param) { (void)target, (void)pname, (void)param; }
void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
  if (target != GL_TEXTURE_2D || border != 0) return raiseError(GL_INVALID_ENUM);
  const std::optional<Picture> picture =
      toRgba(width, height, format, type, pixels, layer().unpackAlignment, internalFormat);
  if (!picture) return raiseError(GL_INVALID_ENUM);
  storeTextureLevel(level, *picture);
}

// Display lists.
GLuint GLAPIENTRY glGenLists(GLsizei range) {
  Layer& l = layer();
  if (range <= 0) return 0;
  GLuint first = 1;
  for (const auto& [name, list] : l.lists) {
    if (name >= first + GLuint(range)) break;
    if (name >= first) first = name + 1;
  }
  for (GLsizei i = 0; i < range; ++i) l.lists[first + i];  // reserved, empty
  return first;
}
void GLAPIENTRY glNewList(GLuint list, GLenum mode) {
  drawPendingQuads();
  Layer& l = layer();
  if (l.compiling || l.inBegin) return raiseError(GL_INVALID_OPERATION);
  if (list == 0) return raiseError(GL_INVALID_VALUE);
  if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE) return raiseError(GL_INVALID_ENUM);
  l.compiling.emplace();
  l.compiling->name = list;
  l.compiling->mode = mode;
  l.compiling->atStart = l.compiling->attributes = l.current;
}
void GLAPIENTRY glEndList() {
  Layer& l = layer();
  if (!l.compiling || l.inBegin) return raiseError(GL_INVALID_OPERATION);
  finishList();
}
void GLAPIENTRY glCallList(GLuint list) {
  if (compiled([=] { glCallList(list); })) return;
  replay(list);
}
void GLAPIENTRY glDeleteLists(GLuint list, GLsizei range) {
  for (GLsizei i = 0; i < range; ++i) deleteList(list + GLuint(i));
}

}  // extern "C"
