#include "shell/main_sequence.h"

#include "engine/window.h"
#include "scenes/demo_state.h"
#include "shell/config_dialog.h"
#include "shell/demo.h"
#include "shell/settings.h"

namespace shell {

namespace {

void presentToWindow() { platform::swapBuffers(engine::windowState.window); }

// The demo clock. Until the music runs, it stands at 0.
std::int32_t currentClock() { return 0; }

void runFrameLoop() {
  for (;;) {
    handleOneMessage();
    runFrame(currentClock());
    if (!engine::windowActive || scenes::demoClock >= demoEndClock) break;
  }
}

}  // namespace

void handleOneMessage() {
  if (platform::peekMessage()) platform::dispatchMessage(platform::getMessage());
}

int runMainSequence() {
  storeDefaultSettings();
  runConfigDialog();
  engine::initWindow("Velmorrow", screenWidth, screenHeight, screenBits, fullscreen);
  presentFrame = presentToWindow;
  startDemo();
  runFrameLoop();
  stopDemo();
  engine::doneWindow();
  platform::unregisterWindowClass();
  return 0;
}

}  // namespace shell
