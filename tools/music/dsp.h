#pragma once
// The synthesizer's building blocks: oscillators, a noise source, envelopes and a resonant filter.
//
// Conventions: one sample rate for everything, `sampleRate` (44,100 Hz); times are given in
// milliseconds and frequencies in hertz; signals are float-valued samples where 1.0 is full scale.
// Every block is a small value type that owns its state and advances by one sample per call, with no
// allocation and no hidden randomness: the noise source is a seeded integer generator, so the same
// calls give the same samples on every run. Out-of-range settings are clamped to something that
// still sounds (a cutoff above Nyquist is pulled below it, a zero-length envelope stage takes one
// sample); nothing here throws.

#include <cstdint>

namespace music {

constexpr int sampleRate = 44100;
constexpr double pi = 3.14159265358979323846;

// Samples in a span of milliseconds, rounded to the nearest sample, at least 1.
std::int64_t samplesFor(double ms);

// Frequency of a MIDI note number (69 = A4 = 440 Hz), fractional notes allowed.
double noteFrequency(double note);

// Decibels to a linear gain; -90 dB or less is silence (exactly 0).
double dbToGain(double db);

enum class Wave { sine, saw, square, triangle, noise };

// A seeded 32-bit xorshift generator giving uniform values in [-1, 1).
class Noise {
 public:
  explicit Noise(std::uint32_t seed = 1) : state_(seed ? seed : 0x9e3779b9u) {}
  float next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(static_cast<std::int32_t>(state_) * (1.0 / 2147483648.0));
  }

 private:
  std::uint32_t state_;
};

// A band-limited oscillator (saw and square corrected with polynomial steps at their edges, the
// triangle integrated from the square), or a noise source. Phase runs from 0 to 1.
class Oscillator {
 public:
  Oscillator() = default;
  Oscillator(Wave wave, double phase, std::uint32_t seed);
  void setFrequency(double hz);
  // The next sample; phaseOffset (in cycles) shifts this sample only, for phase modulation.
  float next(double phaseOffset = 0.0);

 private:
  Wave wave_ = Wave::sine;
  double phase_ = 0.0;
  double increment_ = 0.0;
  float triangle_ = 0.0f;
  Noise noise_;
};

// Attack, decay, sustain, release. The attack rises in a straight line from wherever the level is;
// decay and release fall exponentially and reach their target to within 1/1000 (-60 dB) after their
// time. The envelope is finished once released and below -80 dB.
class Envelope {
 public:
  Envelope() = default;
  Envelope(double attackMs, double decayMs, double sustain, double releaseMs);
  void gateOn();
  void gateOff();
  float next();
  bool finished() const { return stage_ == Stage::done; }
  bool released() const { return stage_ == Stage::release || stage_ == Stage::done; }
  float level() const { return static_cast<float>(level_); }

 private:
  enum class Stage { idle, attack, decay, sustain, release, done };
  double attackStep_ = 1.0;
  double decayFactor_ = 0.0;
  double releaseFactor_ = 0.0;
  double sustain_ = 1.0;
  double level_ = 0.0;
  Stage stage_ = Stage::idle;
};

// A decaying exponential from 1 towards 0, -60 dB after its time: the shape of drum hits, pitch
// sweeps and filter envelopes.
class Decay {
 public:
  Decay() = default;
  explicit Decay(double ms);
  float next() {
    const double value = level_;
    level_ *= factor_;
    return static_cast<float>(value);
  }
  float level() const { return static_cast<float>(level_); }

 private:
  double factor_ = 0.0;
  double level_ = 1.0;
};

enum class FilterType { lowpass, highpass, bandpass };

// A state-variable filter in trapezoidal form: stable for every cutoff below Nyquist and every
// resonance, also while either changes from sample to sample. Resonance 0 is a gentle slope with no
// peak; towards 1 the filter rings ever longer at the cutoff without ever growing without bound.
class Filter {
 public:
  Filter() { set(FilterType::lowpass, 1000.0, 0.0); }
  Filter(FilterType type, double cutoffHz, double resonance) { set(type, cutoffHz, resonance); }
  void set(FilterType type, double cutoffHz, double resonance);
  void setCutoff(double cutoffHz);
  float process(float in);
  void reset() { ic1_ = ic2_ = 0.0; }

 private:
  FilterType type_ = FilterType::lowpass;
  double k_ = 2.0;
  double a1_ = 0.0, a2_ = 0.0, a3_ = 0.0;
  double ic1_ = 0.0, ic2_ = 0.0;
};

// A one-pole low-pass for damping in feedback loops and smoothing.
class OnePole {
 public:
  OnePole() = default;
  explicit OnePole(double cutoffHz) { setCutoff(cutoffHz); }
  void setCutoff(double cutoffHz);
  float process(float in) {
    state_ += coefficient_ * (in - state_);
    return static_cast<float>(state_);
  }

 private:
  double coefficient_ = 1.0;
  double state_ = 0.0;
};

}  // namespace music
