#pragma once
// Running the demo as a viewer does, for the end-to-end tests: in a folder of its own with a data
// folder and music, on an Xvfb display, answering the startup dialog with keys.

#include "tests/support/process.h"

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

// Waits for the startup dialog, gives it the keyboard focus (Xvfb has no window manager to do that)
// and types the keys into it. False if no dialog appeared.
bool answerConfigDialog(const testsupport::Xvfb& x, const std::vector<std::string>& keys);

// "WIDTHxHEIGHT+X+Y" of a window, from xdotool.
std::string geometry(const testsupport::Xvfb& x, const std::string& window);

// The lines of a text, without their line feeds.
std::vector<std::string> lines(const std::string& text);

}  // namespace e2e
