#include "scenes/demo_state.h"

#include <random>

namespace scenes {

std::int32_t demoClock = 0;
std::int32_t currentScene = 0;

engine::Camera* camera = nullptr;
engine::ParticleSystem* particles1 = nullptr;
engine::ParticleSystem* particles2 = nullptr;
engine::ParticleSystem* particles3 = nullptr;
engine::ParticleSystem* particles4 = nullptr;
engine::ParticleSystem* particles5 = nullptr;

#define VELMORROW_DEFINE_TEXTURE(global, ...) engine::Texture* global = nullptr;
VELMORROW_TEXTURES(VELMORROW_DEFINE_TEXTURE)
#undef VELMORROW_DEFINE_TEXTURE

std::array<Caption, 10> captions{};

namespace {

std::mt19937 generator;  // the default seed, the same on every run

}  // namespace

double randomUnit() { return static_cast<double>(generator()) * 0x1p-32; }

std::int32_t randomInt(std::int32_t n) { return static_cast<std::int32_t>(n * randomUnit()); }

void resetRandom() { generator = std::mt19937{}; }

}  // namespace scenes
