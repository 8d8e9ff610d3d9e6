#include "shell/main_sequence.h"

#include "engine/music.h"
#include "engine/window.h"
#include "platform/program.h"
#include "scenes/demo_state.h"
#include "shell/config_dialog.h"
#include "shell/demo.h"
#include "shell/settings.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace shell {

namespace {

void presentToWindow() { platform::swapBuffers(engine::windowState.window); }

// The demo clock is the music position: it starts near 0 and never runs backwards, but a slow frame
// near the end can take it past the timeline's last entry (158400). runFrame indexes the tracks
// through trackIndex, which clamps the clock to 0..158400, while the demo clock keeps its real value.
std::int32_t musicClock() { return engine::musicTime(); }

void runFrameLoop() {
  for (;;) {
    handleOneMessage();
    runFrame(musicClock);
    if (!engine::windowActive || scenes::demoClock >= demoEndClock) break;
  }
}

// A failure nobody caught still gives the desktop its display mode back before the process ends.
[[noreturn]] void giveDisplayBackAndAbort() {
  engine::giveDisplayBack();
  std::abort();
}

// The data folder, or the end of the run with one report saying where it was looked for.
std::string dataFolder() {
  std::string looked;
  const std::string folder = platform::findDataFolder(looked);
  if (!folder.empty()) return folder;
  const std::string report =
      "velmorrow: cannot find the folder \"data\" with the demo's pictures and music (looked in " + looked +
      "). Extract the whole package, keeping \"data\" beside the program, and start the "
      "program there.";
  std::fprintf(stderr, "%s\n", report.c_str());
  platform::showFailure(report);
  std::exit(1);
}

}  // namespace

void handleOneMessage() {
  if (platform::peekMessage()) platform::dispatchMessage(platform::getMessage());
}

int runMainSequence() {
  std::set_terminate(giveDisplayBackAndAbort);
  storeDefaultSettings();
  runConfigDialog();
  const std::string data = dataFolder();
  engine::initWindow("Velmorrow", screenWidth, screenHeight, screenBits, fullscreen);
  startDemo({.presentFrame = presentToWindow, .dataDirectory = data});
  engine::initMusic(dataFile("music.mp3").c_str(), musicOn);
  runFrameLoop();
  engine::doneMusic();
  stopDemo();
  engine::doneWindow();
  platform::unregisterWindowClass();
  return 0;
}

}  // namespace shell
