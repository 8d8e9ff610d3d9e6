// Delay, reverb and limiter.

#include "tools/music/effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace music;

TEST(Delay, EchoesAlternateSidesExactlyOneDelayTimeApartAndFade) {
  Delay delay(100.0, 0.5, 20000.0);  // 4410 samples
  std::vector<Stereo> out;
  for (int n = 0; n < 4 * 4410 + 10; ++n) out.push_back(delay.process({n == 0 ? 1.0f : 0.0f, n == 0 ? 1.0f : 0.0f}));
  const auto loudestLeft = [&](int from, int to) {
    int at = from;
    for (int n = from; n < to; ++n)
      if (std::fabs(out[n].left) > std::fabs(out[at].left)) at = n;
    return at;
  };
  EXPECT_EQ(loudestLeft(1, 4410 + 100), 4410);
  EXPECT_NEAR(out[4410].left, 1.0f, 0.01f);
  EXPECT_NEAR(out[4410].right, 0.0f, 1e-6f);
  // The second echo comes on the right, half as loud (through a damping filter that is wide open).
  float right = 0.0f;
  for (int n = 2 * 4410 - 5; n < 2 * 4410 + 5; ++n) right = std::max(right, std::fabs(out[n].right));
  EXPECT_NEAR(right, 0.5f, 0.05f);
  float third = 0.0f;
  for (int n = 3 * 4410 - 5; n < 3 * 4410 + 5; ++n) third = std::max(third, std::fabs(out[n].left));
  EXPECT_NEAR(third, 0.25f, 0.05f);
}

TEST(Reverb, RingsOnAndDiesAwayAtItsDecayTime) {
  Reverb reverb(1.0, 8000.0, 10.0);
  std::vector<float> energy(3 * 10, 0.0f);  // in 100 ms slices
  float first = -1.0f;
  for (int n = 0; n < 3 * sampleRate; ++n) {
    const Stereo out = reverb.process({n == 0 ? 1.0f : 0.0f, n == 0 ? 1.0f : 0.0f});
    ASSERT_TRUE(std::isfinite(out.left) && std::isfinite(out.right));
    if (first < 0.0f && (out.left != 0.0f || out.right != 0.0f)) first = static_cast<float>(n);
    energy[static_cast<std::size_t>(n / 4410)] += out.left * out.left + out.right * out.right;
  }
  EXPECT_GE(first, 441.0f);  // nothing before the pre-delay
  const double early = 10.0 * std::log10(energy[1]);
  const double oneSecondLater = 10.0 * std::log10(energy[11]);
  EXPECT_NEAR(early - oneSecondLater, 60.0, 12.0);  // -60 dB a second, give or take the damping
  EXPECT_LT(energy[29], energy[1] * 1e-8f);
}

TEST(Reverb, StaysBoundedUnderLoudSteadyInput) {
  Reverb reverb(20.0, 15000.0, 0.0);
  Noise noise(9);
  float peak = 0.0f;
  for (int n = 0; n < 10 * sampleRate; ++n) {
    const Stereo out = reverb.process({noise.next(), noise.next()});
    peak = std::max({peak, std::fabs(out.left), std::fabs(out.right)});
  }
  EXPECT_TRUE(std::isfinite(peak));
  EXPECT_LT(peak, 20.0f);
}

TEST(Limiter, KeepsEverySampleUnderTheCeilingAndLeavesQuietMusicAlone) {
  Noise noise(1);
  std::vector<float> left(sampleRate), right(sampleRate);
  for (int n = 0; n < sampleRate; ++n) {
    const float swell = 4.0f * std::fabs(std::sin(n / 3000.0f));  // up to 12 dB over full scale
    left[n] = noise.next() * swell;
    right[n] = noise.next() * swell * 0.5f;
  }
  limit(left, right, 0.8f);
  float peak = 0.0f;
  for (int n = 0; n < sampleRate; ++n) peak = std::max({peak, std::fabs(left[n]), std::fabs(right[n])});
  EXPECT_LE(peak, 0.8f);
  EXPECT_GT(peak, 0.7f);

  std::vector<float> quietLeft(1000), quietRight(1000);
  for (int n = 0; n < 1000; ++n) {
    quietLeft[n] = 0.5f * std::sin(n * 0.1f);
    quietRight[n] = -quietLeft[n];
  }
  const auto originalLeft = quietLeft, originalRight = quietRight;
  limit(quietLeft, quietRight, 0.8f);
  EXPECT_EQ(quietLeft, originalLeft);
  EXPECT_EQ(quietRight, originalRight);
}

TEST(Limiter, TurnsDownOnlyWithinItsLookAheadBeforeAPeak) {
  std::vector<float> left(20000, 0.5f), right(20000, 0.5f);
  left[10000] = 2.0f;
  limit(left, right, 1.0f, 3.0, 50.0);
  const int lookAhead = static_cast<int>(samplesFor(3.0));
  EXPECT_EQ(left[10000 - lookAhead - 1], 0.5f);   // untouched before the look-ahead
  EXPECT_LT(right[10000 - lookAhead / 2], 0.5f);  // gliding down inside it
  EXPECT_LE(left[10000], 1.0f);
  EXPECT_NEAR(left[10000], 1.0f, 0.01f);
  EXPECT_LT(right[10000 + 100], 0.5f);  // recovering slowly afterwards
  EXPECT_TRUE(std::is_sorted(right.begin() + 10000, right.end()));
  EXPECT_NEAR(right[19999], 0.5f, 0.005f);  // 4.5 release times later
}

}  // namespace
