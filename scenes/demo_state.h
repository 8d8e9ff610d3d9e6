#pragma once
// The state every scene reads: the demo clock, the scene marker, and the engine objects the shell
// creates at start-up and destroys at shutdown. Scenes only use these objects; they never create or
// free them.

#include "engine/camera.h"
#include "engine/particles.h"

#include <cstdint>

namespace scenes {

// The music position in milliseconds, written once per frame before any timeline procedure runs.
extern std::int32_t demoClock;

// The code of the scene whose one-time set-up ran last (0 before the first); each start procedure runs
// its set-up only when this differs from its own code.
extern std::int32_t currentScene;

extern engine::Camera* camera;
extern engine::ParticleSystem* particles1;  // capacity 200
extern engine::ParticleSystem* particles2;  // capacity 200
extern engine::ParticleSystem* particles3;  // capacity 200
extern engine::ParticleSystem* particles4;  // capacity 600
extern engine::ParticleSystem* particles5;  // capacity 2000

}  // namespace scenes
