// Where the codec's Extended is our own 80-bit type, the x87's settings do not reach it.
#include "hwl/x87_precision.h"

namespace hwl::detail {

int ensureExtendedPrecision() { return -1; }
void restoreControlWord(int) {}

}  // namespace hwl::detail
