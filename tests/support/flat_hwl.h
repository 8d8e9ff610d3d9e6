#pragma once
// Hand-made HWL files for tests that need a picture on disk but not its content: every coefficient is
// zero, so the picture decodes to black (alpha 0). The header can be bent to make bad files.

#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

struct FlatHwl {
  int width = 4;
  int height = 4;
  int bitsPerPixel = 24;
};

std::string flatHwlBytes(const FlatHwl& picture);
void writeFlatHwl(const std::filesystem::path& path, const FlatHwl& picture = {});

// Every file the demo's start-up loads, as flat pictures, in `dir` (the demo's data folder).
void writeFlatDataSet(const std::filesystem::path& dir);

}  // namespace testsupport
