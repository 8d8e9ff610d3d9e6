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
const std::vector<std::string> fullscreenWithoutMusic{"Tab", "Tab", "Tab", "Tab", "Tab", "space", "Return"};

TEST(WindowsDemo, WindowedWithoutMusicShowsScene1AndEscapeEnds) {
  DemoStart start("1024x768x24", windowsDemoCommand());
  auto& [x, dir, demo] = start;
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
  expectEscapeEnds(demo, x, window, dir);
}

TEST(WindowsDemo, FullscreenTakesTheScreensModeAndEscapeEnds) {
  DemoStart start("800x600x24", windowsDemoCommand());
  auto& [x, dir, demo] = start;
  ASSERT_TRUE(answerConfigDialog(x, fullscreenWithoutMusic));
  expectDemoWindowThenEscape(demo, x, dir, "800x600+0+0", 60s);
}

// Alt+Tab out of fullscreen (WM_ACTIVATEAPP, posted by velmorrow-post-activation.exe): the desktop gets
// its mode back and the demo is minimised; activated again, the demo takes its mode back. In a Wine
// virtual desktop of 1024 x 768, whose size is the display mode (Wine switches no mode of a one-mode
// Xvfb, and fails on Xorg's dummy driver).
TEST(WindowsDemo, DeactivatedFullscreenGivesTheDesktopItsModeAndActivationTakesItAgain) {
  Xvfb x("1024x768x24");
  TempDir dir;
  prepareDemoFolder(dir, 30);
  const std::string desktop = "/desktop=velmorrow,1024x768";
  Process demo(
      windowsDemoCommand("wine-prefix", "explorer", {desktop, windowsPath(windowsBuildDir() / "velmorrow.exe")}),
      demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, fullscreenWithoutMusic));
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  const std::string screen = x.waitForWindow("Wine desktop$");
  const auto activate = [&](const std::string& active) {
    const std::string helper = windowsPath(windowsBuildDir() / "velmorrow-post-activation.exe");
    const std::filesystem::path answer = dir / ("activated" + active + ".txt");
    run(wineCommand("wine-prefix", "explorer", {desktop, helper, active, windowsPath(answer)}), demoOptions(dir, x));
    std::string said;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (said.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(200ms);
      if (std::filesystem::exists(answer)) said = readFile(answer);
    }
    return said.substr(0, said.find_first_of("\r\n")) + ", desktop " + geometry(x, screen);
  };
  std::this_thread::sleep_for(1s);  // the desktop takes the demo's mode
  EXPECT_EQ(geometry(x, screen), "800x600+0+0") << "fullscreen: the demo's mode";
  EXPECT_EQ(activate("0"), "iconic 1 mode 1024x768, desktop 1024x768+0+0");
  EXPECT_EQ(activate("1"), "iconic 0 mode 800x600, desktop 800x600+0+0");
  expectEscapeEnds(demo, x, window, dir);
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

// A GUI program's standard error reaches nobody: the line also comes in a message box, once the
// display is given back.
TEST(WindowsDemo, AMissingPictureIsTheOneLineReadErrorInAMessageBoxWithStatus1) {
  Xvfb x("1024x768x24");
  TempDir dir;
  prepareDemoFolder(dir);
  std::filesystem::remove(dir / "data" / "glare.hwl");
  Process demo(windowsDemoCommand(), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, windowedWithoutMusic));
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  EXPECT_GT(closeFailureBox(x, window).width, 0) << "no message box";
  const ProcessResult result = demo.wait(60s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("velmorrow: cannot read data/glare.hwl"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

// velmorrow.exe alone (as Explorer extracts it from the ZIP): no data in the working folder or beside
// the program. One message box says so, status 1.
TEST(WindowsDemo, NoDataFolderAnywhereIsOneMessageBoxWithStatus1) {
  Xvfb x("1024x768x24");
  TempDir dir;
  std::filesystem::copy_file(windowsBuildDir() / "velmorrow.exe", dir / "velmorrow.exe");
  Process demo(windowsDemoCommand("wine-prefix", dir / "velmorrow.exe"), demoOptions(dir, x));
  ASSERT_TRUE(answerConfigDialog(x, windowedWithoutMusic));
  const Screenshot box = closeFailureBox(x);
  EXPECT_GT(box.width, 0) << "no message box";
  EXPECT_LT(box.width, 800) << "the box, not a demo window";
  const ProcessResult result = demo.wait(60s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("cannot find the folder \"data\""), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Extract the whole package"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

// Wine offers no audio device on a machine without a sound card: the sound library's report. Where it
// does offer one, the demo plays.
TEST(WindowsDemo, MusicWithoutAnAudioDeviceIsTheSoundLibrarysReport) {
  DemoStart start("1024x768x24", windowsDemoCommand());
  auto& [x, dir, demo] = start;
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "space", "Return"}));  // windowed, music on
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  ASSERT_FALSE(window.empty());
  std::this_thread::sleep_for(3s);
  if (demo.running()) return expectEscapeEnds(demo, x, window, dir);  // an audio device: the demo played
  EXPECT_EQ(demo.wait(5s).exitCode, 0);
  EXPECT_EQ(readFile(dir / "error.txt"), std::string(reportHeader) + "FMOD\r\nError initializing output device\r\n");
}

}  // namespace
