// Internal to maths/: double-double arithmetic, the working precision of the maths functions.
//
// A DoubleDouble is the unevaluated sum hi + lo of two doubles with |lo| <= ulp(hi) / 2, about 106 bits.
// Every operation uses only IEEE double + - * / and sqrt, in the order written: the exact sum
// (Knuth's TwoSum), the exact product through Veltkamp's split (Dekker), and the usual compensated
// sum, product and quotient built on them. The code relies on each double operation being rounded
// once to 53 bits: no fused multiply-add (the build has -ffp-contract=off), no excess precision (the
// x87 must not hold intermediates; 32-bit x86 builds use SSE2), no reassociation (never fast-math).
//
// Operations return normalised pairs (hi is lo + hi rounded to double), so the correctly rounded double
// of a result is its hi whenever the result is accurate enough. Products split their operands with
// 134217729 x a, which overflows above about 2^996: callers keep magnitudes well below that.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>

namespace maths::detail {

static_assert(FLT_EVAL_METHOD == 0, "double-double arithmetic needs every double operation rounded to 53 bits");

struct DoubleDouble {
  double hi;
  double lo;
};

// a + b exactly, when |a| >= |b| or a is zero.
inline DoubleDouble fastTwoSum(double a, double b) {
  const double sum = a + b;
  return {sum, b - (sum - a)};
}

// a + b exactly, whatever their magnitudes.
inline DoubleDouble twoSum(double a, double b) {
  const double sum = a + b;
  const double bPart = sum - a;
  const double aPart = sum - bPart;
  return {sum, (a - aPart) + (b - bPart)};
}

// a as two halves of at most 26 significant bits each.
inline DoubleDouble split(double a) {
  const double scaled = 134217729.0 * a;  // 2^27 + 1
  const double high = scaled - (scaled - a);
  return {high, a - high};
}

// a * b exactly.
inline DoubleDouble twoProduct(double a, double b) {
  const double product = a * b;
  const DoubleDouble as = split(a);
  const DoubleDouble bs = split(b);
  const double error = ((as.hi * bs.hi - product) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
  return {product, error};
}

inline DoubleDouble negate(DoubleDouble a) { return {-a.hi, -a.lo}; }

inline DoubleDouble add(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble high = twoSum(a.hi, b.hi);
  const DoubleDouble low = twoSum(a.lo, b.lo);
  DoubleDouble sum = fastTwoSum(high.hi, high.lo + low.hi);
  return fastTwoSum(sum.hi, sum.lo + low.lo);
}

inline DoubleDouble add(DoubleDouble a, double b) {
  const DoubleDouble sum = twoSum(a.hi, b);
  return fastTwoSum(sum.hi, sum.lo + a.lo);
}

inline DoubleDouble subtract(DoubleDouble a, DoubleDouble b) { return add(a, negate(b)); }

inline DoubleDouble multiply(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble product = twoProduct(a.hi, b.hi);
  return fastTwoSum(product.hi, product.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DoubleDouble multiply(DoubleDouble a, double b) {
  const DoubleDouble product = twoProduct(a.hi, b);
  return fastTwoSum(product.hi, product.lo + a.lo * b);
}

// a / b by three quotient digits.
inline DoubleDouble divide(DoubleDouble a, DoubleDouble b) {
  const double q1 = a.hi / b.hi;
  DoubleDouble rest = subtract(a, multiply(b, q1));
  const double q2 = rest.hi / b.hi;
  rest = subtract(rest, multiply(b, q2));
  const double q3 = rest.hi / b.hi;
  return add(fastTwoSum(q1, q2), q3);
}

// The square root of a > 0: the rounded root and one Newton correction.
inline DoubleDouble squareRoot(DoubleDouble a) {
  const double root = std::sqrt(a.hi);
  const DoubleDouble rest = subtract(a, twoProduct(root, root));
  return fastTwoSum(root, rest.hi / (2.0 * root));
}

// sum of c[i] z^i for i < count. Terms from `exactTerms` on are small enough (below 2^-53 of the sum)
// to be summed in double on z.hi; the first ones are summed in double-double.
inline DoubleDouble polynomial(DoubleDouble z, const DoubleDouble* c, std::size_t count, std::size_t exactTerms) {
  double tail = 0.0;
  for (std::size_t i = count; i-- > exactTerms;) tail = tail * z.hi + c[i].hi;
  DoubleDouble sum{tail, 0.0};
  for (std::size_t i = exactTerms; i-- > 0;) sum = add(multiply(sum, z), c[i]);
  return sum;
}

}  // namespace maths::detail
