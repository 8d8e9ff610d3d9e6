#pragma once
// The shared effects of the mix: a stereo echo, a reverb, and the limiter at the end of the chain.
//
// Conventions: stereo signals as separate left and right float samples, 1.0 full scale; times in
// milliseconds, frequencies in hertz. Delay and reverb take the summed sends of all instruments one
// sample at a time and return only the wet signal. The limiter works on the finished song in place.

#include "tools/music/dsp.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace music {

struct Stereo {
  float left = 0.0f;
  float right = 0.0f;
};

// A ping-pong echo: the first echo comes on the left after `timeMs`, the next on the right after
// another `timeMs`, each repeat `feedback` times the last and darker by a low-pass in the loop.
class Delay {
 public:
  Delay(double timeMs, double feedback, double cutoffHz);
  Stereo process(Stereo in);

 private:
  std::vector<float> left_, right_;
  std::size_t position_ = 0;
  float feedback_;
  OnePole dampLeft_, dampRight_;
};

// A feedback delay network of eight lines with a Householder mixing matrix, after a pre-delay and
// four all-pass diffusers. `decaySeconds` is the time for the tail to fall by 60 dB (at low
// frequencies; the damping low-pass makes highs die sooner).
class Reverb {
 public:
  Reverb(double decaySeconds, double dampingHz, double preDelayMs);
  Stereo process(Stereo in);

 private:
  struct Line {
    std::vector<float> buffer;
    std::size_t position = 0;
    float gain = 0.0f;
    OnePole damping;
  };
  struct AllPass {
    std::vector<float> buffer;
    std::size_t position = 0;
  };
  static float allPass(AllPass& stage, float in);

  std::vector<float> preDelay_;
  std::size_t preDelayPosition_ = 0;
  std::vector<AllPass> diffusers_;
  std::vector<Line> lines_;
};

// A look-ahead peak limiter: every output sample of both channels stays at or below `ceiling`
// (linear). The gain falls smoothly over the look-ahead before a peak and recovers over `releaseMs`.
void limit(std::vector<float>& left, std::vector<float>& right, float ceiling, double lookAheadMs = 3.0,
           double releaseMs = 120.0);

}  // namespace music
