#include "tools/capture/png_writer.h"

#include "tools/common/output_file.h"

#include <stb_image_write.h>

#include <stdexcept>

namespace capture {

namespace {

extern "C" void appendBytes(void* context, void* data, int size) {
  auto& bytes = *static_cast<std::vector<std::uint8_t>*>(context);
  const auto* from = static_cast<const std::uint8_t*>(data);
  bytes.insert(bytes.end(), from, from + size);
}

}  // namespace

void writePng(const std::filesystem::path& path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  if (rgb.size() != std::size_t(width) * std::size_t(height) * 3) {
    throw std::runtime_error("cannot write " + path.string() + ": the frame has the wrong size");
  }
  std::vector<std::uint8_t> png;
  if (!stbi_write_png_to_func(appendBytes, &png, width, height, 3, rgb.data(), width * 3)) {
    throw std::runtime_error("cannot write " + path.string() + ": the PNG could not be encoded");
  }
  common::writeFileAtomically(path, png);
}

}  // namespace capture
