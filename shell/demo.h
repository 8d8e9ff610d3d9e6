#pragma once
// The demo's start-up, frame and shutdown, shared by the hosts that run it: the demo itself (a window,
// the music as its clock) and the capture tool (an offscreen context, a clock that steps by a fixed
// amount). A host opens its OpenGL context, then calls startDemo with its description, then runFrame
// once per frame, then stopDemo before it releases the context.

#include <cstdint>
#include <string>

namespace shell {

// What a host tells the demo about itself. Zero (a default-constructed member) means the default.
struct DemoDescription {
  // Shows a finished frame: the window's buffer swap, or the capture tool's read-back. Null: frames are
  // drawn and not shown.
  void (*presentFrame)() = nullptr;
  // The folder the pictures and the music are read from, relative to the working directory. Empty:
  // "data".
  std::string dataDirectory{};
};

// Everything after the window and before the music: the loading screen, the camera, the particle
// systems, the display lists, every texture (with the progress bar between groups), the timeline; the
// loading picture is gone when it returns. The description is kept until the next startDemo. startDemo
// may not return: a picture that decodes to nothing ends the process through the fatal reporter
// (engine/fatal_error.h), and a file that cannot be opened or is cut short ends it with the input/output
// report (engine/texture.h).
void startDemo(const DemoDescription& description = {});

// The description's present and data folder, for the loading screen and the main sequence (the
// defaults until startDemo). useDescription keeps a description without starting anything: startDemo
// calls it first, and tests that run the loading screen on its own call it themselves.
void useDescription(const DemoDescription& description);
void presentFrame();
std::string dataFile(const std::string& name);

// One frame: clear, set the demo clock from readClock, the start-track and render-track procedures at
// that clock, present, the post-track procedure at the same clock.
void runFrame(std::int32_t (*readClock)());

// Frees what startDemo created, in order: particle systems, textures, camera (which restores the
// default view).
void stopDemo();

}  // namespace shell
