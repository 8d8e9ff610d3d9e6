#pragma once
// The codec's real arithmetic, one formula per function, evaluated in x87 extended precision (64-bit
// significand, round to nearest) and rounded to binary64 on return. Every path of the decoder and
// encoder goes through these, or gives the same bits as they do.
//
// Extended is the x87's long double where the compiler's long double is that format (x86-64, i686),
// otherwise our own 80-bit type (extended.h: ARM64, WebAssembly), which HWL_SOFT_EXTENDED also forces
// on x86; both give the same bits. Formulas and constants are templates over that type X, so that the
// tests can hold the two side by side; the codec uses the default. What a formula may do with an X:
// + - * / with X (a double or int32 operand widens exactly, as into long double), comparisons,
// static_cast<double> (one rounding to nearest even), and roundToInteger below.

#include "hwl/extended.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace hwl::detail {

#if LDBL_MANT_DIG == 64 && !defined(HWL_SOFT_EXTENDED)
using Extended = long double;
#else
using Extended = Extended80;
#endif

// A finite normal X from the x87's bit pattern: sign and biased exponent, 64-bit significand. For the
// long double, significand * 2^(exponent - 63) is exact in the x87's constant folding.
template <class X>
constexpr X extendedFromBits(std::uint16_t signExponent, std::uint64_t significand) {
  if constexpr (std::is_same_v<X, Extended80>) {
    return Extended80::fromBits(signExponent, significand);
  } else {
    X v = static_cast<X>(significand);
    for (int e = (signExponent & 0x7FFF) - 16383 - 63; e != 0; e += e < 0 ? 1 : -1) v = e < 0 ? v / 2 : v * 2;
    return signExponent >> 15 != 0 ? -v : v;
  }
}

// Nearest integer, ties to even (the x87's integer indefinite, INT64_MIN, when out of range).
inline std::int64_t roundToInteger(long double x) { return std::llrint(x); }
constexpr std::int64_t roundToInteger(Extended80 x) { return x.roundToInteger(); }

// 1/sqrt(2) rounded to binary64 (bit pattern 3FE6A09E667F3BCD); the one-dimensional Haar factor.
constexpr double haarFactor = 0.7071067811865476;

// The codec's extended constants, as the x87's bits of the decimals in the comments.
template <class X = Extended>
struct ExtendedConstants {
  // The smoothing weights of the inverse transform.
  static constexpr X nearWeight = extendedFromBits<X>(0x3FFE, 0xCCCCCCCCCCCCCCCD);  // 0.8
  static constexpr X farWeight = extendedFromBits<X>(0x3FFC, 0xCCCCCCCCCCCCCCCD);   // 0.2
  // Y, U, V to red, green and blue (the forward weights' inverses rounded to six decimals).
  static constexpr X redFromV = extendedFromBits<X>(0x3FFF, 0x91F3BEA91D9B1B7A);   // 1.140251
  static constexpr X blueFromU = extendedFromBits<X>(0x4000, 0x81D145D851654D62);  // 2.028398
  static constexpr X greenGain = extendedFromBits<X>(0x3FFF, 0xD8F2F9873FFAC1D3);  // 1.694915
  static constexpr X lumaRed = extendedFromBits<X>(0x3FFD, 0x999999999999999A);    // 0.3
  static constexpr X lumaGreen = extendedFromBits<X>(0x3FFE, 0x970A3D70A3D70A3D);  // 0.59
  static constexpr X lumaBlue = extendedFromBits<X>(0x3FFB, 0xE147AE147AE147AE);   // 0.11
  static constexpr X uWeight = extendedFromBits<X>(0x3FFD, 0xFC6A7EF9DB22D0E5);    // 0.493
  static constexpr X vWeight = extendedFromBits<X>(0x3FFE, 0xE083126E978D4FDF);    // 0.877
};
// The codec's own, in Extended.
constexpr Extended nearWeight = ExtendedConstants<>::nearWeight;
constexpr Extended farWeight = ExtendedConstants<>::farWeight;
constexpr Extended redFromV = ExtendedConstants<>::redFromV;
constexpr Extended blueFromU = ExtendedConstants<>::blueFromU;
constexpr Extended greenGain = ExtendedConstants<>::greenGain;
constexpr Extended lumaRed = ExtendedConstants<>::lumaRed;
constexpr Extended lumaGreen = ExtendedConstants<>::lumaGreen;
constexpr Extended lumaBlue = ExtendedConstants<>::lumaBlue;
constexpr Extended uWeight = ExtendedConstants<>::uWeight;
constexpr Extended vWeight = ExtendedConstants<>::vWeight;

// Plain synthesis of a pair: (lo + hi) c and (lo - hi) c.
template <class X = Extended>
double synthesiseFirst(double lo, double hi) {
  return static_cast<double>((X(lo) + hi) * X(haarFactor));
}
template <class X = Extended>
double synthesiseSecond(double lo, double hi) {
  return static_cast<double>((X(lo) - hi) * X(haarFactor));
}
// A sample of a flat pair pulled 20 % towards its neighbour's low value: (0.8 lo + 0.2 other) c.
template <class X = Extended>
double synthesiseSmoothed(double lo, double other) {
  using K = ExtendedConstants<X>;
  return static_cast<double>((K::nearWeight * lo + K::farWeight * other) * X(haarFactor));
}
// A sample of a flat pair left as it is: lo c.
template <class X = Extended>
double synthesiseFlat(double lo) {
  return static_cast<double>(X(lo) * haarFactor);
}

// Forward analysis of a pair a, b: (b + a) c and (a - b) c.
template <class X = Extended>
double analyseLow(double a, double b) {
  return static_cast<double>((X(b) + a) * X(haarFactor));
}
template <class X = Extended>
double analyseHigh(double a, double b) {
  return static_cast<double>((X(a) - b) * X(haarFactor));
}

// The dequantisation factor of a group: 1 / entry, or 0 for an entry of 0.
template <class X = Extended>
double dequantisationFactor(double entry) {
  return entry != 0 ? static_cast<double>(X(1.0) / X(entry)) : 0.0;
}
// A coefficient times its factor. |coefficient| <= 255 in any decoded plane, so the extended product
// is exact before its one rounding to binary64, the same as a binary64 product.
template <class X = Extended>
double dequantise(std::int32_t coefficient, double factor) {
  return static_cast<double>(X(coefficient) * factor);
}

// The quantisation scale of a group whose largest magnitude is `largest`: (2^valueBits - 1) / largest.
template <class X = Extended>
double quantisationScale(int valueBits, double largest) {
  return static_cast<double>(X((1 << valueBits) - 1) / largest);
}
// A real value times its group's scale, to the nearest integer (ties to even).
template <class X = Extended>
std::int32_t quantise(double value, double scale) {
  return static_cast<std::int32_t>(roundToInteger(X(scale) * value));
}

struct Rgb {
  double red, green, blue;
};
template <class X = Extended>
Rgb colourFromYuv(double y, double u, double v) {
  using K = ExtendedConstants<X>;
  Rgb out;
  out.red = static_cast<double>(y + K::redFromV * v);
  out.blue = static_cast<double>(y + K::blueFromU * u);
  out.green = static_cast<double>(K::greenGain * ((y - K::lumaRed * out.red) - K::lumaBlue * out.blue));
  return out;
}

struct Yuv {
  double y, u, v;
};
template <class X = Extended>
Yuv yuvFromColour(double red, double green, double blue) {
  using K = ExtendedConstants<X>;
  Yuv out;
  out.y = static_cast<double>(K::lumaRed * red + K::lumaGreen * green + K::lumaBlue * blue);
  out.u = static_cast<double>((blue - X(out.y)) * K::uWeight);
  out.v = static_cast<double>((red - X(out.y)) * K::vWeight);
  return out;
}

}  // namespace hwl::detail
