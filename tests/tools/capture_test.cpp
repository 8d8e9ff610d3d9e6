#include "shell/timeline.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

std::string captureBinary() { return (binaryDir() / "velmorrow-capture").string(); }

TEST(Capture, WritesTheRequestedFramesAtTheRequestedSize) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  const ProcessResult result = run({captureBinary(), "--data", (dir / "data").string(), "--size", "320x240", "--at",
                                    "1000,250", "--out", (dir / "frames").string()},
                                   {}, 60s);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  for (const char* name : {"frame_000250.png", "frame_001000.png"}) {
    int width = 0, height = 0, channels = 0;
    ASSERT_TRUE(stbi_info((dir / "frames" / name).c_str(), &width, &height, &channels)) << name;
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
  }
  EXPECT_NE(result.err.find("2 frames written"), std::string::npos) << result.err;
  // Standard error is no terminal here: plain progress lines, no carriage-return updates.
  EXPECT_EQ(result.err.find('\r'), std::string::npos) << result.err;
  EXPECT_LE(std::count(result.err.begin(), result.err.end(), '\n'), 11) << result.err;
}

TEST(Capture, TinyFramesHoldAPictureOfAtLeastOnePixel) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  for (const std::string size : {"1x1", "2x2"}) {
    const ProcessResult result = run({captureBinary(), "--data", (dir / "data").string(), "--size", size, "--at", "0",
                                      "--out", (dir / size).string()},
                                     {}, 60s);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int width = 0, height = 0, channels = 0;
    ASSERT_TRUE(stbi_info((dir / size / "frame_000000.png").c_str(), &width, &height, &channels)) << size;
    EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height), size);
  }
}

TEST(Capture, ScenesAreTheTimelinesOneLineEach) {
  const ProcessResult result = run({captureBinary(), "--scenes"}, {}, 20s);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::ostringstream expected;
  for (const shell::SceneSpan& span : shell::sceneSpans()) {
    expected << span.number << ' ' << span.from << ' ' << span.to << '\n';
  }
  EXPECT_EQ(result.out, expected.str());
  EXPECT_EQ(result.out.substr(0, 10), "1 0 15000\n");
}

TEST(Capture, BadOptionsAndMissingDataEndWithOneClearLine) {
  TempDir dir;
  const ProcessResult badSize = run({captureBinary(), "--size", "800by600"}, {}, 20s);
  EXPECT_EQ(badSize.exitCode, 1);
  EXPECT_NE(badSize.err.find("--size"), std::string::npos) << badSize.err;
  const ProcessResult noData =
      run({captureBinary(), "--data", (dir / "nothing").string(), "--at", "0", "--out", dir.path().string()}, {}, 20s);
  EXPECT_NE(noData.exitCode, 0);
  EXPECT_NE(noData.err.find("loading.hwl"), std::string::npos) << noData.err;
}

}  // namespace
