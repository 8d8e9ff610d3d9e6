#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

ProcessOptions demoOptions(const TempDir& dir, const Xvfb& x) {
  return ProcessOptions{dir.path(), {{"DISPLAY", x.display()}, {"SDL_AUDIODRIVER", "dummy"}}, {"WAYLAND_DISPLAY"}};
}

std::string demoBinary() { return (binaryDir() / "velmorrow").string(); }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

TEST(DemoMusic, MissingMusicEndsTheDemoWithTheSoundLibrarysReport) {
  Xvfb x("800x600x24");
  TempDir dir;
  const ProcessResult result = run({demoBinary()}, demoOptions(dir, x), 30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::string> report = lines(readFile(dir / "error.txt"));
  ASSERT_EQ(report.size(), 4u);
  EXPECT_EQ(report[2], "FMOD\r");
  EXPECT_EQ(report[3], "File not found\r");
}

}  // namespace
