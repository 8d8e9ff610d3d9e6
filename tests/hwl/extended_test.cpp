// Our own 80-bit type against the x87's long double, bit for bit: the four operations and the
// conversions on operands chosen to reach rounding's hard cases, and the codec's formulas on values
// like the codec's. Built where long double is the x87's.
#include "hwl/arithmetic.h"
#include "hwl/extended.h"
#include "hwl/stages.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <array>
#include <bit>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>
#include <limits>
#include <random>
#include <sstream>
#include <string>

static_assert(LDBL_MANT_DIG == 64, "these tests compare with the x87's long double");

namespace {

using hwl::detail::Extended80;

#if defined(__SANITIZE_ADDRESS__)
#define VELMORROW_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORROW_SANITIZED 1
#endif
#endif

#if defined(__OPTIMIZE__) && !defined(VELMORROW_SANITIZED) && defined(__SIZEOF_INT128__)
constexpr int operandCount = 10'000'000;
#else
constexpr int operandCount = 1'000'000;  // unoptimised, sanitizer and 32-bit builds (run under Wine)
#endif

// SplitMix64: 64 random bits a call, several times quicker than std::mt19937_64.
struct Random {
  using result_type = std::uint64_t;
  static constexpr std::uint64_t min() { return 0; }
  static constexpr std::uint64_t max() { return ~std::uint64_t{0}; }
  std::uint64_t operator()() {
    std::uint64_t z = state += 0x9E3779B97F4A7C15u;
    z = (z ^ z >> 30) * 0xBF58476D1CE4E5B9u;
    z = (z ^ z >> 27) * 0x94D049BB133111EBu;
    return z ^ z >> 31;
  }
  std::uint64_t state;
};

long double x87(Extended80 v) {
  long double out = 0;
  const std::uint64_t significand = v.significand();
  const std::uint16_t signExponent = v.signExponent();
  std::memcpy(&out, &significand, 8);
  std::memcpy(reinterpret_cast<char*>(&out) + 8, &signExponent, 2);
  return out;
}

Extended80 ours(long double v) {
  std::uint64_t significand;
  std::uint16_t signExponent;
  std::memcpy(&significand, &v, 8);
  std::memcpy(&signExponent, reinterpret_cast<const char*>(&v) + 8, 2);
  return Extended80::fromBits(signExponent, significand);
}

bool sameBits(Extended80 a, Extended80 b) {
  return a.signExponent() == b.signExponent() && a.significand() == b.significand();
}

std::string hex(Extended80 v) {
  std::ostringstream out;
  out << std::hex << v.signExponent() << ':' << v.significand();
  return out.str();
}

// Operands: doubles of every kind, full 64-bit significands, few-bit significands (whose sums and
// products fall on ties), zeros of both signs, values about the ends of the double range; and second
// operands near the first: cancelling, or 60 to 68 binades below it (where bits start to fall past
// the 128 a sum holds), or its own negation.
class Operands {
 public:
  explicit Operands(std::uint64_t seed) : random_{seed} {
    for (Extended80& v : pool_) v = any();
  }

  // A first operand and a second: every other time one near the first. First operands come from a
  // pool of any() (drawing each afresh would take most of the test's time).
  std::pair<Extended80, Extended80> pair(int i) {
    const Extended80 a = pooled();
    return {a, i % 2 ? pooled() : near(a)};
  }

  Extended80 any() {
    const std::uint64_t bits = random_();
    switch (pick(8)) {
      case 0:
        return Extended80(std::bit_cast<double>(bits));
      case 1:
        return make(exponentIn(-15, 16), bits >> 11, bits & 1);  // a double of a picture's size
      case 2:
        return make(exponentIn(-1100, 1100), bits, bits & 1);
      case 3:
        return make(exponentIn(-40, 40), bits >> (24 + pick(40)), bits & 1);  // up to 40 bits
      case 4:
        return make(exponentIn(-1090, -1015), maybeTie(bits), bits & 1);  // subnormal doubles
      case 5:
        return make(exponentIn(1015, 1030), maybeTie(bits), bits & 1);  // the largest doubles
      case 6:
        return Extended80(pick(2) ? 0.0 : -0.0);
      default:
        return make(exponentIn(-16445, 16383), bits | 1ull << 63);
    }
  }

  Extended80 near(Extended80 a) {
    const std::uint64_t bits = random_();
    const int exponent = a.biasedExponent() - 16383;
    switch (pick(6)) {
      case 0:
        return make(exponent, a.significand() ^ (bits >> (1 + pick(63))), !a.negative());
      case 1:
        return make(exponent - 60 - pick(9), bits, pick(2));
      case 2:  // half a unit of a and its neighbours, exactly or with a bit more to come off a difference
        return make(exponent - 63 - pick(4), 1ull << 63 | pick(2), pick(2));
      case 3:
        return -a;
      case 4:
        return a;
      default:
        return pooled();
    }
  }

 private:
  Extended80 pooled() { return pool_[random_() % pool_.size()]; }
  int pick(int n) { return static_cast<int>((random_() >> 32) * static_cast<unsigned>(n) >> 32); }
  int exponentIn(int low, int high) { return low + pick(high - low + 1); }
  // The significand with its last k bits 100...0 (half a unit at k bits fewer), every other time.
  std::uint64_t maybeTie(std::uint64_t bits) {
    const int k = pick(128);
    return k >= 64 ? bits : ((bits >> k << k) | 1ull << k >> 1) | 1ull << 63;
  }
  // significand * 2^(exponent - 63), the significand shifted up to its leading bit.
  Extended80 make(int exponent, std::uint64_t significand, bool negative = false) {
    if (significand == 0) return Extended80(negative ? -0.0 : 0.0);
    significand <<= std::countl_zero(significand);
    const int biased = exponent + 16383;
    if (biased <= 0) return Extended80::fromBits(negative ? 0x8000 : 0, significand >> std::min(63, 1 - biased));
    if (biased >= 0x7FFF) return Extended80(negative ? -1.0 : 1.0);
    return Extended80::fromBits(static_cast<std::uint16_t>(biased | (negative ? 0x8000 : 0)), significand);
  }

  Random random_;
  std::array<Extended80, 1 << 16> pool_;
};

template <class Ours, class Theirs>
void expectOperationMatches(const char* name, std::uint64_t seed, Ours ours, Theirs theirs) {
  Operands operands(seed);
  for (int i = 0; i < operandCount; ++i) {
    const auto [a, b] = operands.pair(i);
    const Extended80 expected = ::ours(theirs(x87(a), x87(b)));
    const Extended80 got = ours(a, b);
    if (!sameBits(got, expected)) {
      FAIL() << name << ' ' << hex(a) << ", " << hex(b) << ": " << hex(got) << " for the x87's " << hex(expected);
    }
  }
}

TEST(HwlExtended80, AddsSubtractsMultipliesAndDividesAsTheX87) {
  expectOperationMatches("add", 1, std::plus<Extended80>{}, std::plus<long double>{});
  expectOperationMatches("subtract", 2, std::minus<Extended80>{}, std::minus<long double>{});
  expectOperationMatches("multiply", 3, std::multiplies<Extended80>{}, std::multiplies<long double>{});
  expectOperationMatches("divide", 4, std::divides<Extended80>{}, std::divides<long double>{});
}

TEST(HwlExtended80, ConvertsRoundsAndComparesAsTheX87) {
  Operands operands(7);
  Random random{8};
  for (int i = 0; i < operandCount; ++i) {
    const auto [a, b] = operands.pair(i);
    const auto toDouble = std::bit_cast<std::uint64_t>(static_cast<double>(a));
    ASSERT_EQ(toDouble, std::bit_cast<std::uint64_t>(static_cast<double>(x87(a)))) << hex(a);
    const double d = std::bit_cast<double>(random());
    ASSERT_TRUE(sameBits(Extended80(d), ours(d))) << d;
    const auto n = static_cast<std::int32_t>(random());
    ASSERT_TRUE(sameBits(Extended80(n), ours(n))) << n;
    // Halves, quarters, ... of whole numbers; values about the int64 range's ends; anything else.
    const Extended80 r = i % 4 == 0   ? Extended80(std::ldexp(static_cast<double>(random() >> 11), -(i % 64)))
                         : i % 4 == 1 ? Extended80::fromBits(0x403C + i % 3 + (i & 4) * 0x2000, random() | 1ull << 63)
                                      : a;
    ASSERT_EQ(r.roundToInteger(), std::llrint(x87(r))) << hex(r);
    ASSERT_EQ(a < b, x87(a) < x87(b)) << hex(a) << ", " << hex(b);
    ASSERT_EQ(a == b, x87(a) == x87(b)) << hex(a) << ", " << hex(b);
    ASSERT_EQ(a >= b, x87(a) >= x87(b)) << hex(a) << ", " << hex(b);
  }
  EXPECT_EQ(Extended80(std::numeric_limits<std::int32_t>::min()).roundToInteger(), -2147483648);
}

#ifdef __SIZEOF_INT128__
TEST(HwlExtended80, PortableWideArithmeticMatchesTheCompilers) {
  Random random{9};
  for (int i = 0; i < operandCount / 10; ++i) {
    const std::uint64_t a = random() >> (i % 64), b = random() | 1;
    const hwl::detail::Wide product = hwl::detail::multiplyWidePortable(a, b);
    ASSERT_EQ(static_cast<unsigned __int128>(product.high) << 64 | product.low, static_cast<unsigned __int128>(a) * b);
    const hwl::detail::Wide n{a % b, random()};
    std::uint64_t remainder = 0;
    const std::uint64_t quotient = hwl::detail::divideWidePortable(n, b, remainder);
    const unsigned __int128 wide = static_cast<unsigned __int128>(n.high) << 64 | n.low;
    ASSERT_EQ(quotient, static_cast<std::uint64_t>(wide / b));
    ASSERT_EQ(remainder, static_cast<std::uint64_t>(wide % b));
  }
}
#endif

TEST(HwlExtended80, ConstantsAreTheX87sDecimals) {
  using Ours = hwl::detail::ExtendedConstants<Extended80>;
  using Theirs = hwl::detail::ExtendedConstants<long double>;
  const std::vector<std::tuple<Extended80, long double, long double>> constants{
      {Ours::nearWeight, Theirs::nearWeight, 0.8L},    {Ours::farWeight, Theirs::farWeight, 0.2L},
      {Ours::redFromV, Theirs::redFromV, 1.140251L},   {Ours::blueFromU, Theirs::blueFromU, 2.028398L},
      {Ours::greenGain, Theirs::greenGain, 1.694915L}, {Ours::lumaRed, Theirs::lumaRed, 0.3L},
      {Ours::lumaGreen, Theirs::lumaGreen, 0.59L},     {Ours::lumaBlue, Theirs::lumaBlue, 0.11L},
      {Ours::uWeight, Theirs::uWeight, 0.493L},        {Ours::vWeight, Theirs::vWeight, 0.877L}};
  for (const auto& [ours, theirs, decimal] : constants) {
    EXPECT_TRUE(sameBits(ours, ::ours(decimal))) << hex(ours);
    EXPECT_TRUE(sameBits(::ours(theirs), ::ours(decimal))) << hex(::ours(theirs));
  }
}

// Every formula with both types, on values like the codec's: dequantised coefficients (multiples of
// 1 / entry), samples of pictures and their transforms, table entries, colour planes.
TEST(HwlExtended80, CodecFormulasGiveTheX87sBits) {
  namespace d = hwl::detail;
  Random random{10};
  std::uniform_real_distribution<double> sample(-300, 600), entry(0.01, 400);
  std::uniform_int_distribution<int> coefficient(-255, 255), bits(1, 8);
  const auto same = [](double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
  };
  for (int i = 0; i < operandCount / 10; ++i) {
    const double factor = d::dequantisationFactor<long double>(entry(random));
    const double lo = i % 2 ? sample(random) : d::dequantise<long double>(coefficient(random), factor);
    const double hi = i % 3 ? sample(random) : d::dequantise<long double>(coefficient(random), factor);
    const double e = entry(random), u = sample(random) / 3;
    ASSERT_TRUE(same(d::synthesiseFirst<Extended80>(lo, hi), d::synthesiseFirst<long double>(lo, hi))) << lo << hi;
    ASSERT_TRUE(same(d::synthesiseSecond<Extended80>(lo, hi), d::synthesiseSecond<long double>(lo, hi))) << lo << hi;
    ASSERT_TRUE(same(d::synthesiseSmoothed<Extended80>(lo, hi), d::synthesiseSmoothed<long double>(lo, hi)));
    ASSERT_TRUE(same(d::synthesiseFlat<Extended80>(lo), d::synthesiseFlat<long double>(lo)));
    ASSERT_TRUE(same(d::analyseLow<Extended80>(lo, hi), d::analyseLow<long double>(lo, hi)));
    ASSERT_TRUE(same(d::analyseHigh<Extended80>(lo, hi), d::analyseHigh<long double>(lo, hi)));
    const int k = bits(random);
    ASSERT_TRUE(same(d::dequantisationFactor<Extended80>(e), d::dequantisationFactor<long double>(e)));
    ASSERT_TRUE(same(d::quantisationScale<Extended80>(k, e), d::quantisationScale<long double>(k, e)));
    ASSERT_EQ(d::quantise<Extended80>(lo, e / 100), d::quantise<long double>(lo, e / 100));
    const d::Rgb rgb = d::colourFromYuv<Extended80>(lo, u, hi), x87Rgb = d::colourFromYuv<long double>(lo, u, hi);
    ASSERT_TRUE(same(rgb.red, x87Rgb.red) && same(rgb.green, x87Rgb.green) && same(rgb.blue, x87Rgb.blue));
    const d::Yuv yuv = d::yuvFromColour<Extended80>(lo, u, hi), x87Yuv = d::yuvFromColour<long double>(lo, u, hi);
    ASSERT_TRUE(same(yuv.y, x87Yuv.y) && same(yuv.u, x87Yuv.u) && same(yuv.v, x87Yuv.v));
  }
}

unsigned short x87ControlWord() {
  unsigned short word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}
void setX87ControlWord(unsigned short word) { __asm__ volatile("fldcw %0" : : "m"(word)); }

// A library may have left the x87 at 53-bit precision: the codec still computes at 64 bits (or in
// our own type, which the setting does not reach), and leaves the setting as it found it.
TEST(HwlExtendedPrecision, InverseIsTheSameAfterALibraryLoweredTheX87sPrecision) {
  Random random{11};
  std::vector<double> plane(64 * 48);
  for (double& v : plane) v = static_cast<double>(random() % 511) / 37.0 - 6.0;
  std::vector<double> source = plane, expected(plane.size()), got(plane.size());
  hwl::hwlInverse(source, expected, 64, 48, 64, 48, 3);
  const unsigned short word = x87ControlWord();
  setX87ControlWord(static_cast<unsigned short>((word & ~0x0300) | 0x0200));  // 53 bits
  source = plane;
  hwl::hwlInverse(source, got, 64, 48, 64, 48, 3);
  const unsigned short after = x87ControlWord();
  setX87ControlWord(word);
  EXPECT_EQ(after & 0x0300, 0x0200);
  EXPECT_EQ(got, expected);
}

}  // namespace
