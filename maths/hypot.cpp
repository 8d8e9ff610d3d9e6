// hypot: the sum of the exact squares of the scaled arguments, and its square root, in double-double.
#include "maths/maths.h"

#include "maths/double_double.h"

#include <cmath>
#include <limits>
#include <utility>

namespace maths {

double hypot(double x, double y) {
  double a = std::fabs(x);
  double b = std::fabs(y);
  if (std::isinf(a) || std::isinf(b)) return std::numeric_limits<double>::infinity();
  if (std::isnan(a) || std::isnan(b)) return a + b;
  if (a < b) std::swap(a, b);
  if (b == 0) return a;
  int e = 0;
  std::frexp(a, &e);
  // Scaled so that a is in [0.5, 1); a b below 2^-60 a changes nothing.
  const double as = std::ldexp(a, -e);
  const double bs = std::ldexp(b, -e);
  if (bs < 0x1p-60) return a;
  const detail::DoubleDouble sum = detail::add(detail::twoProduct(as, as), detail::twoProduct(bs, bs));
  return std::ldexp(detail::squareRoot(sum).hi, e);
}

}  // namespace maths
