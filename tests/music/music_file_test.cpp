// The demo's music as built (build/data/music.mp3), decoded as the demo decodes it, against the
// picture: where it starts, where it changes, how loud it gets and where it ends.

#include "tests/music/mp3_decode.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

using musictest::Decoded;
using musictest::levelDb;

const Decoded& music() {
  static const Decoded decoded = musictest::decodeMp3(testsupport::binaryDir() / "data" / "music.mp3");
  return decoded;
}

// The largest rise in level within 20 ms of `ms`: the level of the next 10 ms against the 50 ms before.
double onsetDb(double ms) {
  double best = -1000.0;
  for (double at = ms - 20.0; at <= ms + 20.0; at += 1.0) {
    best = std::max(best, levelDb(music(), at, at + 10.0) - levelDb(music(), at - 50.0, at));
  }
  return best;
}

TEST(MusicFile, LastsPastTheDemosEndSoItNeverLoops) {
  EXPECT_EQ(music().rate, 44100);
  EXPECT_GE(music().left.size(), static_cast<std::size_t>(158.5 * 44100));
}

TEST(MusicFile, StartsFromNearSilenceAsThePictureFadesUp) {
  EXPECT_LT(levelDb(music(), 0.0, 50.0), -60.0);
  EXPECT_LT(levelDb(music(), 0.0, 500.0), levelDb(music(), 6000.0, 6500.0) - 20.0);
}

TEST(MusicFile, StrikesWithinTwentyMillisecondsOfEverySceneChange) {
  for (double ms : {15000.0, 45730.0, 71139.0, 86180.0, 101500.0, 121920.0, 150000.0}) {
    EXPECT_GT(onsetDb(ms), 8.0) << "at " << ms << " ms";
  }
}

TEST(MusicFile, StrikesWithinTwentyMillisecondsOfEveryCloudTurnAndTheRings) {
  for (double ms : {25417.0, 27969.0, 30494.0, 31771.0, 33040.0, 35578.0, 36848.0, 38113.0, 40656.0, 101000.0}) {
    EXPECT_GT(onsetDb(ms), 6.0) << "at " << ms << " ms";
  }
}

TEST(MusicFile, NeverReachesFullScale) {
  float peak = 0.0f;
  for (std::size_t i = 0; i < music().left.size(); ++i) {
    peak = std::max({peak, std::fabs(music().left[i]), std::fabs(music().right[i])});
  }
  EXPECT_LT(peak, 0.98f);
  EXPECT_GT(peak, 0.5f);  // and is not timid either
}

TEST(MusicFile, FadesToSilenceBeforeTheDemoEnds) {
  EXPECT_LT(levelDb(music(), 157900.0, 1e9), -90.0);
  EXPECT_LT(levelDb(music(), 156900.0, 157900.0), levelDb(music(), 150500.0, 151500.0) - 30.0);
}

}  // namespace
