#pragma once
// The decoder's two ways from read contents to pixels, for the library and its tests: the stage by
// stage pipeline (portable, extended precision throughout) and the vectorised one, which gives the
// same bytes and is taken automatically where the machine and the picture allow it.

#include "hwl/reader.h"

namespace hwl::detail {

enum class DecodePath {
  automatic,  // vectorised where available, else stages
  stages,     // always the stage by stage pipeline
};

// Writes the picture's pixel buffer (pixelBufferSize bytes) from read contents.
void decodePixels(const HwlContents& contents, std::uint8_t* pixels, DecodePath path);

// hwlReadPlanes from any source: tables and zero-filled, expanded planes (width * height each).
void readPlanes(ByteSource& source, const std::array<std::span<std::int32_t>, 3>& planes,
                const std::array<HwlTable*, 3>& tables);

}  // namespace hwl::detail
