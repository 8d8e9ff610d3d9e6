// The build makes the same music file every time: rendering the score again gives the same bytes.

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::filesystem::path tool() { return testsupport::binaryDir() / "velmorrow-music"; }

// Renders the whole score again (half a minute): the bytes must be those the build made.
TEST(MusicTool, MakesTheSameBytesOnEveryRun) {
  testsupport::TempDir dir;
  const auto result = testsupport::run({tool().string(), "--score",
                                        (testsupport::sourceDir() / "content" / "music.score").string(), "--out",
                                        (dir / "music.mp3").string()},
                                       {}, std::chrono::seconds(240));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("rendering 100%"), std::string::npos);
  EXPECT_TRUE(testsupport::readFile(dir / "music.mp3") ==
              testsupport::readFile(testsupport::binaryDir() / "data" / "music.mp3"));
}

}  // namespace
