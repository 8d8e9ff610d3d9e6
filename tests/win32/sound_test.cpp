// The sound library on Windows: the music's layout (the LAME tag's delay and padding), the decode
// through the Audio Compression Manager against the Linux decode (mpg123's, made by the test fixture),
// and the position clock.

#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "platform/mp3_layout.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::filesystem::path musicFile() { return std::filesystem::path(VELMORROW_DATA_DIR) / "music.mp3"; }
std::filesystem::path referenceFile() { return testsupport::binaryDir() / "music-mpg123.raw"; }

std::vector<unsigned char> musicBytes() {
  const std::string bytes = testsupport::readFile(musicFile());
  return {bytes.begin(), bytes.end()};
}

std::vector<std::int16_t> reference() {
  const std::string bytes = testsupport::readFile(referenceFile());
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

std::vector<std::int16_t> decodeWithAcm(bool loop, std::size_t frames) {
  platform::SoundError error = platform::SoundError::none;
  auto decoder = platform::openMp3Decoder(musicBytes(), 44100, loop, error);
  EXPECT_TRUE(decoder) << static_cast<int>(error);
  std::vector<std::int16_t> samples(2 * frames);
  std::size_t done = 0;
  while (decoder && done < frames) {
    const std::size_t got = decoder->read(samples.data() + 2 * done, std::min<std::size_t>(4096, frames - done));
    done += got;
    if (got == 0) break;
  }
  samples.resize(2 * done);
  return samples;
}

double snrDb(const std::vector<std::int16_t>& signal, const std::vector<std::int16_t>& test, std::ptrdiff_t lag) {
  double power = 0;
  double noise = 0;
  for (std::size_t i = 0; i < signal.size(); ++i) {
    const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + 2 * lag;
    if (j < 0 || j >= static_cast<std::ptrdiff_t>(test.size())) continue;
    const double s = signal[i];
    const double d = s - test[static_cast<std::size_t>(j)];
    power += s * s;
    noise += d * d;
  }
  return noise == 0 ? 200.0 : 10 * std::log10(power / noise);
}

TEST(MusicLayout, TheTagGivesDelayPaddingAndTheReferenceLength) {
  const std::vector<unsigned char> bytes = musicBytes();
  ASSERT_FALSE(bytes.empty()) << musicFile();
  platform::Mp3Layout layout;
  ASSERT_TRUE(platform::findMp3Layout(bytes, layout));
  EXPECT_TRUE(layout.gapless);
  EXPECT_EQ(layout.first.sampleRate, 44100);
  EXPECT_EQ(layout.first.samplesPerFrame, 1152);
  EXPECT_GT(layout.encoderDelay, 0);
  EXPECT_EQ(layout.musicSamples() * 4, static_cast<std::int64_t>(std::filesystem::file_size(referenceFile())))
      << "the music is exactly as long as mpg123's gapless decode";
}

TEST(MusicLayout, GarbageAndOtherLayersAreNoMusic) {
  platform::Mp3Layout layout;
  const std::vector<unsigned char> text(5000, 'x');
  EXPECT_FALSE(platform::findMp3Layout(text, layout));
  std::vector<unsigned char> layer2(5000, 0);
  layer2[0] = 0xFF, layer2[1] = 0xFD, layer2[2] = 0x90, layer2[3] = 0x00;  // MPEG-1 layer II
  EXPECT_FALSE(platform::findMp3Layout(layer2, layout));
  platform::Mp3FrameHeader header;
  const unsigned char mpeg1[] = {0xFF, 0xFB, 0x90, 0x64};  // 128 kbit/s, 44.1 kHz, joint stereo
  ASSERT_TRUE(platform::parseMp3FrameHeader(mpeg1, header));
  EXPECT_EQ(header.length, 417);
  EXPECT_EQ(header.channels, 2);
}

TEST(AcmDecode, LinesUpWithTheLinuxDecodeSampleForSample) {
  const std::vector<std::int16_t> linux = reference();
  ASSERT_GT(linux.size(), 44100u * 2 * 10);
  const std::vector<std::int16_t> acm = decodeWithAcm(false, linux.size() / 2 + 44100);
  EXPECT_EQ(acm.size(), linux.size()) << "the padding is cut: the same number of frames";
  // The lag that matches best, over a second with music in it.
  const auto snrOfSecond = [&](std::ptrdiff_t lag) {
    double power = 0, noise = 0;
    for (std::size_t i = 2 * 44100 * 5; i < 2 * 44100 * 6; ++i) {
      const double d =
          static_cast<double>(linux[i]) - acm[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(i) + 2 * lag)];
      power += static_cast<double>(linux[i]) * linux[i];
      noise += d * d;
    }
    return noise == 0 ? 200.0 : 10 * std::log10(power / noise);
  };
  std::ptrdiff_t bestLag = 0;
  double best = -1e9;
  for (std::ptrdiff_t lag = -1200; lag <= 1200; ++lag) {
    const double snr = snrOfSecond(lag);
    if (snr > best) best = snr, bestLag = lag;
  }
  EXPECT_EQ(bestLag, 0) << "no offset after the gapless trim";
  const double snr = snrDb(linux, acm, 0);
  RecordProperty("snr_db", std::to_string(snr));
  std::printf("ACM against mpg123: SNR %.1f dB over %zu frames\n", snr, linux.size() / 2);
  EXPECT_GT(snr, 60.0) << "only decoder rounding differs";
}

TEST(AcmDecode, ALoopingDecoderStartsAgainAtTheFirstSample) {
  const std::vector<std::int16_t> linux = reference();
  const std::size_t frames = linux.size() / 2;
  const std::vector<std::int16_t> acm = decodeWithAcm(true, frames + 44100);
  ASSERT_EQ(acm.size(), 2 * (frames + 44100));
  const std::vector<std::int16_t> firstSecond(acm.begin(), acm.begin() + 2 * 44100);
  const std::vector<std::int16_t> secondPass(acm.begin() + 2 * frames, acm.end());
  EXPECT_EQ(firstSecond, secondPass);
}

TEST(AcmDecode, MissingAndNonMusicFilesGiveTheLibrarysCodes) {
  std::vector<unsigned char> bytes;
  EXPECT_EQ(platform::readSoundFile("no-such-file.mp3", 0, 0, bytes), platform::SoundError::fileNotFound);
  EXPECT_EQ(platform::readSoundFile(".", 0, 0, bytes), platform::SoundError::fileBad);
  platform::SoundError error = platform::SoundError::none;
  EXPECT_FALSE(platform::openMp3Decoder(std::vector<unsigned char>(3000, 7), 44100, false, error));
  EXPECT_EQ(error, platform::SoundError::fileFormat);
}

// Not heard, nothing is decoded (music off needs no MP3 codec): silence exactly as long as the music,
// from the tag and from the frames alike (the tag's frame count cleared), and again when looping.
TEST(SilentMusic, IsAsLongAsTheDecodedMusicWithoutDecoding) {
  const std::size_t frames = reference().size() / 2;
  std::vector<unsigned char> untagged = musicBytes();
  platform::Mp3Layout layout;
  ASSERT_TRUE(platform::findMp3Layout(untagged, layout));
  const std::size_t count = layout.audioStart - layout.first.length + 4 + layout.first.sideInfoBytes + 8;
  std::fill_n(untagged.begin() + static_cast<std::ptrdiff_t>(count), 4, 0);  // the frame count: 0
  for (const std::vector<unsigned char>& bytes : {musicBytes(), untagged}) {
    for (const bool loop : {false, true}) {
      platform::SoundError error = platform::SoundError::none;
      auto decoder = platform::openMp3Decoder(bytes, 44100, loop, error, false);
      ASSERT_TRUE(decoder) << static_cast<int>(error);
      std::vector<std::int16_t> block(2 * 100000, 1);
      std::size_t done = 0;
      bool silent = true;
      while (done < frames + 44100) {
        const std::size_t got = decoder->read(block.data(), 100000);
        silent = silent && std::all_of(block.begin(), block.begin() + 2 * got, [](std::int16_t s) { return s == 0; });
        done += got;
        if (got < 100000) break;
      }
      EXPECT_TRUE(silent);
      if (loop) {
        EXPECT_GE(done, frames + 44100);
      } else {
        EXPECT_EQ(done, frames);
      }
    }
  }
}

// The silent output's clock under Wine: from 0, never backwards, every step between two readings as
// long as the wall time between them (within a few milliseconds: no jumps), in step with the wall clock.
TEST(SoundClock, SilentPositionsAreMonotonicSmoothAndRealTime) {
  ASSERT_TRUE(platform::setSoundOutput(platform::SoundOutput::silent));
  ASSERT_TRUE(platform::initSound(44100, 16, 0));
  platform::SoundStream* stream = platform::openStream(musicFile().string().c_str(), platform::streamLoopNormal, 0, 0);
  ASSERT_NE(stream, nullptr);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_GE(platform::playStream(platform::freeChannel, stream), 0);
  std::int32_t previous = platform::streamTime(stream);
  auto previousTime = std::chrono::steady_clock::now();
  EXPECT_LE(previous, 5);
  double largestOffWall = 0;
  while (std::chrono::steady_clock::now() - start < 2000ms) {
    std::this_thread::sleep_for(2ms);
    const std::int32_t now = platform::streamTime(stream);
    const auto time = std::chrono::steady_clock::now();
    ASSERT_GE(now, previous);
    const double wallStep = std::chrono::duration<double, std::milli>(time - previousTime).count();
    if (previous > 100) largestOffWall = std::max(largestOffWall, std::abs((now - previous) - wallStep));
    previous = now;
    previousTime = time;
  }
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("silent clock: steps off the wall clock by up to %.1f ms; %d ms after %.0f ms\n", largestOffWall,
              previous, wall);
  EXPECT_LE(largestOffWall, 6.0);
  EXPECT_NEAR(previous, wall, 60);
  platform::closeStream(stream);
  platform::closeSound();
}

}  // namespace
