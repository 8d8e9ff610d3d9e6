#include "tools/capture/frame_stats.h"

#include <algorithm>
#include <cmath>

namespace capture {

namespace {

struct SceneSpan {
  const char* name;
  std::int32_t from;  // the scene's first millisecond
};

// Where the scenes begin on the demo clock.
constexpr SceneSpan sceneSpans[] = {
    {"scene 1", 0},     {"scene 2", 15000},  {"scene 3", 45730},  {"scene 4", 71139},
    {"scene 5", 86180}, {"scene 6", 101500}, {"scene 7", 121920},
};

std::size_t sceneIndex(std::int32_t clock) {
  std::size_t index = 0;
  for (std::size_t i = 0; i < std::size(sceneSpans); ++i) {
    if (clock >= sceneSpans[i].from) index = i;
  }
  return index;
}

double rank(const std::vector<double>& sorted, double fraction) {
  const auto at = static_cast<std::size_t>(std::ceil(fraction * double(sorted.size())));
  return sorted[std::clamp<std::size_t>(at, 1, sorted.size()) - 1];
}

}  // namespace

TimeSummary summarise(std::vector<double> milliseconds) {
  if (milliseconds.empty()) return {};
  std::sort(milliseconds.begin(), milliseconds.end());
  return {milliseconds.front(), rank(milliseconds, 0.5), rank(milliseconds, 0.95), milliseconds.back()};
}

FrameStats::FrameStats() {
  for (const SceneSpan& span : sceneSpans) scenes_.push_back({span.name, {}});
}

void FrameStats::add(std::int32_t clock, double milliseconds) {
  scenes_[sceneIndex(clock)].milliseconds.push_back(milliseconds);
}

void FrameStats::print(std::FILE* out, int width, int height) const {
  std::fprintf(out, "frame times at %d x %d (ms)\n", width, height);
  std::fprintf(out, "%-8s %7s %8s %8s %8s %8s\n", "scene", "frames", "min", "median", "p95", "max");
  for (const SceneTimes& scene : scenes_) {
    if (scene.milliseconds.empty()) continue;
    const TimeSummary s = summarise(scene.milliseconds);
    std::fprintf(out, "%-8s %7zu %8.2f %8.2f %8.2f %8.2f\n", scene.scene.c_str(), scene.milliseconds.size(), s.min,
                 s.median, s.p95, s.max);
  }
}

}  // namespace capture
