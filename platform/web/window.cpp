// The demo window in the browser: the page's canvas (#canvas) with a WebGL 2 context, which our own
// OpenGL 1.1 layer (gl/) draws through.
//
// The canvas's drawing buffer is the chosen resolution exactly; the page shows it scaled to fit at 4:3,
// letterboxed (web/page.js). "Fullscreen" is the page's: the Fullscreen API is asked for when Go! is
// pressed (it needs the user's gesture), and leaving it (the browser's own Escape) reaches the demo as
// the Escape key. Every display mode is "supported": the canvas takes any size.
//
// 16-bit colour: the demo draws into a framebuffer of 5-6-5 colour (with a 16-bit depth buffer), copied
// to the canvas at each swap, so the picture has the banding of a 16-bit desktop.
//
// The frame loop: swapBuffers presents the frame and waits for the browser's next animation frame,
// returning to the browser meanwhile (Asyncify), so the page stays live and the demo draws once per
// display refresh at most. Keys reach the message queue from the page's handlers between frames.

#include "platform/window.h"

#include "platform/posted_messages.h"  // the message queue

#include <emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <GLES3/gl3.h>

namespace platform {

struct Window {
  WindowProc proc = nullptr;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE gl = 0;
  int width = 0;
  int height = 0;
  int bits = 32;
  GLuint framebuffer = 0;  // 16-bit colour: where the demo draws
  GLuint colour = 0;
  GLuint depth = 0;
  bool destroyed = true;
};

namespace {

Window theWindow;  // the demo has exactly one window
bool classRegistered = false;

// The page's side (web/page.js): the canvas shown at the size asked for, and the next animation frame.
// The canvas keeps its drawing buffer only for ?at= frames, which the page reads back.
EM_JS(void, pageShowCanvas, (int width, int height, const char* title),
      { Module.page.showCanvas(width, height, UTF8ToString(title)); });
EM_JS(void, pageHideCanvas, (), { Module.page.hideCanvas(); });
EM_JS(void, pageShowCursor, (bool show), { Module.page.showCursor(show); });
EM_JS(bool, pageKeepsDrawingBuffer, (), { return Module.page.keepsDrawingBuffer(); });
EM_ASYNC_JS(void, pageNextFrame, (), { await Module.page.nextFrame(); });
EM_ASYNC_JS(void, pageAwaitPictures, (), { await Module.page.awaitPictures(); });

// OpenGL ES functions the window itself needs, looked up as the GL layer looks up its own.
struct FramebufferFunctions {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
};

template <typename Function>
Function lookUp(const char* name) {
  return reinterpret_cast<Function>(emscripten_webgl_get_proc_address(name));
}

const FramebufferFunctions& framebufferFunctions() {
  static const FramebufferFunctions functions{
      lookUp<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers"),
      lookUp<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer"),
      lookUp<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers"),
      lookUp<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer"),
      lookUp<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage"),
      lookUp<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer"),
      lookUp<PFNGLBLITFRAMEBUFFERPROC>("glBlitFramebuffer"),
      lookUp<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers"),
      lookUp<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers"),
  };
  return functions;
}

GLuint makeRenderbuffer(GLenum format, int width, int height) {
  const FramebufferFunctions& f = framebufferFunctions();
  GLuint buffer = 0;
  f.genRenderbuffers(1, &buffer);
  f.bindRenderbuffer(GL_RENDERBUFFER, buffer);
  f.renderbufferStorage(GL_RENDERBUFFER, format, width, height);
  return buffer;
}

void makeHighColourFramebuffer(Window& window) {
  const FramebufferFunctions& f = framebufferFunctions();
  window.colour = makeRenderbuffer(GL_RGB565, window.width, window.height);
  window.depth = makeRenderbuffer(GL_DEPTH_COMPONENT16, window.width, window.height);
  f.genFramebuffers(1, &window.framebuffer);
  f.bindFramebuffer(GL_FRAMEBUFFER, window.framebuffer);
  f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, window.colour);
  f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, window.depth);
}

void copyHighColourFrame(const Window& window) {
  const FramebufferFunctions& f = framebufferFunctions();
  f.bindFramebuffer(GL_READ_FRAMEBUFFER, window.framebuffer);
  f.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  f.blitFramebuffer(0, 0, window.width, window.height, 0, 0, window.width, window.height, GL_COLOR_BUFFER_BIT,
                    GL_NEAREST);
  f.bindFramebuffer(GL_FRAMEBUFFER, window.framebuffer);
}

void deleteHighColourFramebuffer(Window& window) {
  if (!window.framebuffer) return;
  const FramebufferFunctions& f = framebufferFunctions();
  f.bindFramebuffer(GL_FRAMEBUFFER, 0);
  f.deleteFramebuffers(1, &window.framebuffer);
  f.deleteRenderbuffers(1, &window.colour);
  f.deleteRenderbuffers(1, &window.depth);
  window.framebuffer = window.colour = window.depth = 0;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
  if (theWindow.destroyed || event->repeat) return EM_FALSE;
  const std::int64_t key = event->keyCode != 0 ? event->keyCode : event->which;
  detail::postEvent(Event{&theWindow, Message::keyDown, key, 0});
  return key == keyEscape ? EM_TRUE : EM_FALSE;
}

// Leaving the page's fullscreen (the browser's own Escape or its controls) ends the demo as Escape does.
EM_BOOL onFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*) {
  if (!theWindow.destroyed && !event->isFullscreen) {
    detail::postEvent(Event{&theWindow, Message::keyDown, keyEscape, 0});
  }
  return EM_FALSE;
}

}  // namespace

bool registerWindowClass() {
  if (!classRegistered) {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onKeyDown);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onFullscreenChange);
    classRegistered = true;
  }
  return true;
}

bool displayModeSupported(int width, int height, int bits) {
  return width > 0 && height > 0 && (bits == 16 || bits == 24 || bits == 32);
}

Window* createWindow(const std::string& caption, int width, int height, int bits, bool, WindowProc proc) {
  if (!classRegistered || !theWindow.destroyed || width <= 0 || height <= 0) return nullptr;
  theWindow = Window{proc, 0, width, height, bits};
  theWindow.destroyed = false;
  pageShowCanvas(width, height, caption.c_str());
  sendMessage(&theWindow, Message::create, 0, 0);
  return &theWindow;
}

bool createGlContext(Window* window) {
  if (!window || window->destroyed) return false;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  attributes.alpha = EM_FALSE;
  attributes.depth = window->bits != 16;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.preserveDrawingBuffer = pageKeepsDrawingBuffer() ? EM_TRUE : EM_FALSE;
  window->gl = emscripten_webgl_create_context("#canvas", &attributes);
  if (window->gl <= 0 || emscripten_webgl_make_context_current(window->gl) != EMSCRIPTEN_RESULT_SUCCESS) {
    window->gl = 0;
    return false;
  }
  if (window->bits == 16) makeHighColourFramebuffer(*window);
  // The pictures the loading screen and the scenes read have been fetching since the page opened.
  pageAwaitPictures();
  return true;
}

void releaseGlContext(Window* window) {
  if (!window || !window->gl) return;
  deleteHighColourFramebuffer(*window);
  emscripten_webgl_make_context_current(0);
  emscripten_webgl_destroy_context(window->gl);
  window->gl = 0;
}

void swapBuffers(Window* window) {
  if (!window || !window->gl) return;
  if (window->framebuffer) copyHighColourFrame(*window);
  pageNextFrame();
}

void destroyWindow(Window* window) {
  if (!window || window->destroyed) return;
  sendMessage(window, Message::destroy, 0, 0);
  window->destroyed = true;
  pageHideCanvas();
}

bool windowDestroyed(const Window* window) { return !window || window->destroyed; }

void showCursor(bool show) { pageShowCursor(show); }

void restoreDesktopMode(Window*) { emscripten_exit_fullscreen(); }

void unregisterWindowClass() {
  if (!classRegistered) return;
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, nullptr);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, nullptr);
  classRegistered = false;
}

std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  if (window && window->proc) return window->proc(window, message, wParam, lParam);
  return defWindowProc(window, message, wParam, lParam);
}

std::int64_t defWindowProc(Window* window, Message message, std::int64_t, std::int64_t) {
  if (message == Message::close) destroyWindow(window);
  return 0;
}

}  // namespace platform
