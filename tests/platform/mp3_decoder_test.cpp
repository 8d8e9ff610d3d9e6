#include "platform/mp3_decoder.h"

#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace {

using platform::SoundError;
using testsupport::Pcm;
using testsupport::TempDir;

std::vector<unsigned char> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::unique_ptr<platform::Mp3Decoder> open(const std::string& file, bool loop, SoundError& error, int rate = 44100) {
  return platform::openMp3Decoder(bytesOf(file), rate, loop, error);
}

std::unique_ptr<platform::Mp3Decoder> open(const std::string& file, bool loop = false) {
  SoundError error = SoundError::none;
  auto decoder = open(file, loop, error);
  EXPECT_EQ(error, SoundError::none);
  return decoder;
}

// Reads `frames` frames (or until the end) in uneven pieces, as an output's callbacks would.
std::vector<std::int16_t> readFrames(platform::Mp3Decoder& decoder, std::size_t frames) {
  std::vector<std::int16_t> out(2 * frames);
  std::size_t done = 0;
  for (std::size_t piece = 1; done < frames; piece = piece * 3 % 4093 + 1) {
    const std::size_t got = decoder.read(out.data() + 2 * done, std::min(piece, frames - done));
    done += got;
    if (got == 0) break;
  }
  out.resize(2 * done);
  return out;
}

std::vector<std::int16_t> left(const std::vector<std::int16_t>& stereo) {
  std::vector<std::int16_t> result;
  for (std::size_t i = 0; i < stereo.size(); i += 2) result.push_back(stereo[i]);
  return result;
}

// Mean squared difference of `decoded` shifted by `lag` frames against the source, over the middle.
double mismatch(const std::vector<std::int16_t>& decoded, const std::vector<std::int16_t>& source, int lag) {
  double sum = 0;
  std::size_t count = 0;
  for (std::size_t i = 4000; i + 4000 < source.size(); ++i) {
    const double d = decoded[i + static_cast<std::size_t>(lag)] - source[i];
    sum += d * d;
    ++count;
  }
  return sum / static_cast<double>(count);
}

TEST(Mp3Decoder, GivesBackExactlyTheEncodedFramesFromTheFirstSampleOn) {
  const Pcm source = testsupport::sweep(2.0);
  auto decoder = open(testsupport::encodeMp3(source));
  ASSERT_TRUE(decoder);
  const std::vector<std::int16_t> stereo = readFrames(*decoder, 200000);
  EXPECT_TRUE(decoder->ended());
  ASSERT_EQ(stereo.size(), 2 * source.frames()) << "gapless: no encoder delay, no padding";
  for (std::size_t i = 0; i < stereo.size(); i += 2) ASSERT_EQ(stereo[i], stereo[i + 1]) << "mono on both channels";
  const std::vector<std::int16_t> decoded = left(stereo);
  const double aligned = mismatch(decoded, source.samples, 0);
  EXPECT_LT(aligned, 16000.0 * 16000.0 / 100) << "at least 20 dB signal to noise";
  for (int lag : {-1105, -576, -529, -1, 1, 529, 576, 1105})
    EXPECT_GT(mismatch(decoded, source.samples, lag), 4 * aligned) << lag;
}

TEST(Mp3Decoder, LoopsWithoutAGap) {
  const std::string file = testsupport::encodeMp3(testsupport::sweep(0.5));
  const std::vector<std::int16_t> once = readFrames(*open(file), 100000);
  auto looping = open(file, true);
  const std::vector<std::int16_t> thrice = readFrames(*looping, 3 * once.size() / 2 - 1000);
  EXPECT_FALSE(looping->ended());
  for (std::size_t i = 0; i < thrice.size(); ++i) ASSERT_EQ(thrice[i], once[i % once.size()]) << "sample " << i;
}

TEST(Mp3Decoder, StereoAndOtherRatesComeOutAsStereoAtTheOutputRate) {
  const Pcm stereo = testsupport::sweep(1.0, 44100, 2);
  EXPECT_EQ(readFrames(*open(testsupport::encodeMp3(stereo)), 100000).size(), 2 * stereo.frames());
  SoundError error = SoundError::none;
  auto resampled = open(testsupport::encodeMp3(testsupport::sweep(1.0, 22050), 64), false, error);
  ASSERT_TRUE(resampled);
  EXPECT_NEAR(static_cast<double>(readFrames(*resampled, 100000).size()) / 2, 44100, 64);
}

TEST(Mp3Decoder, RejectsWhatIsNotMp3) {
  std::mt19937 random(7);
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::string png = "\x89PNG\r\n\x1a\n" + std::string(3000, '\0');
  for (const std::string& file : {std::string(), std::string("just some text\n"), png, std::string(50000, '\0')}) {
    SoundError error = SoundError::none;
    EXPECT_FALSE(open(file, true, error));
    EXPECT_EQ(error, SoundError::fileFormat);
  }
  SoundError error = SoundError::none;
  if (auto decoder = open(noise, true, error))
    readFrames(*decoder, 200000);  // whatever it finds, it must not crash or spin
}

TEST(Mp3Decoder, ATruncatedFilePlaysWhatItHoldsAndAnEmptyOneEndsEvenWhenLooping) {
  const std::string file = testsupport::encodeMp3(testsupport::sweep(2.0));
  auto truncated = open(file.substr(0, file.size() / 2));
  ASSERT_TRUE(truncated);
  const std::size_t frames = readFrames(*truncated, 200000).size() / 2;
  EXPECT_TRUE(truncated->ended());
  EXPECT_NEAR(static_cast<double>(frames), 44100.0, 3000);

  SoundError error = SoundError::none;
  auto empty = open(testsupport::encodeMp3(testsupport::silence(0)), true, error);
  if (empty) {
    EXPECT_EQ(readFrames(*empty, 10000).size(), 0u);
    EXPECT_TRUE(empty->ended());
  } else {
    EXPECT_EQ(error, SoundError::fileFormat);
  }
}

TEST(SoundFile, ReportsMissingUnreadableAndOutOfRange) {
  TempDir dir;
  std::vector<unsigned char> bytes;
  EXPECT_EQ(platform::readSoundFile((dir / "none.mp3").c_str(), 0, 0, bytes), SoundError::fileNotFound);
  EXPECT_EQ(platform::readSoundFile((dir / "none" / "x.mp3").c_str(), 0, 0, bytes), SoundError::fileNotFound);
  EXPECT_EQ(platform::readSoundFile(dir.path().c_str(), 0, 0, bytes), SoundError::fileBad);
  testsupport::writeFile(dir / "ten", "0123456789");
  EXPECT_EQ(platform::readSoundFile((dir / "ten").c_str(), 11, 0, bytes), SoundError::invalidParam);
  EXPECT_EQ(platform::readSoundFile((dir / "ten").c_str(), 4, 7, bytes), SoundError::invalidParam);
  ASSERT_EQ(platform::readSoundFile((dir / "ten").c_str(), 4, 3, bytes), SoundError::none);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "456");
}

}  // namespace
