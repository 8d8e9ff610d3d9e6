#include "tools/capture/frame_stats.h"

#include <algorithm>
#include <cmath>

namespace capture {

namespace {

// The scene that owns the clock: the last one that has begun (clocks before 0 count as scene 1's).
std::size_t sceneIndex(const std::vector<shell::SceneSpan>& spans, std::int32_t clock) {
  std::size_t index = 0;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (clock >= spans[i].from) index = i;
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

FrameStats::FrameStats() : spans_(shell::sceneSpans()) {
  for (const shell::SceneSpan& span : spans_) scenes_.push_back({"scene " + std::to_string(span.number), {}});
}

void FrameStats::add(std::int32_t clock, double milliseconds) {
  scenes_[sceneIndex(spans_, clock)].milliseconds.push_back(milliseconds);
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
