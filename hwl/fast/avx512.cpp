// The vector path on AVX-512: the shared kernels over eight lanes in one register. Planes are expanded
// 32 symbols at a time, with AVX-512 VBMI2 where the processor has it.

#include "hwl/fast/lanes_avx512.h"

#include "hwl/fast/expand.h"
#include "hwl/fast/paths.h"

namespace hwl::detail::avx512 {
constexpr ExpandMethod expandMethod = ExpandMethod::best;
}

#include "hwl/fast/kernels.inc"
#include "hwl/fast/levels.inc"
#include "hwl/fast/decoder.inc"
