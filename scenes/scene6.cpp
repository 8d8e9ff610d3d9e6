#include "scenes/scenes.h"

namespace scenes {

void scene6Start() {}
void scene6Render() {}
void scene6Post() {}

}  // namespace scenes
