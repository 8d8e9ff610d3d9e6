#pragma once
// The codec's real arithmetic, one formula per function, evaluated in x87 extended precision (64-bit
// significand, round to nearest: `long double` on x86-64) and rounded to binary64 on return. Every
// path of the decoder and encoder goes through these, or gives the same bits as they do.

#include <cstdint>

namespace hwl::detail {

using Extended = long double;

// 1/sqrt(2) rounded to binary64 (bit pattern 3FE6A09E667F3BCD); the one-dimensional Haar factor.
constexpr double haarFactor = 0.7071067811865476;

// The smoothing weights of the inverse transform, held as extended reals.
constexpr Extended nearWeight = 0.8L;
constexpr Extended farWeight = 0.2L;

// Y, U, V to red, green and blue (the forward weights' inverses rounded to six decimals).
constexpr Extended redFromV = 1.140251L;
constexpr Extended blueFromU = 2.028398L;
constexpr Extended greenGain = 1.694915L;
constexpr Extended lumaRed = 0.3L;
constexpr Extended lumaGreen = 0.59L;
constexpr Extended lumaBlue = 0.11L;
constexpr Extended uWeight = 0.493L;
constexpr Extended vWeight = 0.877L;

// Plain synthesis of a pair: (lo + hi) c and (lo - hi) c.
inline double synthesiseFirst(double lo, double hi) {
  return static_cast<double>((static_cast<Extended>(lo) + hi) * static_cast<Extended>(haarFactor));
}
inline double synthesiseSecond(double lo, double hi) {
  return static_cast<double>((static_cast<Extended>(lo) - hi) * static_cast<Extended>(haarFactor));
}
// A sample of a flat pair pulled 20 % towards its neighbour's low value: (0.8 lo + 0.2 other) c.
inline double synthesiseSmoothed(double lo, double other) {
  return static_cast<double>((nearWeight * lo + farWeight * other) * static_cast<Extended>(haarFactor));
}

// Forward analysis of a pair a, b: (b + a) c and (a - b) c.
inline double analyseLow(double a, double b) {
  return static_cast<double>((static_cast<Extended>(b) + a) * static_cast<Extended>(haarFactor));
}
inline double analyseHigh(double a, double b) {
  return static_cast<double>((static_cast<Extended>(a) - b) * static_cast<Extended>(haarFactor));
}

// The dequantisation factor of a group: 1 / entry, or 0 for an entry of 0.
inline double dequantisationFactor(double entry) {
  return entry != 0 ? static_cast<double>(1.0L / static_cast<Extended>(entry)) : 0.0;
}
// A coefficient times its factor. |coefficient| <= 255 in any decoded plane, so the extended product
// is exact before its one rounding to binary64, the same as a binary64 product.
inline double dequantise(std::int32_t coefficient, double factor) {
  return static_cast<double>(static_cast<Extended>(coefficient) * factor);
}

struct Rgb {
  double red, green, blue;
};
inline Rgb colourFromYuv(double y, double u, double v) {
  Rgb out;
  out.red = static_cast<double>(y + redFromV * v);
  out.blue = static_cast<double>(y + blueFromU * u);
  out.green = static_cast<double>(greenGain * ((y - lumaRed * out.red) - lumaBlue * out.blue));
  return out;
}

struct Yuv {
  double y, u, v;
};
inline Yuv yuvFromColour(double red, double green, double blue) {
  Yuv out;
  out.y = static_cast<double>(lumaRed * red + lumaGreen * green + lumaBlue * blue);
  out.u = static_cast<double>((blue - static_cast<Extended>(out.y)) * uWeight);
  out.v = static_cast<double>((red - static_cast<Extended>(out.y)) * vWeight);
  return out;
}

}  // namespace hwl::detail
