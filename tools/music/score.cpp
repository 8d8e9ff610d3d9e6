#include "tools/music/score.h"

#include <algorithm>
#include <array>
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

// The words a setting accepts for a choice, with what each stands for.
template <typename Value>
struct Word {
  const char* word;
  Value value;
};

constexpr Word<Wave> waves[] = {{"sine", Wave::sine},
                                {"saw", Wave::saw},
                                {"square", Wave::square},
                                {"triangle", Wave::triangle},
                                {"noise", Wave::noise}};
constexpr Word<FilterType> filterTypes[] = {
    {"lowpass", FilterType::lowpass}, {"highpass", FilterType::highpass}, {"bandpass", FilterType::bandpass}};
constexpr Word<Param> params[] = {{"gain", Param::gain}, {"cutoff", Param::cutoff}, {"resonance", Param::resonance},
                                  {"pan", Param::pan},   {"reverb", Param::reverb}, {"delay", Param::delay}};

// An instrument kind and the drum settings it starts from.
struct KindRow {
  InstrumentKind kind;
  DrumSettings drum;
};
constexpr Word<KindRow> instrumentKinds[] = {
    {"synth", {InstrumentKind::synth, {}}},
    {"kick", {InstrumentKind::kick, {}}},
    {"snare", {InstrumentKind::snare, {180.0, 180.0, 0.0, 180.0, 90.0, 0.6, 1800.0, 1.5}}},
    {"hat", {InstrumentKind::hat, {420.0, 0.0, 0.0, 60.0, 0.0, 0.3, 9000.0, 1.0}}},
};

template <typename Value, std::size_t count>
std::optional<Value> lookUp(const Word<Value> (&table)[count], const std::string& word) {
  for (const Word<Value>& row : table) {
    if (word == row.word) return row.value;
  }
  return std::nullopt;
}

// The table's words for a message: "a, b or c", or with `last` ", " simply "a, b, c".
template <typename Value, std::size_t count>
std::string wordsOf(const Word<Value> (&table)[count], const char* last = " or ") {
  std::string list;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) list += i + 1 == count ? last : ", ";
    list += table[i].word;
  }
  return list;
}

// ---- settings: one row per keyword, with the values it takes and where they go ----

// How one value of a setting is read: a number in a range, a whole number in a range, or a word.
enum class Read { none, number, whole, wave, filter, note };

struct Field {
  Read read = Read::none;
  double low = 0.0;
  double high = 0.0;
};

constexpr Field number(double low, double high) { return {Read::number, low, high}; }
constexpr Field whole(int low, int high) { return {Read::whole, static_cast<double>(low), static_cast<double>(high)}; }
constexpr Field waveWord{Read::wave};
constexpr Field filterWord{Read::filter};
constexpr Field noteName{Read::note};

// One value as read (numbers and notes in `number`).
struct Value {
  double number = 0.0;
  Wave wave = Wave::sine;
  FilterType filter = FilterType::lowpass;
};
using Values = std::array<Value, 4>;

// Which instruments a setting belongs to (unused at the top level).
constexpr unsigned synthOnly = 1u << static_cast<int>(InstrumentKind::synth);
constexpr unsigned kickOnly = 1u << static_cast<int>(InstrumentKind::kick);
constexpr unsigned snareOnly = 1u << static_cast<int>(InstrumentKind::snare);
constexpr unsigned hatOnly = 1u << static_cast<int>(InstrumentKind::hat);
constexpr unsigned drums = kickOnly | snareOnly | hatOnly;
constexpr unsigned everyKind = synthOnly | drums;

template <typename Target>
struct Setting {
  const char* key;
  unsigned kinds;
  std::array<Field, 4> fields;  // the values in order; the rest Read::none
  void (*store)(Target& target, const Values& values);

  std::size_t count() const {
    std::size_t n = 0;
    while (n < fields.size() && fields[n].read != Read::none) ++n;
    return n;
  }
};

const Setting<Score> scoreSettings[] = {
    {"tempo", 0, {number(100.0, 5000.0)}, [](Score& s, const Values& v) { s.beatMs = v[0].number; }},
    {"meter",
     0,
     {whole(1, 16), whole(1, 16)},
     [](Score& s, const Values& v) {
       s.beatsPerBar = static_cast<int>(v[0].number);
       s.stepsPerBeat = static_cast<int>(v[1].number);
     }},
    // At most 20 minutes.
    {"length", 0, {number(1.0, 1'200'000.0)}, [](Score& s, const Values& v) { s.lengthMs = v[0].number; }},
    {"seed",
     0,
     {number(0.0, 4294967295.0)},
     [](Score& s, const Values& v) { s.seed = static_cast<std::uint32_t>(v[0].number); }},
    {"master", 0, {number(-90.0, 24.0)}, [](Score& s, const Values& v) { s.masterDb = v[0].number; }},
    {"limiter", 0, {number(-24.0, 0.0)}, [](Score& s, const Values& v) { s.ceilingDb = v[0].number; }},
    {"reverb",
     0,
     {number(0.1, 30.0), number(100.0, 20000.0), number(0.0, 500.0)},
     [](Score& s, const Values& v) {
       s.reverb = {v[0].number, v[1].number, v[2].number};
     }},
    {"delay",
     0,
     {number(0.0625, 16.0), number(0.0, 0.95), number(100.0, 20000.0)},
     [](Score& s, const Values& v) {
       s.delay = {v[0].number, v[1].number, v[2].number};
     }},
};

const Setting<Instrument> instrumentSettings[] = {
    // The mix, for every instrument.
    {"gain", everyKind, {number(-90.0, 24.0)}, [](Instrument& i, const Values& v) { i.gainDb = v[0].number; }},
    {"pan", everyKind, {number(-1.0, 1.0)}, [](Instrument& i, const Values& v) { i.pan = v[0].number; }},
    {"reverb", everyKind, {number(0.0, 2.0)}, [](Instrument& i, const Values& v) { i.reverb = v[0].number; }},
    {"delay", everyKind, {number(0.0, 2.0)}, [](Instrument& i, const Values& v) { i.delay = v[0].number; }},
    {"duck", everyKind, {number(0.0, 1.0)}, [](Instrument& i, const Values& v) { i.duck = v[0].number; }},
    {"voices",
     everyKind,
     {whole(1, 64)},
     [](Instrument& i, const Values& v) { i.voices = static_cast<int>(v[0].number); }},
    // The synth voice.
    {"wave", synthOnly, {waveWord}, [](Instrument& i, const Values& v) { i.wave = v[0].wave; }},
    {"osc2",
     synthOnly,
     {waveWord, number(-48.0, 48.0), number(0.0, 2.0)},
     [](Instrument& i, const Values& v) {
       i.wave2 = v[0].wave;
       i.osc2Semitones = v[1].number;
       i.osc2Level = v[2].number;
     }},
    {"unison",
     synthOnly,
     {whole(1, 7), number(0.0, 100.0), number(0.0, 1.0)},
     [](Instrument& i, const Values& v) {
       i.unison = static_cast<int>(v[0].number);
       i.detuneCents = v[1].number;
       i.width = v[2].number;
     }},
    {"envelope",
     synthOnly,
     {number(0.0, 60000.0), number(0.0, 60000.0), number(0.0, 1.0), number(0.0, 60000.0)},
     [](Instrument& i, const Values& v) {
       i.attackMs = v[0].number;
       i.decayMs = v[1].number;
       i.sustain = v[2].number;
       i.releaseMs = v[3].number;
     }},
    {"filter",
     synthOnly,
     {filterWord, number(10.0, 20000.0), number(0.0, 0.99)},
     [](Instrument& i, const Values& v) {
       i.filterType = v[0].filter;
       i.cutoffHz = v[1].number;
       i.resonance = v[2].number;
     }},
    {"filterenv",
     synthOnly,
     {number(-10.0, 10.0), number(1.0, 60000.0)},
     [](Instrument& i, const Values& v) {
       i.filterEnvOctaves = v[0].number;
       i.filterEnvMs = v[1].number;
     }},
    {"keytrack", synthOnly, {number(0.0, 1.0)}, [](Instrument& i, const Values& v) { i.keyTrack = v[0].number; }},
    {"fm",
     synthOnly,
     {number(0.0, 32.0), number(0.0, 50.0), number(0.0, 60000.0)},
     [](Instrument& i, const Values& v) {
       i.fmRatio = v[0].number;
       i.fmIndex = v[1].number;
       i.fmDecayMs = v[2].number;
     }},
    {"vibrato",
     synthOnly,
     {number(0.0, 40.0), number(0.0, 12.0)},
     [](Instrument& i, const Values& v) {
       i.vibratoHz = v[0].number;
       i.vibratoSemitones = v[1].number;
     }},
    {"pitchenv",
     synthOnly,
     {number(-48.0, 48.0), number(1.0, 60000.0)},
     [](Instrument& i, const Values& v) {
       i.pitchEnvSemitones = v[0].number;
       i.pitchEnvMs = v[1].number;
     }},
    {"drive", synthOnly, {number(0.0, 20.0)}, [](Instrument& i, const Values& v) { i.drive = v[0].number; }},
    {"note", synthOnly, {noteName}, [](Instrument& i, const Values& v) { i.note = v[0].number; }},
    // The drum voices.
    {"pitch", drums, {number(10.0, 8000.0)}, [](Instrument& i, const Values& v) { i.drum.pitchHz = v[0].number; }},
    {"punch",
     kickOnly,
     {number(10.0, 8000.0), number(1.0, 2000.0)},
     [](Instrument& i, const Values& v) {
       i.drum.punchHz = v[0].number;
       i.drum.sweepMs = v[1].number;
     }},
    {"decay", drums, {number(5.0, 10000.0)}, [](Instrument& i, const Values& v) { i.drum.decayMs = v[0].number; }},
    {"tone", snareOnly, {number(5.0, 5000.0)}, [](Instrument& i, const Values& v) { i.drum.toneMs = v[0].number; }},
    {"noise", drums, {number(0.0, 4.0)}, [](Instrument& i, const Values& v) { i.drum.noise = v[0].number; }},
    {"filter",
     snareOnly | hatOnly,
     {number(20.0, 19000.0)},
     [](Instrument& i, const Values& v) { i.drum.filterHz = v[0].number; }},
    {"drive", drums, {number(0.1, 20.0)}, [](Instrument& i, const Values& v) { i.drum.drive = v[0].number; }},
};

// The row for a keyword (and, for instruments, a kind); null if there is none.
template <typename Target, std::size_t count>
const Setting<Target>* findSetting(const Setting<Target> (&table)[count], const std::string& key, unsigned kind) {
  for (const Setting<Target>& row : table) {
    if (key == row.key && (kind == 0 || (row.kinds & kind) != 0)) return &row;
  }
  return nullptr;
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
      fail("`" + words_[0] + "` takes " + std::to_string(count - 1) + " value" + (count == 2 ? "" : "s") + ", found " +
           std::to_string(words_.size() - 1));
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
        sectionStatement();
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

  // Reads the values of a setting row from words_[1] on (exactly as many as it has fields) and stores
  // them.
  template <typename Target>
  void applySetting(const Setting<Target>& setting, Target& target) const {
    expectCount(setting.count() + 1);
    Values values;
    for (std::size_t k = 0; k < setting.count(); ++k) values[k] = value(k + 1, setting.fields[k]);
    setting.store(target, values);
  }

  Value value(std::size_t index, const Field& field) const {
    Value value;
    switch (field.read) {
      case Read::number:
        value.number = number(index, field.low, field.high);
        break;
      case Read::whole:
        value.number = integer(index, static_cast<int>(field.low), static_cast<int>(field.high));
        break;
      case Read::wave:
        value.wave = choice(waves, index, "unknown wave `" + words_[index] + "` (" + wordsOf(waves) + ")");
        break;
      case Read::filter:
        value.filter =
            choice(filterTypes, index, "unknown filter `" + words_[index] + "` (" + wordsOf(filterTypes) + ")");
        break;
      case Read::note:
        value.number = note(index);
        break;
      case Read::none:
        break;
    }
    return value;
  }

  template <typename Choice, std::size_t count>
  Choice choice(const Word<Choice> (&table)[count], std::size_t index, const std::string& otherwise) const {
    const auto found = lookUp(table, words_[index]);
    if (!found) fail(otherwise);
    return *found;
  }

  double note(std::size_t index) const {
    const auto found = toNote(words_[index]);
    if (!found) fail("`" + words_[index] + "` is not a note (such as C4, F#3 or Bb2)");
    return *found;
  }

  // The statements that open a block, at the top level, and the statements of a section.
  using Statement = void (Parser::*)();
  struct Opener {
    const char* keyword;
    Statement read;
  };
  template <std::size_t count>
  bool runStatement(const Opener (&table)[count]) {
    for (const Opener& row : table) {
      if (words_[0] == row.keyword) {
        (this->*row.read)();
        return true;
      }
    }
    return false;
  }

  void topLevel() {
    static constexpr Opener blockOpeners[] = {{"instrument", &Parser::instrumentHeader},
                                              {"pattern", &Parser::patternHeader},
                                              {"section", &Parser::sectionHeader}};
    const std::string& keyword = words_[0];
    if (const auto* setting = findSetting(scoreSettings, keyword, 0)) {
      applySetting(*setting, score_);
    } else if (!runStatement(blockOpeners)) {
      fail("unknown statement `" + keyword + "`");
    }
  }

  void instrumentHeader() {
    expectCount(3);
    checkNewName(words_[1]);
    const auto kind = lookUp(instrumentKinds, words_[2]);
    if (!kind) fail("unknown instrument kind `" + words_[2] + "` (" + wordsOf(instrumentKinds) + ")");
    Instrument instrument;
    instrument.name = words_[1];
    instrument.line = line_;
    instrument.kind = kind->kind;
    instrument.drum = kind->drum;
    score_.instruments.push_back(instrument);
    open(Block::instrument);
  }

  void instrumentSetting(Instrument& instrument) {
    const unsigned kind = 1u << static_cast<int>(instrument.kind);
    const auto* setting = findSetting(instrumentSettings, words_[0], kind);
    if (!setting) {
      const char* voice = instrument.kind == InstrumentKind::synth ? "synth" : "drum";
      fail("unknown setting `" + words_[0] + "` for " + voice + " instrument `" + instrument.name + "`");
    }
    applySetting(*setting, instrument);
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
      fail("the row has " + std::to_string(row.cells.size()) + " cells, the pattern " + std::to_string(pattern.steps) +
           " steps");
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

  struct Span {
    double fromMs = 0.0;
    double toMs = 0.0;
  };

  // Reads the phrases of a statement from a word on: keywords and times ("N ms" on the demo clock, or
  // "bar N" on the grid of `section`; a section's own times have none).
  struct Phrase {
    const Parser& parser;
    std::size_t index;
    const Section* section = nullptr;

    const std::vector<std::string>& words() const { return parser.words_; }
    bool done() const { return index >= words().size(); }

    // Takes the keyword if it is next.
    bool take(const char* keyword) {
      if (done() || words()[index] != keyword) return false;
      ++index;
      return true;
    }

    // Takes the keyword, or fails with the statement's usage text.
    void expect(const char* keyword, const char* usage) {
      if (!take(keyword)) parser.fail(usage);
    }

    // Whether a time starts here.
    bool atTime() const {
      return !done() && (words()[index] == "bar" || (index + 1 < words().size() && words()[index + 1] == "ms"));
    }

    double time() {
      const auto& words = this->words();
      if (index + 1 >= words.size()) parser.fail("`" + words[0] + "` needs a time (such as 15000ms or bar 2)");
      if (words[index] == "bar") {
        if (!section) parser.fail("a section's own times are in ms, not bars");
        const double bars = parser.number(index + 1, -1000.0, 1000.0);
        index += 2;
        return section->gridMs + bars * parser.score_.barMs();
      }
      if (words[index + 1] != "ms") parser.fail("`" + words[index] + "` is not a time (such as 15000ms or bar 2)");
      const double ms = parser.number(index, -3'600'000.0, 3'600'000.0);
      index += 2;
      return ms;
    }

    // "from T to T", or a failure with the statement's usage text.
    Span span(const char* usage) {
      expect("from", usage);
      const double fromMs = time();
      expect("to", usage);
      return {fromMs, time()};
    }

    double duration() {
      const double value = parser.number(index, 0.0, 3'600'000.0);
      if (index + 1 >= words().size()) parser.fail("a duration needs a unit (ms or beats)");
      const std::string& unit = words()[index + 1];
      index += 2;
      if (unit == "ms") return value;
      if (unit == "beat" || unit == "beats") return value * parser.score_.beatMs;
      parser.fail("`" + unit + "` is not a unit of duration (ms or beats)");
    }

    // Fails if a word is left over: "unexpected `WORD` " and where.
    void expectEnd(const std::string& where) const {
      if (!done()) parser.fail("unexpected `" + words()[index] + "` " + where);
    }
  };

  static constexpr const char* sectionUsage = "a section reads `section NAME from T to T [grid T]`";
  static constexpr const char* rampUsage = "a ramp reads `ramp INSTRUMENT SETTING FROM TO from T to T`";

  void sectionHeader() {
    if (words_.size() < 6) fail(sectionUsage);
    Section section;
    section.name = words_[1];
    section.line = line_;
    Phrase phrase{*this, 2};
    const Span span = phrase.span(sectionUsage);
    section.fromMs = span.fromMs;
    section.toMs = span.toMs;
    section.gridMs = phrase.take("grid") ? phrase.time() : section.fromMs;
    phrase.expectEnd("after the section's times");
    if (section.toMs <= section.fromMs) fail("the section ends before it starts");
    if (section.fromMs < 0.0) fail("the section starts before 0 ms");
    if (!score_.sections.empty() && section.fromMs < score_.sections.back().toMs) {
      fail("the section starts before the one above it ends");
    }
    score_.sections.push_back(section);
    open(Block::section);
  }

  void sectionStatement() {
    static constexpr Opener sectionStatements[] = {
        {"play", &Parser::playStatement}, {"hit", &Parser::hitStatement}, {"ramp", &Parser::rampStatement}};
    if (!runStatement(sectionStatements)) {
      fail("unknown statement `" + words_[0] + "` in a section (play, hit or ramp)");
    }
  }

  // play PATTERN [from T] [to T] [transpose N]
  void playStatement() {
    const Section& section = score_.sections.back();
    if (words_.size() < 2) fail("`play` needs a pattern");
    Play play;
    play.line = line_;
    play.pattern = findPattern(words_[1]);
    if (play.pattern < 0) fail("no pattern named `" + words_[1] + "`");
    play.fromMs = section.fromMs;
    play.toMs = section.toMs;
    Phrase phrase{*this, 2, &section};
    while (!phrase.done()) {
      if (phrase.take("from")) {
        play.fromMs = phrase.time();
      } else if (phrase.take("to")) {
        play.toMs = phrase.time();
      } else if (phrase.take("transpose")) {
        play.transpose = integer(phrase.index++, -48, 48);
      } else {
        fail("unexpected `" + words_[phrase.index] + "` in `play` (from, to, transpose)");
      }
    }
    play.fromMs = std::max(play.fromMs, section.fromMs);
    play.toMs = std::min(play.toMs, section.toMs);
    if (play.toMs <= play.fromMs) fail("the pattern would play outside its section");
    score_.plays.push_back(play);
  }

  // hit INSTRUMENT at T [T...] [CELL] [for DURATION]
  void hitStatement() {
    const Section& section = score_.sections.back();
    if (words_.size() < 5 || words_[2] != "at") fail("a hit reads `hit INSTRUMENT at T [T...] [CELL] [for DURATION]`");
    const int instrument = instrumentIndex(words_[1]);
    std::vector<double> times;
    Phrase phrase{*this, 3, &section};
    while (phrase.atTime()) times.push_back(phrase.time());
    if (times.empty()) fail("`hit` needs a time (such as 15000ms or bar 2)");
    Cell hitCell;
    hitCell.kind = Cell::Kind::hit;
    if (!phrase.done() && words_[phrase.index] != "for") {
      hitCell = cell(words_[phrase.index++]);
      if (hitCell.kind != Cell::Kind::hit) fail("a hit plays notes or `x`, not `.` or `-`");
    }
    const double lengthMs = phrase.take("for") ? phrase.duration() : score_.stepMs();
    phrase.expectEnd("in `hit`");
    for (double ms : times) {
      if (ms < section.fromMs || ms >= section.toMs) fail("the hit falls outside its section");
      score_.hits.push_back(Hit{instrument, ms, hitCell, lengthMs, line_});
    }
  }

  // ramp TARGET PARAM FROM TO from T to T
  void rampStatement() {
    if (words_.size() < 9 || words_[5] != "from") fail(rampUsage);
    Ramp ramp;
    ramp.line = line_;
    ramp.instrument = words_[1] == "master" ? -1 : instrumentIndex(words_[1]);
    const auto param = lookUp(params, words_[2]);
    if (!param) fail("`" + words_[2] + "` cannot be ramped (" + wordsOf(params, ", ") + ")");
    if (ramp.instrument < 0 && *param != Param::gain) fail("the master has only `gain` to ramp");
    ramp.param = *param;
    ramp.from = number(3, -1e6, 1e6);
    ramp.to = number(4, -1e6, 1e6);
    Phrase phrase{*this, 5, &score_.sections.back()};
    const Span span = phrase.span(rampUsage);
    ramp.fromMs = span.fromMs;
    ramp.toMs = span.toMs;
    phrase.expectEnd("in `ramp`");
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
