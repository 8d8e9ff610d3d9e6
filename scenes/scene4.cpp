#include "scenes/scenes.h"

namespace scenes {

void scene4Start() {}
void scene4Render() {}
void scene4Post() {}

}  // namespace scenes
