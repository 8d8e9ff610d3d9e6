#pragma once
// The state every scene reads: the demo clock, the scene marker, and the engine objects the shell
// creates at start-up and destroys at shutdown. Scenes only use these objects; they never create or
// free them.

#include "engine/camera.h"
#include "engine/particles.h"
#include "engine/texture.h"
#include "scenes/texture_list.h"

#include <array>
#include <cstddef>
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

// The pictures (texture_list.h), loaded by the shell at start-up. Scenes bind them by their glName.
#define VELMORROW_DECLARE_TEXTURE(global, ...) extern engine::Texture* global;
VELMORROW_TEXTURES(VELMORROW_DECLARE_TEXTURE)
#undef VELMORROW_DECLARE_TEXTURE

// Where a picture's alpha channel comes from.
enum class AlphaSource { none, mask, own };

// One row of texture_list.h, for the shell's loading and freeing and for tests.
struct TextureRow {
  const char* name;  // the global's name, such as "texFlareBig"
  engine::Texture** global;
  const char* file;
  int components;
  bool mipmaps;
  AlphaSource alpha;
  const char* maskFile;  // with AlphaSource::mask, else null
  double progressAfter;  // 0: no progress step after this row
  int shutdownPlace;     // 0 is freed first
};

#define VELMORROW_COUNT_TEXTURE(...) +1
constexpr std::size_t textureCount = 0 VELMORROW_TEXTURES(VELMORROW_COUNT_TEXTURE);
#undef VELMORROW_COUNT_TEXTURE

// Every row, in loading order.
#define VELMORROW_TEXTURE_ROW(global, file, components, mipmaps, alpha, maskFile, progressAfter, shutdownPlace) \
  TextureRow{#global, &global, file, components, mipmaps, AlphaSource::alpha, maskFile, progressAfter, shutdownPlace},
inline constexpr std::array<TextureRow, textureCount> textureTable{VELMORROW_TEXTURES(VELMORROW_TEXTURE_ROW)};
#undef VELMORROW_TEXTURE_ROW

// Each place of the shutdown order is taken by exactly one row.
constexpr bool shutdownOrderIsComplete() {
  std::array<bool, textureCount> taken{};
  for (const TextureRow& row : textureTable) {
    if (row.shutdownPlace < 0 || row.shutdownPlace >= static_cast<int>(textureCount) || taken[row.shutdownPlace]) {
      return false;
    }
    taken[row.shutdownPlace] = true;
  }
  return true;
}
static_assert(shutdownOrderIsComplete());

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
