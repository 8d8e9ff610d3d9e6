#pragma once
// The primitives the generator's operations share: the random generator, the two square roots,
// cosine-interpolated sampling with wrap-around, and the conversions from reals to bytes. Inline,
// because every operation calls them once or more per pixel.
//
// No conversion here turns a not-a-number or an out-of-range real into an integer: truncateReal
// saturates, clampByte sends not-a-number to 0, cornersAt reads an unusable position as (0, 0).

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "generator/generator.h"

namespace generator {

// Single-precision constants, widened.
constexpr double pi = 3.1415927f;
constexpr double oneSixtieth = 0.016666667f;  // hue degrees to sixths
constexpr double halfTurnScale = 40.58451f;   // 127.5 / pi

// state = state * 22695477 (mod 2^32); the result is state >> 16 (0 to 65535). A zero state stays 0.
inline std::uint32_t nextRandom(Generator& g) {
  g.randomState *= 22695477u;
  return g.randomState >> 16;
}

// Halves the exponent of a single-precision value: bits ((i - 0x3F800000) >> 1) + 0x3F800000, the
// shift arithmetic. Exact for even powers of two (4 gives 2), within a few percent elsewhere.
inline float approxSqrt(float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  const std::int32_t shifted = static_cast<std::int32_t>(bits - 0x3F800000u) >> 1;
  return std::bit_cast<float>(static_cast<std::uint32_t>(shifted) + 0x3F800000u);
}

// Newton's iteration x = (n / x + x) >> 1 from x = n, until the previous estimate minus the new one,
// as an unsigned 32-bit number, is 0 or 1. Stops one early on some inputs: intSqrt(3) is 2.
inline std::uint32_t intSqrt(std::uint32_t n) {
  if (n == 0) return 0;
  std::uint32_t x = n;
  std::uint32_t previous;
  do {
    previous = x;
    x = static_cast<std::uint32_t>((std::uint64_t{n / x} + x) >> 1);
  } while (previous - x > 1u);
  return x;
}

// Truncation toward zero of any real: not-a-number gives 0, magnitudes beyond 2^62 saturate.
inline std::int64_t truncateReal(double value) {
  if (!(value == value)) return 0;
  if (value >= 0x1p62) return std::int64_t{1} << 62;
  if (value <= -0x1p62) return -(std::int64_t{1} << 62);
  return static_cast<std::int64_t>(value);
}

// The low 8 bits, as a byte store keeps them.
inline std::uint8_t lowByte(std::int64_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// >= 255 gives 255, <= 0 (or not a number) gives 0, otherwise truncated.
inline std::uint8_t clampByte(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<std::uint8_t>(value);
}

inline std::uint8_t clampByte(std::int64_t value) {
  return static_cast<std::uint8_t>(value <= 0 ? 0 : value >= 255 ? 255 : value);
}

// Nearest integer, ties to even (the default rounding mode, which the generator never changes).
inline double roundEven(double value) { return std::nearbyint(value); }

// The four corner pixels around a position (pointers to their channel 0) and the cosine weights.
struct Corners {
  const std::uint8_t* c00;  // (x0, y0)
  const std::uint8_t* c10;  // (x0 + 1, y0)
  const std::uint8_t* c01;  // (x0, y0 + 1)
  const std::uint8_t* c11;  // (x0 + 1, y0 + 1)
  double wx, wy;
};

// cos(x) for |x| <= 4, the generator's own: no branch and no library call, so that sampling (two
// cosines per pixel) stays cheap, and the same on every platform. Folded into 0..pi/2 around pi/2
// (cos(x) = -cos(pi - x), with pi in two parts so that pi - x is exact), then the Taylor series to
// x^20, its tail evaluated in Estrin's scheme to keep the chain of dependent steps short; within
// 4e-16 of the true cosine. Written once for a real and for a pair of reals (two vector lanes, each
// doing exactly the arithmetic of the single version).
template <typename Real>
inline Real cosineOf(Real x) {
  constexpr double piHigh = 3.141592653589793116;
  constexpr double piLow = 1.2246467991473532e-16;
  constexpr double c4 = 1.0 / 24.0, c6 = -1.0 / 720.0, c8 = 1.0 / 40320.0, c10 = -1.0 / 3628800.0;
  constexpr double c12 = 1.0 / 479001600.0, c14 = -1.0 / 87178291200.0, c16 = 1.0 / 20922789888000.0;
  constexpr double c18 = -1.0 / 6402373705728000.0, c20 = 1.0 / 2432902008176640000.0;
  const Real y = x < 0 ? -x : x;
  const auto flip = y > 0.5 * piHigh;
  const Real r = flip ? (piHigh - y) + piLow : y;
  const Real z = r * r;
  const Real z2 = z * z;
  const Real z4 = z2 * z2;
  const Real low = (c4 + c6 * z) + z2 * (c8 + c10 * z);                 // x^4 .. x^10
  const Real high = (c12 + c14 * z) + z2 * (c16 + c18 * z) + z4 * c20;  // x^12 .. x^20
  const Real c = (1.0 - 0.5 * z) + z2 * (low + z4 * high);
  return flip ? -c : c;
}

using RealPair = double __attribute__((vector_size(16)));

inline double cosine(double x) { return cosineOf(x); }

// 0.5 * (1 - cos(pi * f)): 0 at f = 0, 1 at f = 1, and the same for -f as for f.
inline double cosineWeight(double fraction) { return 0.5 * (1.0 - cosine(pi * fraction)); }
inline RealPair cosineWeights(RealPair fractions) { return 0.5 * (1.0 - cosineOf(pi * fractions)); }

// The bytes as reals (a table look-up is cheaper than a conversion in the sampling loops).
inline constexpr auto byteValues = [] {
  std::array<double, 256> values{};
  for (int i = 0; i < 256; ++i) values[i] = i;
  return values;
}();

// Per channel: truncate((1-wy)(1-wx) c00 + (1-wy) wx c10 + wy (1-wx) c01 + wy wx c11).
inline void interpolate(const Corners& c, std::uint8_t* out) {
  const double w00 = (1.0 - c.wy) * (1.0 - c.wx);
  const double w10 = (1.0 - c.wy) * c.wx;
  const double w01 = c.wy * (1.0 - c.wx);
  const double w11 = c.wy * c.wx;
  for (int k = 0; k < 3; ++k) {
    out[k] = static_cast<std::uint8_t>(w00 * byteValues[c.c00[k]] + w10 * byteValues[c.c10[k]] +
                                       w01 * byteValues[c.c01[k]] + w11 * byteValues[c.c11[k]]);
  }
}

inline const std::uint8_t* pixelAt(const Generator& g, const std::uint8_t* buffer, std::int64_t x, std::int64_t y) {
  return buffer +
         (static_cast<std::size_t>(y & g.heightMask) * g.width + static_cast<std::size_t>(x & g.widthMask)) * 3;
}

// The corners at (truncate(fx), truncate(fy)) and one further, all wrapping; the fractions are
// fx - truncate(fx) and fy - truncate(fy), negative for negative positions. A position that is not a
// number or beyond +-2^62 reads as (0, 0).
inline Corners cornersAt(const Generator& g, const std::uint8_t* buffer, double fx, double fy) {
  if (!(std::fabs(fx) < 0x1p62)) fx = 0;
  if (!(std::fabs(fy) < 0x1p62)) fy = 0;
  const auto x0 = static_cast<std::int64_t>(fx);
  const auto y0 = static_cast<std::int64_t>(fy);
  const RealPair weights = cosineWeights(RealPair{fx - static_cast<double>(x0), fy - static_cast<double>(y0)});
  return {pixelAt(g, buffer, x0, y0),
          pixelAt(g, buffer, x0 + 1, y0),
          pixelAt(g, buffer, x0, y0 + 1),
          pixelAt(g, buffer, x0 + 1, y0 + 1),
          weights[0],
          weights[1]};
}

// The cosine-interpolated value of `buffer` at a real position, into out[0..2].
inline void sampleBuffer(const Generator& g, const std::uint8_t* buffer, double fx, double fy, std::uint8_t* out) {
  interpolate(cornersAt(g, buffer, fx, fy), out);
}

// Whole-buffer helpers.
inline std::size_t bufferBytes(const Generator& g) { return static_cast<std::size_t>(g.pixelCount()) * 3; }
inline void copyBuffer(Generator& g, int from, int to) {
  if (from != to) std::memcpy(g.layer(to), g.layer(from), bufferBytes(g));
}

}  // namespace generator
