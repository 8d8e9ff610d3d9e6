#pragma once
// The engine's window module: the one demo window, its display mode and its OpenGL context, and the
// window procedure that turns creation, destruction and Escape into the windowActive flag that ends the
// frame loop. In error reports it calls itself "lmxWinAPI" and the window "lmxWindow".
//
// initWindow either succeeds or ends the process through fatalError with one of the four reports
// ("Could not register lmxWindow!", "Could not create lmxWindow!", "Could not initialise lmxWindow!",
// "Screen resolution is not supported by your gfx card!"). Windowed, the client area is exactly the
// chosen resolution. Fullscreen takes the exact display mode and hides the cursor.

#include "platform/window.h"

#include <cstdint>

namespace engine {

// Module state, read by the frame loop, the loading screen and fatalError.
struct WindowState {
  platform::Window* window = nullptr;  // the window handle; null until created
  bool context = false;                // an OpenGL context exists and is current
  int width = 0;
  int height = 0;
  int bits = 0;
  bool fullscreen = false;
};

extern WindowState windowState;
extern bool windowActive;  // true from creation until destruction or Escape

bool initWindow(const char* caption, int width, int height, int bits, bool fullscreen);
void doneWindow();
std::int64_t windowProc(platform::Window* window, platform::Message message, std::int64_t wParam, std::int64_t lParam);

// Releases the context and destroys the window, whatever of them exists (doneWindow, which so also
// gives the desktop its display mode back).
void releaseDisplay();

// Gives the desktop back whatever the demo took of it: the context and the window released, the
// desktop's display mode and the cursor back if the demo was fullscreen, the window system shut down.
// Every way out of the process after initWindow goes through it (the normal end through doneWindow);
// a second call does nothing.
void giveDisplayBack();

}  // namespace engine
