#include "tools/capture/offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace capture {

namespace {

[[noreturn]] void fail(const std::string& step) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  throw std::runtime_error("offscreen OpenGL: " + step + " failed (EGL error " + code + ")");
}

EGLDisplay surfacelessDisplay() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) fail("eglGetPlatformDisplayEXT");
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) fail("the surfaceless display");
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) fail("eglInitialize");
  return display;
}

EGLConfig chooseConfig(EGLDisplay display, ClientApi api) {
  const EGLint attributes[] = {EGL_SURFACE_TYPE,
                               EGL_PBUFFER_BIT,
                               EGL_RENDERABLE_TYPE,
                               api == ClientApi::openGl ? EGL_OPENGL_BIT : EGL_OPENGL_ES3_BIT,
                               EGL_RED_SIZE,
                               8,
                               EGL_GREEN_SIZE,
                               8,
                               EGL_BLUE_SIZE,
                               8,
                               EGL_DEPTH_SIZE,
                               16,
                               EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) fail("eglChooseConfig");
  return config;
}

// The largest pbuffer the configuration allows, checked before one is asked for, so that a too-large
// render (a big --size with supersampling) is one clear message rather than an EGL error code.
void checkPbufferLimits(EGLDisplay display, EGLConfig config, int width, int height) {
  EGLint maxWidth = 0, maxHeight = 0, maxPixels = 0;
  eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_WIDTH, &maxWidth);
  eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_HEIGHT, &maxHeight);
  eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_PIXELS, &maxPixels);
  const bool tooLarge = (maxWidth > 0 && width > maxWidth) || (maxHeight > 0 && height > maxHeight) ||
                        (maxPixels > 0 && long(width) * height > maxPixels);
  if (tooLarge) {
    throw std::runtime_error("offscreen OpenGL: a render of " + std::to_string(width) + "x" + std::to_string(height) +
                             " is larger than the renderer allows (" + std::to_string(maxWidth) + "x" +
                             std::to_string(maxHeight) + " at most)");
  }
}

void checkViewportLimits(int width, int height) {
  GLint dims[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  if ((dims[0] > 0 && width > dims[0]) || (dims[1] > 0 && height > dims[1])) {
    throw std::runtime_error("offscreen OpenGL: a render of " + std::to_string(width) + "x" + std::to_string(height) +
                             " is larger than the renderer's viewport (" + std::to_string(dims[0]) + "x" +
                             std::to_string(dims[1]) + " at most)");
  }
}

}  // namespace

OffscreenContext::OffscreenContext(int width, int height, ClientApi api) : width_(width), height_(height) {
  if (width <= 0 || height <= 0) throw std::runtime_error("offscreen OpenGL: the size must be positive");
  EGLDisplay display = surfacelessDisplay();
  display_ = display;
  if (!eglBindAPI(api == ClientApi::openGl ? EGL_OPENGL_API : EGL_OPENGL_ES_API)) fail("eglBindAPI");
  EGLConfig config = chooseConfig(display, api);
  checkPbufferLimits(display, config, width, height);
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display, config, size);
  if (surface_ == EGL_NO_SURFACE) fail("eglCreatePbufferSurface");
  const EGLint es3[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_NONE};
  context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, api == ClientApi::openGl ? nullptr : es3);
  if (context_ == EGL_NO_CONTEXT) fail("eglCreateContext");
  if (!eglMakeCurrent(display, surface_, surface_, context_)) fail("eglMakeCurrent");
  checkViewportLimits(width, height);
}

OffscreenContext::~OffscreenContext() {
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_) eglDestroyContext(display_, context_);
  if (surface_) eglDestroySurface(display_, surface_);
  eglTerminate(display_);
}

std::vector<std::uint8_t> OffscreenContext::readRgb() const {
  const std::size_t row = std::size_t(width_) * 3;
  std::vector<std::uint8_t> bottomUp(row * height_);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<std::uint8_t> topDown(bottomUp.size());
  for (int y = 0; y < height_; ++y) {
    std::memcpy(&topDown[std::size_t(y) * row], &bottomUp[std::size_t(height_ - 1 - y) * row], row);
  }
  return topDown;
}

}  // namespace capture
