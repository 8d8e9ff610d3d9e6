#include "engine/particles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool allZero(const engine::ParticleSystem& system) {
  for (const engine::Particle& p : system.particles) {
    static const engine::Particle zero{};
    if (std::memcmp(&p, &zero, sizeof p) != 0) return false;
  }
  return true;
}

TEST(ParticleSystem, NewSystemsHoldFiveThousandAndOneZeroRecords) {
  for (int capacity : {5000, 200, 0, -3}) {
    engine::ParticleSystem* system = engine::initParticleSystem(capacity);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->count, capacity);
    EXPECT_EQ(system->particles.size(), 5001u);
    EXPECT_TRUE(allZero(*system)) << "capacity " << capacity;
    EXPECT_EQ(system->particles[5000].timeOffset, 0);
    engine::doneParticleSystem(system);
  }
}

}  // namespace
