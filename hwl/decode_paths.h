#pragma once
// The decoder's ways from read contents to pixels, for the library and its tests: the stage by stage
// pipeline (portable, extended precision throughout) and the vector paths (hwl/fast/paths.h), which
// give the same bytes.

#include "hwl/reader.h"

namespace hwl::detail {

enum class DecodePath {
  automatic,  // the environment's choice (HWL_DECODE_PATH), else the best the processor has
  avx512,     // the AVX-512 path (the processor must have it)
  avx2,       // the AVX2 + FMA path (likewise)
  sse2,       // the SSE2 path (x86 builds; likewise)
  neon,       // the NEON path (aarch64 builds)
  simd128,    // the WebAssembly SIMD128 path (WebAssembly builds with SIMD)
  stages,     // always the stage by stage pipeline
};

// Writes the picture's pixel buffer (pixelBufferSize bytes) from read contents. A vector path that
// the processor lacks, or that the environment names and the processor lacks, throws HwlError; a
// picture outside what the vector paths take goes by stages.
void decodePixels(const HwlContents& contents, std::uint8_t* pixels, DecodePath path);

// hwlReadPlanes from any source: tables and zero-filled, expanded planes (width * height each).
void readPlanes(ByteSource& source, const std::array<std::span<std::int32_t>, 3>& planes,
                const std::array<HwlTable*, 3>& tables);

}  // namespace hwl::detail
