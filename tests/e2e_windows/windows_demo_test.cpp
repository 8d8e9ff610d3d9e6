// The Windows demo (velmorrow.exe, 32-bit) under Wine on an Xvfb screen: the real Windows dialog
// answered with the keyboard, the window, scene 1 on screen, and the reports.

#include "tests/e2e/demo_harness.h"
#include "tests/e2e_windows/wine_demo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

constexpr const char* reportHeader = "Sorry, but the following module had something to say:\r\n\r\n";

// The dialog keeps the focus on its first button, Go!: three Tabs reach Fullscreen, two more Music.
const std::vector<std::string> windowedWithoutMusic{"Tab", "Tab", "Tab", "space", "Tab", "Tab", "space", "Return"};

TEST(WindowsDemo, WindowedWithoutMusicShowsScene1AndEscapeEnds) {
  Xvfb x("1024x768x24");
  TempDir dir;
  prepareDemoFolder(dir);
  Process demo(windowsDemoCommand(), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, windowedWithoutMusic));
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  EXPECT_EQ(geometry(x, window).substr(0, 8), "800x600+") << "the client area is the resolution";
  std::this_thread::sleep_for(4s);
  const Screenshot shot = captureWindow(x, window);
  ASSERT_EQ(shot.width, 800);
  // Scene 1's gradient: black at the top, night blue at the bottom, fading up over its first seconds.
  const auto top = shot.at(400, 2);
  const auto bottom = shot.at(400, 597);
  EXPECT_LE(top[0] + top[1] + top[2], 6) << "top " << top[0] << "," << top[1] << "," << top[2];
  EXPECT_GT(bottom[2], 15) << "bottom blue";
  EXPECT_GT(bottom[2], bottom[1]);
  EXPECT_GT(bottom[1], bottom[0]);
  EXPECT_LE(bottom[2], 95) << "no brighter than scene 1's end";
  EXPECT_TRUE(demo.running());
  x.sendKeys(window, {"Escape"});
  const ProcessResult result = demo.wait(30s);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

TEST(WindowsDemo, FullscreenTakesTheScreensModeAndEscapeEnds) {
  Xvfb x("800x600x24");
  TempDir dir;
  prepareDemoFolder(dir);
  Process demo(windowsDemoCommand(), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "Tab", "Tab", "space", "Return"}));  // music off
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  EXPECT_EQ(geometry(x, window), "800x600+0+0");
  std::this_thread::sleep_for(1s);
  x.sendKeys(window, {"Escape"});
  const ProcessResult result = demo.wait(30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

TEST(WindowsDemo, CancelAndEscapeInTheDialogEndWithZeroBeforeAnyWindow) {
  for (const std::vector<std::string>& keys : {std::vector<std::string>{"Escape"}, {"Tab", "space"}}) {
    SCOPED_TRACE(keys.front());
    Xvfb x("800x600x24");
    TempDir dir;
    prepareDemoFolder(dir);
    Process demo(windowsDemoCommand(), demoOptions(dir, x));
    ASSERT_TRUE(answerConfigDialog(x, keys));
    const ProcessResult result = demo.wait(30s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
  }
}

TEST(WindowsDemo, AFullscreenSizeTheScreenLacksIsReported) {
  Xvfb x("1024x768x24");  // the demo asks for 800 x 600
  TempDir dir;
  prepareDemoFolder(dir);
  Process demo(windowsDemoCommand(), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, {"Return"}));
  const ProcessResult result = demo.wait(60s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(readFile(dir / "error.txt"),
            std::string(reportHeader) + "lmxWinAPI\r\nScreen resolution is not supported by your gfx card!\r\n");
}

TEST(WindowsDemo, AMissingPictureIsTheOneLineReadErrorWithStatus1) {
  Xvfb x("1024x768x24");
  TempDir dir;
  prepareDemoFolder(dir);
  std::filesystem::remove(dir / "data" / "glare.hwl");
  Process demo(windowsDemoCommand(), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, windowedWithoutMusic));
  const ProcessResult result = demo.wait(60s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("velmorrow: cannot read data/glare.hwl"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

// Wine offers no audio device on a machine without a sound card: the sound library's report. Where it
// does offer one, the demo plays.
TEST(WindowsDemo, MusicWithoutAnAudioDeviceIsTheSoundLibrarysReport) {
  Xvfb x("1024x768x24");
  TempDir dir;
  prepareDemoFolder(dir);
  Process demo(windowsDemoCommand(), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "space", "Return"}));  // windowed, music on
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  ASSERT_FALSE(window.empty());
  std::this_thread::sleep_for(3s);
  if (demo.running()) {
    x.sendKeys(window, {"Escape"});
    EXPECT_EQ(demo.wait(30s).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "error.txt")) << "an audio device: the demo played";
    return;
  }
  EXPECT_EQ(demo.wait(5s).exitCode, 0);
  EXPECT_EQ(readFile(dir / "error.txt"), std::string(reportHeader) + "FMOD\r\nError initializing output device\r\n");
}

}  // namespace
