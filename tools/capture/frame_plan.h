#pragma once
// Which clocks the capture tool runs and which of those frames it writes out.
//
// The clock steps from 0 by 1000/fps milliseconds (rounded down to whole milliseconds), exactly as the
// demo would see it on a machine drawing fps frames a second, and stops after the first frame at or
// past the demo's end. Requested clocks (--at) are inserted into that sequence; a range (--from, --to)
// selects the stepped frames inside it. With neither, every frame is written. Frames after the last
// one written are not run; frames before it always are, since the scenes carry state from frame to
// frame.

#include "shell/main_sequence.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace capture {

struct PlannedFrame {
  std::int32_t clock;
  bool write;

  bool operator==(const PlannedFrame&) const = default;
};

struct FrameRequest {
  double fps = 60;
  std::vector<std::int32_t> at;
  std::optional<std::int32_t> from;
  std::optional<std::int32_t> to;
  std::int32_t end = shell::demoEndClock;  // the demo's last frame is the first at or past this clock
};

std::vector<PlannedFrame> planFrames(const FrameRequest& request);

}  // namespace capture
