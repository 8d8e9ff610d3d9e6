#pragma once
// The demo's start-up, frame and shutdown, shared by the hosts that run it: the demo itself (a window,
// the music as its clock) and the capture tool (an offscreen context, a clock that steps by a fixed
// amount). A host opens its OpenGL context first, then calls startDemo, then runFrame once per frame,
// then stopDemo before it releases the context.

#include <cstdint>

namespace shell {

// Everything after the window and before the music: the camera, the particle systems, the display
// lists and the timeline.
void startDemo();

// One frame at the given clock: clear, set the demo clock, the start-track and render-track procedures,
// present (the host's buffer swap or read-back), the post-track procedure.
void runFrame(std::int32_t clock, void (*present)());

// Frees what startDemo created, in order: particle systems, camera (which restores the default view).
void stopDemo();

}  // namespace shell
