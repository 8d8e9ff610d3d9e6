#include "hwl/fast_decoder.h"

namespace hwl::detail {

bool fastDecoderAvailable() { return false; }

bool fastDecode(const HwlContents&, std::uint8_t*) { return false; }

}  // namespace hwl::detail
