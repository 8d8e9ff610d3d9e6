#pragma once
// The state every scene reads: the demo clock, the scene marker, and the engine objects the shell
// creates at start-up and destroys at shutdown. Scenes only use these objects; they never create or
// free them.

#include "engine/camera.h"
#include "engine/particles.h"
#include "engine/texture.h"

#include <array>
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

// The pictures, loaded by the shell at start-up. Scenes bind them by their glName.
extern engine::Texture* texText1;  // lettering, alpha from the first mask
extern engine::Texture* texText2;
extern engine::Texture* texText3;
extern engine::Texture* texFivebox1;
extern engine::Texture* texFivebox2;
extern engine::Texture* texFivebox3;
extern engine::Texture* texFlare;
extern engine::Texture* texFlareBig;
extern engine::Texture* texGlare;
extern engine::Texture* texCircle1;
extern engine::Texture* texCloud;
extern engine::Texture* texButterfly;
extern engine::Texture* texButterflyShape;
extern engine::Texture* texBackground1;
extern engine::Texture* texBackground2;
extern engine::Texture* texBackground3;
extern engine::Texture* texBackground4;
extern engine::Texture* texBackground99;

// One caption: the arguments of one drawTextRow call, animated by the scenes' post procedures.
struct Caption {
  float x;
  float y;
  float alpha;
  std::int32_t row;
};
extern std::array<Caption, 10> captions;

// The program's random numbers for layouts: one generator, never seeded from the clock, so every run
// draws the same layouts. randomUnit gives u uniform in [0, 1); randomInt(n) gives trunc(n * u): 0 to
// n - 1 for positive n, n + 1 to 0 for negative n, 0 for n = 0. Every draw advances the generator.
double randomUnit();
std::int32_t randomInt(std::int32_t n);
// Back to the generator's state at program start (for tests that need a known sequence).
void resetRandom();

}  // namespace scenes
