#include "engine/particles.h"

#include "engine/fatal_error.h"

namespace engine {

ParticleSystem* initParticleSystem(std::int32_t capacity) {
  auto* system = new ParticleSystem{};  // value-initialised: every record reads 0
  if (capacity > maxParticles) {
    delete system;
    fatalError("lmxParticle", "Too many Particles initialized");
  }
  system->count = capacity;
  return system;
}

void doneParticleSystem(ParticleSystem* system) { delete system; }

}  // namespace engine
