#pragma once
// The score: the text that says what the synthesizer plays, and the reader that turns it into a
// checked model.
//
// The text is line-oriented; `#` at the start of a word starts a comment. Top-level statements set the tempo, the
// length and the shared effects, and open blocks that close with `end`:
//
//   tempo 636.25                 one beat in milliseconds
//   meter 4 4                    beats per bar, sequencer steps per beat
//   length 159000                milliseconds rendered
//   seed 1                       seed of every noise source
//   master -3                    master gain in dB (rampable as `master gain`)
//   limiter -1.5                 the ceiling no sample exceeds, in dBFS
//   reverb 3.5 6000 25           decay time (s), damping cutoff (Hz), pre-delay (ms)
//   delay 0.75 0.4 3000          echo time (beats), feedback, cutoff (Hz)
//   instrument NAME KIND ... end KIND is synth, kick, snare or hat; one setting per line
//   pattern NAME STEPS ... end   one row per line: INSTRUMENT and STEPS cells (`|` is ignored)
//   section NAME from T to T [grid T] ... end   play, hit and ramp statements
//
// Cells: `.` rest, `-` holds the note before, `x` `X` `o` a hit (normal, accented, ghost) at the
// instrument's own note, or notes such as `D3`, `F#4`, `Bb2`, chords joined with `+` (`D3+F3+A3`), with
// `!` (accent) or `?` (soft) after them. Times are `15000ms` (the demo clock) or `bar 3.5` (bars from
// the section's grid, which starts at the section's start unless `grid` moves it).
//
// A bad score is reported with a ScoreError whose message is "FILE:LINE: what is wrong".

#include "tools/music/drums.h"
#include "tools/music/dsp.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace music {

class ScoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class InstrumentKind { synth, kick, snare, hat };

// Settings of an instrument that ramps may change while the music plays.
enum class Param { gain, cutoff, resonance, pan, reverb, delay };

struct Instrument {
  std::string name;
  InstrumentKind kind = InstrumentKind::synth;
  // Synth voice: oscillators.
  Wave wave = Wave::saw;
  Wave wave2 = Wave::sine;
  double osc2Semitones = 0.0;
  double osc2Level = 0.0;
  int unison = 1;
  double detuneCents = 0.0;
  double width = 0.0;  // stereo spread of the unison voices, 0 to 1
  double fmRatio = 1.0;
  double fmIndex = 0.0;  // phase modulation depth in radians, decaying over fmDecayMs
  double fmDecayMs = 0.0;
  double vibratoHz = 0.0;
  double vibratoSemitones = 0.0;
  double pitchEnvSemitones = 0.0;
  double pitchEnvMs = 50.0;
  // Synth voice: shaping.
  double attackMs = 5.0, decayMs = 200.0, sustain = 0.7, releaseMs = 300.0;
  FilterType filterType = FilterType::lowpass;
  double cutoffHz = 18000.0;
  double resonance = 0.0;
  double filterEnvOctaves = 0.0;
  double filterEnvMs = 200.0;
  double keyTrack = 0.0;
  double drive = 0.0;
  int voices = 16;
  double note = 60.0;  // the pitch of `x` hits
  // Drum voices.
  DrumSettings drum;
  // Mix.
  double gainDb = 0.0;
  double pan = 0.0;
  double reverb = 0.0;
  double delay = 0.0;
  double duck = 0.0;  // how far the kicks push this instrument down, 0 to 1
  int line = 0;
};

struct Cell {
  enum class Kind { rest, tie, hit };
  Kind kind = Kind::rest;
  std::vector<double> notes;  // empty: the instrument's own note
  float velocity = 0.8f;
};

struct Row {
  int instrument = 0;
  std::vector<Cell> cells;
  int line = 0;
};

struct Pattern {
  std::string name;
  int steps = 16;
  std::vector<Row> rows;
  int line = 0;
};

// A pattern repeated from `fromMs`, its notes cut off at `toMs`.
struct Play {
  int pattern = 0;
  double fromMs = 0.0;
  double toMs = 0.0;
  int transpose = 0;
  int line = 0;
};

struct Hit {
  int instrument = 0;
  double ms = 0.0;
  Cell cell;
  double lengthMs = 0.0;
  int line = 0;
};

// A straight-line change of one setting (dB for gain, octaves for cutoff) over [fromMs, toMs];
// the setting keeps its last value after the ramp. instrument -1 is the master gain.
struct Ramp {
  int instrument = -1;
  Param param = Param::gain;
  double from = 0.0;
  double to = 0.0;
  double fromMs = 0.0;
  double toMs = 0.0;
  int line = 0;
};

struct Section {
  std::string name;
  double fromMs = 0.0;
  double toMs = 0.0;
  double gridMs = 0.0;
  int line = 0;
};

struct ReverbSettings {
  double decaySeconds = 3.0;
  double dampingHz = 6000.0;
  double preDelayMs = 20.0;
};

struct DelaySettings {
  double beats = 0.75;
  double feedback = 0.4;
  double cutoffHz = 3000.0;
};

struct Score {
  std::string name;  // the file it came from, for messages
  double beatMs = 500.0;
  int beatsPerBar = 4;
  int stepsPerBeat = 4;
  double lengthMs = 10000.0;
  std::uint32_t seed = 1;
  double masterDb = 0.0;
  double ceilingDb = -1.0;
  ReverbSettings reverb;
  DelaySettings delay;
  std::vector<Instrument> instruments;
  std::vector<Pattern> patterns;
  std::vector<Section> sections;
  std::vector<Play> plays;
  std::vector<Hit> hits;
  std::vector<Ramp> ramps;

  double stepMs() const { return beatMs / stepsPerBeat; }
  double barMs() const { return beatMs * beatsPerBar; }
};

// Reads a score from text; `name` is used in error messages.
Score parseScore(std::string_view text, const std::string& name);
// Reads a score file; a missing or unreadable file is a ScoreError too.
Score readScore(const std::filesystem::path& path);

}  // namespace music
