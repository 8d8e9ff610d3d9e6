#pragma once
// The timeline: for every millisecond of the demo, which procedure runs on the start, render and post
// tracks. Each track has an entry for every clock value from 0 to 158400 inclusive; fillTimeline enters
// the scenes' procedures over their spans (a later range owns the millisecond where two meet) and the
// do nothing procedure everywhere else, and resets currentScene to 0.
//
// trackIndex maps any clock value onto the tracks: values below 0 give entry 0 and values above 158400
// the last entry, so a stalled or faulty clock never indexes outside them.

#include <array>
#include <cstdint>

namespace shell {

using Procedure = void (*)();

constexpr std::int32_t lastTimelineIndex = 158400;
using Track = std::array<Procedure, lastTimelineIndex + 1>;

extern Track startTrack;
extern Track renderTrack;
extern Track postTrack;

void doNothing();
void fillTimeline();
std::size_t trackIndex(std::int32_t clock);

}  // namespace shell
