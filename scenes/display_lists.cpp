#include "scenes/scenes.h"

namespace scenes {

void prepareScenes() {}

}  // namespace scenes
