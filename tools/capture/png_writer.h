#pragma once
// Writes RGB frames as PNG files (top row first), whole or not at all: the file appears only when every
// byte is written (common::OutputFile), and a file that was there keeps its contents on a failure.
// Throws common::OutputError, or std::runtime_error, naming the file and the reason.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace capture {

void writePng(const std::filesystem::path& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace capture
