#include "shell/timeline.h"

#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "shell/main_sequence.h"

#include <algorithm>

namespace shell {

Track startTrack;
Track renderTrack;
Track postTrack;

namespace {

struct Span {
  Track* track;
  std::int32_t from;  // inclusive
  std::int32_t to;    // inclusive
  Procedure procedure;
};

// In this order: where two ranges of one track meet, the later row owns the shared millisecond.
const Span spans[] = {
    {&startTrack, 0, 100, scenes::scene1Start},           {&renderTrack, 0, 15000, scenes::scene1Render},
    {&postTrack, 0, 15000, scenes::scene1Post},           {&startTrack, 15000, 15100, scenes::scene2Start},
    {&renderTrack, 15000, 45730, scenes::scene2Render},   {&postTrack, 15000, 45730, scenes::scene2Post},
    {&startTrack, 45730, 45830, scenes::scene3Start},     {&renderTrack, 45730, 71139, scenes::scene3Render},
    {&postTrack, 45730, 71139, scenes::scene3Post},       {&startTrack, 71139, 71239, scenes::scene4Start},
    {&renderTrack, 71139, 86180, scenes::scene4Render},   {&postTrack, 71139, 86180, scenes::scene4Post},
    {&startTrack, 86180, 86280, scenes::scene5Start},     {&renderTrack, 86180, 101000, scenes::scene5Render},
    {&postTrack, 86180, 101000, scenes::scene5Post},      {&renderTrack, 101000, 101500, scenes::scene5RenderRings},
    {&startTrack, 101500, 105100, scenes::scene6Start},   {&renderTrack, 101500, 121920, scenes::scene6Render},
    {&postTrack, 101500, 121920, scenes::scene6Post},     {&startTrack, 121920, 122020, scenes::scene7Start},
    {&renderTrack, 121920, 150000, scenes::scene7Render}, {&renderTrack, 150000, 158400, scenes::scene7Render2},
    {&postTrack, 121920, 158400, scenes::scene7Post},
};

}  // namespace

void doNothing() {}

void fillTimeline() {
  startTrack.fill(doNothing);
  renderTrack.fill(doNothing);
  postTrack.fill(doNothing);
  for (const Span& span : spans) {
    std::fill(span.track->begin() + span.from, span.track->begin() + span.to + 1, span.procedure);
  }
  scenes::currentScene = 0;
}

std::size_t trackIndex(std::int32_t clock) { return static_cast<std::size_t>(std::clamp(clock, 0, lastTimelineIndex)); }

std::vector<SceneSpan> sceneSpans() {
  std::vector<SceneSpan> scenes;
  for (const Span& span : spans) {
    if (span.track != &startTrack) continue;
    if (!scenes.empty()) scenes.back().to = span.from;
    scenes.push_back({static_cast<int>(scenes.size()) + 1, span.from, demoEndClock});
  }
  return scenes;
}

}  // namespace shell
