#include "tests/e2e/demo_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

// The whole demo with its own data and music, in a window (Fullscreen unchecked in the dialog), left
// alone: it ends by itself once the music clock passes 157.9 s. SDL's dummy audio device consumes sound
// a few per cent faster than real time, so the run takes about that long.
TEST(DemoFullRun, EndsByItselfAfterTheLastFrameAndExitsWithZero) {
  Xvfb x("1024x768x24");
  TempDir dir;
  useBuiltData(dir);
  Process demo({demoBinary()}, demoOptions(dir, x));
  // Tab order: Go!, Cancel, the resolution list, Fullscreen.
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "Tab", "space", "Return"}));
  const auto started = std::chrono::steady_clock::now();
  const ProcessResult result = demo.wait(240s);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
  EXPECT_GT(seconds, 158 * 0.95);
  // and the start-up: the pictures' decoding, which takes several seconds on a loaded machine
  EXPECT_LT(seconds, 158 * 1.05 + 20);
}

}  // namespace
