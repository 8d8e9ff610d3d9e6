#pragma once
// The renderer: plays a score through the synthesizer into a stereo song at 44,100 Hz.
//
// Every note event starts a voice of its instrument (a synth voice or a drum voice); voices are mixed
// per instrument, scaled by the instrument's gain (ramped, and pushed down on kicks by `duck`),
// panned, and sent to the shared delay and reverb; the sum passes the master gain and the limiter.
// An instrument that would exceed its `voices` cuts its oldest voice with a 3 ms fade. Work is done in
// blocks of 64 samples on one thread in a fixed order, so the same score gives the same samples on
// every run. Nothing here throws for a score that the reader accepted.

#include "tools/music/score.h"

#include <functional>
#include <vector>

namespace music {

struct Song {
  std::vector<float> left;
  std::vector<float> right;
};

// Called now and then with the fraction done, 0 to 1.
using ProgressFunction = std::function<void(double)>;

// The whole song, `score.lengthMs` long, limited to the score's ceiling.
Song renderScore(const Score& score, const ProgressFunction& progress = {});

}  // namespace music
