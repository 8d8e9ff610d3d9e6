// The demo's web page program. As the page opens it plays the demo as the desktop program does (the
// dialog, the loading screen, the scenes with the music as their clock); with ?at=MS in the address it
// shows that one frame of the demo at 800 x 600 instead, with no dialog and no music, drawn after the
// same frames before it as velmorrow-capture --at draws (the scenes carry state from frame to frame).

#include "engine/window.h"
#include "shell/demo.h"
#include "shell/main_sequence.h"
#include "tools/capture/frame_plan.h"

#include <emscripten.h>

namespace {

EM_JS(int, pageRequestedClock, (), { return Module.page.requestedClock(); });
EM_JS(void, pageFrameShown, (int clock), { Module.page.frameShown(clock); });

bool showingRequestedFrame = false;

// Only the loading screen's frames and the requested one are shown; the frames before it are drawn
// and not waited for.
void presentWhenShown() {
  if (showingRequestedFrame) platform::swapBuffers(engine::windowState.window);
}

int showOneFrame(std::int32_t clock) {
  engine::initWindow("Velmorrow", 800, 600, 32, false);
  showingRequestedFrame = true;
  shell::startDemo({.presentFrame = presentWhenShown});
  const std::vector<capture::PlannedFrame> frames = capture::planFrames({.at = {clock}});
  for (const capture::PlannedFrame& frame : frames) {
    static std::int32_t current = 0;
    current = frame.clock;
    showingRequestedFrame = frame.write;
    shell::runFrame([] { return current; });
  }
  pageFrameShown(clock);
  return 0;
}

}  // namespace

int main() {
  const int clock = pageRequestedClock();
  if (clock >= 0) return showOneFrame(clock);
  return shell::runMainSequence();
}
