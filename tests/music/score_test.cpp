// The score reader: a complete small score, the demo's own score, and errors with file and line.

#include "tools/music/score.h"

#include "tests/support/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace music;

const char* const smallScore = R"(# a comment
tempo 500        # 120 beats a minute
meter 4 4
length 12000
seed 9
master -2
limiter -1
reverb 2 5000 20
delay 0.5 0.3 3000

instrument lead synth
  wave square
  envelope 5 100 0.5 200
  filter lowpass 2000 0.4
  unison 3 10 0.5
  gain -12
  note C#4
end
instrument drum kick
  punch 200 30
  decay 300
end

pattern tune 8
  lead C4 - - . | D4+F#4! . Bb3? x
  drum X . o . | x . . .
end

section one from 1000ms to 9000ms grid 500ms
  play tune from bar 1 to bar 3 transpose 2
  hit lead at 1000ms bar 0.5 E4 for 2 beats
  ramp lead cutoff 200 3200 from bar 1 to 4000ms
  ramp master gain -2 -90 from 8000ms to 9000ms
end
)";

TEST(Score, ReadsEverySettingOfASmallScore) {
  const Score score = parseScore(smallScore, "small.score");
  EXPECT_EQ(score.beatMs, 500.0);
  EXPECT_EQ(score.stepsPerBeat, 4);
  EXPECT_EQ(score.lengthMs, 12000.0);
  EXPECT_EQ(score.seed, 9u);
  EXPECT_EQ(score.ceilingDb, -1.0);
  EXPECT_EQ(score.delay.beats, 0.5);
  ASSERT_EQ(score.instruments.size(), 2u);
  const Instrument& lead = score.instruments[0];
  EXPECT_EQ(lead.wave, Wave::square);
  EXPECT_EQ(lead.unison, 3);
  EXPECT_EQ(lead.cutoffHz, 2000.0);
  EXPECT_EQ(lead.note, 61.0);
  EXPECT_EQ(score.instruments[1].kind, InstrumentKind::kick);
  EXPECT_EQ(score.instruments[1].drum.punchHz, 200.0);

  ASSERT_EQ(score.patterns.size(), 1u);
  const Row& tune = score.patterns[0].rows[0];
  ASSERT_EQ(tune.cells.size(), 8u);  // `|` is not a cell
  EXPECT_EQ(tune.cells[0].notes, std::vector<double>{60.0});
  EXPECT_EQ(tune.cells[1].kind, Cell::Kind::tie);
  EXPECT_EQ(tune.cells[3].kind, Cell::Kind::rest);
  EXPECT_EQ(tune.cells[4].notes, (std::vector<double>{62.0, 66.0}));
  EXPECT_EQ(tune.cells[4].velocity, 1.0f);
  EXPECT_EQ(tune.cells[6].notes, std::vector<double>{58.0});
  EXPECT_EQ(tune.cells[6].velocity, 0.5f);
  EXPECT_TRUE(tune.cells[7].notes.empty());
  EXPECT_EQ(score.patterns[0].rows[1].cells[2].velocity, 0.4f);

  ASSERT_EQ(score.sections.size(), 1u);
  ASSERT_EQ(score.plays.size(), 1u);
  EXPECT_EQ(score.plays[0].fromMs, 2500.0);  // grid 500 + one bar of 2000 ms
  EXPECT_EQ(score.plays[0].toMs, 6500.0);
  EXPECT_EQ(score.plays[0].transpose, 2);
  ASSERT_EQ(score.hits.size(), 2u);
  EXPECT_EQ(score.hits[0].ms, 1000.0);
  EXPECT_EQ(score.hits[1].ms, 1500.0);
  EXPECT_EQ(score.hits[1].lengthMs, 1000.0);
  ASSERT_EQ(score.ramps.size(), 2u);
  EXPECT_EQ(score.ramps[0].fromMs, 2500.0);
  EXPECT_EQ(score.ramps[1].instrument, -1);
}

std::string errorOf(const std::string& text) {
  return testsupport::messageOf<ScoreError>([&] { parseScore(text, "bad.score"); }, "no error");
}

TEST(Score, NamesTheFileAndLineOfWhatIsWrong) {
  const std::string head = "instrument a synth\nend\n";
  const std::string section = "section s from 0ms to 1000ms\n";
  EXPECT_EQ(errorOf("tempo 500\nfoo 1\n"), "bad.score:2: unknown statement `foo`");
  EXPECT_EQ(errorOf("tempo fast\n"), "bad.score:1: `fast` is not a number");
  EXPECT_EQ(errorOf("tempo 5\n"), "bad.score:1: `5` is out of range (100 to 5000)");
  EXPECT_EQ(errorOf("meter 4\n"), "bad.score:1: `meter` takes 2 values, found 1");
  EXPECT_EQ(errorOf("instrument a synth\n  wave pink\nend\n"),
            "bad.score:2: unknown wave `pink` (sine, saw, square, triangle or noise)");
  EXPECT_EQ(errorOf("instrument a kick\n  wave saw\nend\n"),
            "bad.score:2: unknown setting `wave` for drum instrument `a`");
  EXPECT_EQ(errorOf(head + "pattern p 4\n  a x . .\nend\n"), "bad.score:4: the row has 3 cells, the pattern 4 steps");
  EXPECT_EQ(errorOf(head + "pattern p 2\n  b x .\nend\n"), "bad.score:4: no instrument named `b`");
  EXPECT_EQ(errorOf(head + "pattern p 2\n  a . -\nend\n"), "bad.score:4: `-` holds a note but there is none before it");
  EXPECT_EQ(errorOf(head + "pattern p 2\n  a H2 .\nend\n"),
            "bad.score:4: `H2` is not a cell (`.`, `-`, `x`, `X`, `o`, or notes such as D3 or D3+F3+A3)");
  EXPECT_EQ(errorOf(head + "pattern p 2\n  a x .\n"), "bad.score:3: the pattern block has no `end`");
  EXPECT_EQ(errorOf(head + "instrument a synth\nend\n"), "bad.score:3: the name `a` is already taken");
  EXPECT_EQ(errorOf(head + section + "  hit a at 2000ms\nend\n"), "bad.score:4: the hit falls outside its section");
  EXPECT_EQ(errorOf(head + section + "  play nothing\nend\n"), "bad.score:4: no pattern named `nothing`");
  EXPECT_EQ(errorOf(head + section + "end\nsection t from 500ms to 800ms\nend\n"),
            "bad.score:5: the section starts before the one above it ends");
  EXPECT_EQ(errorOf(head + section + "  ramp a wobble 1 2 from 0ms to 10ms\nend\n"),
            "bad.score:4: `wobble` cannot be ramped (gain, cutoff, resonance, pan, reverb, delay)");
  EXPECT_EQ(errorOf(head + "section s from bar 1 to 1000ms\nend\n"),
            "bad.score:3: a section's own times are in ms, not bars");
  EXPECT_EQ(errorOf("length 1000\n" + head + "section s from 0ms to 2000ms\nend\n"),
            "bad.score:4: the last section ends after the length of the music");
  EXPECT_EQ(errorOf("end\n"), "bad.score:1: `end` without a block to close");
  EXPECT_EQ(errorOf(head), "bad.score:2: the score has no section");
}

TEST(Score, EachInstrumentKindTakesItsOwnSettings) {
  const auto instrument = [](const std::string& kind, const std::string& setting) {
    return "instrument a " + kind + "\n  " + setting + "\nend\n";
  };
  // The same key means different things for a synth and a drum: its own count and range each.
  EXPECT_EQ(errorOf(instrument("synth", "filter 2000")), "bad.score:2: `filter` takes 3 values, found 1");
  EXPECT_EQ(errorOf(instrument("hat", "filter lowpass 2000 0.4")), "bad.score:2: `filter` takes 1 value, found 3");
  EXPECT_EQ(errorOf(instrument("snare", "drive 0.05")), "bad.score:2: `0.05` is out of range (0.1 to 20)");
  EXPECT_EQ(errorOf(instrument("synth", "drive 0.05")), "bad.score:3: the score has no section");  // accepted
  // Drum settings that belong to one drum only.
  EXPECT_EQ(errorOf(instrument("snare", "punch 200 30")),
            "bad.score:2: unknown setting `punch` for drum instrument `a`");
  EXPECT_EQ(errorOf(instrument("kick", "tone 90")), "bad.score:2: unknown setting `tone` for drum instrument `a`");
  EXPECT_EQ(errorOf(instrument("kick", "filter 900")), "bad.score:2: unknown setting `filter` for drum instrument `a`");
  EXPECT_EQ(errorOf(instrument("synth", "pitch 50")), "bad.score:2: unknown setting `pitch` for synth instrument `a`");
  // Words, notes and whole numbers.
  EXPECT_EQ(errorOf(instrument("synth", "filter notch 2000 0.4")),
            "bad.score:2: unknown filter `notch` (lowpass, highpass or bandpass)");
  EXPECT_EQ(errorOf(instrument("synth", "note H4")), "bad.score:2: `H4` is not a note (such as C4, F#3 or Bb2)");
  EXPECT_EQ(errorOf(instrument("synth", "unison 2.5 10 0.5")), "bad.score:2: `2.5` must be a whole number");
  EXPECT_EQ(errorOf(instrument("organ", "gain 0")),
            "bad.score:1: unknown instrument kind `organ` (synth, kick, snare or hat)");
}

TEST(Score, EveryDrumKindStartsFromItsOwnSettings) {
  const Score score = parseScore(
      "instrument k kick\nend\ninstrument s snare\nend\ninstrument h hat\n  pitch 500\nend\n"
      "section one from 0ms to 1000ms\nend\n",
      "kinds.score");
  ASSERT_EQ(score.instruments.size(), 3u);
  EXPECT_EQ(score.instruments[0].drum.pitchHz, DrumSettings{}.pitchHz);
  EXPECT_EQ(score.instruments[1].drum.filterHz, 1800.0);
  EXPECT_EQ(score.instruments[2].drum.filterHz, 9000.0);
  EXPECT_EQ(score.instruments[2].drum.pitchHz, 500.0);  // a setting changes only its own value
  EXPECT_EQ(score.instruments[2].drum.decayMs, 60.0);
}

TEST(Score, AHashInsideAWordIsASharpNotAComment) {
  const Score score = parseScore(
      "instrument a synth\n  note C#4 # middle C sharp\nend\nsection s from 0ms to 10ms\nend\n", "sharp.score");
  EXPECT_EQ(score.instruments[0].note, 61.0);
}

TEST(Score, AMissingFileIsAScoreErrorNamingIt) {
  try {
    readScore("/nonexistent/music.score");
    FAIL() << "no error";
  } catch (const ScoreError& error) {
    EXPECT_EQ(std::string(error.what()), "/nonexistent/music.score: cannot read the score");
  }
}

TEST(Score, TheDemosScoreChangesSectionWhereTheScenesChange) {
  const Score score = readScore(VELMORROW_SOURCE_DIR "/content/music.score");
  EXPECT_EQ(score.beatMs, 636.25);
  EXPECT_GE(score.lengthMs, 158500.0);
  std::vector<double> starts;
  for (const Section& section : score.sections) starts.push_back(section.fromMs);
  EXPECT_EQ(starts, (std::vector<double>{0, 15000, 45730, 71139, 86180, 101500, 121920, 150000}));
  // The captions of scene 2 change on two-bar phrases from 16510 ms: the grid of its section.
  EXPECT_EQ(score.sections[1].gridMs, 16510.0);
  EXPECT_EQ(score.barMs() * 2, 5090.0);
}

}  // namespace
