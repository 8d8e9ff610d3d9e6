#pragma once
// Real pixels of the demo for the render tests: the demo started offscreen (Mesa's software renderer
// through the capture host) on a data folder, run frame by frame from clock 0 exactly as the capture
// tool runs it, and the frames at the requested clocks kept.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

namespace rendertest {

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top row first

  // The pixel at (x, y), y counted from the top.
  std::array<int, 3> at(int x, int y) const;
  // Writes the frame as a PNG (to look at while writing a test).
  void save(const std::filesystem::path& path) const;
};

struct RenderRequest {
  std::filesystem::path data;        // the data folder
  std::vector<std::int32_t> clocks;  // the frames to keep
  int width = 800;
  int height = 600;
  double fps = 60;
};

// Starts the demo, runs every frame up to the last requested clock and stops it again.
std::map<std::int32_t, Frame> renderDemo(const RenderRequest& request);

}  // namespace rendertest
