// Internal to maths/: the reduction of an angle by multiples of pi / 2.
#pragma once

#include "maths/double_double.h"

namespace maths::detail {

// x = quadrant pi / 2 + remainder (modulo 2 pi), |remainder| <= about pi / 4, quadrant in 0..3.
struct ReducedAngle {
  DoubleDouble remainder;
  int quadrant;
};

// Any finite x; the remainder is accurate to about 2^-106 of itself, however close x lies to a multiple
// of pi / 2.
ReducedAngle reduceAngle(double x);

}  // namespace maths::detail
