#pragma once
// How long each frame took to render, gathered per scene, and the table the capture tool prints:
// per scene the number of frames and the minimum, median, 95th percentile and maximum frame time.
// The scenes and where they begin are the timeline's (shell::sceneSpans).

#include "shell/timeline.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace capture {

struct SceneTimes {
  std::string scene;
  std::vector<double> milliseconds;
};

struct TimeSummary {
  double min = 0;
  double median = 0;
  double p95 = 0;
  double max = 0;
};

// Nearest-rank percentiles of the times (all 0 for none).
TimeSummary summarise(std::vector<double> milliseconds);

class FrameStats {
 public:
  FrameStats();
  void add(std::int32_t clock, double milliseconds);
  const std::vector<SceneTimes>& scenes() const { return scenes_; }
  void print(std::FILE* out, int width, int height) const;

 private:
  std::vector<shell::SceneSpan> spans_;
  std::vector<SceneTimes> scenes_;
};

}  // namespace capture
