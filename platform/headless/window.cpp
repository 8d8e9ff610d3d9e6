// The window on a system without a window system (the portable build, whose tests run the demo's
// libraries with no display): the window class cannot be registered, so no window, GL context or
// display mode ever exists and every call on a window fails without effect. The message queue holds
// what the program posts, as on every backend.

#include "platform/window.h"

#include "platform/posted_messages.h"  // the message queue

namespace platform {

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

std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  return defWindowProc(window, message, wParam, lParam);
}

std::int64_t defWindowProc(Window*, Message, std::int64_t, std::int64_t) { return 0; }

}  // namespace platform
