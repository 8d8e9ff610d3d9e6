#pragma once
// Internal: an 80-bit extended real of our own, the x87's format and arithmetic in portable C++, for the
// processors whose long double is another format (ARM64 and WebAssembly have binary128). arithmetic.h
// picks it or the x87's long double as the codec's Extended; both give the same bits.
//
// The value is held as the x87 stores it: a 16-bit word of sign (bit 15) and biased exponent (bits 14-0,
// bias 16383; 0 for zeros and denormals, 7FFF for infinities and NaNs) and a 64-bit significand whose
// leading bit is explicit. Add, subtract, multiply and divide round the exact result once to a 64-bit
// significand, to nearest with ties to even: the x87 with precision control at 64 bits and rounding to
// nearest, exceptions masked. Below 2^-16382 results are denormalised before that rounding; past the
// range they are infinities. Conversions from double and int32 are exact; to double rounds once to
// nearest even, to subnormals and infinities as the value needs. NaNs as the x87 treats them: an
// operation returns its NaN operand quietened (of two, a quiet one before a signalling one, then the
// larger significand, then the positive one) and invalid operations (inf - inf, 0 * inf, 0 / 0,
// inf / inf) give the x87's default NaN, negative with significand C000000000000000.

#include <bit>
#include <compare>
#include <cstdint>

namespace hwl::detail {

// std::bit_cast for doubles, which the C++ library of some compilers we build with (emscripten's) lacks.
constexpr std::uint64_t bitsOfDouble(double v) { return __builtin_bit_cast(std::uint64_t, v); }
constexpr double doubleOfBits(std::uint64_t bits) { return __builtin_bit_cast(double, bits); }

// A 128-bit unsigned integer as two halves, for the exact sums, products and quotients.
struct Wide {
  std::uint64_t high, low;
};

// a * b exactly, from 32-bit pieces.
constexpr Wide multiplyWidePortable(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFFu)};
}

// n / d and its remainder for n.high < d (so the quotient fits 64 bits), one bit at a time.
constexpr std::uint64_t divideWidePortable(Wide n, std::uint64_t d, std::uint64_t& remainder) {
  std::uint64_t q = 0, r = n.high;
  for (int i = 63; i >= 0; --i) {
    const bool carry = r >> 63 != 0;
    r = r << 1 | (n.low >> i & 1);
    q <<= 1;
    if (carry || r >= d) {
      r -= d;
      q |= 1;
    }
  }
  remainder = r;
  return q;
}

#if defined(__SIZEOF_INT128__)
constexpr Wide multiplyWide(std::uint64_t a, std::uint64_t b) {
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
}
constexpr std::uint64_t divideWide(Wide n, std::uint64_t d, std::uint64_t& remainder) {
  const unsigned __int128 wide = static_cast<unsigned __int128>(n.high) << 64 | n.low;
  remainder = static_cast<std::uint64_t>(wide % d);
  return static_cast<std::uint64_t>(wide / d);
}
#else
constexpr Wide multiplyWide(std::uint64_t a, std::uint64_t b) { return multiplyWidePortable(a, b); }
constexpr std::uint64_t divideWide(Wide n, std::uint64_t d, std::uint64_t& remainder) {
  return divideWidePortable(n, d, remainder);
}
#endif

// v >> n for any n >= 0; sticky is set when a one bit is shifted out.
constexpr Wide shiftRightSticky(Wide v, int n, bool& sticky) {
  if (n == 0) return v;
  if (n >= 128) {
    sticky |= (v.high | v.low) != 0;
    return {0, 0};
  }
  if (n >= 64) {
    sticky |= v.low != 0 || (n > 64 && v.high << (128 - n) != 0);
    return {0, v.high >> (n - 64)};
  }
  sticky |= v.low << (64 - n) != 0;
  return {v.high >> n, v.low >> n | v.high << (64 - n)};
}

// v << n for 0 <= n < 128.
constexpr Wide shiftLeft(Wide v, int n) {
  if (n == 0) return v;
  if (n >= 64) return {v.low << (n - 64), 0};
  return {v.high << n | v.low >> (64 - n), v.low << n};
}

constexpr int leadingZeros(Wide v) { return v.high != 0 ? std::countl_zero(v.high) : 64 + std::countl_zero(v.low); }

// A finite nonzero value as significand * 2^(exponent - 63), the significand's bit 63 set.
struct Unpacked {
  bool negative;
  int exponent;
  std::uint64_t significand;
};

// A value rounded to `precision` bits: significand * 2^(exponent - precision + 1). A significand below
// 2^(precision - 1) is a denormal (its exponent the format's least); 0 is a zero.
struct Rounded {
  std::uint64_t significand;
  int exponent;
};

// Rounds s * 2^(exponent - 127) (+ a fraction of s's last unit when sticky), s's bit 127 set, to
// nearest even at `precision` bits, denormalising below minExponent.
constexpr Rounded roundWide(Wide s, bool sticky, int exponent, int precision, int minExponent) {
  int drop = 128 - precision;
  if (exponent < minExponent) {
    drop += minExponent - exponent;
    exponent = minExponent;
  }
  bool rest = sticky;
  const Wide kept = shiftRightSticky(s, drop - 1, rest);  // the significand and its rounding bit
  std::uint64_t m = kept.low >> 1 | kept.high << 63;
  if ((kept.low & 1) != 0 && (rest || (m & 1) != 0)) {
    ++m;
    if (m == 0 || m >> (precision - 1) > 1) {  // carried out of the precision
      m = std::uint64_t{1} << (precision - 1);
      ++exponent;
    }
  }
  return {m, exponent};
}

class Extended80 {
 public:
  static constexpr int bias = 16383;
  static constexpr std::uint16_t maxBiased = 0x7FFF;
  static constexpr std::uint64_t leadingBit = std::uint64_t{1} << 63;
  static constexpr std::uint64_t quietBit = std::uint64_t{1} << 62;

  constexpr Extended80() = default;
  // Exact conversions (implicit, as for long double, so that doubles and ints mix into formulas).
  constexpr Extended80(double v) { *this = fromDouble(v); }
  constexpr Extended80(std::int32_t v) { *this = fromInt(v); }

  static constexpr Extended80 fromBits(std::uint16_t signExponent, std::uint64_t significand) {
    Extended80 x;
    x.signExponent_ = signExponent;
    x.significand_ = significand;
    return x;
  }
  constexpr std::uint16_t signExponent() const { return signExponent_; }
  constexpr std::uint64_t significand() const { return significand_; }

  constexpr bool negative() const { return signExponent_ >> 15 != 0; }
  constexpr int biasedExponent() const { return signExponent_ & maxBiased; }
  constexpr bool isNan() const { return biasedExponent() == maxBiased && significand_ << 1 != 0; }
  constexpr bool isInfinite() const { return biasedExponent() == maxBiased && significand_ << 1 == 0; }
  constexpr bool isZero() const { return significand_ == 0 && biasedExponent() != maxBiased; }
  constexpr bool isNormal() const {
    return static_cast<unsigned>(biasedExponent() - 1) < maxBiased - 1 && significand_ >> 63 != 0;
  }

  // Rounded once to binary64, to nearest even.
  constexpr explicit operator double() const;

  // Nearest integer, ties to even; the x87's integer indefinite (INT64_MIN) for NaNs and values out
  // of range, as llrint gives on the x87.
  constexpr std::int64_t roundToInteger() const;

  friend constexpr Extended80 operator-(Extended80 a) { return fromBits(a.signExponent_ ^ 0x8000, a.significand_); }
  friend constexpr Extended80 abs(Extended80 a) { return fromBits(a.signExponent_ & maxBiased, a.significand_); }
  // Two normal operands (nearly all of the codec's) take the short way.
  friend constexpr Extended80 operator+(Extended80 a, Extended80 b) {
    return a.isNormal() && b.isNormal() ? sumFinite(a.unpack(), b.unpack()) : sum(a, b);
  }
  friend constexpr Extended80 operator-(Extended80 a, Extended80 b) {
    if (a.isNormal() && b.isNormal()) return sumFinite(a.unpack(), (-b).unpack());
    return sum(a, b.isNan() ? b : -b);
  }
  friend constexpr Extended80 operator*(Extended80 a, Extended80 b) {
    return a.isNormal() && b.isNormal() ? productFinite(a.unpack(), b.unpack()) : product(a, b);
  }
  friend constexpr Extended80 operator/(Extended80 a, Extended80 b) { return quotient(a, b); }
  friend constexpr std::partial_ordering operator<=>(Extended80 a, Extended80 b) { return compare(a, b); }
  friend constexpr bool operator==(Extended80 a, Extended80 b) { return compare(a, b) == 0; }

 private:
  static constexpr Extended80 make(bool negative, std::uint16_t biased, std::uint64_t significand) {
    return fromBits(static_cast<std::uint16_t>((negative ? 0x8000 : 0) | biased), significand);
  }
  static constexpr Extended80 zero(bool negative) { return make(negative, 0, 0); }
  static constexpr Extended80 infinity(bool negative) { return make(negative, maxBiased, leadingBit); }
  static constexpr Extended80 defaultNan() { return make(true, maxBiased, leadingBit | quietBit); }

  static constexpr Extended80 fromDouble(double v);
  static constexpr Extended80 fromInt(std::int32_t v);
  constexpr Unpacked unpack() const;
  static constexpr Extended80 pack(bool negative, Wide s, bool sticky, int exponent);
  static constexpr Extended80 packAnyRange(bool negative, Wide s, bool sticky, int exponent);
  static constexpr Extended80 nanOperand(Extended80 a, Extended80 b);
  static constexpr Extended80 sum(Extended80 a, Extended80 b);
  static constexpr Extended80 sumFinite(Unpacked a, Unpacked b);
  static constexpr Extended80 product(Extended80 a, Extended80 b);
  static constexpr Extended80 productFinite(Unpacked a, Unpacked b);
  static constexpr Extended80 quotient(Extended80 a, Extended80 b);
  static constexpr std::partial_ordering compare(Extended80 a, Extended80 b);

  std::uint64_t significand_ = 0;
  std::uint16_t signExponent_ = 0;
};

constexpr Extended80 Extended80::fromDouble(double v) {
  const auto bits = bitsOfDouble(v);
  const bool negative = bits >> 63 != 0;
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return make(negative, maxBiased, leadingBit | (fraction != 0 ? quietBit | fraction << 11 : 0));
  if (biased != 0) return make(negative, static_cast<std::uint16_t>(biased - 1023 + bias), leadingBit | fraction << 11);
  if (fraction == 0) return zero(negative);
  const int shift = std::countl_zero(fraction);  // a subnormal: fraction * 2^-1074
  return make(negative, static_cast<std::uint16_t>(63 - shift - 1074 + bias), fraction << shift);
}

constexpr Extended80 Extended80::fromInt(std::int32_t v) {
  if (v == 0) return zero(false);
  const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  const int shift = std::countl_zero(magnitude);
  return make(v < 0, static_cast<std::uint16_t>(63 - shift + bias), magnitude << shift);
}

constexpr Unpacked Extended80::unpack() const {
  const int shift = std::countl_zero(significand_);  // 0 but for denormals
  const int biased = biasedExponent() != 0 ? biasedExponent() : 1;
  return {negative(), biased - bias - shift, significand_ << shift};
}

// Rounds s * 2^(exponent - 127), s nonzero (bit 127 set unless a normalising shift without sticky bits
// is still due), to the format.
constexpr Extended80 Extended80::pack(bool negative, Wide s, bool sticky, int exponent) {
  const int shift = leadingZeros(s);
  s = shift < 64 ? Wide{s.high << shift | s.low >> 1 >> (63 - shift), s.low << shift} : shiftLeft(s, shift);
  exponent -= shift;
  if (exponent < 1 - bias || exponent >= bias) return packAnyRange(negative, s, sticky, exponent);
  // A normal result: the high half, rounded by the low (up when above half, or at half and odd).
  const std::uint64_t rest = s.low << 1 != 0 || sticky ? 1 : 0;
  std::uint64_t m = s.high + (s.low >> 63 & (rest | s.high));
  if (m == 0) {  // carried out
    m = leadingBit;
    ++exponent;
  }
  return make(negative, static_cast<std::uint16_t>(exponent + bias), m);
}

// pack for a normalised s whose result may be denormal or beyond the range.
constexpr Extended80 Extended80::packAnyRange(bool negative, Wide s, bool sticky, int exponent) {
  const Rounded r = roundWide(s, sticky, exponent, 64, 1 - bias);
  if (r.significand == 0) return zero(negative);
  if (r.exponent > bias) return infinity(negative);
  const bool denormal = r.significand >> 63 == 0;
  return make(negative, static_cast<std::uint16_t>(denormal ? 0 : r.exponent + bias), r.significand);
}

constexpr Extended80 Extended80::nanOperand(Extended80 a, Extended80 b) {
  auto quiet = [](Extended80 x) { return fromBits(x.signExponent_, x.significand_ | quietBit); };
  if (!b.isNan()) return quiet(a);
  if (!a.isNan()) return quiet(b);
  const bool aQuiet = (a.significand_ & quietBit) != 0, bQuiet = (b.significand_ & quietBit) != 0;
  if (aQuiet != bQuiet) return aQuiet ? a : b;
  if (a.significand_ != b.significand_) return quiet(a.significand_ > b.significand_ ? a : b);
  return quiet(a.negative() ? b : a);
}

constexpr Extended80 Extended80::sum(Extended80 a, Extended80 b) {
  if (a.isNan() || b.isNan()) return nanOperand(a, b);
  if (a.isInfinite()) return b.isInfinite() && b.negative() != a.negative() ? defaultNan() : a;
  if (b.isInfinite()) return b;
  if (a.isZero()) return b.isZero() ? zero(a.negative() && b.negative()) : b;
  if (b.isZero()) return a;
  return sumFinite(a.unpack(), b.unpack());
}

// Written with few branches that depend on the values (their signs and sizes are as good as random in
// the codec): selects, masks and shifts by computed amounts instead.
constexpr Extended80 Extended80::sumFinite(Unpacked a, Unpacked b) {
  const bool swap = a.exponent < b.exponent || (a.exponent == b.exponent && a.significand < b.significand);
  const std::uint64_t big = swap ? b.significand : a.significand, small = swap ? a.significand : b.significand;
  const int exponent = swap ? b.exponent : a.exponent, gap = exponent - (swap ? a.exponent : b.exponent);
  // big * 2^64 and small's aligned to it; sticky: small had bits below these 128.
  bool sticky = false;
  const Wide y = gap < 64 ? Wide{small >> gap, small << 1 << (63 - gap)} : shiftRightSticky({small, 0}, gap, sticky);
  // The sum x + y (with a carry out of the 128 bits), or the difference x + ~y + 1 - sticky (x - y less
  // a unit when the fraction below is to come off; |x| >= |y|, so the carry out is no digit).
  const std::uint64_t difference = a.negative != b.negative ? ~std::uint64_t{0} : 0;
  const std::uint64_t increment = difference & (sticky ? 0 : 1);
  const std::uint64_t low = (y.low ^ difference) + increment;
  const std::uint64_t high = big + (y.high ^ difference) + (low < increment ? 1 : 0);
  const std::uint64_t carry = ~difference & (high < big ? 1 : 0);
  if ((high | low | carry) == 0 && !sticky) return zero(false);
  // A carry: 2^128 + (high, low), halved.
  sticky |= (low & carry) != 0;
  const int c = static_cast<int>(carry);
  const Wide s{high >> c | carry << 63, low >> c | (high << 63 & (0 - carry))};
  return pack(swap ? b.negative : a.negative, s, sticky, exponent + c);
}

constexpr Extended80 Extended80::product(Extended80 a, Extended80 b) {
  if (a.isNan() || b.isNan()) return nanOperand(a, b);
  const bool negative = a.negative() != b.negative();
  if (a.isInfinite() || b.isInfinite()) return a.isZero() || b.isZero() ? defaultNan() : infinity(negative);
  if (a.isZero() || b.isZero()) return zero(negative);
  return productFinite(a.unpack(), b.unpack());
}

constexpr Extended80 Extended80::productFinite(Unpacked a, Unpacked b) {
  return pack(a.negative != b.negative, multiplyWide(a.significand, b.significand), false, a.exponent + b.exponent + 1);
}

constexpr Extended80 Extended80::quotient(Extended80 a, Extended80 b) {
  if (a.isNan() || b.isNan()) return nanOperand(a, b);
  const bool negative = a.negative() != b.negative();
  if (a.isInfinite()) return b.isInfinite() ? defaultNan() : infinity(negative);
  if (b.isInfinite()) return zero(negative);
  if (b.isZero()) return a.isZero() ? defaultNan() : infinity(negative);
  if (a.isZero()) return zero(negative);
  const Unpacked x = a.unpack(), y = b.unpack();
  // The numerator x.significand * 2^64 (or 2^63 when it is not below the divisor) gives a quotient
  // with its bit 63 set; the remainder against half the divisor stands in for the bits after it.
  const bool shifted = x.significand >= y.significand;
  const Wide n = shifted ? Wide{x.significand >> 1, x.significand << 63} : Wide{x.significand, 0};
  std::uint64_t r = 0;
  const std::uint64_t q = divideWide(n, y.significand, r);
  const std::uint64_t rest = r == 0                   ? 0
                             : r > y.significand - r  ? 0xC000000000000000u
                             : r == y.significand - r ? 0x8000000000000000u
                                                      : 0x4000000000000000u;
  return pack(negative, {q, rest}, false, x.exponent - y.exponent - (shifted ? 0 : 1));
}

constexpr std::partial_ordering Extended80::compare(Extended80 a, Extended80 b) {
  if (a.isNan() || b.isNan()) return std::partial_ordering::unordered;
  if (a.isZero() && b.isZero()) return std::partial_ordering::equivalent;
  if (a.negative() != b.negative()) return a.negative() ? std::partial_ordering::less : std::partial_ordering::greater;
  if (a.signExponent_ == b.signExponent_ && a.significand_ == b.significand_) return std::partial_ordering::equivalent;
  const bool aSmaller = a.biasedExponent() != b.biasedExponent() ? a.biasedExponent() < b.biasedExponent()
                                                                 : a.significand_ < b.significand_;
  return aSmaller != a.negative() ? std::partial_ordering::less : std::partial_ordering::greater;
}

constexpr Extended80::operator double() const {
  const std::uint64_t sign = negative() ? std::uint64_t{1} << 63 : 0;
  if (isNan()) return doubleOfBits(sign | 0x7FF8000000000000u | (significand_ << 1 >> 12));
  if (isInfinite()) return doubleOfBits(sign | 0x7FF0000000000000u);
  if (isZero()) return doubleOfBits(sign);
  const Unpacked u = unpack();
  if (u.exponent >= -1022 && u.exponent < 1023) {  // a normal double: the top 53 bits rounded by the rest
    // Up when above half a unit, or at half and odd (a carry to 2^53 makes the next binade).
    const std::uint64_t rest = (u.significand & 0x3FF) != 0 ? 1 : 0;
    const std::uint64_t m = (u.significand >> 11) + (u.significand >> 10 & (rest | u.significand >> 11) & 1);
    return doubleOfBits(sign + (static_cast<std::uint64_t>(u.exponent + 1022) << 52) + m);
  }
  const Rounded r = roundWide({u.significand, 0}, false, u.exponent, 53, -1022);
  if (r.exponent > 1023) return doubleOfBits(sign | 0x7FF0000000000000u);
  if (r.significand >> 52 == 0) return doubleOfBits(sign | r.significand);  // subnormal or zero
  const auto biased = static_cast<std::uint64_t>(r.exponent + 1023);
  return doubleOfBits(sign | biased << 52 | (r.significand & ((std::uint64_t{1} << 52) - 1)));
}

constexpr std::int64_t Extended80::roundToInteger() const {
  constexpr auto indefinite = static_cast<std::int64_t>(leadingBit);
  if (isNan() || isInfinite()) return indefinite;
  if (isZero()) return 0;
  const Unpacked u = unpack();
  if (u.exponent >= 63) return indefinite;  // -2^63 itself is the indefinite's value too
  if (u.exponent < -1) return 0;
  const int shift = 63 - u.exponent;  // 1 to 64
  std::uint64_t whole = shift == 64 ? 0 : u.significand >> shift;
  const std::uint64_t fraction = u.significand << (64 - shift);
  if (fraction > leadingBit || (fraction == leadingBit && (whole & 1) != 0)) ++whole;
  if (u.negative) return static_cast<std::int64_t>(0 - whole);
  return whole >> 63 != 0 ? indefinite : static_cast<std::int64_t>(whole);
}

}  // namespace hwl::detail
