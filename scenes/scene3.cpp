#include "scenes/scenes.h"

namespace scenes {

void scene3Start() {}
void scene3Render() {}
void scene3Post() {}

}  // namespace scenes
