#include "scenes/scenes.h"

namespace scenes {

void scene5Start() {}
void scene5Render() {}
void scene5RenderRings() {}
void scene5Post() {}

}  // namespace scenes
