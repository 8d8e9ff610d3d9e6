// The vector path on AVX2 with FMA: the shared kernels over eight lanes in two registers of four.
// Planes are expanded 32 symbols at a time by byte shuffles from tables indexed by the symbols' masks.

#include "hwl/fast/lanes_avx2.h"

#include "hwl/fast/expand.h"
#include "hwl/fast/paths.h"

namespace hwl::detail::avx2 {
constexpr ExpandMethod expandMethod = ExpandMethod::shuffles;
}

#include "hwl/fast/kernels.inc"
#include "hwl/fast/levels.inc"
#include "hwl/fast/decoder.inc"
