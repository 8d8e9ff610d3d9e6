#pragma once
// Drum voices: one hit each, synthesized from oscillators, noise and filters (no samples).
//
// A kick is a sine whose pitch falls quickly from `punchHz` to `pitchHz`, with a short noise click,
// softly saturated. A snare is a pitched body (two sines a fifth apart, short decay) under a burst of
// high-passed noise. A hi-hat is six detuned square waves at inharmonic ratios, band-passed high, under
// a little noise: short `decay` for a closed hat, long for an open one.
// Each voice plays one mono hit of full-scale order starting at its first `next()`; `finished()` is
// true once it has decayed below -80 dB. Times in milliseconds, frequencies in hertz.

#include "tools/music/dsp.h"

#include <array>
#include <cstdint>

namespace music {

struct DrumSettings {
  double pitchHz = 50.0;     // kick: end pitch; snare: body pitch; hat: scales the metallic partials
  double punchHz = 160.0;    // kick: start pitch
  double sweepMs = 40.0;     // kick: time for the pitch to fall
  double decayMs = 400.0;    // amplitude decay to -60 dB
  double toneMs = 90.0;      // snare: body decay
  double noise = 0.6;        // snare: noise level; kick: click level; hat: noise against the partials
  double filterHz = 6000.0;  // snare: noise high-pass; hat: band centre
  double drive = 1.5;        // saturation (1 = barely any)
};

enum class DrumKind { kick, snare, hat };

class DrumVoice {
 public:
  DrumVoice(DrumKind kind, const DrumSettings& settings, std::uint32_t seed);
  float next();
  bool finished() const { return amp_.level() < 1e-4f && position_ > 64; }

 private:
  float nextKick();
  float nextSnare();
  float nextHat();

  DrumKind kind_;
  DrumSettings settings_;
  Decay amp_;
  Decay pitch_;
  Decay body_;
  Decay click_;
  Oscillator sine_;
  Oscillator sine2_;
  std::array<Oscillator, 6> partials_;
  Noise noise_;
  Filter filter_;
  Filter filter2_;
  double driveNorm_;
  std::int64_t position_ = 0;
};

}  // namespace music
