#pragma once
// Pictures as hwlconv moves them between files: 8-bit samples, one channel (grey) or three (red,
// green, blue), rows top to bottom. Reading and writing fail with ToolError, one line for the user.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hwlconv {

struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Picture {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 or 3
  std::vector<std::uint8_t> samples;  // width * height * channels
};

// PNG, JPEG, BMP, TGA, PGM/PPM and the other formats stb_image reads; alpha is dropped, grey with
// alpha stays grey. forceGrey turns a colour picture into its luma.
Picture readPicture(const std::string& path, bool forceGrey);

// A PNG of the picture (grey or RGB).
void writePng(const std::string& path, const Picture& picture);

// Raw bytes exactly as given.
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace hwlconv
