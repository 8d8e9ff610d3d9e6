#include "tools/capture/frame_plan.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace capture {

namespace {

// Whether c * fps <= n exactly, for whole numbers c and n below 2^53. The rounded product decides
// unless it equals n; then the sign of its rounding error does, which Dekker's splitting gives exactly.
bool productAtMost(double c, double fps, double n) {
  const double product = c * fps;
  if (product != n) return product < n;
  const auto split = [](double a, double& high, double& low) {
    const double t = 134217729.0 * a;  // 2^27 + 1
    high = t - (t - a);
    low = a - high;
  };
  double ch, cl, fh, fl;
  split(c, ch, cl);
  split(fps, fh, fl);
  const double error = cl * fl - (((product - ch * fh) - cl * fh) - ch * fl);  // c * fps - product
  return error <= 0;
}

// The clock of a frame, floor(frame * 1000 / fps) ms, exactly: the quotient in binary64 is at most one
// away, and exact comparisons of the products settle it. Clocks past the int32 range read as its maximum.
std::int32_t frameClock(std::int64_t frame, double fps) {
  constexpr double limit = 2147483647.0;
  const double n = static_cast<double>(frame) * 1000;  // exact: frames stay far below 2^43
  double c = std::floor(n / fps);
  if (!(c < limit)) return static_cast<std::int32_t>(limit);
  while (c > 0 && !productAtMost(c, fps, n)) --c;
  while (c + 1 < limit && productAtMost(c + 1, fps, n)) ++c;
  return static_cast<std::int32_t>(c);
}

std::vector<std::int32_t> steppedClocks(double fps, std::int32_t end) {
  std::vector<std::int32_t> clocks;
  for (std::int64_t frame = 0;; ++frame) {
    const std::int32_t clock = frameClock(frame, fps);
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
