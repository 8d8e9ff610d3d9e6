#include "platform/sound_clock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

OutputClock::OutputClock(int rate) : rate_(rate), framePeriod_(1.0 / rate) {}

double OutputClock::secondsSinceEpoch(SoundTime time) const {
  return std::chrono::duration<double>(time - epoch_).count();
}

void OutputClock::restart(double now, std::int64_t frames) {
  blockStart_ = now;
  nextCallback_ = now + static_cast<double>(frames) * framePeriod_;
  block_ = frames;
}

std::int64_t OutputClock::onCallback(SoundTime time, std::int64_t frames) {
  frames = std::max<std::int64_t>(frames, 1);
  lastCallback_ = time;
  if (callbacks_++ == 0) {
    epoch_ = time;
    restart(0, frames);
    return consumed_;
  }
  consumed_ += block_;
  const double now = secondsSinceEpoch(time);
  const double error = now - nextCallback_;
  if (std::abs(error) > resetSeconds) {
    restart(now, frames);
    return consumed_;
  }
  // Second-order loop: the phase correction b moves the next prediction, c teaches the period.
  const double omega = 2 * std::numbers::pi * bandwidthHz * static_cast<double>(frames) * framePeriod_;
  const double b = std::numbers::sqrt2 * omega;
  const double c = omega * omega;
  blockStart_ = nextCallback_;
  nextCallback_ += b * error + static_cast<double>(frames) * framePeriod_;
  framePeriod_ = std::clamp(framePeriod_ + c * error / static_cast<double>(frames), 0.5 / rate_, 2.0 / rate_);
  block_ = frames;
  return consumed_;
}

double OutputClock::framesAt(SoundTime time) const {
  if (callbacks_ == 0) return 0;
  const double span = nextCallback_ - blockStart_;
  if (span <= 0) return static_cast<double>(consumed_);
  const double fraction = std::clamp((secondsSinceEpoch(time) - blockStart_) / span, -1.0, 2.0);
  return std::max(0.0, static_cast<double>(consumed_) + static_cast<double>(block_) * fraction);
}

}  // namespace platform
