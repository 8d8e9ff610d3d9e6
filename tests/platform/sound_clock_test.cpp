#include "platform/sound_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using platform::OutputClock;
using platform::SoundTime;

constexpr int rate = 44100;
constexpr std::int64_t block = 1024;
constexpr double blockSeconds = static_cast<double>(block) / rate;

SoundTime at(double seconds) {
  return SoundTime{} + std::chrono::hours(1) +
         std::chrono::duration_cast<SoundTime::duration>(std::chrono::duration<double>(seconds));
}

// An output whose callbacks come every `period` seconds with some jitter, read every 2 ms.
struct Readings {
  std::vector<double> readings;  // positions in milliseconds
  std::vector<double> errors;    // position minus the frames the output has really played, in ms
};

Readings simulate(double seconds, double period, double jitter, unsigned seed = 1) {
  OutputClock clock(rate);
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> wobble(-jitter, jitter);
  Readings run;
  std::int64_t k = 0;
  double nextCallback = 0;
  for (double t = 0; t < seconds; t += 0.002) {
    while (nextCallback <= t) {
      clock.onCallback(at(nextCallback), block);
      ++k;
      nextCallback = k * period + wobble(random);
    }
    const double ms = clock.framesAt(at(t)) * 1000.0 / rate;
    run.readings.push_back(ms);
    run.errors.push_back(ms - t / period * blockSeconds * 1000.0);  // the device plays a block per period
  }
  return run;
}

double largestAbs(const std::vector<double>& values, std::size_t from = 0) {
  double largest = 0;
  for (std::size_t i = from; i < values.size(); ++i) largest = std::max(largest, std::abs(values[i]));
  return largest;
}

TEST(OutputClock, StandsAtZeroUntilTheFirstCallbackThenRunsAtTheRate) {
  OutputClock clock(rate);
  EXPECT_EQ(clock.framesAt(at(5)), 0);
  EXPECT_EQ(clock.onCallback(at(5), block), 0);
  EXPECT_EQ(clock.framesAt(at(5)), 0);
  EXPECT_NEAR(clock.framesAt(at(5 + blockSeconds / 2)), block / 2.0, 1e-3);
  EXPECT_EQ(clock.onCallback(at(5 + blockSeconds), block), block);
  EXPECT_EQ(clock.consumedFrames(), block);
  EXPECT_EQ(clock.callbacks(), 2);
}

TEST(OutputClock, JitteryCallbacksGiveASmoothPositionCloseToThePlayedFrames) {
  const Readings run = simulate(10, blockSeconds, 0.001);
  double largestStepError = 0;
  for (std::size_t i = 1; i < run.readings.size(); ++i) {
    largestStepError = std::max(largestStepError, std::abs(run.readings[i] - run.readings[i - 1] - 2.0));
  }
  EXPECT_LT(largestStepError, 0.1) << "readings 2 ms apart should step by about 2 ms";
  EXPECT_LT(largestAbs(run.errors, run.errors.size() / 5), 1.0);
}

TEST(OutputClock, FollowsAnOutputThatRunsFastAgainstTheWallClock) {
  const Readings run = simulate(10, blockSeconds * 0.97, 0.001);  // 3 % fast, like SDL's dummy driver
  EXPECT_LT(largestAbs(run.errors, run.errors.size() / 2), 1.0);
  EXPECT_NEAR(run.readings.back(), 10000 / 0.97, 30);
}

TEST(OutputClock, AStalledOutputStopsTheClockTwoBlocksAheadAndALateCallbackRestartsIt) {
  OutputClock clock(rate);
  for (int k = 0; k < 50; ++k) clock.onCallback(at(k * blockSeconds), block);
  const double stalled = clock.framesAt(at(60));
  EXPECT_NEAR(stalled, 51 * block, 1);
  EXPECT_EQ(clock.onCallback(at(60), block), 50 * block);
  EXPECT_NEAR(clock.framesAt(at(60)), 50 * block, 1e-6);
  EXPECT_NEAR(clock.framesAt(at(60 + blockSeconds / 2)), 50 * block + block / 2, 1);
}

}  // namespace
