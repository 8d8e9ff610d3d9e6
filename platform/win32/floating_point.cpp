// The process's floating-point set-up on 32-bit x86 Windows: from start to exit the x87 control word
// is 0x133F (every exception masked, extended precision with a 64-bit significand, rounding to
// nearest); at exit the word the process started with comes back. Scalar float and double arithmetic
// runs in SSE2 (-mfpmath=sse), whose exceptions are masked by default; the x87 word governs long
// double. On x86-64 the defaults are already these and nothing is changed.
//
// Linked into every executable as an object of its own (a constructor that nothing calls by name).

#include <cstdlib>

namespace platform {

namespace {

#if defined(__i386__)
constexpr unsigned short demoControlWord = 0x133F;
unsigned short startControlWord = 0;

unsigned short readControlWord() {
  unsigned short word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

void writeControlWord(unsigned short word) { asm volatile("fldcw %0" : : "m"(word)); }

void restoreControlWord() { writeControlWord(startControlWord); }

__attribute__((constructor)) void setControlWord() {
  startControlWord = readControlWord();
  writeControlWord(demoControlWord);
  std::atexit(restoreControlWord);
}
#endif

}  // namespace

}  // namespace platform
