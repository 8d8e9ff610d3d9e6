#include "tools/music/effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

namespace music {

namespace {

// Line lengths in samples: mutually prime, spread over 30 to 70 ms so the echoes never line up.
constexpr std::array<std::size_t, 8> lineLengths{1327, 1559, 1801, 2053, 2311, 2543, 2797, 3067};
constexpr std::array<std::size_t, 4> diffuserLengths{142, 107, 379, 277};
constexpr float diffusion = 0.6f;

}  // namespace

Delay::Delay(double timeMs, double feedback, double cutoffHz)
    : left_(static_cast<std::size_t>(samplesFor(timeMs)), 0.0f),
      right_(left_.size(), 0.0f),
      feedback_(static_cast<float>(std::clamp(feedback, 0.0, 0.95))),
      dampLeft_(cutoffHz),
      dampRight_(cutoffHz) {}

Stereo Delay::process(Stereo in) {
  const float outLeft = left_[position_];
  const float outRight = right_[position_];
  // The input enters the left line only; each line feeds the other, so repeats alternate sides.
  left_[position_] = 0.5f * (in.left + in.right) + feedback_ * dampLeft_.process(outRight);
  right_[position_] = feedback_ * dampRight_.process(outLeft);
  if (++position_ == left_.size()) position_ = 0;
  return {outLeft, outRight};
}

Reverb::Reverb(double decaySeconds, double dampingHz, double preDelayMs)
    : preDelay_(static_cast<std::size_t>(samplesFor(std::max(preDelayMs, 0.0))), 0.0f) {
  for (std::size_t length : diffuserLengths) diffusers_.push_back(AllPass{std::vector<float>(length, 0.0f), 0});
  const double decaySamples = std::max(decaySeconds, 0.05) * sampleRate;
  for (std::size_t length : lineLengths) {
    Line line;
    line.buffer.assign(length, 0.0f);
    line.gain = static_cast<float>(std::pow(10.0, -3.0 * static_cast<double>(length) / decaySamples));
    line.damping.setCutoff(dampingHz);
    lines_.push_back(std::move(line));
  }
}

float Reverb::allPass(AllPass& stage, float in) {
  const float delayed = stage.buffer[stage.position];
  const float stored = in + diffusion * delayed;
  stage.buffer[stage.position] = stored;
  if (++stage.position == stage.buffer.size()) stage.position = 0;
  return delayed - diffusion * stored;
}

Stereo Reverb::process(Stereo in) {
  float input = preDelay_[preDelayPosition_];
  preDelay_[preDelayPosition_] = 0.5f * (in.left + in.right);
  if (++preDelayPosition_ == preDelay_.size()) preDelayPosition_ = 0;
  for (AllPass& stage : diffusers_) input = allPass(stage, input);

  std::array<float, 8> outs{};
  float sum = 0.0f;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    outs[i] = line.damping.process(line.buffer[line.position]) * line.gain;
    sum += outs[i];
  }
  // Householder feedback: each line gets its own output minus a quarter of the sum of all.
  const float shared = sum * (2.0f / static_cast<float>(lines_.size()));
  Stereo out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    const float sign = (i & 2) ? -1.0f : 1.0f;
    line.buffer[line.position] = outs[i] - shared + sign * input;
    if (++line.position == line.buffer.size()) line.position = 0;
    if (i & 1) {
      out.right += outs[i];
    } else {
      out.left += outs[i];
    }
  }
  out.left *= 0.35f;
  out.right *= 0.35f;
  return out;
}

void limit(std::vector<float>& left, std::vector<float>& right, float ceiling, double lookAheadMs, double releaseMs) {
  const std::size_t count = std::min(left.size(), right.size());
  const std::size_t window = static_cast<std::size_t>(samplesFor(lookAheadMs));
  // needed[n]: the largest gain that keeps sample n under the ceiling.
  std::vector<float> gain(count, 1.0f);
  for (std::size_t n = 0; n < count; ++n) {
    const float peak = std::max(std::fabs(left[n]), std::fabs(right[n]));
    if (peak > ceiling) gain[n] = ceiling / peak;
  }
  // The minimum over the window ahead (a sliding minimum with a queue of candidates)...
  std::vector<float> ahead(count, 1.0f);
  std::deque<std::size_t> candidates;
  for (std::size_t n = count; n-- > 0;) {
    while (!candidates.empty() && gain[candidates.back()] >= gain[n]) candidates.pop_back();
    candidates.push_back(n);
    while (candidates.front() > n + window) candidates.pop_front();
    ahead[n] = gain[candidates.front()];
  }
  // ...averaged over the window behind, so the gain glides down over the look-ahead and is at or
  // below the needed gain when the peak arrives; then a slow one-pole recovery upwards.
  const double recover = 1.0 - std::exp(-1.0 / static_cast<double>(samplesFor(releaseMs)));
  double sum = 0.0;
  double current = 1.0;
  for (std::size_t n = 0; n < count; ++n) {
    sum += ahead[n];
    if (n > window) sum -= ahead[n - window - 1];
    const double filled = static_cast<double>(std::min(n + 1, window + 1));
    const double smooth = (sum + static_cast<double>(window + 1) - filled) / static_cast<double>(window + 1);
    current = smooth < current ? smooth : current + (smooth - current) * recover;
    const float applied = static_cast<float>(current);
    left[n] *= applied;
    right[n] *= applied;
    // Rounding in the running sum must never let a sample through above the ceiling.
    const float peak = std::max(std::fabs(left[n]), std::fabs(right[n]));
    if (peak > ceiling) {
      left[n] *= ceiling / peak;
      right[n] *= ceiling / peak;
    }
  }
}

}  // namespace music
