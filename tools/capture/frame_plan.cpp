#include "tools/capture/frame_plan.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace capture {

namespace {

std::vector<std::int32_t> steppedClocks(double fps, std::int32_t end) {
  std::vector<std::int32_t> clocks;
  for (std::int64_t frame = 0;; ++frame) {
    const auto clock = static_cast<std::int32_t>(std::floor(static_cast<long double>(frame) * 1000.0L / fps));
    if (clocks.empty() || clock != clocks.back()) clocks.push_back(clock);
    if (clock >= end) return clocks;
  }
}

bool inRange(std::int32_t clock, const FrameRequest& request) {
  return (!request.from || clock >= *request.from) && (!request.to || clock <= *request.to);
}

}  // namespace

std::vector<PlannedFrame> planFrames(const FrameRequest& request) {
  if (!(request.fps > 0 && request.fps <= 1000)) throw std::invalid_argument("fps must be above 0 and at most 1000");
  const bool ranged = request.from || request.to;
  const bool everything = !ranged && request.at.empty();
  std::vector<PlannedFrame> frames;
  for (std::int32_t clock : steppedClocks(request.fps, request.end)) {
    frames.push_back({clock, everything || (ranged && inRange(clock, request))});
  }
  for (std::int32_t clock : request.at) {
    auto at = std::lower_bound(frames.begin(), frames.end(), clock,
                               [](const PlannedFrame& frame, std::int32_t c) { return frame.clock < c; });
    if (at != frames.end() && at->clock == clock) {
      at->write = true;
    } else {
      frames.insert(at, {clock, true});
    }
  }
  auto lastWritten = std::find_if(frames.rbegin(), frames.rend(), [](const PlannedFrame& f) { return f.write; });
  frames.erase(lastWritten.base(), frames.end());
  return frames;
}

}  // namespace capture
