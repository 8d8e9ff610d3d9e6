// The vector path on AVX2 with FMA: the shared kernels over eight lanes in two registers of four.
// Planes are expanded four symbols at a time.

#include "hwl/fast/lanes_avx2.h"

#include "hwl/fast/expand.h"
#include "hwl/fast/paths.h"

namespace hwl::detail::avx2 {
constexpr ExpandMethod expandMethod = ExpandMethod::quads;
}

#include "hwl/fast/kernels.inc"
#include "hwl/fast/levels.inc"
#include "hwl/fast/decoder.inc"
