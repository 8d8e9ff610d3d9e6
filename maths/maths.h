// Maths functions of our own: the same bits on every machine.
//
// The C library's sin, cos, exp and friends differ in their last bits between systems (glibc with and
// without its FMA variants, Windows' msvcrt, ARM64, WebAssembly). Every result that reaches a picture, a
// file or a GL call uses these instead. They use only IEEE double + - * / and sqrt, in a fixed order,
// plus exact operations (floor, frexp, ldexp, integer arithmetic on bits), so any IEEE machine gives the
// same bits.
//
// Accuracy: each function works in double-double (about 106 bits, with argument reductions exact to
// well beyond that) and rounds to nearest once at the end, so results are correctly rounded except when
// the exact value lies within about 2^-100 relative of a half-way point between two doubles: none was
// met in 10^8 random inputs per function (bench/maths_accuracy.cpp measures it against MPFR). Results
// that are subnormal (below 2^-1022) are rounded twice and may be 1 ulp off. Exact half-way results
// (such as pow(x, 2) of some 27-bit integers) may round to either neighbour, except where noted.
//
// Range: every finite argument is supported. sin and cos reduce arguments below 2^19 with a
// 218-bit pi / 2 and larger ones with 2 / pi's exact binary digits (Payne and Hanek), so even
// sin(1e300) is correctly rounded. Special values follow C's Annex F: NaN in, NaN out; sin(inf) is NaN;
// exp(inf) = inf, exp(-inf) = 0; log(0) = -inf, log of a negative number is NaN; signs of zeros are kept
// (sin(-0) = -0, atan(-0) = -0).
//
// Speed: about 10 times the C library's time per call for sin and cos, 15 to 75 times for atan, exp,
// log, log10 and pow, under 2 times for hypot (bench/maths_accuracy.cpp prints the ratios): 100 to 400
// nanoseconds. The callers evaluate them per row, per column or per table entry; the generator's twirl
// and tunnel take them per pixel.
//
// sqrt, floor, ceil, fabs, fmod, round and trunc are exact (or correctly rounded) by IEEE and may stay
// with std::.
#pragma once

namespace maths {

double sin(double x);
double cos(double x);
double atan(double x);

double exp(double x);
// The natural logarithm.
double log(double x);
double log10(double x);
// x^y for x > 0; for x <= 0 with C's rules (a negative x needs an integer y). pow(x, 2) is x * x and
// pow(x, 0.5) is sqrt(x), so those are exact where IEEE's product and root are.
double pow(double x, double y);

// sqrt(x^2 + y^2) without overflow or underflow in between.
double hypot(double x, double y);

}  // namespace maths
