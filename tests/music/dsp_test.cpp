// The synthesizer's building blocks: filter stability and response, envelope shape, oscillators, drums.

#include "tools/music/drums.h"
#include "tools/music/dsp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace music;

// Steady-state gain of a filter for a sine of `hz`, measured after it settles.
double sineGain(Filter filter, double hz) {
  Oscillator sine(Wave::sine, 0.0, 1);
  sine.setFrequency(hz);
  double peak = 0.0;
  for (int n = 0; n < sampleRate; ++n) {
    const float out = filter.process(sine.next());
    if (n > sampleRate / 2) peak = std::max(peak, static_cast<double>(std::fabs(out)));
  }
  return peak;
}

TEST(Filter, StaysBoundedAndFallsSilentForEveryTypeCutoffAndResonance) {
  for (FilterType type : {FilterType::lowpass, FilterType::highpass, FilterType::bandpass}) {
    for (double cutoff : {5.0, 40.0, 1000.0, 15000.0, 30000.0}) {
      for (double resonance : {0.0, 0.7, 0.99}) {
        Filter filter(type, cutoff, resonance);
        Noise noise(7);
        float loudest = 0.0f;
        for (int n = 0; n < sampleRate / 2; ++n) loudest = std::max(loudest, std::fabs(filter.process(noise.next())));
        // Once the input stops the output dies away: a high resonance at a very low cutoff rings for
        // seconds, but ever more softly.
        float early = 0.0f, tail = 0.0f;
        for (int n = 0; n < 10 * sampleRate; ++n) {
          const float out = filter.process(0.0f);
          ASSERT_TRUE(std::isfinite(out));
          if (n < sampleRate / 2) early = std::max(early, std::fabs(out));
          if (n > 19 * sampleRate / 2) tail = std::max(tail, std::fabs(out));
        }
        const std::string which = "type " + std::to_string(static_cast<int>(type)) + " cutoff " +
                                  std::to_string(cutoff) + " resonance " + std::to_string(resonance);
        EXPECT_LT(loudest, 60.0f) << which;
        EXPECT_LT(tail, resonance < 0.9 ? 1e-6f : early * 0.01f) << which;
      }
    }
  }
}

TEST(Filter, StaysBoundedWhileItsCutoffJumpsEverySample) {
  Filter filter(FilterType::lowpass, 1000.0, 0.99);
  Noise noise(3), jumps(11);
  for (int n = 0; n < 2 * sampleRate; ++n) {
    filter.setCutoff(10000.0 + 9990.0 * jumps.next());
    const float out = filter.process(noise.next());
    ASSERT_TRUE(std::isfinite(out));
    ASSERT_LT(std::fabs(out), 200.0f) << "at sample " << n;
  }
}

TEST(Filter, PassesBelowItsCutoffAndStopsAbove) {
  EXPECT_NEAR(sineGain(Filter(FilterType::lowpass, 1000.0, 0.0), 100.0), 1.0, 0.02);
  EXPECT_LT(sineGain(Filter(FilterType::lowpass, 1000.0, 0.0), 10000.0), 0.02);  // two poles: -40 dB a decade
  EXPECT_NEAR(sineGain(Filter(FilterType::highpass, 1000.0, 0.0), 10000.0), 1.0, 0.02);
  EXPECT_LT(sineGain(Filter(FilterType::highpass, 1000.0, 0.0), 100.0), 0.02);
  EXPECT_NEAR(sineGain(Filter(FilterType::bandpass, 1000.0, 0.5), 1000.0), 1.0, 0.03);
  EXPECT_LT(sineGain(Filter(FilterType::bandpass, 1000.0, 0.5), 10000.0), 0.15);
  // Resonance lifts the cutoff: at 0.9 the peak is about five times the input.
  EXPECT_GT(sineGain(Filter(FilterType::lowpass, 1000.0, 0.9), 1000.0), 4.0);
}

TEST(Envelope, RisesInAStraightLineForItsAttackThenDecaysToSustain) {
  Envelope envelope(10.0, 50.0, 0.5, 100.0);  // 441 samples of attack
  envelope.gateOn();
  std::vector<float> levels;
  for (int n = 0; n < 441; ++n) levels.push_back(envelope.next());
  EXPECT_NEAR(levels[0], 1.0f / 441.0f, 1e-6f);
  EXPECT_NEAR(levels[219], 220.0f / 441.0f, 1e-5f);
  EXPECT_FLOAT_EQ(levels[440], 1.0f);
  EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
  // Decay: 50 ms (2205 samples) brings it to within 1/1000 of the way from 1 to the sustain level.
  float level = 0.0f;
  for (int n = 0; n < 2205; ++n) level = envelope.next();
  EXPECT_NEAR(level, 0.5f + 0.0005f, 1e-4f);
  for (int n = 0; n < sampleRate; ++n) level = envelope.next();
  EXPECT_FLOAT_EQ(level, 0.5f);
  EXPECT_FALSE(envelope.finished());
}

TEST(Envelope, ReleasesToSilenceInItsReleaseTimeAndRetriggersWithoutAJump) {
  Envelope envelope(1.0, 10.0, 0.8, 100.0);
  envelope.gateOn();
  for (int n = 0; n < sampleRate / 10; ++n) envelope.next();
  envelope.gateOff();
  float level = 0.0f;
  for (int n = 0; n < 4410; ++n) level = envelope.next();  // 100 ms: down by 60 dB
  EXPECT_NEAR(level, 0.8f * 0.001f, 0.0001f);
  EXPECT_FALSE(envelope.finished());
  for (int n = 0; n < 4410 && !envelope.finished(); ++n) envelope.next();
  EXPECT_TRUE(envelope.finished());

  // A new note in the middle of a release climbs from where the level is, not from zero.
  Envelope again(20.0, 10.0, 0.8, 500.0);
  again.gateOn();
  for (int n = 0; n < 4410; ++n) again.next();
  again.gateOff();
  for (int n = 0; n < 441; ++n) again.next();
  const float before = again.level();
  again.gateOn();
  const float after = again.next();
  EXPECT_GT(after, before);
  EXPECT_LT(after - before, 0.01f);
}

TEST(Envelope, WithoutSustainEndsAfterItsDecay) {
  Envelope pluck(1.0, 20.0, 0.0, 100.0);
  pluck.gateOn();
  int samples = 0;
  while (!pluck.finished() && samples < sampleRate) {
    pluck.next();
    ++samples;
  }
  EXPECT_TRUE(pluck.finished());
  EXPECT_LT(samples, 3 * 882);  // gone within a few decay times of 20 ms
}

TEST(Oscillator, RunsAtItsFrequencyCentredAndWithinFullScale) {
  for (Wave wave : {Wave::sine, Wave::saw, Wave::square, Wave::triangle}) {
    Oscillator oscillator(wave, 0.0, 1);
    oscillator.setFrequency(441.0);
    int upward = 0;
    double sum = 0.0, peak = 0.0;
    float last = oscillator.next();
    for (int n = 1; n < sampleRate; ++n) {
      const float value = oscillator.next();
      if (last < 0.0f && value >= 0.0f) ++upward;
      last = value;
      if (n >= sampleRate / 10) sum += value;
      peak = std::max(peak, static_cast<double>(std::fabs(value)));
    }
    // Wave by wave: each cycle crosses zero upwards once (the saw once at its edge).
    EXPECT_NEAR(upward, 441, 2) << static_cast<int>(wave);
    EXPECT_NEAR(sum / (sampleRate * 0.9), 0.0, 0.02) << static_cast<int>(wave);
    EXPECT_LT(peak, 1.2) << static_cast<int>(wave);
    EXPECT_GT(peak, 0.8) << static_cast<int>(wave);
  }
}

TEST(Oscillator, NoiseIsTheSameForTheSameSeedAndDiffersForAnother) {
  Oscillator a(Wave::noise, 0.0, 42), b(Wave::noise, 0.0, 42), c(Wave::noise, 0.0, 43);
  bool differs = false;
  for (int n = 0; n < 1000; ++n) {
    const float value = a.next();
    ASSERT_EQ(value, b.next());
    ASSERT_GE(value, -1.0f);
    ASSERT_LT(value, 1.0f);
    differs = differs || value != c.next();
  }
  EXPECT_TRUE(differs);
}

TEST(Drums, AKickFallsInPitchAndEveryDrumDiesAwayWithinItsDecay) {
  DrumSettings kick;  // 160 Hz falling to 50 Hz
  DrumVoice voice(DrumKind::kick, kick, 1);
  std::vector<int> crossings;
  float last = 0.0f;
  for (int n = 0; n < sampleRate / 4; ++n) {
    const float value = voice.next();
    if (last < 0.0f && value >= 0.0f) crossings.push_back(n);
    last = value;
  }
  ASSERT_GE(crossings.size(), 6u);
  const int early = crossings[1] - crossings[0];
  const int late = crossings[crossings.size() - 1] - crossings[crossings.size() - 2];
  EXPECT_LT(early, 44100 / 100);      // above 100 Hz at first
  EXPECT_NEAR(late, 44100 / 50, 40);  // settled near 50 Hz

  for (DrumKind kind : {DrumKind::kick, DrumKind::snare, DrumKind::hat}) {
    DrumSettings settings;
    settings.decayMs = 200.0;
    DrumVoice drum(kind, settings, 5);
    float peak = 0.0f;
    int samples = 0;
    while (!drum.finished() && samples < sampleRate) {
      peak = std::max(peak, std::fabs(drum.next()));
      ++samples;
    }
    EXPECT_TRUE(drum.finished()) << static_cast<int>(kind);
    EXPECT_LE(samples, static_cast<int>(samplesFor(200.0 * 4.0 / 3.0)) + 1) << static_cast<int>(kind);  // -80 dB
    EXPECT_GT(peak, 0.2f) << static_cast<int>(kind);
    EXPECT_LE(peak, 1.01f) << static_cast<int>(kind);
  }
}

}  // namespace
