#pragma once
// The vectorised decoder (AVX-512). It reproduces the extended-precision pipeline bit for bit: every
// binary64 value that later feeds a comparison is computed exactly, from double-double evaluations
// whose distance to a rounding boundary proves the extended result, and the rare values too close to
// call are recomputed in extended precision. The last pass only needs the bytes, so it runs in plain
// binary64 and sends pixels near a rounding boundary back to the exact formulas.

#include "hwl/reader.h"

namespace hwl::detail {

// True when the processor runs the vectorised decoder (and the environment variable HWL_PORTABLE,
// which forces the stage pipeline for comparisons, is not set).
bool fastDecoderAvailable();

// Decodes into pixels and returns true, or returns false without writing when the picture is outside
// what the vectorised path takes (factors so large or small that binary64 intermediates could
// overflow or lose precision); the caller then decodes by stages.
bool fastDecode(const HwlContents& contents, std::uint8_t* pixels);

// The whole inverse transform of plane p (0-based) the vectorised way, every level exact: the
// reconstructed plane the stage pipeline's hwlInverse gives, bit for bit. For tests; the machine
// must have the vectorised path and the picture's factors must be in its range.
std::vector<double> fastInversePlane(const HwlContents& contents, int p);

}  // namespace hwl::detail
