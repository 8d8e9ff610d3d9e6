#include "tests/e2e_windows/wine_demo.h"

#include "tests/e2e/demo_harness.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <thread>

namespace e2e {

using namespace testsupport;

std::filesystem::path windowsBuildDir() { return VELMORROW_WINDOWS_BUILD_DIR; }

std::vector<std::string> wineCommand(const std::string& prefixName, const std::string& program,
                                     const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"env", "VELMORROW_WINEPREFIX=" + (windowsBuildDir() / prefixName).string(),
                                   (sourceDir() / "scripts" / "wine-run").string(), program};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}

std::string windowsPath(const std::filesystem::path& path) {
  std::string text = "Z:" + path.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

std::vector<std::string> windowsDemoCommand(const std::string& prefixName, const std::filesystem::path& program,
                                            const std::vector<std::string>& arguments) {
  // Wine's desktop lives on the display it was first opened on: end whatever still runs in the prefix,
  // so that this test's programs open it on this test's screen.
  const std::string prefix = (windowsBuildDir() / prefixName).string();
  run({"env", "WINEPREFIX=" + prefix, "wineserver", "-k"});
  run({"env", "WINEPREFIX=" + prefix, "wineserver", "-w"});
  return wineCommand(prefixName, (program.empty() ? windowsBuildDir() / "velmorrow.exe" : program).string(), arguments);
}

std::array<int, 3> Screenshot::at(int x, int y) const {
  const std::size_t i =
      3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

Screenshot captureWindow(const Xvfb& x, const std::string& window) {
  std::istringstream text(x.xdotool({"getwindowgeometry", "--shell", window}).out);
  std::map<std::string, int> values;
  for (std::string line; std::getline(text, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = std::atoi(line.substr(equals + 1).c_str());
  }
  Screenshot shot{values["WIDTH"], values["HEIGHT"], {}};
  const std::string size = std::to_string(shot.width) + "x" + std::to_string(shot.height);
  const std::string origin = x.display() + "+" + std::to_string(values["X"]) + "," + std::to_string(values["Y"]);
  const ProcessResult grab = run({"ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-video_size",
                                  size, "-i", origin, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  if (grab.exitCode != 0 || grab.out.size() != 3 * static_cast<std::size_t>(shot.width * shot.height)) return {};
  shot.rgb.assign(grab.out.begin(), grab.out.end());
  return shot;
}

Screenshot closeFailureBox(const Xvfb& x, const std::string& besides, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    std::istringstream found(x.xdotool({"search", "--onlyvisible", "--name", "^Velmorrow$"}).out);
    for (std::string window; std::getline(found, window);) {
      if (window == besides) continue;
      std::this_thread::sleep_for(std::chrono::seconds(1));  // drawn
      const Screenshot shot = captureWindow(x, window);
      x.sendKeys(window, {"Return"});
      return shot;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return {};
}

}  // namespace e2e
