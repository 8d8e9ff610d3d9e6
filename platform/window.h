#pragma once
// The demo window, behind the small message interface the engine's window module was written against:
// a window class is registered once, a window is created with a message procedure, the frame loop takes
// at most one message per pass and dispatches it, and unhandled messages go to the default processing.
// This is the contract every backend keeps; the backends live in folders of their own: sdl/ (SDL2, on
// Linux), win32/ (Win32 and WGL), headless/ (no window system: no window can ever be created), and
// web/ (the page's canvas with WebGL 2, whose buffer swap waits for the browser's next frame).
//
// Messages: every event the backend takes from its window system becomes exactly one Message (events
// the demo has no use for become Message::other). Creation and destruction are sent to the procedure
// directly, as the window system does; quit messages posted by the procedure are taken before the
// window system's events that follow them.
//
// Screen saver: while the window is open the screen saver and the monitor's power saving stay off,
// either by the backend itself (then it never produces Message::sysCommand) or by the procedure, which
// refuses scScreenSave and scMonitorPower.
//
// Display modes: fullscreen asks for the exact mode (width, height, bits per pixel) and nothing else;
// the desktop mode comes back when the window is destroyed or leaves fullscreen, and also when the
// process is asked to end from outside (the backend turns such a request into a close message, or gives
// the mode back as the process ends).
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

// The window class: starts the backend's window system. False if there is no display to open windows on.
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
void unregisterWindowClass();  // closes what is left open and shuts the window system down

// The message loop. peekMessage tells whether a message is waiting; getMessage takes it (and waits for
// one if none is). sendMessage calls the window's procedure at once.
bool peekMessage();
Event getMessage();
std::int64_t dispatchMessage(const Event& event);
std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam);
void postQuitMessage(int exitCode);

// What the window system does with a message the procedure does not handle: close (and sysCommand with
// scClose) destroys the window; everything else gets the window system's own default processing, or
// none (result 0) where it has none.
std::int64_t defWindowProc(Window* window, Message message, std::int64_t wParam, std::int64_t lParam);

}  // namespace platform
