// Fuzz target for the HWL reader and decoder: any bytes either decode or throw HwlError, never crash,
// never touch memory outside their buffers, and the vectorised path gives the stage path's bytes.

#include "hwl/decode_paths.h"

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
    std::vector<std::uint8_t> automatic(bytes), stages(bytes);
    decodePixels(contents, automatic.data(), DecodePath::automatic);
    decodePixels(contents, stages.data(), DecodePath::stages);
    if (automatic != stages) std::abort();
  } catch (const hwl::HwlError&) {
  }
  return 0;
}
