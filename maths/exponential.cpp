// exp, log and the functions built on them. e^x = 2^k e^r with k = round(x / log 2) and
// r = x - k log 2 (|r| <= about 0.35, log 2 in three parts), e^r by its Taylor series to r^23. log x =
// e log 2 + log m with x = m 2^e, m in [sqrt(1/2), sqrt(2)), and log m = 2 atanh((m - 1) / (m + 1)) by
// its series to s^43. Terms below 2^-53 of the sum are summed in double, the others in double-double.
#include "maths/maths.h"

#include "maths/constants.h"
#include "maths/double_double.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace maths {

namespace {

using detail::DoubleDouble;

constexpr double inverseLn2 = 0x1.71547652b82fep+0;
constexpr double infinity = std::numeric_limits<double>::infinity();
// e^x overflows above about 709.78 and rounds to 0 below about -745.13; these limits lie beyond both.
constexpr double exponentOverflow = 710.0;
constexpr double exponentUnderflow = -746.0;

// e^x = scaled 2^k.
struct ScaledValue {
  DoubleDouble scaled;
  int k;
};

// e^x for |x.hi| < 746.
ScaledValue exponentialOf(DoubleDouble x) {
  const double k = std::floor(x.hi * inverseLn2 + 0.5);
  // x.hi - k p0 is exact: both lie within a factor 2 of each other when k is not 0.
  DoubleDouble r = detail::twoSum(x.hi - k * detail::ln2Parts[0], -(k * detail::ln2Parts[1]));
  r = detail::add(r, -(k * detail::ln2Parts[2]));
  r = detail::add(r, x.lo);
  const DoubleDouble series =
      detail::polynomial(r, detail::exponentialSeries, std::size(detail::exponentialSeries), 14);
  return {series, static_cast<int>(k)};
}

double scaledToDouble(const ScaledValue& v) { return std::ldexp(v.scaled.hi, v.k); }

// log x for finite x > 0.
DoubleDouble logarithmOf(double x) {
  int e = 0;
  double m = std::frexp(x, &e);
  if (m < 0x1.6a09e667f3bcdp-1) {  // sqrt(1/2)
    m *= 2.0;
    --e;
  }
  const DoubleDouble s = detail::divide({m - 1.0, 0.0}, detail::twoSum(m, 1.0));
  const DoubleDouble z = detail::multiply(s, s);
  const DoubleDouble series = detail::polynomial(z, detail::logarithmSeries, std::size(detail::logarithmSeries), 10);
  const DoubleDouble logM = detail::multiply(series, {2.0 * s.hi, 2.0 * s.lo});
  if (e == 0) return logM;
  const double k = e;
  DoubleDouble eLn2 = detail::twoSum(k * detail::ln2Parts[0], k * detail::ln2Parts[1]);
  eLn2 = detail::add(eLn2, k * detail::ln2Parts[2]);
  return detail::add(eLn2, logM);
}

// NaN for NaN and x < 0, -inf for 0, inf for inf; otherwise nothing to say.
bool logarithmSpecial(double x, double& result) {
  if (std::isnan(x)) {
    result = x;
  } else if (x < 0) {
    result = std::numeric_limits<double>::quiet_NaN();
  } else if (x == 0) {
    result = -infinity;
  } else if (std::isinf(x)) {
    result = x;
  } else {
    return false;
  }
  return true;
}

bool isOddInteger(double y) { return std::fabs(y) < 0x1p53 && std::floor(y) == y && std::fmod(y, 2.0) != 0; }

// x^y for finite x > 0 and finite y.
double positivePower(double x, double y) {
  if (y == 2.0) return x * x;
  if (y == 0.5) return std::sqrt(x);
  const DoubleDouble l = logarithmOf(x);
  const double estimate = y * l.hi;
  if (estimate > exponentOverflow) return infinity;
  if (estimate < exponentUnderflow) return 0.0;
  const DoubleDouble product = detail::twoProduct(y, l.hi);
  return scaledToDouble(exponentialOf(detail::fastTwoSum(product.hi, product.lo + y * l.lo)));
}

}  // namespace

double exp(double x) {
  if (std::isnan(x)) return x;
  if (x > exponentOverflow) return infinity;
  if (x < exponentUnderflow) return 0.0;
  return scaledToDouble(exponentialOf({x, 0.0}));
}

double log(double x) {
  double special = 0;
  if (logarithmSpecial(x, special)) return special;
  return logarithmOf(x).hi;
}

double log10(double x) {
  double special = 0;
  if (logarithmSpecial(x, special)) return special;
  return detail::multiply(logarithmOf(x), detail::inverseLn10).hi;
}

double pow(double x, double y) {
  if (y == 0 || x == 1.0) return 1.0;
  if (std::isnan(x) || std::isnan(y)) return x + y;
  const bool negativeResult = std::signbit(x) && isOddInteger(y);
  if (x < 0 && std::isfinite(x) && std::isfinite(y) && std::floor(y) != y) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  const double ax = std::fabs(x);
  double magnitude = 0;
  if (ax == 0) {
    magnitude = y < 0 ? infinity : 0.0;
  } else if (std::isinf(ax)) {
    magnitude = y < 0 ? 0.0 : infinity;
  } else if (std::isinf(y)) {
    magnitude = ax == 1 ? 1.0 : (ax < 1) == (y < 0) ? infinity : 0.0;
  } else {
    magnitude = positivePower(ax, y);
  }
  return negativeResult ? -magnitude : magnitude;
}

}  // namespace maths
