// The vector path on AVX-512: the shared kernels over eight lanes in one register. Planes are expanded
// 32 symbols at a time where the processor has AVX-512 VBMI2, four otherwise.

#include "hwl/fast/lanes_avx512.h"

#include "hwl/fast/expand.h"
#include "hwl/fast/paths.h"

namespace hwl::detail::avx512 {
constexpr ExpandMethod expandMethod = ExpandMethod::best;
}

#include "hwl/fast/kernels.inc"
#include "hwl/fast/levels.inc"
#include "hwl/fast/decoder.inc"
