#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

ProcessOptions demoOptions(const TempDir& dir, const Xvfb& x) {
  return ProcessOptions{dir.path(), {{"DISPLAY", x.display()}, {"SDL_AUDIODRIVER", "dummy"}}, {"WAYLAND_DISPLAY"}};
}

std::string demoBinary() { return (binaryDir() / "velmorrow").string(); }

TEST(DemoWindow, OpensAndEndsWithEscape) {
  Xvfb x("800x600x24");
  TempDir dir;
  writeSilentMusic(dir.path(), 5);
  Process demo({demoBinary()}, demoOptions(dir, x));
  const std::string window = x.waitForWindow("^Velmorrow$");
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(demo.running());
  x.sendKeys(window, {"Escape"});
  const ProcessResult result = demo.wait(20s);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

TEST(DemoWindow, MissingFullscreenModeIsReportedInErrorTxt) {
  Xvfb x("1024x768x24");  // offers 1024 x 768 only; the demo asks for 800 x 600
  TempDir dir;
  const ProcessResult result = run({demoBinary()}, demoOptions(dir, x), 30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(readFile(dir / "error.txt"),
            "Sorry, but the following module had something to say:\r\n\r\nlmxWinAPI\r\n"
            "Screen resolution is not supported by your gfx card!\r\n");
}

}  // namespace
