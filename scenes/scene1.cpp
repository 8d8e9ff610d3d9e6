#include "scenes/scenes.h"

namespace scenes {

void scene1Start() {}
void scene1Render() {}
void scene1Post() {}

}  // namespace scenes
