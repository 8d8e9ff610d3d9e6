// The step sequencer: where notes land in samples, how long they hold, and the ramps.

#include "tools/music/sequencer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace music;

Score scoreWith(const std::string& patterns, const std::string& section) {
  const std::string text =
      "tempo 636.25\nmeter 4 4\nlength 200000\n"
      "instrument a synth\nend\ninstrument b hat\nend\n" +
      patterns + section;
  return parseScore(text, "test.score");
}

TEST(Sequencer, StepsLandOnTheNearestSampleOfTheirExactTimeWithoutDrift) {
  const Score score = scoreWith("pattern p 1\n  b x\nend\n",
                                "section s from 15000ms to 190000ms grid 16510ms\n  play p from bar 0\nend\n");
  const auto events = scheduleNotes(score);
  // One step is a quarter of 636.25 ms: 7014.65625 samples.
  ASSERT_EQ(events.size(), static_cast<std::size_t>(std::ceil((190000.0 - 16510.0) / 159.0625)));
  for (std::size_t k = 0; k < events.size(); ++k) {
    const double exact = (16510.0 + 159.0625 * static_cast<double>(k)) * 44.1;
    ASSERT_EQ(events[k].on, std::llround(exact)) << "step " << k;
  }
  // Two-bar phrases from 16510 ms: 5090 ms = 224469 samples apart, for as long as the music lasts.
  EXPECT_EQ(events[32].on - events[0].on, 224469);
  EXPECT_EQ(events[32 * 30].on, sampleAt(16510.0 + 30 * 5090.0));
}

TEST(Sequencer, NotesHoldThroughTiesAndStopAtThePlaysEnd) {
  const Score score = scoreWith("pattern p 4\n  a C4 - - D4\nend\n",
                                "section s from 0ms to 10000ms\n  play p from 1000ms to 1700ms\nend\n");
  const auto events = scheduleNotes(score);
  // Steps of 159.0625 ms from 1000 ms: C4 at step 0 held to step 3; D4 at step 3 cut at 1700 ms;
  // the second repetition's C4 at step 4 (1636.25 ms) is cut at 1700 ms as well.
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].note, 60.0);
  EXPECT_EQ(events[0].on, sampleAt(1000.0));
  EXPECT_EQ(events[0].off, sampleAt(1000.0 + 3 * 159.0625));
  EXPECT_EQ(events[1].note, 62.0);
  EXPECT_EQ(events[1].off, sampleAt(1000.0 + 4 * 159.0625));
  EXPECT_EQ(events[2].on, sampleAt(1000.0 + 4 * 159.0625));
  EXPECT_EQ(events[2].off, sampleAt(1700.0));
}

TEST(Sequencer, ChordsHitsAndTransposeBecomeOneEventPerNoteInTimeOrder) {
  const Score score = scoreWith("pattern p 2\n  a C4+E4 .\nend\n",
                                "section s from 0ms to 10000ms\n  hit b at 200ms 100ms\n"
                                "  play p from 0ms to 300ms transpose -12\n  hit a at 50ms G4! for 2 beats\nend\n");
  const auto events = scheduleNotes(score);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].on, 0);
  EXPECT_EQ(events[0].note, 48.0);
  EXPECT_EQ(events[1].note, 52.0);
  EXPECT_EQ(events[1].on, 0);
  EXPECT_EQ(events[2].on, sampleAt(50.0));
  EXPECT_EQ(events[2].off, sampleAt(50.0 + 2 * 636.25));
  EXPECT_EQ(events[2].velocity, 1.0f);
  EXPECT_EQ(events[3].on, sampleAt(100.0));
  EXPECT_EQ(events[4].on, sampleAt(200.0));
}

TEST(Automation, HoldsBeforeRampsFollowsThemAndKeepsTheirEndValues) {
  const Score score = scoreWith("",
                                "section s from 0ms to 10000ms\n"
                                "  ramp a gain -20 -10 from 1000ms to 2000ms\n"
                                "  ramp a gain -30 -40 from 5000ms to 6000ms\n"
                                "  ramp a cutoff 100 1600 from 0ms to 4000ms\nend\n");
  const Automation automation(score);
  EXPECT_EQ(automation.value(0, Param::gain, 500.0), 0.0);  // the instrument's own gain
  EXPECT_DOUBLE_EQ(automation.value(0, Param::gain, 1500.0), -15.0);
  EXPECT_EQ(automation.value(0, Param::gain, 3000.0), -10.0);
  EXPECT_DOUBLE_EQ(automation.value(0, Param::gain, 5500.0), -35.0);
  EXPECT_EQ(automation.value(0, Param::gain, 9000.0), -40.0);
  // Cutoffs move along octaves: halfway through 100 to 1600 Hz is 400 Hz.
  EXPECT_NEAR(automation.value(0, Param::cutoff, 2000.0), 400.0, 1e-9);
  EXPECT_EQ(automation.value(1, Param::pan, 2000.0), 0.0);
  EXPECT_FALSE(automation.ramped(1, Param::gain));
}

}  // namespace
