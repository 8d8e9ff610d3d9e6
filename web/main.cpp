// The demo's web page program. As the page opens it plays the demo as the desktop program does (the
// dialog, the loading screen, the scenes with the music as their clock); with ?at=MS in the address it
// shows that one frame of the demo at 800 x 600 instead, with no dialog and no music, drawn after the
// same frames before it as velmorrow-capture --at draws (the scenes carry state from frame to frame).
// Several clocks (?at=2000,20000) show each frame in turn, for the page to keep.

#include "engine/window.h"
#include "shell/demo.h"
#include "shell/main_sequence.h"
#include "tools/capture/frame_plan.h"

#include <emscripten.h>

#include <cstdlib>
#include <vector>

namespace {

EM_JS(int, pageRequestedClocks, (), { return Module.page.requestedClocks().length; });
EM_JS(int, pageRequestedClock, (int index), { return Module.page.requestedClocks()[index]; });
EM_JS(void, pageFrameShown, (int clock), { Module.page.frameShown(clock); });
// Gives the browser a turn (its rendering, the page's scripts) without waiting for a display frame.
EM_ASYNC_JS(void, pageYield, (int clock), { await Module.page.drawing(clock); });
constexpr int framesBetweenYields = 8;

bool showingRequestedFrame = false;

// Only the loading screen's frames and the requested one are shown; the frames before it are drawn
// and not waited for.
void presentWhenShown() {
  if (showingRequestedFrame) platform::swapBuffers(engine::windowState.window);
}

int showFrames(const std::vector<std::int32_t>& clocks) {
  engine::initWindow("Velmorrow", 800, 600, 32, false);
  showingRequestedFrame = true;
  shell::startDemo({.presentFrame = presentWhenShown});
  int drawn = 0;
  for (const capture::PlannedFrame& frame : capture::planFrames({.at = clocks})) {
    static std::int32_t current = 0;
    current = frame.clock;
    if (++drawn % framesBetweenYields == 0) pageYield(frame.clock);
    showingRequestedFrame = frame.write;
    shell::runFrame([] { return current; });
    if (frame.write) pageFrameShown(frame.clock);
  }
  return 0;
}

}  // namespace

// main returns to the browser at its first wait, so its result would be lost: the program ends through
// exit, which the page sees.
int main() {
  std::vector<std::int32_t> clocks;
  for (int i = 0; i < pageRequestedClocks(); ++i) clocks.push_back(pageRequestedClock(i));
  std::exit(clocks.empty() ? shell::runMainSequence() : showFrames(clocks));
}
