#include "tools/music/dsp.h"

#include <algorithm>
#include <cmath>

namespace music {

namespace {

// Fraction of the way towards the target left after `ms`: 1/1000, i.e. -60 dB.
double factorFor(double ms) { return std::exp(std::log(0.001) / static_cast<double>(samplesFor(ms))); }

// Polynomial band-limited step: the correction around a discontinuity at phase 0 for a phase
// advancing by `increment` per sample.
double polyBlep(double phase, double increment) {
  if (phase < increment) {
    const double t = phase / increment;
    return t + t - t * t - 1.0;
  }
  if (phase > 1.0 - increment) {
    const double t = (phase - 1.0) / increment;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

}  // namespace

std::int64_t samplesFor(double ms) { return std::max<std::int64_t>(1, std::llround(ms * (sampleRate / 1000.0))); }

double noteFrequency(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }

double dbToGain(double db) { return db <= -90.0 ? 0.0 : std::pow(10.0, db / 20.0); }

Oscillator::Oscillator(Wave wave, double phase, std::uint32_t seed)
    : wave_(wave), phase_(phase - std::floor(phase)), noise_(seed) {
  // The triangle is integrated from the square, so it starts from the value it has at this phase.
  triangle_ = static_cast<float>(phase_ < 0.5 ? -1.0 + 4.0 * phase_ : 3.0 - 4.0 * phase_);
}

void Oscillator::setFrequency(double hz) { increment_ = std::clamp(hz / sampleRate, 0.0, 0.45); }

float Oscillator::next(double phaseOffset) {
  double phase = phase_ + phaseOffset;
  phase -= std::floor(phase);
  double value = 0.0;
  switch (wave_) {
    case Wave::sine:
      value = std::sin(2.0 * pi * phase);
      break;
    case Wave::saw:
      value = 2.0 * phase - 1.0 - polyBlep(phase, increment_);
      break;
    case Wave::square:
    case Wave::triangle: {
      double half = phase + 0.5;
      half -= std::floor(half);
      value = (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, increment_) - polyBlep(half, increment_);
      if (wave_ == Wave::triangle) {
        // A leaky integral of the square; 4 * increment scales it to about +-1.
        triangle_ = static_cast<float>(increment_ * 4.0 * value + (1.0 - 0.0005) * triangle_);
        value = triangle_;
      }
      break;
    }
    case Wave::noise:
      value = noise_.next();
      break;
  }
  phase_ += increment_;
  phase_ -= std::floor(phase_);
  return static_cast<float>(value);
}

Envelope::Envelope(double attackMs, double decayMs, double sustain, double releaseMs)
    : attackStep_(1.0 / static_cast<double>(samplesFor(attackMs))),
      decayFactor_(factorFor(decayMs)),
      releaseFactor_(factorFor(releaseMs)),
      sustain_(std::clamp(sustain, 0.0, 1.0)) {}

void Envelope::gateOn() { stage_ = Stage::attack; }

void Envelope::gateOff() {
  if (stage_ != Stage::done) stage_ = Stage::release;
}

float Envelope::next() {
  switch (stage_) {
    case Stage::idle:
    case Stage::done:
      break;
    case Stage::attack:
      level_ += attackStep_;
      if (level_ >= 1.0) {
        level_ = 1.0;
        stage_ = Stage::decay;
      }
      break;
    case Stage::decay:
      level_ = sustain_ + (level_ - sustain_) * decayFactor_;
      if (level_ - sustain_ < 1e-6) {
        level_ = sustain_;
        stage_ = Stage::sustain;
      }
      break;
    case Stage::sustain:
      if (sustain_ <= 0.0) stage_ = Stage::done;
      break;
    case Stage::release:
      level_ *= releaseFactor_;
      if (level_ < 1e-4) {
        level_ = 0.0;
        stage_ = Stage::done;
      }
      break;
  }
  return static_cast<float>(level_);
}

Decay::Decay(double ms) : factor_(factorFor(ms)) {}

void Filter::set(FilterType type, double cutoffHz, double resonance) {
  type_ = type;
  k_ = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.995);
  setCutoff(cutoffHz);
}

void Filter::setCutoff(double cutoffHz) {
  const double hz = std::clamp(cutoffHz, 10.0, 0.45 * sampleRate);
  const double g = std::tan(pi * hz / sampleRate);
  a1_ = 1.0 / (1.0 + g * (g + k_));
  a2_ = g * a1_;
  a3_ = g * a2_;
}

float Filter::process(float in) {
  const double v0 = in;
  const double v3 = v0 - ic2_;
  const double v1 = a1_ * ic1_ + a2_ * v3;
  const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
  ic1_ = 2.0 * v1 - ic1_;
  ic2_ = 2.0 * v2 - ic2_;
  switch (type_) {
    case FilterType::lowpass:
      return static_cast<float>(v2);
    case FilterType::highpass:
      return static_cast<float>(v0 - k_ * v1 - v2);
    case FilterType::bandpass:
      break;
  }
  return static_cast<float>(v1 * k_);  // unity gain at the cutoff whatever the resonance
}

void OnePole::setCutoff(double cutoffHz) {
  coefficient_ = 1.0 - std::exp(-2.0 * pi * std::clamp(cutoffHz, 1.0, 0.45 * sampleRate) / sampleRate);
}

}  // namespace music
