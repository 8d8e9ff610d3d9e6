#pragma once
// The vectorised decoder (AVX-512). It reproduces the extended-precision pipeline bit for bit. The
// coarser levels are computed exactly, from double-double evaluations whose distance to a rounding
// boundary proves the extended result (the rare values too close to call are recomputed in extended
// precision), each level making its rows as the next finer one reads them. The finest level only
// feeds the bytes: it runs in binary64, the equality comparisons of its smoothing rules are proved
// or decided with exact values, and pixels near a rounding boundary are recomputed exactly. Planes
// are expanded 32 symbols at a time where the processor has AVX-512 VBMI2, four otherwise.

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
