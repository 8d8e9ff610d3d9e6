#include "tests/e2e/demo_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

// The whole demo, left alone: it ends by itself once the music clock passes 157.9 s. SDL's dummy audio
// device runs a little fast or slow against the wall clock, so the run takes about that long.
TEST(DemoFullRun, EndsByItselfAfterTheLastFrameAndExitsWithZero) {
  Xvfb x("800x600x24");
  TempDir dir;
  prepareDemoFolder(dir, 158.5);
  Process demo({demoBinary()}, demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, {"Return"}));
  const auto started = std::chrono::steady_clock::now();
  const ProcessResult result = demo.wait(240s);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
  EXPECT_GT(seconds, 150);
  EXPECT_LT(seconds, 175);
}

}  // namespace
