#pragma once
// The vector paths of the decoder and the choice between them. Each path reproduces the
// extended-precision stage pipeline bit for bit; they differ only in the instructions they run:
//
//   avx512   eight binary64 lanes a register (AVX-512 F, DQ, BW and VL, with FMA); planes are expanded
//            32 symbols at a time where the processor also has AVX-512 VBMI2
//   avx2     eight lanes in two registers of four (AVX2 and FMA); planes are expanded by byte shuffles
//   sse2     eight lanes in four registers of two, no FMA (32- and 64-bit x86)
//   neon     the same on aarch64's NEON, with FMA
//   simd128  the same on WebAssembly SIMD128, no FMA (built with -msimd128)
//   stages   the stage by stage pipeline in extended precision, on any processor
//
// One kernel source (kernels.inc, levels.inc, decoder.inc) is compiled once per vector path over that
// path's lanes header (the last three share lanes_generic.h), so the exactness argument is written
// once. sse2, neon and simd128 expand planes four symbols at a time in plain C++. A build for x86 has
// avx512, avx2 and sse2, one for aarch64 neon, one for WebAssembly with SIMD simd128; a build with
// HWL_NO_SIMD defined leaves the vector paths out and decodes by stages.
//
// A decode takes the best path the processor has, or the one the environment variable HWL_DECODE_PATH
// names (auto, avx512, avx2, sse2, neon, simd128 or stages); naming a path the processor or the build
// lacks is an error.

#include "hwl/decode_paths.h"

#include <string>
#include <vector>

namespace hwl::detail {

// The path's name as HWL_DECODE_PATH spells it ("auto" for automatic).
const char* pathName(DecodePath path);

// Whether this build on this processor runs the path (stages and automatic always).
bool pathAvailable(DecodePath path);

// The vector paths this build on this processor runs, best first.
std::vector<DecodePath> availableVectorPaths();

// The path automatic stands for: HWL_DECODE_PATH's, or the best available. Throws HwlError naming
// `name` (the file being decoded) when the variable names no path, or one that is not available.
DecodePath chosenPath(const std::string& name);
// The same for a value of the variable (null or empty: auto) and the vector paths available.
DecodePath choosePath(const char* value, const std::vector<DecodePath>& available, const std::string& name);

// Decodes with a vector path (available) into pixels and returns true, or returns
// false without writing when the picture is outside what the vector paths take (factors so large or
// small that binary64 intermediates could overflow or lose precision); the caller then decodes by
// stages.
bool vectorDecode(DecodePath path, const HwlContents& contents, std::uint8_t* pixels);

// The whole inverse transform of plane p (0-based) on a vector path, every level exact: the
// reconstructed plane the stage pipeline's hwlInverse gives, bit for bit. For tests; the path must be
// available and the picture's factors in its range.
std::vector<double> vectorInversePlane(DecodePath path, const HwlContents& contents, int p);

// The paths themselves (hwl/fast/<path>.cpp), those for the build's processor: each has a namespace of
// its own with these two entry points.
#define HWL_DECLARE_PATH(path)                                          \
  namespace path {                                                      \
  bool decode(const HwlContents& contents, std::uint8_t* pixels);       \
  std::vector<double> inversePlane(const HwlContents& contents, int p); \
  }
HWL_DECLARE_PATH(avx512)
HWL_DECLARE_PATH(avx2)
HWL_DECLARE_PATH(sse2)
HWL_DECLARE_PATH(neon)
HWL_DECLARE_PATH(simd128)
#undef HWL_DECLARE_PATH

}  // namespace hwl::detail
