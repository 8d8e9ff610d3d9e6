#pragma once
// Writes RGB frames as PNG files (top row first). Throws std::runtime_error naming the file on failure.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace capture {

void writePng(const std::filesystem::path& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace capture
