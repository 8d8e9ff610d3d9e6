#include "tests/e2e/demo_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

TEST(DemoMusic, MissingMusicEndsTheDemoWithTheSoundLibrarysReport) {
  Xvfb x("800x600x24");
  TempDir dir;
  prepareDemoFolder(dir, 0);
  Process demo({demoBinary()}, demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, {"Return"}));
  const ProcessResult result = demo.wait(30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::string> report = lines(readFile(dir / "error.txt"));
  ASSERT_EQ(report.size(), 4u);
  EXPECT_EQ(report[2], "FMOD\r");
  EXPECT_EQ(report[3], "File not found\r");
}

}  // namespace
