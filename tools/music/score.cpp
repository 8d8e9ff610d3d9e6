#include "tools/music/score.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

namespace music {

namespace {

// One line cut into words; a number glued to its unit ("15000ms", "2beats") is two words. A comment
// starts with a `#` at the start of a word (inside a word it is a sharp, as in C#4).
std::vector<std::string> splitLine(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      line = line.substr(0, i);
      break;
    }
  }
  static const std::regex withUnit(R"((-?[0-9]*\.?[0-9]+)(ms|beats?|bars?))");
  std::vector<std::string> words;
  std::istringstream stream{std::string(line)};
  std::string word;
  while (stream >> word) {
    std::smatch match;
    if (std::regex_match(word, match, withUnit)) {
      words.push_back(match[1]);
      words.push_back(match[2]);
    } else {
      words.push_back(word);
    }
  }
  return words;
}

std::optional<double> toNumber(const std::string& word) {
  double value = 0.0;
  const char* end = word.data() + word.size();
  const auto [ptr, error] = std::from_chars(word.data(), end, value);
  if (error != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> toNote(std::string_view word) {
  static const std::regex notePattern(R"(([A-G])(#|b)?(-?[0-9]))");
  std::match_results<std::string_view::const_iterator> match;
  if (!std::regex_match(word.begin(), word.end(), match, notePattern)) return std::nullopt;
  static constexpr int pitchClass[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  int note = pitchClass[match[1].str()[0] - 'A'];
  if (match[2] == "#") ++note;
  if (match[2] == "b") --note;
  return note + 12 * (std::stoi(match[3].str()) + 1);
}

std::optional<Wave> toWave(const std::string& word) {
  if (word == "sine") return Wave::sine;
  if (word == "saw") return Wave::saw;
  if (word == "square") return Wave::square;
  if (word == "triangle") return Wave::triangle;
  if (word == "noise") return Wave::noise;
  return std::nullopt;
}

std::optional<FilterType> toFilterType(const std::string& word) {
  if (word == "lowpass") return FilterType::lowpass;
  if (word == "highpass") return FilterType::highpass;
  if (word == "bandpass") return FilterType::bandpass;
  return std::nullopt;
}

std::optional<Param> toParam(const std::string& word) {
  if (word == "gain") return Param::gain;
  if (word == "cutoff") return Param::cutoff;
  if (word == "resonance") return Param::resonance;
  if (word == "pan") return Param::pan;
  if (word == "reverb") return Param::reverb;
  if (word == "delay") return Param::delay;
  return std::nullopt;
}

class Parser {
 public:
  Parser(std::string_view text, const std::string& name) : text_(text) { score_.name = name; }

  Score parse() {
    std::size_t start = 0;
    while (start <= text_.size()) {
      std::size_t end = text_.find('\n', start);
      if (end == std::string_view::npos) end = text_.size();
      ++line_;
      words_ = splitLine(text_.substr(start, end - start));
      if (!words_.empty()) {
        lastLine_ = line_;
        statement();
      }
      start = end + 1;
    }
    if (block_ != Block::none) fail("the " + blockName_ + " block has no `end`", blockLine_);
    finish();
    return std::move(score_);
  }

 private:
  enum class Block { none, instrument, pattern, section };

  [[noreturn]] void fail(const std::string& what, int line = -1) const {
    throw ScoreError(score_.name + ":" + std::to_string(line < 0 ? line_ : line) + ": " + what);
  }

  void expectCount(std::size_t count) const {
    if (words_.size() != count) {
      fail("`" + words_[0] + "` takes " + std::to_string(count - 1) + " value" + (count == 2 ? "" : "s") +
           ", found " + std::to_string(words_.size() - 1));
    }
  }

  double number(std::size_t index, double low, double high) const {
    if (index >= words_.size()) fail("`" + words_[0] + "` needs more values");
    const auto value = toNumber(words_[index]);
    if (!value) fail("`" + words_[index] + "` is not a number");
    if (*value < low || *value > high) {
      std::ostringstream range;
      range << "`" << words_[index] << "` is out of range (" << low << " to " << high << ")";
      fail(range.str());
    }
    return *value;
  }

  int integer(std::size_t index, int low, int high) const {
    const double value = number(index, low, high);
    if (value != std::floor(value)) fail("`" + words_[index] + "` must be a whole number");
    return static_cast<int>(value);
  }

  void statement() {
    const std::string& keyword = words_[0];
    if (keyword == "end") {
      if (block_ == Block::none) fail("`end` without a block to close");
      if (block_ == Block::pattern && score_.patterns.back().rows.empty()) fail("the pattern has no rows");
      block_ = Block::none;
      return;
    }
    switch (block_) {
      case Block::none:
        topLevel();
        return;
      case Block::instrument:
        instrumentSetting(score_.instruments.back());
        return;
      case Block::pattern:
        patternRow(score_.patterns.back());
        return;
      case Block::section:
        sectionStatement(score_.sections.back());
        return;
    }
  }

  void open(Block block) {
    block_ = block;
    blockName_ = words_[0];
    blockLine_ = line_;
  }

  void checkNewName(const std::string& name) const {
    if (findInstrument(name) >= 0 || findPattern(name) >= 0) fail("the name `" + name + "` is already taken");
    if (name == "master") fail("`master` names the master gain and cannot name anything else");
  }

  void topLevel() {
    const std::string& keyword = words_[0];
    if (keyword == "tempo") {
      expectCount(2);
      score_.beatMs = number(1, 100.0, 5000.0);
    } else if (keyword == "meter") {
      expectCount(3);
      score_.beatsPerBar = integer(1, 1, 16);
      score_.stepsPerBeat = integer(2, 1, 16);
    } else if (keyword == "length") {
      expectCount(2);
      score_.lengthMs = number(1, 1.0, 1'200'000.0);  // at most 20 minutes
    } else if (keyword == "seed") {
      expectCount(2);
      score_.seed = static_cast<std::uint32_t>(number(1, 0.0, 4294967295.0));
    } else if (keyword == "master") {
      expectCount(2);
      score_.masterDb = number(1, -90.0, 24.0);
    } else if (keyword == "limiter") {
      expectCount(2);
      score_.ceilingDb = number(1, -24.0, 0.0);
    } else if (keyword == "reverb") {
      expectCount(4);
      score_.reverb = {number(1, 0.1, 30.0), number(2, 100.0, 20000.0), number(3, 0.0, 500.0)};
    } else if (keyword == "delay") {
      expectCount(4);
      score_.delay = {number(1, 0.0625, 16.0), number(2, 0.0, 0.95), number(3, 100.0, 20000.0)};
    } else if (keyword == "instrument") {
      instrumentHeader();
    } else if (keyword == "pattern") {
      patternHeader();
    } else if (keyword == "section") {
      sectionHeader();
    } else {
      fail("unknown statement `" + keyword + "`");
    }
  }

  void instrumentHeader() {
    expectCount(3);
    checkNewName(words_[1]);
    Instrument instrument;
    instrument.name = words_[1];
    instrument.line = line_;
    const std::string& kind = words_[2];
    if (kind == "synth") {
      instrument.kind = InstrumentKind::synth;
    } else if (kind == "kick") {
      instrument.kind = InstrumentKind::kick;
    } else if (kind == "snare") {
      instrument.kind = InstrumentKind::snare;
      instrument.drum = {180.0, 180.0, 0.0, 180.0, 90.0, 0.6, 1800.0, 1.5};
    } else if (kind == "hat") {
      instrument.kind = InstrumentKind::hat;
      instrument.drum = {420.0, 0.0, 0.0, 60.0, 0.0, 0.3, 9000.0, 1.0};
    } else {
      fail("unknown instrument kind `" + kind + "` (synth, kick, snare or hat)");
    }
    score_.instruments.push_back(instrument);
    open(Block::instrument);
  }

  Wave wave(std::size_t index) const {
    const auto value = toWave(words_[index]);
    if (!value) fail("unknown wave `" + words_[index] + "` (sine, saw, square, triangle or noise)");
    return *value;
  }

  bool mixSetting(Instrument& instrument) const {
    const std::string& key = words_[0];
    if (key == "gain") {
      expectCount(2);
      instrument.gainDb = number(1, -90.0, 24.0);
    } else if (key == "pan") {
      expectCount(2);
      instrument.pan = number(1, -1.0, 1.0);
    } else if (key == "reverb") {
      expectCount(2);
      instrument.reverb = number(1, 0.0, 2.0);
    } else if (key == "delay") {
      expectCount(2);
      instrument.delay = number(1, 0.0, 2.0);
    } else if (key == "duck") {
      expectCount(2);
      instrument.duck = number(1, 0.0, 1.0);
    } else if (key == "voices") {
      expectCount(2);
      instrument.voices = integer(1, 1, 64);
    } else {
      return false;
    }
    return true;
  }

  void drumSetting(Instrument& instrument) const {
    DrumSettings& drum = instrument.drum;
    const std::string& key = words_[0];
    if (key == "pitch") {
      expectCount(2);
      drum.pitchHz = number(1, 10.0, 8000.0);
    } else if (key == "punch" && instrument.kind == InstrumentKind::kick) {
      expectCount(3);
      drum.punchHz = number(1, 10.0, 8000.0);
      drum.sweepMs = number(2, 1.0, 2000.0);
    } else if (key == "decay") {
      expectCount(2);
      drum.decayMs = number(1, 5.0, 10000.0);
    } else if (key == "tone" && instrument.kind == InstrumentKind::snare) {
      expectCount(2);
      drum.toneMs = number(1, 5.0, 5000.0);
    } else if (key == "noise") {
      expectCount(2);
      drum.noise = number(1, 0.0, 4.0);
    } else if (key == "filter" && instrument.kind != InstrumentKind::kick) {
      expectCount(2);
      drum.filterHz = number(1, 20.0, 19000.0);
    } else if (key == "drive") {
      expectCount(2);
      drum.drive = number(1, 0.1, 20.0);
    } else {
      fail("unknown setting `" + key + "` for drum instrument `" + instrument.name + "`");
    }
  }

  void instrumentSetting(Instrument& instrument) {
    if (mixSetting(instrument)) return;
    if (instrument.kind == InstrumentKind::synth) {
      synthSetting(instrument);
    } else {
      drumSetting(instrument);
    }
  }

  void synthSetting(Instrument& instrument) const {
    const std::string& key = words_[0];
    if (key == "wave") {
      expectCount(2);
      instrument.wave = wave(1);
    } else if (key == "osc2") {
      expectCount(4);
      instrument.wave2 = wave(1);
      instrument.osc2Semitones = number(2, -48.0, 48.0);
      instrument.osc2Level = number(3, 0.0, 2.0);
    } else if (key == "unison") {
      expectCount(4);
      instrument.unison = integer(1, 1, 7);
      instrument.detuneCents = number(2, 0.0, 100.0);
      instrument.width = number(3, 0.0, 1.0);
    } else if (key == "envelope") {
      expectCount(5);
      instrument.attackMs = number(1, 0.0, 60000.0);
      instrument.decayMs = number(2, 0.0, 60000.0);
      instrument.sustain = number(3, 0.0, 1.0);
      instrument.releaseMs = number(4, 0.0, 60000.0);
    } else if (key == "filter") {
      expectCount(4);
      const auto type = toFilterType(words_[1]);
      if (!type) fail("unknown filter `" + words_[1] + "` (lowpass, highpass or bandpass)");
      instrument.filterType = *type;
      instrument.cutoffHz = number(2, 10.0, 20000.0);
      instrument.resonance = number(3, 0.0, 0.99);
    } else if (key == "filterenv") {
      expectCount(3);
      instrument.filterEnvOctaves = number(1, -10.0, 10.0);
      instrument.filterEnvMs = number(2, 1.0, 60000.0);
    } else if (key == "keytrack") {
      expectCount(2);
      instrument.keyTrack = number(1, 0.0, 1.0);
    } else if (key == "fm") {
      expectCount(4);
      instrument.fmRatio = number(1, 0.0, 32.0);
      instrument.fmIndex = number(2, 0.0, 50.0);
      instrument.fmDecayMs = number(3, 0.0, 60000.0);
    } else if (key == "vibrato") {
      expectCount(3);
      instrument.vibratoHz = number(1, 0.0, 40.0);
      instrument.vibratoSemitones = number(2, 0.0, 12.0);
    } else if (key == "pitchenv") {
      expectCount(3);
      instrument.pitchEnvSemitones = number(1, -48.0, 48.0);
      instrument.pitchEnvMs = number(2, 1.0, 60000.0);
    } else if (key == "drive") {
      expectCount(2);
      instrument.drive = number(1, 0.0, 20.0);
    } else if (key == "note") {
      expectCount(2);
      const auto note = toNote(words_[1]);
      if (!note) fail("`" + words_[1] + "` is not a note (such as C4, F#3 or Bb2)");
      instrument.note = *note;
    } else {
      fail("unknown setting `" + key + "` for synth instrument `" + instrument.name + "`");
    }
  }

  void patternHeader() {
    expectCount(3);
    checkNewName(words_[1]);
    Pattern pattern;
    pattern.name = words_[1];
    pattern.steps = integer(2, 1, 1024);
    pattern.line = line_;
    score_.patterns.push_back(pattern);
    open(Block::pattern);
  }

  Cell cell(const std::string& word) const {
    Cell cell;
    if (word == ".") return cell;
    if (word == "-") {
      cell.kind = Cell::Kind::tie;
      return cell;
    }
    cell.kind = Cell::Kind::hit;
    if (word == "x" || word == "X" || word == "o") {
      cell.velocity = word == "X" ? 1.0f : word == "o" ? 0.4f : 0.8f;
      return cell;
    }
    std::string notes = word;
    if (notes.back() == '!' || notes.back() == '?') {
      cell.velocity = notes.back() == '!' ? 1.0f : 0.5f;
      notes.pop_back();
    }
    std::size_t start = 0;
    while (start <= notes.size()) {
      std::size_t plus = notes.find('+', start);
      if (plus == std::string::npos) plus = notes.size();
      const auto note = toNote(std::string_view(notes).substr(start, plus - start));
      if (!note) fail("`" + word + "` is not a cell (`.`, `-`, `x`, `X`, `o`, or notes such as D3 or D3+F3+A3)");
      cell.notes.push_back(*note);
      start = plus + 1;
    }
    return cell;
  }

  void patternRow(Pattern& pattern) {
    Row row;
    row.line = line_;
    row.instrument = instrumentIndex(words_[0]);
    for (std::size_t i = 1; i < words_.size(); ++i) {
      if (words_[i] == "|") continue;
      const Cell next = cell(words_[i]);
      if (next.kind == Cell::Kind::tie && (row.cells.empty() || row.cells.back().kind == Cell::Kind::rest)) {
        fail("`-` holds a note but there is none before it");
      }
      row.cells.push_back(next);
    }
    if (static_cast<int>(row.cells.size()) != pattern.steps) {
      fail("the row has " + std::to_string(row.cells.size()) + " cells, the pattern " +
           std::to_string(pattern.steps) + " steps");
    }
    pattern.rows.push_back(std::move(row));
  }

  int findInstrument(const std::string& name) const {
    for (std::size_t i = 0; i < score_.instruments.size(); ++i) {
      if (score_.instruments[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }

  int findPattern(const std::string& name) const {
    for (std::size_t i = 0; i < score_.patterns.size(); ++i) {
      if (score_.patterns[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }

  int instrumentIndex(const std::string& name) const {
    const int index = findInstrument(name);
    if (index < 0) fail("no instrument named `" + name + "`");
    return index;
  }

  // A time at words_[index]: "N ms" on the demo clock, or "bar N" from the section's grid.
  double time(std::size_t& index, const Section* section) const {
    if (index + 1 >= words_.size()) fail("`" + words_[0] + "` needs a time (such as 15000ms or bar 2)");
    if (words_[index] == "bar") {
      if (!section) fail("a section's own times are in ms, not bars");
      const double bars = number(index + 1, -1000.0, 1000.0);
      index += 2;
      return section->gridMs + bars * score_.barMs();
    }
    if (words_[index + 1] != "ms") fail("`" + words_[index] + "` is not a time (such as 15000ms or bar 2)");
    const double ms = number(index, -3'600'000.0, 3'600'000.0);
    index += 2;
    return ms;
  }

  double duration(std::size_t& index) const {
    const double value = number(index, 0.0, 3'600'000.0);
    if (index + 1 >= words_.size()) fail("a duration needs a unit (ms or beats)");
    const std::string& unit = words_[index + 1];
    index += 2;
    if (unit == "ms") return value;
    if (unit == "beat" || unit == "beats") return value * score_.beatMs;
    fail("`" + unit + "` is not a unit of duration (ms or beats)");
  }

  void sectionHeader() {
    // section NAME from T to T [grid T]
    if (words_.size() < 6 || words_[2] != "from") fail("a section reads `section NAME from T to T [grid T]`");
    Section section;
    section.name = words_[1];
    section.line = line_;
    std::size_t index = 3;
    section.fromMs = time(index, nullptr);
    if (index >= words_.size() || words_[index] != "to") fail("a section reads `section NAME from T to T [grid T]`");
    ++index;
    section.toMs = time(index, nullptr);
    section.gridMs = section.fromMs;
    if (index < words_.size() && words_[index] == "grid") {
      ++index;
      section.gridMs = time(index, nullptr);
    }
    if (index != words_.size()) fail("unexpected `" + words_[index] + "` after the section's times");
    if (section.toMs <= section.fromMs) fail("the section ends before it starts");
    if (section.fromMs < 0.0) fail("the section starts before 0 ms");
    if (!score_.sections.empty() && section.fromMs < score_.sections.back().toMs) {
      fail("the section starts before the one above it ends");
    }
    score_.sections.push_back(section);
    open(Block::section);
  }

  void sectionStatement(const Section& section) {
    const std::string& keyword = words_[0];
    if (keyword == "play") {
      playStatement(section);
    } else if (keyword == "hit") {
      hitStatement(section);
    } else if (keyword == "ramp") {
      rampStatement(section);
    } else {
      fail("unknown statement `" + keyword + "` in a section (play, hit or ramp)");
    }
  }

  // play PATTERN [from T] [to T] [transpose N]
  void playStatement(const Section& section) {
    if (words_.size() < 2) fail("`play` needs a pattern");
    Play play;
    play.line = line_;
    play.pattern = findPattern(words_[1]);
    if (play.pattern < 0) fail("no pattern named `" + words_[1] + "`");
    play.fromMs = section.fromMs;
    play.toMs = section.toMs;
    std::size_t index = 2;
    while (index < words_.size()) {
      const std::string& word = words_[index++];
      if (word == "from") {
        play.fromMs = time(index, &section);
      } else if (word == "to") {
        play.toMs = time(index, &section);
      } else if (word == "transpose") {
        play.transpose = integer(index++, -48, 48);
      } else {
        fail("unexpected `" + word + "` in `play` (from, to, transpose)");
      }
    }
    play.fromMs = std::max(play.fromMs, section.fromMs);
    play.toMs = std::min(play.toMs, section.toMs);
    if (play.toMs <= play.fromMs) fail("the pattern would play outside its section");
    score_.plays.push_back(play);
  }

  // hit INSTRUMENT at T [T...] [CELL] [for DURATION]
  void hitStatement(const Section& section) {
    if (words_.size() < 5 || words_[2] != "at") fail("a hit reads `hit INSTRUMENT at T [T...] [CELL] [for DURATION]`");
    const int instrument = instrumentIndex(words_[1]);
    std::vector<double> times;
    std::size_t index = 3;
    while (index < words_.size() && (words_[index] == "bar" || (index + 1 < words_.size() && words_[index + 1] == "ms"))) {
      times.push_back(time(index, &section));
    }
    if (times.empty()) fail("`hit` needs a time (such as 15000ms or bar 2)");
    Cell hitCell;
    hitCell.kind = Cell::Kind::hit;
    if (index < words_.size() && words_[index] != "for") {
      hitCell = cell(words_[index++]);
      if (hitCell.kind != Cell::Kind::hit) fail("a hit plays notes or `x`, not `.` or `-`");
    }
    double lengthMs = score_.stepMs();
    if (index < words_.size() && words_[index] == "for") {
      ++index;
      lengthMs = duration(index);
    }
    if (index != words_.size()) fail("unexpected `" + words_[index] + "` in `hit`");
    for (double ms : times) {
      if (ms < section.fromMs || ms >= section.toMs) fail("the hit falls outside its section");
      score_.hits.push_back(Hit{instrument, ms, hitCell, lengthMs, line_});
    }
  }

  // ramp TARGET PARAM FROM TO from T to T
  void rampStatement(const Section& section) {
    if (words_.size() < 9 || words_[5] != "from") fail("a ramp reads `ramp INSTRUMENT SETTING FROM TO from T to T`");
    Ramp ramp;
    ramp.line = line_;
    ramp.instrument = words_[1] == "master" ? -1 : instrumentIndex(words_[1]);
    const auto param = toParam(words_[2]);
    if (!param) fail("`" + words_[2] + "` cannot be ramped (gain, cutoff, resonance, pan, reverb, delay)");
    if (ramp.instrument < 0 && *param != Param::gain) fail("the master has only `gain` to ramp");
    ramp.param = *param;
    ramp.from = number(3, -1e6, 1e6);
    ramp.to = number(4, -1e6, 1e6);
    std::size_t index = 6;
    ramp.fromMs = time(index, &section);
    if (index >= words_.size() || words_[index] != "to") fail("a ramp reads `ramp INSTRUMENT SETTING FROM TO from T to T`");
    ++index;
    ramp.toMs = time(index, &section);
    if (index != words_.size()) fail("unexpected `" + words_[index] + "` in `ramp`");
    if (ramp.toMs < ramp.fromMs) fail("the ramp ends before it starts");
    score_.ramps.push_back(ramp);
  }

  void finish() {
    if (score_.sections.empty()) fail("the score has no section", lastLine_);
    if (score_.sections.back().toMs > score_.lengthMs) {
      fail("the last section ends after the length of the music", score_.sections.back().line);
    }
  }

  std::string_view text_;
  Score score_;
  int line_ = 0;
  int lastLine_ = 0;  // the last line with a statement
  std::vector<std::string> words_;
  Block block_ = Block::none;
  std::string blockName_;
  int blockLine_ = 0;
};

}  // namespace

Score parseScore(std::string_view text, const std::string& name) { return Parser(text, name).parse(); }

Score readScore(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ScoreError(path.string() + ": cannot read the score");
  std::ostringstream text;
  text << file.rdbuf();
  return parseScore(text.str(), path.string());
}

}  // namespace music
