// The window on a system without a window system (the portable build, whose tests run the demo's
// libraries with no display): the window class cannot be registered, so no window, GL context or
// display mode ever exists and every call on a window fails without effect. The message queue holds
// what the program posts, as on every backend.

#include "platform/window.h"

#include <deque>

namespace platform {

namespace {

std::deque<Event> postedMessages;

}  // namespace

bool registerWindowClass() { return false; }
bool displayModeSupported(int, int, int) { return false; }
Window* createWindow(const std::string&, int, int, int, bool, WindowProc) { return nullptr; }
bool createGlContext(Window*) { return false; }
void releaseGlContext(Window*) {}
void swapBuffers(Window*) {}
void destroyWindow(Window*) {}
bool windowDestroyed(const Window*) { return true; }
void showCursor(bool) {}
void restoreDesktopMode(Window*) {}
void unregisterWindowClass() {}

bool peekMessage() { return !postedMessages.empty(); }

// With nothing posted no message can ever come: an empty message rather than waiting for ever.
Event getMessage() {
  if (postedMessages.empty()) return Event{};
  const Event event = postedMessages.front();
  postedMessages.pop_front();
  return event;
}

std::int64_t dispatchMessage(const Event& event) {
  return sendMessage(event.window, event.message, event.wParam, event.lParam);
}

std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  return defWindowProc(window, message, wParam, lParam);
}

void postQuitMessage(int exitCode) { postedMessages.push_back(Event{nullptr, Message::quit, exitCode, 0}); }

std::int64_t defWindowProc(Window*, Message, std::int64_t, std::int64_t) { return 0; }

}  // namespace platform
