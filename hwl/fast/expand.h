#pragma once
// Symbol expansion of the vector paths: a plane's packed symbol and value streams into its
// signed 16-bit coefficients (a decoded coefficient is at most 255 in magnitude), with the same
// results as the format's own one-symbol-at-a-time expansion, including streams that end early and
// runs that pass the end of the plane.

#include "hwl/reader.h"

namespace hwl::detail {

enum class ExpandMethod {
  best,      // the fastest the processor runs
  chunks,    // 32 symbols at a time (needs AVX-512 VBMI, VBMI2 and BMI2)
  shuffles,  // 32 symbols at a time by byte shuffles (needs AVX2 and POPCNT)
  quads,     // four symbols at a time up to each run (plain C++, for any processor)
};

// Whether the processor runs the chunked expansion.
bool chunkExpansionAvailable();
// Whether the processor runs the shuffled expansion.
bool shuffleExpansionAvailable();

// Writes the plane's coefficients into out[0 .. total), those no symbol reaches as 0. out holds
// expandSpare entries more than total, which may be written too. Coefficients are 16-bit, or 8-bit
// for value widths up to 7 (magnitudes up to 127).
constexpr std::size_t expandSpare = 64;
template <class C>  // std::int16_t or std::int8_t
void expandCoefficients(const PackedPlane& plane, C* out, std::size_t total, ExpandMethod method = ExpandMethod::best);

}  // namespace hwl::detail
