// The Windows demo played to its end under Wine with the music off: the silent real-time clock, which
// measures the music from its file and so needs no MP3 codec (Wine's, l3codeca.acm, is turned off here).
// The run also shows two things a Windows user meets: a screen scaled to 144 dpi, where the window's
// client area is still 800 x 600 real pixels, and a start from another working folder (a shortcut
// without one, a command prompt elsewhere), where the data beside the program is used.

#include "tests/e2e/demo_harness.h"
#include "tests/e2e_windows/wine_demo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

// "WIDTHxHEIGHT" of a window's inside, from xwininfo.
std::string clientSize(const Xvfb& x, const std::string& window) {
  const std::string info = run({"xwininfo", "-id", window}, ProcessOptions{{}, {{"DISPLAY", x.display()}}, {}}).out;
  std::smatch width, height;
  if (!std::regex_search(info, width, std::regex(R"(Width: (\d+))")) ||
      !std::regex_search(info, height, std::regex(R"(Height: (\d+))")))
    return "";
  return width[1].str() + "x" + height[1].str();
}

TEST(WindowsDemoFullRun, PlaysToTheEndWithTheMusicOffAndNoMp3CodecAt144DpiFromAnotherFolder) {
  Xvfb x("1024x768x24");
  TempDir package;
  TempDir elsewhere;
  std::filesystem::copy_file(windowsBuildDir() / "velmorrow.exe", package / "velmorrow.exe");
  useBuiltData(package);
  const std::string prefix = "wine-prefix-full-run";  // beside the other tests
  const std::vector<std::string> command = windowsDemoCommand(prefix, package / "velmorrow.exe");
  ProcessOptions options = demoOptions(elsewhere, x);
  const ProcessResult dpi =
      run(wineCommand(prefix, "reg",
                      {"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f"}),
          options);
  ASSERT_EQ(dpi.exitCode, 0) << dpi.err;
  options.environment["WINEDLLOVERRIDES"] = "mscoree,mshtml=;l3codeca.acm=d";
  Process demo(command, options);
  ASSERT_TRUE(answerConfigDialog(x, {"Tab", "Tab", "Tab", "space", "Tab", "Tab", "space", "Return"}));
  const std::string window = x.waitForWindow("^Velmorrow$", 60s);
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(clientSize(x, window), "800x600");
  const ProcessResult result = demo.wait(240s);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_GT(seconds, 150.0) << "the demo runs its 157.9 seconds";
  EXPECT_FALSE(std::filesystem::exists(elsewhere / "error.txt"));
}

}  // namespace
