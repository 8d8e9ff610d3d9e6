#include "tests/e2e_windows/wine_demo.h"

#include "tests/e2e/demo_harness.h"

#include <map>
#include <sstream>

namespace e2e {

using namespace testsupport;

std::vector<std::string> windowsDemoCommand(const std::string& prefixName) {
  // Wine's desktop lives on the display it was first opened on: end whatever still runs in the prefix,
  // so that this test's programs open it on this test's screen.
  const std::string prefix = (std::filesystem::path(VELMORROW_WINDOWS_BUILD_DIR) / prefixName).string();
  run({"env", "WINEPREFIX=" + prefix, "wineserver", "-k"});
  run({"env", "WINEPREFIX=" + prefix, "wineserver", "-w"});
  return {"env", "VELMORROW_WINEPREFIX=" + prefix, (sourceDir() / "scripts" / "wine-run").string(),
          (std::filesystem::path(VELMORROW_WINDOWS_BUILD_DIR) / "velmorrow.exe").string()};
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

}  // namespace e2e
