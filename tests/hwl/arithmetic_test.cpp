// The codec's formulas give the same bits on every processor, whichever Extended it has: a hash of
// their results on fixed inputs, pinned from the x87's long double. The inputs are exact binary64
// values made from integers; a few are beyond what pictures give (table entries near the ends of the
// range, whose factors overflow into infinities and NaNs).
#include "hwl/arithmetic.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

namespace d = hwl::detail;

class Hash {
 public:
  void add(double v) { value_ = (value_ ^ d::bitsOfDouble(v)) * 1099511628211u; }
  std::uint64_t value() const { return value_; }

 private:
  std::uint64_t value_ = 1469598103934665603u;
};

// SplitMix64.
std::uint64_t nextBits(std::uint64_t& state) {
  std::uint64_t z = state += 0x9E3779B97F4A7C15u;
  z = (z ^ z >> 30) * 0xBF58476D1CE4E5B9u;
  z = (z ^ z >> 27) * 0x94D049BB133111EBu;
  return z ^ z >> 31;
}

TEST(HwlArithmetic, FormulasGiveTheX87sBitsOnEveryProcessor) {
  std::uint64_t state = 1;
  const auto real = [&](double scale) { return (static_cast<double>(nextBits(state) >> 11) * 0x1p-53 - 0.3) * scale; };
  Hash hash;
  for (int i = 0; i < 200000; ++i) {
    const double lo = real(600), hi = real(i % 7 != 0 ? 600 : 0x1p-1000), entry = real(400) + 121;
    const double extreme = i % 1000 == 0 ? 0x1p-1060 : i % 1000 == 1 ? 0x1p1000 : entry;
    hash.add(d::synthesiseFirst(lo, hi));
    hash.add(d::synthesiseSecond(lo, hi));
    hash.add(d::synthesiseSmoothed(lo, hi));
    hash.add(d::synthesiseFlat(lo));
    hash.add(d::analyseLow(lo, hi));
    hash.add(d::analyseHigh(lo, hi));
    const double factor = d::dequantisationFactor(extreme);
    hash.add(factor);
    hash.add(d::dequantise(static_cast<int>(nextBits(state) % 511) - 255, factor));
    hash.add(d::quantisationScale(1 + i % 8, entry));
    hash.add(d::quantise(lo, entry / 128));
    const d::Rgb rgb = d::colourFromYuv(lo, hi / 4, entry);
    hash.add(rgb.red);
    hash.add(rgb.green);
    hash.add(rgb.blue);
    const d::Yuv yuv = d::yuvFromColour(lo, hi, entry);
    hash.add(yuv.y);
    hash.add(yuv.u);
    hash.add(yuv.v);
  }
  EXPECT_EQ(hash.value(), 0x234180BFE074924Au);
}

}  // namespace
