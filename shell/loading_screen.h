#pragma once
// The loading screen: one picture with a white progress bar across its lower part while the textures
// load. initLoadingScreen also sets the OpenGL state the whole demo starts from: viewport, smooth
// shading, black clear colour, depth function GL_LEQUAL, additive blending (GL_SRC_ALPHA, GL_ONE) on
// and depth testing off.

#include "engine/texture.h"

namespace shell {

// The loading picture (scenes::loadingPicture); lives from initLoadingScreen until the shell destroys it after
// the last progress step.
extern engine::Texture* texLoading;

void initLoadingScreen();

// Draws one frame: the picture, and the bar from its left edge to 1.6 * (2 * fraction - 1) (the
// picture's horizontal centre at 0.5, its right edge at 1.0); then presents it.
void showProgress(double fraction);

}  // namespace shell
