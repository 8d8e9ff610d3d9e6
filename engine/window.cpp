#include "engine/window.h"

#include "engine/fatal_error.h"

namespace engine {

WindowState windowState;
bool windowActive = false;

namespace {

constexpr const char* moduleName = "lmxWinAPI";

platform::Window* createDemoWindow(const char* caption) {
  const WindowState& s = windowState;
  if (s.fullscreen && !platform::displayModeSupported(s.width, s.height, s.bits)) {
    fatalError(moduleName, "Screen resolution is not supported by your gfx card!");
  }
  platform::Window* window = platform::createWindow(caption, s.width, s.height, s.bits, s.fullscreen, windowProc);
  if (s.fullscreen) platform::showCursor(false);
  return window;
}

}  // namespace

bool initWindow(const char* caption, int width, int height, int bits, bool fullscreen) {
  windowState = WindowState{nullptr, false, width, height, bits, fullscreen};
  if (!platform::registerWindowClass()) fatalError(moduleName, "Could not register lmxWindow!");
  windowState.window = createDemoWindow(caption);
  if (!windowState.window) fatalError(moduleName, "Could not create lmxWindow!");
  windowState.context = platform::createGlContext(windowState.window);
  if (!windowState.context) fatalError(moduleName, "Could not initialise lmxWindow!");
  return true;
}

void releaseDisplay() {
  platform::releaseGlContext(windowState.window);
  windowState.context = false;
  platform::destroyWindow(windowState.window);
}

void doneWindow() { releaseDisplay(); }

void giveDisplayBack() {
  const bool wasFullscreen = windowState.fullscreen;
  releaseDisplay();
  if (wasFullscreen) {
    platform::restoreDesktopMode(windowState.window);
    platform::showCursor(true);
  }
  platform::unregisterWindowClass();
}

std::int64_t windowProc(platform::Window* window, platform::Message message, std::int64_t wParam, std::int64_t lParam) {
  using platform::Message;
  switch (message) {
    case Message::create:
      windowActive = true;
      return 0;
    case Message::destroy:
      windowActive = false;
      platform::postQuitMessage(0);
      return 0;
    case Message::paint:
      return 0;
    case Message::keyDown:
      // Escape ends the demo without destroying the window: it lives until doneWindow.
      if (wParam == platform::keyEscape) windowProc(window, Message::destroy, 0, 0);
      return 0;
    case Message::sysCommand:
      // The screen saver and monitor power-off are refused while the demo runs.
      if (wParam == platform::scScreenSave || wParam == platform::scMonitorPower) return 0;
      break;
    default:
      break;
  }
  return platform::defWindowProc(window, message, wParam, lParam);
}

}  // namespace engine
