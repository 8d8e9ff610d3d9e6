// The x87's precision control (bits 8 and 9 of its control word: 00 24 bits, 10 53 bits, 11 64 bits),
// read and written with fnstcw and fldcw. CMake builds this where the codec's Extended is the x87's
// long double: x86-64 and i686 with GCC or Clang.
#include "hwl/x87_precision.h"

#include <cfloat>

#if LDBL_MANT_DIG != 64 || !(defined(__i386__) || defined(__x86_64__))
#error "x87_precision_control.cpp is for the x87's long double only"
#endif

namespace hwl::detail {

namespace {

constexpr unsigned short precisionBits = 0x0300;  // 64-bit significands

unsigned short controlWord() {
  unsigned short word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

void setControlWord(unsigned short word) { __asm__ volatile("fldcw %0" : : "m"(word)); }

}  // namespace

int ensureExtendedPrecision() {
  const unsigned short word = controlWord();
  if ((word & precisionBits) == precisionBits) return -1;
  setControlWord(static_cast<unsigned short>(word | precisionBits));
  return word;
}

void restoreControlWord(int word) { setControlWord(static_cast<unsigned short>(word)); }

}  // namespace hwl::detail
