#include "shell/config_dialog.h"

#include "engine/fatal_error.h"
#include "platform/window.h"
#include "resources/config_dialog.h"
#include "shell/settings.h"

#include <cstdlib>

namespace shell {

namespace {

using platform::DialogMessage;

void initControls(platform::Dialog* dialog) {
  if (fullscreen) platform::checkDlgButton(dialog, resources::configFullscreen, true);
  if (screenBits == 32) platform::checkDlgButton(dialog, resources::configTrueColor, true);
  if (musicOn) platform::checkDlgButton(dialog, resources::configMusic, true);
  for (const Resolution& resolution : resolutions) {
    platform::comboAddString(dialog, resources::configResolution, resolution.text);
  }
  // The search starts after entry 0, so it finds "800 x 600", the default size.
  platform::comboSelectString(dialog, resources::configResolution, 0, "800");
}

void storeResolution(platform::Dialog* dialog) {
  const int selected = platform::comboGetCurSel(dialog, resources::configResolution);
  if (selected < 0 || selected >= static_cast<int>(resolutions.size())) return;
  screenWidth = resolutions[selected].width;
  screenHeight = resolutions[selected].height;
}

[[noreturn]] void cancel(platform::Dialog* dialog) {
  platform::endDialog(dialog, 0);
  platform::postQuitMessage(0);
  std::exit(0);
}

void go(platform::Dialog* dialog) {
  storeResolution(dialog);
  platform::endDialog(dialog, 0);
  platform::postQuitMessage(0);  // stays queued; the frame loop takes it off without effect
}

// Escape held down, or pressed since the last look, acts as "Cancel".
void escapeTest(platform::Dialog* dialog) {
  if (platform::escapeKeyState()) {
    platform::sendDialogMessage(dialog, DialogMessage::command, resources::configCancel, 0);
  }
}

void command(platform::Dialog* dialog, std::int64_t wParam) {
  switch (wParam) {  // the whole parameter: only clicks (notification 0) match an id
    case resources::configFullscreen:
      fullscreen = !fullscreen;
      break;
    case resources::configTrueColor:
      screenBits = screenBits == 32 ? 16 : 32;
      break;
    case resources::configMusic:
      musicOn = !musicOn;
      break;
    case resources::configCancel:
      cancel(dialog);
    case resources::configGo:
      go(dialog);
      break;
    default:
      escapeTest(dialog);
      break;
  }
}

}  // namespace

std::int64_t configDialogProc(platform::Dialog* dialog, DialogMessage message, std::int64_t wParam, std::int64_t) {
  switch (message) {
    case DialogMessage::initDialog:
      initControls(dialog);
      escapeTest(dialog);
      break;
    case DialogMessage::command:
      command(dialog, wParam);
      break;
    case DialogMessage::close:
      platform::endDialog(dialog, 0);
      std::exit(0);
    default:
      escapeTest(dialog);
      break;
  }
  return 0;
}

void runConfigDialog() {
  const resources::DialogTemplate* dialogTemplate = resources::findDialogTemplate(resources::configDialogId);
  if (platform::dialogBoxParam(dialogTemplate, configDialogProc, 0) == -1) {
    engine::fatalError("Startup Dialog", "Can`t create startup dialog");
  }
}

}  // namespace shell
