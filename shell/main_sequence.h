#pragma once
// The demo as a program: the settings, the window, the start-up, the frame loop and the shutdown.

#include <cstdint>

namespace shell {

constexpr std::int32_t demoEndClock = 157900;  // the demo ends after the first frame at or past this clock

// Runs the whole demo and returns the process's exit code.
int runMainSequence();

// Takes the next window message, if one is waiting, and dispatches it: at most one per frame.
void handleOneMessage();

}  // namespace shell
