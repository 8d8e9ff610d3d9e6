#include "tools/music/drums.h"

#include <cmath>

namespace music {

namespace {

// Ratios of the metallic partials of a hat, inharmonic so they never fuse into a pitch.
constexpr std::array<double, 6> hatRatios{1.0, 1.483, 1.800, 2.546, 2.630, 3.897};

}  // namespace

DrumVoice::DrumVoice(DrumKind kind, const DrumSettings& settings, std::uint32_t seed)
    : kind_(kind),
      settings_(settings),
      amp_(settings.decayMs),
      pitch_(settings.sweepMs),
      body_(settings.toneMs),
      click_(4.0),
      sine_(Wave::sine, 0.0, seed),
      sine2_(Wave::sine, 0.0, seed),
      noise_(seed * 2654435761u + 1u),
      driveNorm_(1.0 / std::tanh(std::max(settings.drive, 0.1))) {
  switch (kind_) {
    case DrumKind::kick:
      filter_.set(FilterType::highpass, 2000.0, 0.0);
      break;
    case DrumKind::snare:
      filter_.set(FilterType::highpass, settings.filterHz, 0.1);
      filter2_.set(FilterType::lowpass, 11000.0, 0.0);
      sine_.setFrequency(settings.pitchHz);
      sine2_.setFrequency(settings.pitchHz * 1.5);
      break;
    case DrumKind::hat:
      for (std::size_t i = 0; i < partials_.size(); ++i) {
        partials_[i] = Oscillator(Wave::square, 0.13 * static_cast<double>(i), seed + static_cast<std::uint32_t>(i));
        partials_[i].setFrequency(settings.pitchHz * hatRatios[i]);
      }
      filter_.set(FilterType::bandpass, settings.filterHz, 0.35);
      filter2_.set(FilterType::highpass, settings.filterHz * 0.7, 0.0);
      break;
  }
}

float DrumVoice::next() {
  ++position_;
  switch (kind_) {
    case DrumKind::kick:
      return nextKick();
    case DrumKind::snare:
      return nextSnare();
    case DrumKind::hat:
      break;
  }
  return nextHat();
}

float DrumVoice::nextKick() {
  const double sweep = pitch_.next();
  sine_.setFrequency(settings_.pitchHz + (settings_.punchHz - settings_.pitchHz) * sweep);
  const double click = filter_.process(noise_.next()) * click_.next() * settings_.noise;
  const double body = sine_.next() * amp_.next() + click;
  return static_cast<float>(std::tanh(settings_.drive * body) * driveNorm_);
}

float DrumVoice::nextSnare() {
  const double bodyLevel = body_.next();
  const double body = (0.65 * sine_.next() + 0.35 * sine2_.next()) * bodyLevel;
  const double noise = filter2_.process(filter_.process(noise_.next())) * settings_.noise;
  const double hit = (body + noise) * amp_.next();
  return static_cast<float>(std::tanh(settings_.drive * hit) * driveNorm_);
}

float DrumVoice::nextHat() {
  double metal = 0.0;
  for (Oscillator& partial : partials_) metal += partial.next();
  const double mix = metal / 6.0 * (1.0 - settings_.noise) + noise_.next() * settings_.noise;
  return static_cast<float>(filter2_.process(filter_.process(static_cast<float>(mix))) * 2.0 * amp_.next());
}

}  // namespace music
