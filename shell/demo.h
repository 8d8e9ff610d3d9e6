#pragma once
// The demo's start-up, frame and shutdown, shared by the hosts that run it: the demo itself (a window,
// the music as its clock) and the capture tool (an offscreen context, a clock that steps by a fixed
// amount). A host opens its OpenGL context and sets presentFrame first, then calls startDemo, then
// runFrame once per frame, then stopDemo before it releases the context.

#include <cstdint>
#include <string>

namespace shell {

// Shows a finished frame: the window's buffer swap, or the capture tool's read-back. Set by the host.
extern void (*presentFrame)();

// The folder the pictures and the music are read from, relative to the working directory ("data").
extern std::string dataDirectory;
std::string dataFile(const std::string& name);

// Everything after the window and before the music: the loading screen, the camera, the particle
// systems, the display lists, every texture (with the progress bar between groups), the timeline; the
// loading picture is gone when it returns.
void startDemo();

// One frame: clear, set the demo clock from readClock, the start-track and render-track procedures at
// that clock, present, the post-track procedure at the same clock.
void runFrame(std::int32_t (*readClock)());

// Frees what startDemo created, in order: particle systems, textures, camera (which restores the
// default view).
void stopDemo();

}  // namespace shell
