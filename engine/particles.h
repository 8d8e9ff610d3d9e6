#pragma once
// Particle systems: fixed stores of point records that the scenes animate. The engine only creates and
// destroys them; scenes read and write the records directly, each with its own meaning for the values.
// Every system holds 5001 records (index 0 to 5000) whatever its capacity, and a new system is all
// zero. A capacity above 5000 ends the demo with "lmxParticle" / "Too many Particles initialized".

#include <array>
#include <cstdint>

namespace engine {

// One record: fourteen 4-byte values, numbered 1 to 14 by the scenes.
struct Particle {
  float x, y, z;            // values 1-3: a position, or the foot of a strand
  float x2, y2, z2;         // values 4-6: a rest position, a strand's middle, a blade's tip
  float x3, y3, z3;         // values 7-9: a strand's tip, a colour, divisors or a swing vector
  float spare[4];           // values 10-13: unused
  std::int32_t timeOffset;  // value 14: milliseconds added to the demo clock for this point's phase
};
static_assert(sizeof(Particle) == 56);

constexpr int maxParticles = 5000;

struct ParticleSystem {
  std::int32_t count;  // the capacity given at creation; recorded, never read by the scenes
  std::array<Particle, maxParticles + 1> particles;
};

ParticleSystem* initParticleSystem(std::int32_t capacity);
void doneParticleSystem(ParticleSystem* system);

}  // namespace engine
