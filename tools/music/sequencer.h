#pragma once
// The step sequencer: turns a score's plays and hits into note events on the sample clock, and
// evaluates the ramps.
//
// Timing: a time of t ms is sample round(t * 44.1), so every event lands on the sample nearest its
// exact time and nothing drifts over a long song. Step k of a play starting at s ms is at
// s + k * (beat / steps per beat) ms. A note lasts to the end of its step and of every `-` after it,
// but never past its play's end (which is at most its section's end); a pattern repeats from its
// play's start until the play ends, and a `-` never carries a note over into the next repetition.

#include "tools/music/score.h"

#include <cstdint>
#include <vector>

namespace music {

// The sample nearest to a time in milliseconds.
std::int64_t sampleAt(double ms);

struct NoteEvent {
  std::int64_t on = 0;   // first sample of the note
  std::int64_t off = 0;  // the sample at which its gate closes (release begins)
  int instrument = 0;
  double note = 60.0;
  float velocity = 0.8f;
};

// Every note of the score, sorted by start sample; notes starting on the same sample keep the order
// of the score (plays, row by row, then hits).
std::vector<NoteEvent> scheduleNotes(const Score& score);

// The value of every rampable setting at any time: the instrument's own setting before its first ramp,
// a straight line during a ramp, the ramp's last value after it. Gains are in dB and cutoffs in hertz
// (ramped along octaves).
class Automation {
 public:
  explicit Automation(const Score& score);
  // instrument -1 is the master gain.
  double value(int instrument, Param param, double ms) const;
  bool ramped(int instrument, Param param) const;

 private:
  const Score& score_;
  // For each instrument (index + 1, 0 for the master) and setting, its ramps in time order.
  std::vector<std::vector<std::vector<const Ramp*>>> ramps_;
};

}  // namespace music
