#pragma once
// The demo window on SDL2, seen through the small message interface the engine's window module was
// written against: a window class is registered once, a window is created with a message procedure,
// the frame loop takes at most one message per pass and dispatches it, and unhandled messages go to
// the default processing.
//
// Messages: every SDL event taken from the queue becomes exactly one Message (events the demo has no
// use for become Message::other). Creation and destruction are sent to the procedure directly, as the
// window system does; quit messages posted by the procedure wait in a queue of our own and are taken
// before SDL's events.
//
// Display modes: fullscreen asks for the exact mode (width, height, bits per pixel) and nothing else;
// the desktop mode comes back when the window is destroyed or leaves fullscreen. SIGINT, SIGTERM and
// SIGHUP become a close message while the window class is registered, so they end the demo through
// its shutdown, which gives the mode back.
//
// Failures are results (false, nullptr); the engine turns them into its fatal reports. Calls on a null
// or already destroyed window fail without effect.

#include <cstdint>
#include <string>

namespace platform {

enum class Message : std::uint32_t {
  create,      // the window now exists (sent during createWindow)
  destroy,     // the window is being destroyed
  paint,       // the window's contents were exposed
  keyDown,     // wParam: the key (keyEscape, or another key's code)
  sysCommand,  // wParam: scScreenSave, scMonitorPower, scClose
  close,       // the user asked to close the window (close box, Alt+F4)
  quit,        // posted by postQuitMessage; wParam: the exit code
  other,       // any event the demo has no use for
};

constexpr std::int64_t keyEscape = 0x1B;
constexpr std::int64_t scClose = 0xF060;
constexpr std::int64_t scScreenSave = 0xF140;
constexpr std::int64_t scMonitorPower = 0xF170;

struct Window;  // opaque; owned by the platform layer

using WindowProc = std::int64_t (*)(Window* window, Message message, std::int64_t wParam, std::int64_t lParam);

struct Event {
  Window* window = nullptr;
  Message message = Message::other;
  std::int64_t wParam = 0;
  std::int64_t lParam = 0;
};

// The window class: initialises SDL's video (and the close message for the signals above). False if
// there is no display to open windows on.
bool registerWindowClass();

// True if the display offers exactly this mode (bits 32 also matches 24-bit colour stored in 32-bit
// pixels, the usual desktop format).
bool displayModeSupported(int width, int height, int bits);

// Creates a visible window with an OpenGL-capable surface and sends Message::create to proc before it
// returns. Windowed: the client area is width x height, placed by the system. Fullscreen: borderless,
// covering the screen in the exact mode width x height x bits (check displayModeSupported first).
// The colour bits choose 5-6-5 (16) or 8-8-8 (24, 32) colour; depth 16, double buffered.
Window* createWindow(const std::string& caption, int width, int height, int bits, bool fullscreen, WindowProc proc);

// The OpenGL context on the window; made current. False if none could be created.
bool createGlContext(Window* window);
void releaseGlContext(Window* window);  // no current context, context deleted
void swapBuffers(Window* window);

// Destroys the window (sending Message::destroy) and gives the desktop its mode back if it was
// fullscreen. A second call, or a call on nullptr, does nothing.
void destroyWindow(Window* window);
bool windowDestroyed(const Window* window);

void showCursor(bool show);
void restoreDesktopMode(Window* window);
void unregisterWindowClass();  // shuts SDL's video down

// The message loop. peekMessage tells whether a message is waiting; getMessage takes it (and waits for
// one if none is). sendMessage calls the window's procedure at once.
bool peekMessage();
Event getMessage();
std::int64_t dispatchMessage(const Event& event);
std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam);
void postQuitMessage(int exitCode);

// What the window system does with a message the procedure does not handle: close destroys the
// window; everything else is ignored (result 0).
std::int64_t defWindowProc(Window* window, Message message, std::int64_t wParam, std::int64_t lParam);

}  // namespace platform
