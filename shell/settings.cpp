#include "shell/settings.h"

namespace shell {

std::int32_t screenWidth = 800;
std::int32_t screenHeight = 600;
std::int32_t screenBits = 32;
bool fullscreen = true;
bool musicOn = true;

void storeDefaultSettings() {
  screenWidth = 800;
  screenHeight = 600;
  screenBits = 32;
  fullscreen = true;
  musicOn = true;
}

}  // namespace shell
