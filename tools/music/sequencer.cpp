#include "tools/music/sequencer.h"

#include <algorithm>
#include <cmath>

namespace music {

namespace {

constexpr std::size_t paramCount = 6;

double baseValue(const Score& score, int instrument, Param param) {
  if (instrument < 0) return score.masterDb;
  const Instrument& settings = score.instruments[static_cast<std::size_t>(instrument)];
  switch (param) {
    case Param::gain:
      return settings.gainDb;
    case Param::cutoff:
      return settings.cutoffHz;
    case Param::resonance:
      return settings.resonance;
    case Param::pan:
      return settings.pan;
    case Param::reverb:
      return settings.reverb;
    case Param::delay:
      break;
  }
  return settings.delay;
}

void addNotes(std::vector<NoteEvent>& events, const Cell& cell, const Instrument& instrument, int index,
              std::int64_t on, std::int64_t off, int transpose) {
  if (cell.notes.empty()) {
    events.push_back({on, off, index, instrument.note + transpose, cell.velocity});
    return;
  }
  for (double note : cell.notes) events.push_back({on, off, index, note + transpose, cell.velocity});
}

void schedulePlay(std::vector<NoteEvent>& events, const Score& score, const Play& play) {
  const Pattern& pattern = score.patterns[static_cast<std::size_t>(play.pattern)];
  const double stepMs = score.stepMs();
  const std::int64_t end = sampleAt(play.toMs);
  for (int repeat = 0;; ++repeat) {
    const double repeatMs = play.fromMs + repeat * pattern.steps * stepMs;
    if (sampleAt(repeatMs) >= end) break;
    for (const Row& row : pattern.rows) {
      const Instrument& instrument = score.instruments[static_cast<std::size_t>(row.instrument)];
      for (int step = 0; step < pattern.steps; ++step) {
        const Cell& cell = row.cells[static_cast<std::size_t>(step)];
        if (cell.kind != Cell::Kind::hit) continue;
        const std::int64_t on = sampleAt(repeatMs + step * stepMs);
        if (on >= end) break;
        int last = step + 1;
        while (last < pattern.steps && row.cells[static_cast<std::size_t>(last)].kind == Cell::Kind::tie) ++last;
        const std::int64_t off = std::min(end, sampleAt(repeatMs + last * stepMs));
        addNotes(events, cell, instrument, row.instrument, on, off, play.transpose);
      }
    }
  }
}

}  // namespace

std::int64_t sampleAt(double ms) { return std::llround(ms * (sampleRate / 1000.0)); }

std::vector<NoteEvent> scheduleNotes(const Score& score) {
  std::vector<NoteEvent> events;
  for (const Play& play : score.plays) schedulePlay(events, score, play);
  for (const Hit& hit : score.hits) {
    const Instrument& instrument = score.instruments[static_cast<std::size_t>(hit.instrument)];
    const std::int64_t on = sampleAt(hit.ms);
    addNotes(events, hit.cell, instrument, hit.instrument, on, std::max(on + 1, sampleAt(hit.ms + hit.lengthMs)), 0);
  }
  std::stable_sort(events.begin(), events.end(), [](const NoteEvent& a, const NoteEvent& b) { return a.on < b.on; });
  return events;
}

Automation::Automation(const Score& score)
    : score_(score), ramps_(score.instruments.size() + 1, std::vector<std::vector<const Ramp*>>(paramCount)) {
  for (const Ramp& ramp : score.ramps) {
    ramps_[static_cast<std::size_t>(ramp.instrument + 1)][static_cast<std::size_t>(ramp.param)].push_back(&ramp);
  }
  for (auto& params : ramps_) {
    for (auto& list : params) {
      std::stable_sort(list.begin(), list.end(), [](const Ramp* a, const Ramp* b) { return a->fromMs < b->fromMs; });
    }
  }
}

bool Automation::ramped(int instrument, Param param) const {
  return !ramps_[static_cast<std::size_t>(instrument + 1)][static_cast<std::size_t>(param)].empty();
}

double Automation::value(int instrument, Param param, double ms) const {
  const auto& list = ramps_[static_cast<std::size_t>(instrument + 1)][static_cast<std::size_t>(param)];
  const Ramp* current = nullptr;
  for (const Ramp* ramp : list) {
    if (ramp->fromMs > ms) break;
    current = ramp;
  }
  if (!current) return baseValue(score_, instrument, param);
  if (ms >= current->toMs || current->toMs <= current->fromMs) return current->to;
  const double fraction = (ms - current->fromMs) / (current->toMs - current->fromMs);
  if (param == Param::cutoff && current->from > 0.0 && current->to > 0.0) {
    return current->from * std::pow(current->to / current->from, fraction);
  }
  return current->from + (current->to - current->from) * fraction;
}

}  // namespace music
