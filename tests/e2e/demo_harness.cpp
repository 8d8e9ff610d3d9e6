#include "tests/e2e/demo_harness.h"

#include "tests/support/flat_hwl.h"
#include "tests/support/mp3.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {

using namespace testsupport;

void prepareDemoFolder(const TempDir& dir, double musicSeconds) {
  writeFlatDataSet(dir / "data");
  if (musicSeconds > 0) writeSilentMusic(dir.path(), musicSeconds);
}

void useBuiltData(const TempDir& dir) { std::filesystem::create_directory_symlink(binaryDir() / "data", dir / "data"); }

ProcessOptions demoOptions(const TempDir& dir, const Xvfb& x) {
  return ProcessOptions{dir.path(), {{"DISPLAY", x.display()}, {"SDL_AUDIODRIVER", "dummy"}}, {"WAYLAND_DISPLAY"}};
}

std::string demoBinary() { return (binaryDir() / "velmorrow").string(); }

namespace {

const std::vector<std::string>& afterPreparing(const TempDir& dir, const std::vector<std::string>& command) {
  prepareDemoFolder(dir);
  return command;
}

}  // namespace

DemoStart::DemoStart(const std::string& screen, const std::vector<std::string>& command)
    : x(screen), demo(afterPreparing(dir, command), demoOptions(dir, x)) {}

bool answerConfigDialog(const Xvfb& x, const std::vector<std::string>& keys) {
  const std::string dialog = x.waitForWindow("^Config$");
  if (dialog.empty()) return false;
  x.sendKeys(dialog, keys);
  return true;
}

void expectDemoWindowThenEscape(Process& demo, const Xvfb& x, const TempDir& dir, const std::string& expectedGeometry,
                                std::chrono::milliseconds windowTimeout) {
  const std::string window = x.waitForWindow("^Velmorrow$", windowTimeout);
  ASSERT_FALSE(window.empty()) << "no demo window appeared";
  EXPECT_EQ(geometry(x, window), expectedGeometry);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  expectEscapeEnds(demo, x, window, dir);
}

void expectEscapeEnds(Process& demo, const Xvfb& x, const std::string& window, const TempDir& dir) {
  EXPECT_TRUE(demo.running());
  x.sendKeys(window, {"Escape"});
  const ProcessResult result = demo.wait(std::chrono::seconds(30));
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

std::unique_ptr<Xvfb> startModeSwitchingDisplay() {
  const std::string config = (sourceDir() / "tests/e2e/mode_switching_display.xorg.conf").string();
  try {
    return std::make_unique<Xvfb>(Xvfb::Server{
        {"Xorg", "-config", config, "-logfile", "/dev/null", "-nolisten", "tcp", "-noreset", "-novtswitch"}});
  } catch (const std::runtime_error&) {
    return nullptr;
  }
}

std::string currentMode(const Xvfb& x) {
  const ProcessResult screens = run({"xrandr", "--current"}, ProcessOptions{{}, {{"DISPLAY", x.display()}}, {}});
  std::smatch match;
  if (!std::regex_search(screens.out, match, std::regex(R"(current (\d+) x (\d+))"))) return "";
  return match[1].str() + "x" + match[2].str();
}

bool waitForMode(const Xvfb& x, const std::string& mode, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (currentMode(x) == mode) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::string geometry(const Xvfb& x, const std::string& window) {
  std::istringstream text(x.xdotool({"getwindowgeometry", "--shell", window}).out);
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(text, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values["WIDTH"] + "x" + values["HEIGHT"] + "+" + values["X"] + "+" + values["Y"];
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

}  // namespace e2e
