// The demo window on SDL2. Every SDL event taken from the queue becomes one Message; quit messages
// posted by the procedure wait in a queue of our own and are taken before SDL's events.
//
// Screen saver: SDL never produces Message::sysCommand. It needs no such message, because SDL keeps the
// screen saver and the monitor's power saving off by itself while its video is initialised (unless
// SDL_VIDEO_ALLOW_SCREENSAVER says otherwise), which is what the window procedure's refusal achieves on
// Windows.
//
// SIGINT, SIGTERM and SIGHUP become a close message while the window class is registered, so they end
// the demo through its shutdown, which gives the display mode back.

#include "platform/window.h"

#include <SDL.h>

#include <csignal>
#include <deque>
#include <unistd.h>

namespace platform {

struct Window {
  SDL_Window* sdl = nullptr;
  SDL_GLContext gl = nullptr;
  WindowProc proc = nullptr;
  bool fullscreen = false;
  bool destroyed = false;  // destroyed as the demo sees it; the SDL window may live on for its context
};

namespace {

Window theWindow;  // the demo has exactly one window
std::deque<Event> postedMessages;

bool videoReady() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

bool bitsMatch(Uint32 format, int bits) {
  const int have = SDL_BITSPERPIXEL(format);
  if (bits == 32) return have == 32 || (have == 24 && SDL_BYTESPERPIXEL(format) == 4);
  return have == bits;
}

bool modeMatches(const SDL_DisplayMode& mode, int width, int height, int bits) {
  return mode.w == width && mode.h == height && bitsMatch(mode.format, bits);
}

bool findDisplayMode(int width, int height, int bits, SDL_DisplayMode& found) {
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) == 0 && modeMatches(mode, width, height, bits)) {
      found = mode;
      return true;
    }
  }
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && modeMatches(desktop, width, height, bits)) {
    found = desktop;
    return true;
  }
  return false;
}

void setGlAttributes(int bits) {
  const bool highColour = bits == 16;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, highColour ? 5 : 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, highColour ? 6 : 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, highColour ? 5 : 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

bool enterFullscreen(SDL_Window* sdl, int width, int height, int bits) {
  SDL_DisplayMode mode;
  if (!findDisplayMode(width, height, bits, mode)) return false;
  return SDL_SetWindowDisplayMode(sdl, &mode) == 0 && SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN) == 0;
}

Event translate(const SDL_Event& sdl) {
  Event event;
  event.window = theWindow.sdl ? &theWindow : nullptr;
  switch (sdl.type) {
    case SDL_KEYDOWN:
      event.message = Message::keyDown;
      event.wParam = sdl.key.keysym.sym;  // SDLK_ESCAPE is 0x1B, the same code as keyEscape
      break;
    case SDL_QUIT:
      event.message = Message::close;
      break;
    case SDL_WINDOWEVENT:
      if (sdl.window.event == SDL_WINDOWEVENT_CLOSE) event.message = Message::close;
      if (sdl.window.event == SDL_WINDOWEVENT_EXPOSED) event.message = Message::paint;
      break;
    default:
      break;
  }
  return event;
}

// SDL turns SIGINT and SIGTERM into a quit request (a close message), so the demo ends through its
// normal shutdown and the desktop gets its display mode back. A hang-up (the terminal closed) is made
// the same request by passing it on as SIGTERM.
extern "C" void hangUpAsTerminate(int) { ::kill(::getpid(), SIGTERM); }

void treatHangUpAsTerminate() {
  struct sigaction action {};
  if (::sigaction(SIGHUP, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) return;
  action.sa_handler = hangUpAsTerminate;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGHUP, &action, nullptr);
}

void destroySdlWindow(Window& window) {
  if (window.sdl) SDL_DestroyWindow(window.sdl);
  window.sdl = nullptr;
}

}  // namespace

bool registerWindowClass() {
  if (videoReady()) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  treatHangUpAsTerminate();
  return true;
}

bool displayModeSupported(int width, int height, int bits) {
  SDL_DisplayMode mode;
  return videoReady() && findDisplayMode(width, height, bits, mode);
}

Window* createWindow(const std::string& caption, int width, int height, int bits, bool fullscreen, WindowProc proc) {
  if (!videoReady() || theWindow.sdl || width <= 0 || height <= 0) return nullptr;
  setGlAttributes(bits);
  const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | (fullscreen ? SDL_WINDOW_BORDERLESS : 0);
  const int position = fullscreen ? 0 : SDL_WINDOWPOS_UNDEFINED;
  SDL_Window* sdl = SDL_CreateWindow(caption.c_str(), position, position, width, height, flags);
  if (!sdl) return nullptr;
  if (fullscreen && !enterFullscreen(sdl, width, height, bits)) {
    SDL_DestroyWindow(sdl);
    return nullptr;
  }
  theWindow = Window{sdl, nullptr, proc, fullscreen, false};
  sendMessage(&theWindow, Message::create, 0, 0);
  SDL_ShowWindow(sdl);
  SDL_RaiseWindow(sdl);
  return &theWindow;
}

bool createGlContext(Window* window) {
  if (!window || !window->sdl || window->gl) return false;
  window->gl = SDL_GL_CreateContext(window->sdl);
  if (!window->gl) return false;
  SDL_GL_MakeCurrent(window->sdl, window->gl);
  return true;
}

void releaseGlContext(Window* window) {
  if (!window || !window->gl) return;
  SDL_GL_MakeCurrent(window->sdl, nullptr);
  SDL_GL_DeleteContext(window->gl);
  window->gl = nullptr;
  if (window->destroyed) destroySdlWindow(*window);
}

void swapBuffers(Window* window) {
  if (window && window->sdl && !window->destroyed) SDL_GL_SwapWindow(window->sdl);
}

void destroyWindow(Window* window) {
  if (!window || !window->sdl || window->destroyed) return;
  window->destroyed = true;
  sendMessage(window, Message::destroy, 0, 0);
  restoreDesktopMode(window);
  // A context still made on the window keeps the SDL window alive (hidden) until it is released.
  if (window->gl) {
    SDL_HideWindow(window->sdl);
  } else {
    destroySdlWindow(*window);
  }
}

bool windowDestroyed(const Window* window) { return !window || !window->sdl || window->destroyed; }

void showCursor(bool show) {
  if (videoReady()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void restoreDesktopMode(Window* window) {
  if (window && window->sdl && window->fullscreen) {
    SDL_SetWindowFullscreen(window->sdl, 0);
    window->fullscreen = false;
  }
}

void unregisterWindowClass() {
  if (theWindow.gl) releaseGlContext(&theWindow);
  destroySdlWindow(theWindow);
  if (videoReady()) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool peekMessage() {
  if (!postedMessages.empty()) return true;
  if (!videoReady()) return false;
  SDL_PumpEvents();
  return SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

Event getMessage() {
  if (!postedMessages.empty()) {
    const Event event = postedMessages.front();
    postedMessages.pop_front();
    return event;
  }
  SDL_Event sdl;
  if (!videoReady() || SDL_WaitEvent(&sdl) == 0) return Event{};
  return translate(sdl);
}

std::int64_t dispatchMessage(const Event& event) {
  return sendMessage(event.window, event.message, event.wParam, event.lParam);
}

std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  if (!window || !window->proc) return defWindowProc(window, message, wParam, lParam);
  return window->proc(window, message, wParam, lParam);
}

void postQuitMessage(int exitCode) { postedMessages.push_back(Event{nullptr, Message::quit, exitCode, 0}); }

std::int64_t defWindowProc(Window* window, Message message, std::int64_t wParam, std::int64_t) {
  const bool closeRequest = message == Message::close || (message == Message::sysCommand && wParam == scClose);
  if (closeRequest) destroyWindow(window);
  return 0;
}

}  // namespace platform
