#include "maths/reduction.h"

#include "maths/constants.h"

#include <cmath>
#include <cstdint>

namespace maths::detail {

namespace {

// Below this, k = round(x 2 / pi) < 2^19 and k times each part of pi / 2 is exact.
constexpr double smallAngleLimit = 0x1p19;
constexpr double twoOverPi = 0x1.45f306dc9c883p-1;

// Cody and Waite: x - k pi / 2 with pi / 2 in six parts. x - k p0 is exact (x and k p0 lie within a
// factor 2 of each other), the next difference is summed exactly and the rest in double-double.
ReducedAngle reduceSmallAngle(double x) {
  const double k = std::floor(x * twoOverPi + 0.5);
  if (k == 0) return {{x, 0.0}, 0};
  DoubleDouble remainder = twoSum(x - k * halfPiParts[0], -(k * halfPiParts[1]));
  for (int i = 2; i < 6; ++i) remainder = add(remainder, -(k * halfPiParts[i]));
  return {remainder, static_cast<int>(static_cast<std::int64_t>(k) & 3)};
}

// Payne and Hanek. |x| = m 2^e with m a 53-bit integer; x 2 / pi modulo 4 is m times a 256-bit window of
// 2 / pi's digits (the digits before it give multiples of 4, those after it less than 2^-170), worked out
// exactly in 32-bit limbs. The two bits above the binary point are the quadrant; the bits below it,
// rounded to the nearest quadrant, are the remainder in units of pi / 2.
constexpr int windowWords = 8;
constexpr int productWords = windowWords + 2;

struct Product {
  std::uint32_t limbs[productWords] = {};  // least significant first
  int fractionBits = 0;                    // bits below the binary point
};

Product angleTimesTwoOverPi(double magnitude) {
  int exponent = 0;
  const double fraction = std::frexp(magnitude, &exponent);
  const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int e = exponent - 53;
  const int first = e >= 2 ? (e - 2) / 32 : 0;  // word `first - 1` and those before give multiples of 4
  Product p;
  p.fractionBits = 32 * (first + windowWords) - e;
  const std::uint32_t mParts[2] = {static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(m >> 32)};
  for (int a = 0; a < 2; ++a) {
    std::uint64_t carry = 0;
    for (int b = 0; b < windowWords; ++b) {
      const std::uint64_t word = twoOverPiWords[first + windowWords - 1 - b];
      const std::uint64_t t = mParts[a] * word + p.limbs[a + b] + carry;
      p.limbs[a + b] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    p.limbs[a + windowWords] = static_cast<std::uint32_t>(carry);
  }
  return p;
}

bool bitAt(const Product& p, int bit) { return (p.limbs[bit / 32] >> (bit % 32)) & 1; }

// Keeps the fraction bits only; with `negated`, 2^fractionBits minus them.
void keepFraction(Product& p, bool negated) {
  const int whole = p.fractionBits / 32;
  const int rest = p.fractionBits % 32;
  for (int i = whole + 1; i < productWords; ++i) p.limbs[i] = 0;
  p.limbs[whole] &= (std::uint32_t{1} << rest) - 1;
  if (!negated) return;
  std::uint64_t carry = 1;
  for (int i = 0; i <= whole; ++i) {
    const std::uint64_t t = std::uint64_t{static_cast<std::uint32_t>(~p.limbs[i])} + carry;
    p.limbs[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  p.limbs[whole] &= (std::uint32_t{1} << rest) - 1;
}

DoubleDouble fractionValue(const Product& p) {
  DoubleDouble sum{0.0, 0.0};
  for (int i = productWords; i-- > 0;)
    sum = add(sum, std::ldexp(static_cast<double>(p.limbs[i]), 32 * i - p.fractionBits));
  return sum;
}

ReducedAngle reduceLargeAngle(double x) {
  Product p = angleTimesTwoOverPi(std::fabs(x));
  int quadrant = bitAt(p, p.fractionBits) + 2 * bitAt(p, p.fractionBits + 1);
  const bool roundUp = bitAt(p, p.fractionBits - 1);
  keepFraction(p, roundUp);
  DoubleDouble remainder = multiply(fractionValue(p), halfPi);
  if (roundUp) {
    quadrant = (quadrant + 1) & 3;
    remainder = negate(remainder);
  }
  if (x < 0) return {negate(remainder), (4 - quadrant) & 3};
  return {remainder, quadrant};
}

}  // namespace

ReducedAngle reduceAngle(double x) {
  return std::fabs(x) < smallAngleLimit ? reduceSmallAngle(x) : reduceLargeAngle(x);
}

}  // namespace maths::detail
