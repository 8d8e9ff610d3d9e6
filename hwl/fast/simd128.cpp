// The vector path on WebAssembly SIMD128 (no FMA): the shared kernels over eight lanes in four registers of
// two (lanes_generic.h). Planes are expanded four symbols at a time in plain C++.

#include "hwl/fast/lanes_generic.h"

#include "hwl/fast/expand.h"
#include "hwl/fast/paths.h"

#ifndef HWL_LANES_SIMD128
#error "hwl/fast/simd128.cpp is for another processor"
#endif

namespace hwl::detail::simd128 {
constexpr ExpandMethod expandMethod = ExpandMethod::quads;
}

#include "hwl/fast/kernels.inc"
#include "hwl/fast/levels.inc"
#include "hwl/fast/decoder.inc"
