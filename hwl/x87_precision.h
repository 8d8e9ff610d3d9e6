#pragma once
// Internal: the x87's precision control while the codec computes in its long double. The x87 rounds
// every result to the significand width its control word names; the codec's bytes need 64 bits, the
// power-on setting that a library loaded into the process (a graphics driver on Windows, say) may have
// lowered to 53 or 24. A scope sets 64 bits if they are not set and puts the old setting back when it
// ends. Where the codec's Extended is not the x87's long double it does nothing (x87_precision_none.cpp).

namespace hwl::detail {

// Sets 64-bit precision if it is not set; returns the control word to put back, or -1 if none.
int ensureExtendedPrecision();
void restoreControlWord(int word);

class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope() : previous_(ensureExtendedPrecision()) {}
  ~ExtendedPrecisionScope() {
    if (previous_ >= 0) restoreControlWord(previous_);
  }
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

 private:
  int previous_;
};

}  // namespace hwl::detail
