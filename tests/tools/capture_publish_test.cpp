// velmorrow-capture's frames and videos for publishing: any frame shape without stretching, supersampled
// edges, and the music muxed as it is, in step with the picture.

#include "tests/support/flat_hwl.h"
#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstring>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

struct Rgb {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bytes;
  const std::uint8_t* at(int x, int y) const { return &bytes[(std::size_t(y) * width + x) * 3]; }
};

Rgb readPng(const std::filesystem::path& path) {
  Rgb picture;
  int channels = 0;
  stbi_uc* data = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
  if (data) picture.bytes.assign(data, data + std::size_t(picture.width) * picture.height * 3);
  stbi_image_free(data);
  return picture;
}

// The demo's own data, as the build makes it.
std::string data() { return (binaryDir() / "data").string(); }

// The frame at `clock`, rendered with few frames before it (the clock steps by half a second).
Rgb frameAt(const TempDir& dir, const std::string& name, int clock, const std::vector<std::string>& extra) {
  std::vector<std::string> argv{(binaryDir() / "velmorrow-capture").string(),
                                "--data",
                                data(),
                                "--fps",
                                "2",
                                "--at",
                                std::to_string(clock),
                                "--out",
                                (dir / name).string()};
  argv.insert(argv.end(), extra.begin(), extra.end());
  const ProcessResult result = run(argv, {}, 300s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  char file[32];
  std::snprintf(file, sizeof file, "frame_%06d.png", clock);
  return readPng(dir / name / file);
}

// Whether every pixel of a rectangle is black.
bool black(const Rgb& picture, int left, int top, int width, int height) {
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x) {
      const std::uint8_t* p = picture.at(x, y);
      if (p[0] || p[1] || p[2]) return false;
    }
  }
  return true;
}

// The picture fills (left, top, width, height) and black bars the rest: beside it or above and below.
void expectPictureBetweenBars(const Rgb& frame, int left, int top, int width, int height) {
  if (left > 0) {
    EXPECT_TRUE(black(frame, 0, 0, left, frame.height));
    EXPECT_TRUE(black(frame, left + width, 0, frame.width - left - width, frame.height));
  } else {
    EXPECT_TRUE(black(frame, 0, 0, frame.width, top));
    EXPECT_TRUE(black(frame, 0, top + height, frame.width, frame.height - top - height));
  }
  EXPECT_FALSE(black(frame, left, top, width, height));
}

double psnr(const Rgb& a, const Rgb& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.bytes.size(); ++i) sum += std::pow(double(a.bytes[i]) - b.bytes[i], 2);
  return 10 * std::log10(255.0 * 255.0 * double(a.bytes.size()) / sum);
}

TEST(CapturePublish, AWideFrameIsTheFourByThreePictureBetweenBlackBars) {
  TempDir dir;
  const Rgb wide = frameAt(dir, "wide", 20000, {"--size", "1920x1080"});
  ASSERT_EQ(wide.width, 1920);
  expectPictureBetweenBars(wide, 240, 0, 1440, 1080);
  EXPECT_FALSE(black(wide, 240, 0, 1, 1080));   // the picture starts right after the bar
  EXPECT_FALSE(black(wide, 1679, 0, 1, 1080));  // and ends right before the other
  // The picture between the bars is the 800 x 600 frame scaled up, up to the detail a larger render
  // has (measured: 46 dB; the frames half a second before and after give 28 and 23 dB).
  frameAt(dir, "plain", 20000, {"--size", "800x600"});
  ASSERT_EQ(run({"ffmpeg", "-v", "error", "-i", (dir / "plain" / "frame_020000.png").string(), "-vf",
                 "scale=1440:1080:flags=bicubic", (dir / "scaled.png").string()},
                {}, 60s)
                .exitCode,
            0);
  const Rgb scaled = readPng(dir / "scaled.png");
  Rgb inner{1440, 1080, {}};
  for (int y = 0; y < 1080; ++y) inner.bytes.insert(inner.bytes.end(), wide.at(240, y), wide.at(1680, y));
  EXPECT_GT(psnr(inner, scaled), 40.0);
}

TEST(CapturePublish, ATallFrameHasItsBarsAboveAndBelow) {
  TempDir dir;
  const Rgb tall = frameAt(dir, "tall", 20000, {"--size", "600x800"});
  ASSERT_EQ(tall.height, 800);
  expectPictureBetweenBars(tall, 0, 175, 600, 450);
}

TEST(CapturePublish, SupersamplingGivesEdgesTheirInBetweenValues) {
  TempDir dir;
  const Rgb plain = frameAt(dir, "plain", 47000, {"--size", "320x240"});
  const Rgb smooth = frameAt(dir, "smooth", 47000, {"--size", "320x240", "--supersample", "2"});
  ASSERT_EQ(smooth.width, 320);
  // Hard edges of the plain frame: a step of 64 or more in green between two flat runs.
  const auto green = [](const Rgb& p, int x, int y) { return int(p.at(x, y)[1]); };
  int edges = 0, softened = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 1; x + 2 < 320; ++x) {
      const int a = green(plain, x - 1, y), b = green(plain, x, y), c = green(plain, x + 1, y),
                d = green(plain, x + 2, y);
      if (std::abs(c - b) < 64 || std::abs(b - a) >= 8 || std::abs(d - c) >= 8) continue;
      ++edges;
      const int low = std::min(green(smooth, x - 1, y), green(smooth, x + 2, y));
      const int high = std::max(green(smooth, x - 1, y), green(smooth, x + 2, y));
      const int margin = (high - low) * 15 / 100;
      const auto between = [&](int v) { return v > low + margin && v < high - margin; };
      if (between(green(smooth, x, y)) || between(green(smooth, x + 1, y))) ++softened;
    }
  }
  ASSERT_GT(edges, 100);
  EXPECT_GT(softened * 4, edges);  // measured: 41 % of them; the plain frame has none by construction
}

// Mono 16-bit samples of an audio stream, decoded by ffmpeg (the MP4) or mpg123 (the MP3).
std::vector<std::int16_t> samples(const std::string& out) {
  std::vector<std::int16_t> s(out.size() / 2);
  std::memcpy(s.data(), out.data(), s.size() * 2);
  return s;
}

double streamSeconds(const std::filesystem::path& video, const char* stream) {
  return std::stod(run({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries", "stream=duration", "-of",
                        "csv=p=0", video.string()},
                       {}, 30s)
                       .out);
}

TEST(CapturePublish, TheVideosSoundIsTheMp3ItselfInStepWithTheRange) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  writeMp3(dir / "data" / "music.mp3", sweep(5.0), 128);
  const ProcessResult result =
      run({(binaryDir() / "velmorrow-capture").string(), "--data", (dir / "data").string(), "--size", "160x120",
           "--fps", "10", "--from", "1000", "--to", "2500", "--video", (dir / "v.mp4").string()},
          {}, 120s);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string audio = run({"ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_name",
                                 "-of", "csv=p=0", (dir / "v.mp4").string()},
                                {}, 30s)
                                .out;
  EXPECT_EQ(audio, "mp3\n");
  const double mp3Frame = 1152.0 / 44100;
  EXPECT_NEAR(streamSeconds(dir / "v.mp4", "a"), streamSeconds(dir / "v.mp4", "v"), mp3Frame);

  const auto muxed = samples(
      run({"ffmpeg", "-v", "error", "-i", (dir / "v.mp4").string(), "-map", "0:a", "-f", "s16le", "-ac", "1", "-"}, {},
          60s)
          .out);
  const auto whole = samples(run({"mpg123", "-q", "-s", (dir / "data" / "music.mp3").string()}, {}, 60s).out);
  ASSERT_GT(muxed.size(), 44100u);
  ASSERT_GE(whole.size(), 44100 + muxed.size());
  int worst = 0;
  for (std::size_t i = 0; i < muxed.size(); ++i) worst = std::max(worst, std::abs(muxed[i] - whole[44100 + i]));
  EXPECT_LE(worst, 1);  // the two decoders round alike but for a last bit

  const ProcessResult aac =
      run({(binaryDir() / "velmorrow-capture").string(), "--data", (dir / "data").string(), "--size", "160x120",
           "--fps", "10", "--to", "500", "--audio", "aac", "--video", (dir / "a.mp4").string()},
          {}, 120s);
  ASSERT_EQ(aac.exitCode, 0) << aac.err;
  EXPECT_EQ(run({"ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_name", "-of",
                 "csv=p=0", (dir / "a.mp4").string()},
                {}, 30s)
                .out,
            "aac\n");
}

}  // namespace
