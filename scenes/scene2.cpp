#include "scenes/scenes.h"

namespace scenes {

void scene2Start() {}
void scene2Render() {}
void scene2Post() {}

}  // namespace scenes
