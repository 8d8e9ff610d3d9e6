#include "scenes/demo_state.h"

namespace scenes {

std::int32_t demoClock = 0;
std::int32_t currentScene = 0;

engine::Camera* camera = nullptr;
engine::ParticleSystem* particles1 = nullptr;
engine::ParticleSystem* particles2 = nullptr;
engine::ParticleSystem* particles3 = nullptr;
engine::ParticleSystem* particles4 = nullptr;
engine::ParticleSystem* particles5 = nullptr;

}  // namespace scenes
