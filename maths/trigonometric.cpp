// sin and cos on the angle reduced by multiples of pi / 2 (|r| <= pi / 4): Taylor series in
// double-double, whose terms from r^16 on are below 2^-53 of the sum and summed in double. atan by
// t -> 1 / t above 1, then atan t = atan(j / 8) + atan((t - j / 8) / (1 + t j / 8)) with j / 8 the
// nearest eighth, and the series of the second.
#include "maths/maths.h"

#include "maths/constants.h"
#include "maths/double_double.h"
#include "maths/reduction.h"

#include <cmath>
#include <iterator>

namespace maths {

namespace {

using detail::DoubleDouble;

// Below this, sin x and atan x round to x, and cos x to 1.
constexpr double tinyAngle = 0x1p-27;

DoubleDouble sineOf(DoubleDouble r) {
  const DoubleDouble z = detail::multiply(r, r);
  return detail::multiply(detail::polynomial(z, detail::sineSeries, std::size(detail::sineSeries), 8), r);
}

DoubleDouble cosineOf(DoubleDouble r) {
  const DoubleDouble z = detail::multiply(r, r);
  return detail::polynomial(z, detail::cosineSeries, std::size(detail::cosineSeries), 9);
}

// The sine of quadrant pi / 2 + r; the cosine is the sine a quadrant on.
double sineInQuadrant(DoubleDouble r, int quadrant) {
  const DoubleDouble value = quadrant % 2 == 0 ? sineOf(r) : cosineOf(r);
  return quadrant < 2 ? value.hi : -value.hi;
}

// atan t for 0 <= t <= 1: with c = j / 8 the nearest eighth, atan t = atan c + atan u where
// u = (t - c) / (1 + t c), |u| <= 1 / 16.
DoubleDouble arctangentUpToOne(DoubleDouble t) {
  const double c = std::floor(8.0 * t.hi + 0.5) / 8.0;
  const DoubleDouble u = detail::divide(detail::add(t, -c), detail::add(detail::multiply(t, c), 1.0));
  const DoubleDouble z = detail::multiply(u, u);
  // Terms to u^27 (the next is below 2^-112 of the sum); those from u^14 on are below 2^-56 of it.
  const DoubleDouble series = detail::multiply(detail::polynomial(z, detail::arctangentSeries, 14, 7), u);
  return detail::add(detail::arctangentsOfEighths[static_cast<int>(8.0 * c)], series);
}

// atan t for t >= 0.
DoubleDouble arctangentOf(DoubleDouble t) {
  if (t.hi <= 1.0) return arctangentUpToOne(t);
  return detail::subtract(detail::halfPi, arctangentUpToOne(detail::divide({1.0, 0.0}, t)));
}

}  // namespace

double sin(double x) {
  if (std::fabs(x) < tinyAngle) return x;
  if (!std::isfinite(x)) return x - x;
  const detail::ReducedAngle a = detail::reduceAngle(x);
  return sineInQuadrant(a.remainder, a.quadrant);
}

double cos(double x) {
  if (std::fabs(x) < tinyAngle) return 1.0;
  if (!std::isfinite(x)) return x - x;
  const detail::ReducedAngle a = detail::reduceAngle(x);
  return sineInQuadrant(a.remainder, (a.quadrant + 1) & 3);
}

double atan(double x) {
  const double magnitude = std::fabs(x);
  if (magnitude < tinyAngle || std::isnan(x)) return x;
  // Above 2^60, pi / 2 - 1 / |x| rounds to pi / 2.
  const double angle = magnitude > 0x1p60 ? detail::halfPi.hi : arctangentOf({magnitude, 0.0}).hi;
  return x < 0 ? -angle : angle;
}

}  // namespace maths
