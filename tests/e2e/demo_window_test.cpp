#include "tests/e2e/demo_harness.h"
#include "tests/support/flat_hwl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

TEST(DemoWindow, ReturnInTheDialogStartsTheDefaultsFullscreenAndEscapeEnds) {
  DemoStart start("800x600x24");
  auto& [x, dir, demo] = start;
  ASSERT_TRUE(answerConfigDialog(x, {"Return"}));
  expectDemoWindowThenEscape(demo, x, dir, "800x600+0+0");
}

TEST(DemoWindow, MissingFullscreenModeIsReportedInErrorTxt) {
  DemoStart start("1024x768x24");  // offers 1024 x 768 only; the demo asks for 800 x 600
  auto& [x, dir, demo] = start;
  ASSERT_TRUE(answerConfigDialog(x, {"Return"}));
  const ProcessResult result = demo.wait(30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(readFile(dir / "error.txt"),
            "Sorry, but the following module had something to say:\r\n\r\nlmxWinAPI\r\n"
            "Screen resolution is not supported by your gfx card!\r\n");
}

TEST(StartupDialog, FullscreenUncheckedWithTheKeyboardGivesAWindowedDemo) {
  DemoStart start("1024x768x24");  // no 800 x 600 mode: only a window can succeed
  auto& [x, dir, demo] = start;
  // Tab order: Go!, Cancel, the resolution list, Fullscreen.
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "Tab", "space", "Return"}));
  const std::string window = x.waitForWindow("^Velmorrow$");
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  EXPECT_EQ(geometry(x, window).substr(0, 8), "800x600+");
  x.sendKeys(window, {"Escape"});
  EXPECT_EQ(demo.wait(20s).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

// A picture whose header declares 65535 x 65535 pixels (about 17 GB), with the demo held to 4 GB of
// memory: one line naming the file and status 1, as for a cut-short picture, never an abort.
TEST(DemoWindow, APictureTooLargeForMemoryEndsWithOneLineNamingIt) {
  Xvfb x("800x600x24");
  TempDir dir;
  prepareDemoFolder(dir);
  std::string huge = flatHwlBytes(FlatHwl{});
  huge.replace(3, 4, "\xFF\xFF\xFF\xFF");
  writeFile(dir / "data" / "cloud.hwl", huge);
  Process demo({"prlimit", "--as=4294967296", "--", demoBinary()}, demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, {"Return"}));
  const ProcessResult result = demo.wait(30s);
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_EQ(lines(result.err).size(), 1u) << result.err;
  EXPECT_EQ(result.err.rfind("velmorrow: cannot read data/cloud.hwl: ", 0), 0u) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

TEST(StartupDialog, ResolutionChosenInTheListIsTheFullscreenMode) {
  DemoStart start("1024x768x24");
  auto& [x, dir, demo] = start;
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "Down", "Return"}));
  expectDemoWindowThenEscape(demo, x, dir, "1024x768+0+0");
}

TEST(StartupDialog, EscapeEndsTheProcessWithZeroBeforeAnyWindow) {
  DemoStart start("800x600x24");
  auto& [x, dir, demo] = start;
  ASSERT_TRUE(answerConfigDialog(x, {"Escape"}));
  const ProcessResult result = demo.wait(20s);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
  EXPECT_NE(x.xdotool({"search", "--name", "^Velmorrow$"}).exitCode, 0) << "a demo window was created";
}

// Escape already held down when the dialog opens cancels it at once, as its first message's key test
// sees the key down. The pointer is away from the dialog, so (without a window manager) the key's
// repeated presses go to the root window and never reach the dialog's.
TEST(StartupDialog, EscapeHeldWhileTheDialogOpensCancelsIt) {
  Xvfb x("800x600x24");
  TempDir dir;
  prepareDemoFolder(dir);
  ASSERT_EQ(x.xdotool({"mousemove", "799", "599"}).exitCode, 0);
  ASSERT_EQ(x.xdotool({"keydown", "Escape"}).exitCode, 0);
  Process demo({demoBinary()}, demoOptions(dir, x));
  const ProcessResult result = demo.wait(15s);
  x.xdotool({"keyup", "Escape"});
  EXPECT_FALSE(result.timedOut) << "the dialog stayed open";
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
  EXPECT_NE(x.xdotool({"search", "--name", "^Velmorrow$"}).exitCode, 0) << "a demo window was created";
}

TEST(StartupDialog, WithoutADisplayTheStartupDialogIsReported) {
  TempDir dir;
  const ProcessResult result = run(
      {demoBinary()}, ProcessOptions{dir.path(), {{"SDL_AUDIODRIVER", "dummy"}}, {"DISPLAY", "WAYLAND_DISPLAY"}}, 30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(readFile(dir / "error.txt"),
            "Sorry, but the following module had something to say:\r\n\r\nStartup Dialog\r\n"
            "Can`t create startup dialog\r\n");
}

}  // namespace
