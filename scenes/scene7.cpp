#include "scenes/scenes.h"

namespace scenes {

void scene7Start() {}
void scene7Render() {}
void scene7Render2() {}
void scene7Post() {}

}  // namespace scenes
