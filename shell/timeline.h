#pragma once
// The timeline: for every millisecond of the demo, which procedure runs on the start, render and post
// tracks. Each track has an entry for every clock value from 0 to 158400 inclusive; fillTimeline enters
// the scenes' procedures over their spans (a later range owns the millisecond where two meet) and the
// do nothing procedure everywhere else, and resets currentScene to 0.
//
// trackIndex maps any clock value onto the tracks: values below 0 give entry 0 and values above 158400
// the last entry, so a stalled or faulty clock never indexes outside them.
//
// sceneSpans reads the scenes' spans off the same table: a scene begins where its start procedure
// does and lasts until the next one begins, the last until the demo's end (demoEndClock). Tools that
// sort frames by scene take them from here.

#include <array>
#include <cstdint>
#include <vector>

namespace shell {

using Procedure = void (*)();

constexpr std::int32_t lastTimelineIndex = 158400;
using Track = std::array<Procedure, lastTimelineIndex + 1>;

extern Track startTrack;
extern Track renderTrack;
extern Track postTrack;

// A scene on the demo clock, in milliseconds: from its first (inclusive) to the next scene's first.
struct SceneSpan {
  int number;  // 1 to 7
  std::int32_t from;
  std::int32_t to;
};

void doNothing();
void fillTimeline();
std::size_t trackIndex(std::int32_t clock);
std::vector<SceneSpan> sceneSpans();

}  // namespace shell
