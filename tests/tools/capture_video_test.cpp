#include "tests/support/flat_hwl.h"
#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

std::string captureBinary() { return (binaryDir() / "velmorrow-capture").string(); }

std::string probe(const std::filesystem::path& video, const std::string& entries) {
  return run({"ffprobe", "-v", "error", "-show_entries", entries, "-of", "default=nw=1", video.string()}, {}, 30s).out;
}

double duration(const std::filesystem::path& video) {
  return std::stod(
      run({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", video.string()}, {}, 30s)
          .out);
}

TEST(CaptureVideo, AShortRangeBecomesAnH264VideoWithTheMusicAndTheStatsTable) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  writeSilentMusic(dir.path(), 5);
  const ProcessResult result = run({captureBinary(), "--data", (dir / "data").string(), "--size", "320x240", "--fps",
                                    "10", "--to", "2000", "--video", (dir / "short.mp4").string(), "--stats"},
                                   {}, 120s);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string streams = probe(dir / "short.mp4", "stream=codec_name,pix_fmt,width,height");
  EXPECT_NE(streams.find("codec_name=h264"), std::string::npos) << streams;
  EXPECT_NE(streams.find("pix_fmt=yuv420p"), std::string::npos);
  EXPECT_NE(streams.find("width=320"), std::string::npos);
  EXPECT_NE(streams.find("codec_name=mp3"), std::string::npos);  // the music as it is
  EXPECT_NEAR(duration(dir / "short.mp4"), 2.1, 0.1);            // 21 frames at 10 a second, the music cut to them
  EXPECT_NE(result.out.find("scene 1"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("median"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "frame_000000.png"));  // a video and stats, no PNGs
}

TEST(CaptureVideo, MissingMusicIsOneClearLine) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  const ProcessResult result =
      run({captureBinary(), "--data", (dir / "data").string(), "--to", "100", "--video", (dir / "v.mp4").string()}, {},
          60s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("music.mp3 is missing"), std::string::npos) << result.err;
}

// PSNR in dB of two RGB pictures of one size (0 if they differ in size).
double psnr(const std::filesystem::path& a, const std::filesystem::path& b) {
  int wa = 0, ha = 0, na = 0, wb = 0, hb = 0, nb = 0;
  stbi_uc* pa = stbi_load(a.c_str(), &wa, &ha, &na, 3);
  stbi_uc* pb = stbi_load(b.c_str(), &wb, &hb, &nb, 3);
  double sum = 0;
  const bool same = pa && pb && wa == wb && ha == hb;
  for (int i = 0; same && i < wa * ha * 3; ++i) sum += double(pa[i] - pb[i]) * double(pa[i] - pb[i]);
  stbi_image_free(pa);
  stbi_image_free(pb);
  if (!same) return 0;
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * wa * ha * 3 / sum);
}

// The whole demo as a video: as long as the demo and in step with the frames the capture tool writes.
TEST(CaptureVideo, TheWholeDemoLastsAsLongAsTheDemoAndMatchesSingleFrames) {
  TempDir dir;
  const std::filesystem::path data =
      std::filesystem::exists(binaryDir() / "data" / "loading.hwl") ? binaryDir() / "data" : dir / "data";
  if (data == dir / "data") {
    writeFlatDataSet(data);
    writeSilentMusic(dir.path(), 158.5);
  }
  const ProcessResult whole =
      run({captureBinary(), "--data", data.string(), "--fps", "30", "--video", (dir / "demo.mp4").string()}, {}, 1500s);
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  EXPECT_NEAR(duration(dir / "demo.mp4"), 157.9, 0.1);

  const ProcessResult still = run({captureBinary(), "--data", data.string(), "--fps", "30", "--at", "59966,60000,60033",
                                   "--out", dir.path().string()},
                                  {}, 600s);
  ASSERT_EQ(still.exitCode, 0) << still.err;
  const ProcessResult extracted = run({"ffmpeg", "-v", "error", "-ss", "60", "-i", (dir / "demo.mp4").string(),
                                       "-frames:v", "1", (dir / "video_60s.png").string()},
                                      {}, 60s);
  ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
  // The video's frame at 60 s is the captured frame at 60000 ms, up to H.264 and 4:2:0 chroma, and
  // clearly not one of its neighbours.
  const double same = psnr(dir / "video_60s.png", dir / "frame_060000.png");
  EXPECT_GT(same, 28.0);
  EXPECT_GT(same, psnr(dir / "video_60s.png", dir / "frame_059966.png") + 6);
  EXPECT_GT(same, psnr(dir / "video_60s.png", dir / "frame_060033.png") + 6);
}

}  // namespace
