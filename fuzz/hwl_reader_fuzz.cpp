// Fuzz target for the HWL reader and decoder: any bytes either decode or throw HwlError, never crash,
// never touch memory outside their buffers, and every vector path this machine has gives the stage
// path's bytes.

#include "hwl/fast/paths.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace hwl::detail;
  try {
    // Every header reaches the checks, the size limit among them, and every body is read: nothing
    // here allocates more than the input holds.
    MemorySource source({data, size}, "fuzz");
    const HwlContents contents = readContents(source);
    // Large pictures are legal (a few bytes of runs describe megapixels) but decoding them only slows
    // the search.
    if (std::uint64_t{contents.header.width} * contents.header.height > (std::uint64_t{1} << 14)) return 0;
    const std::size_t bytes = hwl::pixelBufferSize(contents.header);
    std::vector<std::uint8_t> stages(bytes);
    decodePixels(contents, stages.data(), DecodePath::stages);
    for (DecodePath path : availableVectorPaths()) {
      std::vector<std::uint8_t> pixels(bytes);
      decodePixels(contents, pixels.data(), path);
      if (pixels != stages) std::abort();
    }
  } catch (const hwl::HwlError&) {}
  return 0;
}
