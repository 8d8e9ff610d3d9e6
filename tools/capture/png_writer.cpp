#include "tools/capture/png_writer.h"

#include <stb_image_write.h>

#include <stdexcept>

namespace capture {

void writePng(const std::filesystem::path& path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  if (rgb.size() != std::size_t(width) * std::size_t(height) * 3) {
    throw std::runtime_error("cannot write " + path.string() + ": the frame has the wrong size");
  }
  if (!stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3)) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

}  // namespace capture
