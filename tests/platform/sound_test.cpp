#include "platform/sound.h"

#include "platform/mp3_decoder.h"
#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::SoundError;
using platform::SoundOutput;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

constexpr unsigned loopMode =
    platform::streamLoopNormal | platform::stream16Bits | platform::streamMono | platform::streamSigned;

// Each test starts from a closed library on the given output; SDL reads its driver when audio starts.
class Sound : public ::testing::Test {
 protected:
  void TearDown() override { platform::closeSound(); }

  static void start(SoundOutput output, const char* sdlDriver = "dummy") {
    ::setenv("SDL_AUDIODRIVER", sdlDriver, 1);
    ASSERT_TRUE(platform::setSoundOutput(output));
    ASSERT_TRUE(platform::initSound(44100, 16, 0)) << static_cast<int>(platform::soundError());
  }

  std::string music(const testsupport::Pcm& pcm, const std::string& name = "music.mp3") const {
    const auto path = dir / name;
    testsupport::writeMp3(path, pcm);
    return path.string();
  }

  TempDir dir;
};

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

TEST_F(Sound, SilentOutputPositionRunsWithTheWallClockFromZero) {
  start(SoundOutput::silent);
  platform::SoundStream* stream = platform::openStream(music(testsupport::sweep(2.0)).c_str(), loopMode, 0, 0);
  ASSERT_TRUE(stream);
  const auto played = Clock::now();
  ASSERT_GE(platform::playStream(platform::freeChannel, stream), 0);
  EXPECT_LE(platform::streamTime(stream), 5);
  std::vector<double> early, late;  // wall time since play minus position
  std::int32_t previous = 0;
  while (msSince(played) < 1500) {
    std::this_thread::sleep_for(2ms);
    const std::int32_t position = platform::streamTime(stream);
    ASSERT_GE(position, previous) << "never backwards";
    previous = position;
    const double wall = msSince(played);
    (wall < 500 ? early : late).push_back(wall - position);
  }
  EXPECT_LT(std::abs(median(early)), 23.0) << "the output takes the stream within a block of being played";
  EXPECT_LT(std::abs(median(late) - median(early)), 3.0) << "and then runs with the wall clock";
}

TEST_F(Sound, AudiblePositionFollowsTheFramesTheDeviceConsumed) {
  start(SoundOutput::audible, "dummy");  // SDL's dummy device runs a few per cent fast against the wall clock
  platform::SoundStream* stream = platform::openStream(music(testsupport::sweep(2.0)).c_str(), loopMode, 0, 0);
  ASSERT_GE(platform::playStream(platform::freeChannel, stream), 0);
  std::vector<double> offsets;
  const auto played = Clock::now();
  while (msSince(played) < 2000) {
    std::this_thread::sleep_for(3ms);
    const platform::StreamClockProbe probe = platform::probeStreamClock(stream);
    if (probe.callbacks > 20) offsets.push_back(probe.positionMs - (probe.consumedMs + probe.sinceCallbackMs));
  }
  ASSERT_FALSE(offsets.empty());
  EXPECT_LT(std::abs(median(offsets)), 3.0);
  EXPECT_GT(platform::streamTime(stream), 1800);
}

TEST_F(Sound, ALoopingStreamKeepsCountingAndAOnceStreamStopsAtItsLength) {
  start(SoundOutput::silent);
  const std::string file = music(testsupport::sweep(0.3));
  platform::SoundStream* looping = platform::openStream(file.c_str(), loopMode, 0, 0);
  platform::SoundStream* once = platform::openStream(file.c_str(), platform::streamLoopOff, 0, 0);
  EXPECT_EQ(platform::playStream(platform::freeChannel, looping), 0);
  EXPECT_EQ(platform::playStream(platform::freeChannel, once), 1);
  // The silent clock follows the wall clock; on a loaded machine its thread may run late, so wait for it.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (platform::streamTime(looping) <= 800 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_GT(platform::streamTime(looping), 800);
  EXPECT_EQ(platform::streamTime(once), 300);
  EXPECT_EQ(platform::playStream(platform::freeChannel, once), -1);
  EXPECT_EQ(platform::soundError(), SoundError::play);
  EXPECT_TRUE(platform::closeStream(once));
  EXPECT_TRUE(platform::closeStream(looping));
}

TEST_F(Sound, TheDiskDeviceWritesTheDecodedMusicFromItsFirstSampleAndLoopsIt) {
  const std::string output = (dir / "device.raw").string();
  ::setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  start(SoundOutput::audible, "disk");
  const std::string file = music(testsupport::sweep(0.4));
  platform::SoundStream* stream = platform::openStream(file.c_str(), loopMode, 0, 0);
  ASSERT_GE(platform::playStream(platform::freeChannel, stream), 0);
  std::this_thread::sleep_for(1000ms);
  platform::closeSound();

  SoundError error = SoundError::none;
  const std::string bytes = testsupport::readFile(file);
  auto decoder = platform::openMp3Decoder({bytes.begin(), bytes.end()}, 44100, false, error);
  ASSERT_TRUE(decoder);
  std::vector<std::int16_t> music(2 * 20000);
  music.resize(2 * decoder->read(music.data(), 20000));
  ASSERT_EQ(music.size(), 2u * 17640);

  const std::string written = testsupport::readFile(output);
  std::vector<std::int16_t> device(written.size() / 2);
  std::memcpy(device.data(), written.data(), device.size() * 2);
  // Blocks of silence written while the device waited for the first stream come first.
  const std::size_t block = 2 * platform::outputBlockFrames;
  std::size_t start = 0;
  while (start + block <= device.size() &&
         std::all_of(device.begin() + start, device.begin() + start + block, [](auto s) { return s == 0; })) {
    start += block;
  }
  ASSERT_GT(device.size() - start, 2 * music.size()) << "more than two passes written";
  for (std::size_t i = start; i < device.size(); ++i)
    ASSERT_EQ(device[i], music[(i - start) % music.size()]) << "sample " << i - start;
}

TEST_F(Sound, ReportsTheErrorCodesOfItsTable) {
  ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ASSERT_TRUE(platform::setSoundOutput(SoundOutput::audible));
  EXPECT_FALSE(platform::initSound(44100, 16, 0));
  EXPECT_EQ(platform::soundError(), SoundError::init);
  EXPECT_FALSE(platform::openStream(music(testsupport::sweep(0.2)).c_str(), loopMode, 0, 0));
  EXPECT_EQ(platform::soundError(), SoundError::uninitialised);
  EXPECT_FALSE(platform::initSound(44000, 16, 0));
  EXPECT_EQ(platform::soundError(), SoundError::invalidParam);

  start(SoundOutput::silent);
  EXPECT_FALSE(platform::initSound(44100, 16, 0));
  EXPECT_EQ(platform::soundError(), SoundError::busy);
  EXPECT_FALSE(platform::setSoundOutput(SoundOutput::audible));
  EXPECT_EQ(platform::soundError(), SoundError::busy);

  const auto openFails = [&](const std::string& path) {
    EXPECT_FALSE(platform::openStream(path.c_str(), loopMode, 0, 0)) << path;
    return platform::soundError();
  };
  EXPECT_EQ(openFails((dir / "missing.mp3").string()), SoundError::fileNotFound);
  testsupport::writeFile(dir / "text.mp3", "not music at all\n");
  EXPECT_EQ(openFails((dir / "text.mp3").string()), SoundError::fileFormat);
  EXPECT_EQ(openFails(dir.path().string()), SoundError::fileBad);

  EXPECT_EQ(platform::playStream(platform::freeChannel, nullptr), -1);
  EXPECT_EQ(platform::soundError(), SoundError::invalidParam);
  EXPECT_EQ(platform::streamTime(nullptr), 0);
  EXPECT_FALSE(platform::closeStream(nullptr));
}

TEST_F(Sound, ChannelsRunOutAndCloseSoundFreesEverything) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(platform::setSoundOutput(SoundOutput::silent));
  ASSERT_TRUE(platform::initSound(44100, 1, 0));
  const std::string file = music(testsupport::sweep(0.2));
  platform::SoundStream* first = platform::openStream(file.c_str(), loopMode, 0, 0);
  platform::SoundStream* second = platform::openStream(file.c_str(), loopMode, 0, 0);
  EXPECT_EQ(platform::playStream(3, first), -1);
  EXPECT_EQ(platform::soundError(), SoundError::invalidParam);
  EXPECT_EQ(platform::playStream(platform::freeChannel, first), 0);
  EXPECT_EQ(platform::playStream(platform::freeChannel, second), -1);
  EXPECT_EQ(platform::soundError(), SoundError::channelAlloc);
  platform::closeSound();
  EXPECT_FALSE(platform::closeStream(first)) << "closeSound closed it";
  ASSERT_TRUE(platform::initSound(44100, 1, 0)) << "and the library starts again";
  EXPECT_EQ(platform::playStream(0, first), -1);
  EXPECT_EQ(platform::soundError(), SoundError::invalidParam);
  platform::SoundStream* again = platform::openStream(file.c_str(), loopMode, 0, 0);
  EXPECT_EQ(platform::playStream(0, again), 0);
}

}  // namespace
