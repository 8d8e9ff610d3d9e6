#pragma once
// The scenes' procedures, as the timeline calls them: each scene has a start procedure (its one-time
// set-up, guarded by currentScene), a render procedure and a post procedure (state that advances with
// the clock after the frame is shown). prepareScenes compiles the display lists once at start-up.

namespace scenes {

void prepareScenes();

void scene1Start();
void scene1Render();
void scene1Post();
void scene2Start();
void scene2Render();
void scene2Post();
void scene3Start();
void scene3Render();
void scene3Post();
void scene4Start();
void scene4Render();
void scene4Post();
void scene5Start();
void scene5Render();
void scene5RenderRings();
void scene5Post();
void scene6Start();
void scene6Render();
void scene6Post();
void scene7Start();
void scene7Render();
void scene7Render2();
void scene7Post();

}  // namespace scenes
