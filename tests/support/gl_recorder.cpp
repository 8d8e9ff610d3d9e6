#include "tests/support/gl_recorder.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstring>

struct GLUquadric {
  int id;
  GLboolean textured;
};

namespace glrec {

namespace {

std::vector<Call> recorded;
State current;
std::vector<TextureUpload> textureUploads;
GLuint nextTexture = 1;
GLuint nextList = 1;
int nextQuadric = 1;

int bytesPerPixel(GLenum format) {
  switch (format) {
    case GL_BGRA:
    case GL_RGBA:
      return 4;
    case GL_BGR:
    case GL_RGB:
      return 3;
    case GL_LUMINANCE:
    case GL_ALPHA:
    case GL_RED:
      return 1;
    default:
      return 4;
  }
}

void keepUpload(const char* via, int components, int width, int height, GLenum format, const void* pixels) {
  TextureUpload upload{via, width, height, components, format, {}};
  if (pixels && width > 0 && height > 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    upload.pixels.assign(bytes, bytes + std::size_t(width) * std::size_t(height) * bytesPerPixel(format));
  }
  textureUploads.push_back(std::move(upload));
}

int& stackDepth() { return current.matrixMode == GL_PROJECTION ? current.projectionDepth : current.modelviewDepth; }

}  // namespace

std::ostream& operator<<(std::ostream& out, const Call& call) {
  out << call.name << '(';
  for (std::size_t i = 0; i < call.args.size(); ++i) out << (i ? ", " : "") << call.args[i];
  return out << ')';
}

void reset() {
  recorded.clear();
  current = State{};
  textureUploads.clear();
  nextTexture = 1;
  nextList = 1;
  nextQuadric = 1;
}

void clearCalls() {
  recorded.clear();
  textureUploads.clear();
}

const std::vector<Call>& calls() { return recorded; }
const State& state() { return current; }
const std::vector<TextureUpload>& uploads() { return textureUploads; }

bool isEnabled(GLenum capability) {
  const auto it = current.enabled.find(capability);
  return it != current.enabled.end() && it->second;
}

std::vector<Call> callsNamed(const std::string& name) {
  std::vector<Call> found;
  std::copy_if(recorded.begin(), recorded.end(), std::back_inserter(found),
               [&](const Call& call) { return call.name == name; });
  return found;
}

std::size_t count(const std::string& name) { return callsNamed(name).size(); }

std::vector<Call> callsFrom(const std::string& from) {
  const auto it = std::find_if(recorded.begin(), recorded.end(), [&](const Call& call) { return call.name == from; });
  return std::vector<Call>(it == recorded.end() ? recorded.begin() : it, recorded.end());
}

std::vector<std::string> names() {
  std::vector<std::string> result;
  for (const Call& call : recorded) result.push_back(call.name);
  return result;
}

void record(const char* name, std::initializer_list<double> args) { recorded.push_back(Call{name, args}); }

}  // namespace glrec

#define REC(...) ::glrec::record(__func__, {__VA_ARGS__})

extern "C" {

// Immediate mode.
void GLAPIENTRY glBegin(GLenum mode) { REC(double(mode)); }
void GLAPIENTRY glEnd() { REC(); }
void GLAPIENTRY glVertex2f(GLfloat x, GLfloat y) { REC(x, y); }
void GLAPIENTRY glVertex2d(GLdouble x, GLdouble y) { REC(x, y); }
void GLAPIENTRY glVertex2i(GLint x, GLint y) { REC(double(x), double(y)); }
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { REC(x, y, z); }
void GLAPIENTRY glVertex3d(GLdouble x, GLdouble y, GLdouble z) { REC(x, y, z); }
void GLAPIENTRY glVertex3fv(const GLfloat* v) { REC(v[0], v[1], v[2]); }
void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) { REC(s, t); }
void GLAPIENTRY glTexCoord2d(GLdouble s, GLdouble t) { REC(s, t); }
void GLAPIENTRY glColor3f(GLfloat r, GLfloat g, GLfloat b) { REC(r, g, b); }
void GLAPIENTRY glColor3d(GLdouble r, GLdouble g, GLdouble b) { REC(r, g, b); }
void GLAPIENTRY glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { REC(r, g, b, a); }
void GLAPIENTRY glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { REC(r, g, b, a); }
void GLAPIENTRY glColor3ub(GLubyte r, GLubyte g, GLubyte b) { REC(double(r), double(g), double(b)); }
void GLAPIENTRY glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
  REC(double(r), double(g), double(b), double(a));
}
void GLAPIENTRY glNormal3f(GLfloat x, GLfloat y, GLfloat z) { REC(x, y, z); }
void GLAPIENTRY glNormal3fv(const GLfloat* v) { REC(v[0], v[1], v[2]); }
void GLAPIENTRY glPointSize(GLfloat size) { REC(size); }
void GLAPIENTRY glLineWidth(GLfloat width) { REC(width); }

// Buffers and state.
void GLAPIENTRY glClear(GLbitfield mask) { REC(double(mask)); }
void GLAPIENTRY glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { REC(r, g, b, a); }
void GLAPIENTRY glClearDepth(GLclampd depth) { REC(depth); }
void GLAPIENTRY glEnable(GLenum cap) {
  REC(double(cap));
  glrec::current.enabled[cap] = true;
}
void GLAPIENTRY glDisable(GLenum cap) {
  REC(double(cap));
  glrec::current.enabled[cap] = false;
}
void GLAPIENTRY glBlendFunc(GLenum source, GLenum destination) {
  REC(double(source), double(destination));
  glrec::current.blendSource = source;
  glrec::current.blendDestination = destination;
}
void GLAPIENTRY glDepthFunc(GLenum func) { REC(double(func)); }
void GLAPIENTRY glDepthMask(GLboolean flag) { REC(double(flag)); }
void GLAPIENTRY glShadeModel(GLenum mode) { REC(double(mode)); }
void GLAPIENTRY glHint(GLenum target, GLenum mode) { REC(double(target), double(mode)); }
void GLAPIENTRY glPolygonMode(GLenum face, GLenum mode) {
  REC(double(face), double(mode));
  if (face == GL_FRONT || face == GL_FRONT_AND_BACK) glrec::current.polygonModeFront = mode;
  if (face == GL_BACK || face == GL_FRONT_AND_BACK) glrec::current.polygonModeBack = mode;
}
void GLAPIENTRY glCullFace(GLenum mode) { REC(double(mode)); }
void GLAPIENTRY glFrontFace(GLenum mode) { REC(double(mode)); }
void GLAPIENTRY glAlphaFunc(GLenum func, GLclampf ref) { REC(double(func), ref); }
void GLAPIENTRY glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
  REC(double(r), double(g), double(b), double(a));
}
void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  REC(double(x), double(y), double(width), double(height));
}
void GLAPIENTRY glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  REC(double(x), double(y), double(width), double(height));
}
void GLAPIENTRY glFlush() { REC(); }
void GLAPIENTRY glFinish() { REC(); }
GLenum GLAPIENTRY glGetError() { return GL_NO_ERROR; }
void GLAPIENTRY glGetIntegerv(GLenum pname, GLint* params) {
  REC(double(pname));
  if (params) *params = 0;
}
void GLAPIENTRY glGetFloatv(GLenum pname, GLfloat* params) {
  REC(double(pname));
  if (params) *params = 0;
}
void GLAPIENTRY glPixelStorei(GLenum pname, GLint param) { REC(double(pname), double(param)); }
void GLAPIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                             GLvoid* pixels) {
  REC(double(x), double(y), double(width), double(height), double(format), double(type));
  if (pixels && width > 0 && height > 0) {
    std::memset(pixels, 0, std::size_t(width) * std::size_t(height) * glrec::bytesPerPixel(format));
  }
}
const GLubyte* GLAPIENTRY glGetString(GLenum name) {
  REC(double(name));
  return reinterpret_cast<const GLubyte*>("gl-recorder");
}

// Matrices.
void GLAPIENTRY glMatrixMode(GLenum mode) {
  REC(double(mode));
  glrec::current.matrixMode = mode;
}
void GLAPIENTRY glLoadIdentity() { REC(); }
void GLAPIENTRY glPushMatrix() {
  REC();
  ++glrec::stackDepth();
}
void GLAPIENTRY glPopMatrix() {
  REC();
  --glrec::stackDepth();
}
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { REC(x, y, z); }
void GLAPIENTRY glTranslated(GLdouble x, GLdouble y, GLdouble z) { REC(x, y, z); }
void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { REC(angle, x, y, z); }
void GLAPIENTRY glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) { REC(angle, x, y, z); }
void GLAPIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) { REC(x, y, z); }
void GLAPIENTRY glScaled(GLdouble x, GLdouble y, GLdouble z) { REC(x, y, z); }
void GLAPIENTRY glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  REC(l, r, b, t, n, f);
}
void GLAPIENTRY glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  REC(l, r, b, t, n, f);
}
void GLAPIENTRY glLoadMatrixf(const GLfloat* m) { REC(m[0], m[5], m[10], m[15]); }
void GLAPIENTRY glMultMatrixf(const GLfloat* m) { REC(m[0], m[5], m[10], m[15]); }

// Textures.
void GLAPIENTRY glGenTextures(GLsizei n, GLuint* textures) {
  REC(double(n));
  for (GLsizei i = 0; i < n; ++i) textures[i] = glrec::nextTexture++;
}
void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* textures) {
  REC(double(n), n > 0 ? double(textures[0]) : 0.0);
}
void GLAPIENTRY glBindTexture(GLenum target, GLuint texture) {
  REC(double(target), double(texture));
  glrec::current.boundTexture = texture;
}
void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param) {
  REC(double(target), double(pname), double(param));
}
void GLAPIENTRY glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
  REC(double(target), double(pname), param);
}
void GLAPIENTRY glTexEnvi(GLenum target, GLenum pname, GLint param) {
  REC(double(target), double(pname), double(param));
}
void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
  REC(double(target), double(level), double(internalFormat), double(width), double(height), double(border),
      double(format), double(type));
  glrec::keepUpload("glTexImage2D", internalFormat, width, height, format, pixels);
}

// Display lists.
GLuint GLAPIENTRY glGenLists(GLsizei range) {
  REC(double(range));
  const GLuint first = glrec::nextList;
  glrec::nextList += static_cast<GLuint>(range);
  return first;
}
void GLAPIENTRY glNewList(GLuint list, GLenum mode) { REC(double(list), double(mode)); }
void GLAPIENTRY glEndList() { REC(); }
void GLAPIENTRY glCallList(GLuint list) { REC(double(list)); }
void GLAPIENTRY glDeleteLists(GLuint list, GLsizei range) { REC(double(list), double(range)); }

// GLU.
void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  REC(fovy, aspect, zNear, zFar);
}
void GLAPIENTRY gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                          GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
  REC(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}
void GLAPIENTRY gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top) {
  REC(left, right, bottom, top);
}
GLUquadric* GLAPIENTRY gluNewQuadric() {
  auto* quadric = new GLUquadric{glrec::nextQuadric++, GL_FALSE};
  REC(double(quadric->id));
  return quadric;
}
void GLAPIENTRY gluDeleteQuadric(GLUquadric* quadric) {
  REC(quadric ? double(quadric->id) : 0.0);
  delete quadric;
}
void GLAPIENTRY gluQuadricTexture(GLUquadric* quadric, GLboolean texture) {
  REC(double(quadric->id), double(texture));
  quadric->textured = texture;
}
void GLAPIENTRY gluQuadricNormals(GLUquadric* quadric, GLenum normal) { REC(double(quadric->id), double(normal)); }
void GLAPIENTRY gluQuadricDrawStyle(GLUquadric* quadric, GLenum draw) { REC(double(quadric->id), double(draw)); }
void GLAPIENTRY gluDisk(GLUquadric* quadric, GLdouble inner, GLdouble outer, GLint slices, GLint loops) {
  REC(double(quadric->id), inner, outer, double(slices), double(loops));
}
void GLAPIENTRY gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks) {
  REC(double(quadric->id), radius, double(slices), double(stacks));
}
void GLAPIENTRY gluCylinder(GLUquadric* quadric, GLdouble base, GLdouble top, GLdouble height, GLint slices,
                            GLint stacks) {
  REC(double(quadric->id), base, top, height, double(slices), double(stacks));
}
GLint GLAPIENTRY gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                                   GLenum type, const void* data) {
  REC(double(target), double(internalFormat), double(width), double(height), double(format), double(type));
  glrec::keepUpload("gluBuild2DMipmaps", internalFormat, width, height, format, data);
  return 0;
}

}  // extern "C"
