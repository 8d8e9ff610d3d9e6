// Fuzz target for the HWL reader and decoder: any bytes either decode or throw HwlError, never crash,
// never touch memory outside their buffers, and every vector path this machine has gives the stage
// path's bytes.

#include "hwl/fast/paths.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace hwl::detail;
  if (size >= hwl::hwlHeaderSize) {
    // Large pictures are legal (a few bytes of runs describe megapixels) but only slow the search.
    const hwl::HwlHeader header = hwl::unpackHeader(std::span<const std::uint8_t, 36>(data, 36));
    if (std::size_t{header.width} * header.height > (std::size_t{1} << 14)) return 0;
  }
  try {
    MemorySource source({data, size}, "fuzz");
    const HwlContents contents = readContents(source);
    const std::size_t bytes = hwl::pixelBufferSize(contents.header);
    std::vector<std::uint8_t> stages(bytes);
    decodePixels(contents, stages.data(), DecodePath::stages);
    for (DecodePath path : availableVectorPaths()) {
      std::vector<std::uint8_t> pixels(bytes);
      decodePixels(contents, pixels.data(), path);
      if (pixels != stages) std::abort();
    }
  } catch (const hwl::HwlError&) {
  }
  return 0;
}
