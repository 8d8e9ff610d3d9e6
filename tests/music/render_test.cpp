// Rendering a score and encoding it: timing to the sample, determinism, the ceiling, and a gapless
// MP3 that mpg123 decodes with the first sample at 0 ms.

#include "tests/music/mp3_decode.h"
#include "tests/support/process.h"
#include "tools/music/mp3_encoder.h"
#include "tools/music/music.h"
#include "tools/music/renderer.h"
#include "tools/music/sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

using namespace music;

const char* const shortScore = R"(tempo 500
length 3000
instrument k kick
  gain -6
end
instrument p synth
  wave saw
  unison 3 12 0.8
  envelope 5 200 0.6 300
  filter lowpass 1500 0.5
  filterenv 2 100
  reverb 0.4
  delay 0.3
  duck 0.5
end
pattern beat 8
  k X . x . | X . x .
  p D3+A3 - - . | F3 - C4 -
end
section s from 250ms to 2900ms
  play beat
  ramp p cutoff 300 3000 from 250ms to 2000ms
end
)";

std::size_t firstSound(const std::vector<float>& samples) {
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (samples[i] != 0.0f) return i;
  }
  return samples.size();
}

TEST(Render, StartsOnTheFirstNotesSampleAndGivesTheSameSamplesEveryTime) {
  const Score score = parseScore(shortScore, "short.score");
  const Song first = renderScore(score);
  const Song second = renderScore(score);
  ASSERT_EQ(first.left.size(), static_cast<std::size_t>(sampleAt(3000.0)));
  EXPECT_EQ(first.left, second.left);
  EXPECT_EQ(first.right, second.right);
  EXPECT_EQ(firstSound(first.left), static_cast<std::size_t>(sampleAt(250.0)));
  float peak = 0.0f;
  for (std::size_t i = 0; i < first.left.size(); ++i)
    peak = std::max({peak, std::fabs(first.left[i]), std::fabs(first.right[i])});
  EXPECT_GT(peak, 0.1f);
  EXPECT_LE(peak, static_cast<float>(dbToGain(-1.0)));
}

TEST(Render, TheMasterFadeEndsInExactSilence) {
  std::string text = shortScore;
  text.insert(text.rfind("end\n"), "  ramp master gain 0 -90 from 1500ms to 2000ms\n");
  const Song song = renderScore(parseScore(text, "fade.score"));
  for (std::size_t i = static_cast<std::size_t>(sampleAt(2000.0)) + 64; i < song.left.size(); ++i) {
    ASSERT_EQ(song.left[i], 0.0f) << i;
    ASSERT_EQ(song.right[i], 0.0f) << i;
  }
}

TEST(Mp3, DecodesGaplesslyToTheSameLengthWithTheFirstSampleAtZero) {
  // A click at sample 1000 of otherwise silent 2 seconds, and a tone from 1 s.
  const std::size_t length = 2 * sampleRate;
  std::vector<float> left(length, 0.0f), right(length, 0.0f);
  left[1000] = right[1000] = 0.9f;
  for (std::size_t i = sampleRate; i < length; ++i) left[i] = right[i] = 0.3f * std::sin(i * 0.05f);
  const auto mp3 = encodeMp3(left, right);
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "click.mp3", std::string(mp3.begin(), mp3.end()));

  const std::string firstFrame(mp3.begin(), mp3.begin() + 400);
  EXPECT_NE(firstFrame.find("LAME"), std::string::npos);  // the tag with delay and padding

  const musictest::Decoded decoded = musictest::decodeMp3(dir / "click.mp3");
  EXPECT_EQ(decoded.rate, 44100);
  ASSERT_EQ(decoded.left.size(), length);
  std::size_t loudest = 0;
  for (std::size_t i = 0; i < 20000; ++i) {
    if (std::fabs(decoded.left[i]) > std::fabs(decoded.left[loudest])) loudest = i;
  }
  EXPECT_NEAR(static_cast<double>(loudest), 1000.0, 2.0);
  EXPECT_LT(musictest::levelDb(decoded, 0.0, 15.0), -60.0);
  EXPECT_NEAR(musictest::levelDb(decoded, 1100.0, 1900.0), 10.0 * std::log10(0.045), 1.0);
}

TEST(Mp3, TheSameSamplesGiveTheSameBytes) {
  std::vector<float> left(sampleRate), right(sampleRate);
  for (int i = 0; i < sampleRate; ++i) {
    left[i] = 0.5f * std::sin(i * 0.031f);
    right[i] = 0.5f * std::sin(i * 0.017f);
  }
  EXPECT_EQ(encodeMp3(left, right), encodeMp3(left, right));
}

TEST(RenderMusic, WritesTheFileOrNothingAtAll) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "good.score", shortScore);
  std::vector<std::string> stages;
  renderMusic(dir / "good.score", dir / "out" / "music.mp3", [&](std::string_view stage, double) {
    if (stages.empty() || stages.back() != stage) stages.emplace_back(stage);
  });
  EXPECT_EQ(stages, (std::vector<std::string>{"rendering", "encoding"}));
  EXPECT_EQ(musictest::decodeMp3(dir / "out" / "music.mp3").left.size(), static_cast<std::size_t>(sampleAt(3000.0)));
  EXPECT_FALSE(std::filesystem::exists(dir / "out" / "music.mp3.part"));

  testsupport::writeFile(dir / "bad.score", std::string(shortScore) + "wobble 3\n");
  EXPECT_THROW(renderMusic(dir / "bad.score", dir / "bad.mp3"), ScoreError);
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.mp3"));
}

}  // namespace
