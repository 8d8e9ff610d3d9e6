#pragma once
// One-dimensional Haar synthesis with zero-detail smoothing, one pair at a time, over a line whose
// low values are lo[0], lo[step], ... and high values hi[0], hi[step], ... (n pairs).
//
// Pair j gives samples 2j and 2j + 1, plainly (lo + hi) c and (lo - hi) c. An inner pair whose high
// value is exactly 0 may pull each sample 20 % towards the neighbouring pair's low value: the first
// sample towards pair j - 1 when that pair is flat too and the low values keep changing after j, the
// second towards pair j + 1 when that pair is flat and the low values kept changing before j. The
// outermost pairs are always plain.

#include "hwl/arithmetic.h"

#include <cstddef>

namespace hwl::detail {

inline bool firstIsSmoothed(const double* lo, const double* hi, std::ptrdiff_t step, int n, int j) {
  return hi[(j - 1) * step] == 0 && lo[j * step] != lo[(j + 1) * step] &&
         (j == n - 2 || lo[(j + 2) * step] != lo[(j + 1) * step]);
}

inline bool secondIsSmoothed(const double* lo, const double* hi, std::ptrdiff_t step, int j) {
  return hi[(j + 1) * step] == 0 && lo[j * step] != lo[(j - 1) * step] &&
         (j == 1 || lo[(j - 2) * step] != lo[(j - 1) * step]);
}

inline double synthesisedFirst(const double* lo, const double* hi, std::ptrdiff_t step, int n, int j) {
  const double l = lo[j * step];
  const double h = hi[j * step];
  if (j == 0 || j == n - 1 || h != 0) return synthesiseFirst(l, h);
  return firstIsSmoothed(lo, hi, step, n, j) ? synthesiseSmoothed(l, lo[(j - 1) * step]) : synthesiseFlat(l);
}

inline double synthesisedSecond(const double* lo, const double* hi, std::ptrdiff_t step, int n, int j) {
  const double l = lo[j * step];
  const double h = hi[j * step];
  if (j == 0 || j == n - 1 || h != 0) return synthesiseSecond(l, h);
  return secondIsSmoothed(lo, hi, step, j) ? synthesiseSmoothed(l, lo[(j + 1) * step]) : synthesiseFlat(l);
}

// Sample r (0 <= r < 2n) of the line.
inline double synthesisedSample(const double* lo, const double* hi, std::ptrdiff_t step, int n, int r) {
  return r % 2 == 0 ? synthesisedFirst(lo, hi, step, n, r / 2) : synthesisedSecond(lo, hi, step, n, r / 2);
}

}  // namespace hwl::detail
