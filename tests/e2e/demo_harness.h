#pragma once
// Running the demo as a viewer does, for the end-to-end tests: in a folder of its own with a data
// folder and music, on an Xvfb display, answering the startup dialog with keys.

#include "tests/support/process.h"

#include <memory>
#include <string>
#include <vector>

namespace e2e {

// The demo's working folder with its data: flat pictures and `musicSeconds` of silent music (none if 0).
void prepareDemoFolder(const testsupport::TempDir& dir, double musicSeconds = 5);

// The demo's working folder with the data the build made (build/data: every picture and the music).
void useBuiltData(const testsupport::TempDir& dir);

// The environment for running the demo in `dir` on display `x` with SDL's dummy audio driver.
testsupport::ProcessOptions demoOptions(const testsupport::TempDir& dir, const testsupport::Xvfb& x);

std::string demoBinary();

// The demo started as a viewer starts it: a display of `screen`, a folder of its own prepared by
// prepareDemoFolder, and `command` (the demo itself by default) running there with demoOptions.
struct DemoStart {
  testsupport::Xvfb x;
  testsupport::TempDir dir;
  testsupport::Process demo;
  explicit DemoStart(const std::string& screen, const std::vector<std::string>& command = {demoBinary()});
};

// Waits for the startup dialog, gives it the keyboard focus (Xvfb has no window manager to do that)
// and types the keys into it. False if no dialog appeared.
bool answerConfigDialog(const testsupport::Xvfb& x, const std::vector<std::string>& keys);

// Runs the demo up to its window (`windowTimeout`), checks the window's geometry, then ends it with
// Escape (expectEscapeEnds).
void expectDemoWindowThenEscape(testsupport::Process& demo, const testsupport::Xvfb& x, const testsupport::TempDir& dir,
                                const std::string& expectedGeometry,
                                std::chrono::milliseconds windowTimeout = std::chrono::seconds(20));

// The demo still runs; Escape in its window ends it with status 0 and no error.txt in `dir`.
void expectEscapeEnds(testsupport::Process& demo, const testsupport::Xvfb& x, const std::string& window,
                      const testsupport::TempDir& dir);

// An X server whose display mode can be switched (Xorg with the dummy driver): the desktop at
// 1024 x 768, and 800 x 600 and 640 x 480 besides. Null where Xorg cannot be started here (not
// installed, or not allowed to run).
std::unique_ptr<testsupport::Xvfb> startModeSwitchingDisplay();

// The display's current mode, "WIDTHxHEIGHT", from xrandr ("" if it cannot be read).
std::string currentMode(const testsupport::Xvfb& x);

// Waits until the display is in `mode`; false if it was not within the time.
bool waitForMode(const testsupport::Xvfb& x, const std::string& mode,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20));

// "WIDTHxHEIGHT+X+Y" of a window, from xdotool.
std::string geometry(const testsupport::Xvfb& x, const std::string& window);

// The lines of a text, without their line feeds.
std::vector<std::string> lines(const std::string& text);

}  // namespace e2e
