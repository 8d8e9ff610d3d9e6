// The Windows demo played to its end under Wine, with the music off (the silent real-time clock).

#include "tests/e2e/demo_harness.h"
#include "tests/e2e_windows/wine_demo.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

TEST(WindowsDemoFullRun, PlaysToTheEndWithTheMusicOffAndEndsWithZero) {
  Xvfb x("1024x768x24");
  TempDir dir;
  useBuiltData(dir);
  Process demo(windowsDemoCommand("wine-prefix-full-run"), demoOptions(dir, x));  // beside the other tests
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "space", "Tab", "Tab", "space", "Return"}));
  ASSERT_FALSE(x.waitForWindow("^Velmorrow$", 60s).empty());
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult result = demo.wait(240s);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_GT(seconds, 150.0) << "the demo runs its 157.9 seconds";
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

}  // namespace
