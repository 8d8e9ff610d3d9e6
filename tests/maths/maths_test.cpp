// The maths library: MPFR's correctly rounded values for edge cases and for inputs whose exact results
// lie nearest a half-way point between two doubles, and a pinned hash of MPFR's values for a few
// thousand inputs per function. None of the expected values comes from the C library, so the test also
// shows that these functions give the same bits wherever it runs (Linux, Windows under Wine, ARM64).
#include "maths/maths.h"

#include "tests/maths/reference_inputs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double call(const std::string& function, double x, double y) {
  if (function == "sin") return maths::sin(x);
  if (function == "cos") return maths::cos(x);
  if (function == "atan") return maths::atan(x);
  if (function == "exp") return maths::exp(x);
  if (function == "log") return maths::log(x);
  if (function == "log10") return maths::log10(x);
  if (function == "hypot") return maths::hypot(x, y);
  if (function == "pow") return maths::pow(x, y);
  ADD_FAILURE() << "no function " << function;
  return 0;
}

struct Case {
  const char* function;
  double x;
  double y;
  double expected;
};

// Zeros keep their signs, NaN stays NaN; the values are MPFR's, rounded to nearest.
constexpr Case specialCases[] = {
    {"sin", 0.0, 0, 0.0},
    {"sin", -0.0, 0, -0.0},
    {"sin", inf, 0, nan},
    {"sin", nan, 0, nan},
    {"cos", -0.0, 0, 1.0},
    {"cos", -inf, 0, nan},
    {"atan", -0.0, 0, -0.0},
    {"atan", inf, 0, 0x1.921fb54442d18p+0},
    {"atan", -inf, 0, -0x1.921fb54442d18p+0},
    {"exp", 0.0, 0, 1.0},
    {"exp", -0.0, 0, 1.0},
    {"exp", inf, 0, inf},
    {"exp", -inf, 0, 0.0},
    {"exp", 710.0, 0, inf},
    {"exp", -746.0, 0, 0.0},
    {"log", 1.0, 0, 0.0},
    {"log", 0.0, 0, -inf},
    {"log", -1.0, 0, nan},
    {"log10", 1.0, 0, 0.0},
    {"log10", 10.0, 0, 1.0},
    {"log10", 1000.0, 0, 3.0},
    {"log10", 1e22, 0, 22.0},
    {"log10", inf, 0, inf},
    {"log10", -0.0, 0, -inf},
    {"hypot", 3.0, -4.0, 5.0},
    {"hypot", -0.0, 0.0, 0.0},
    {"hypot", 5.0, 0.0, 5.0},
    {"hypot", nan, inf, inf},
    {"pow", 2.0, 0.5, 0x1.6a09e667f3bcdp+0},
    {"pow", 10.0, 2.0, 100.0},
    {"pow", -2.0, 3.0, -8.0},
    {"pow", -8.0, 1.0 / 3, nan},
    {"pow", 0.0, -1.0, inf},
    {"pow", -0.0, -1.0, -inf},
    {"pow", 1.0, nan, 1.0},
    {"pow", nan, 0.0, 1.0},
    {"pow", 10.0, 309.0, inf},
};

// Exact values, both reductions of sin and cos (below and above 2^19), overflow and underflow limits.
constexpr Case rangeCases[] = {
    {"sin", 0x1.921fb54442d18p+1, 0, 0x1.1a62633145c07p-53},   // sin of pi rounded
    {"sin", 0x1.0f0cf064dd592p+73, 0, -0x1.b453ab76bf397p-1},  // 10^22
    {"sin", 0x1.fffffffffffffp+1023, 0, 0x1.452fc98b34e97p-8},
    {"sin", 0x1p+19, 0, 0x1.57481ec90fde3p-3},
    {"sin", 0x1.fffffffffffffp+18, 0, 0x1.57481ec7171cap-3},
    {"sin", -0x1.3888p+12, 0, 0x1.95f31302ee428p-1},
    {"sin", 0x1p-26, 0, 0x1p-26},
    {"cos", 0x1.921fb54442d18p+0, 0, 0x1.1a62633145c07p-54},    // cos of pi / 2 rounded
    {"cos", 0x1.7e43c8800759cp+996, 0, -0x1.2699022adc4c1p-1},  // 10^300
    {"cos", 0x1p+19, 0, 0x1.f8c1986ca67fap-1},
    {"cos", -0x1.fffffffffffffp+18, 0, 0x1.f8c1986cbbf43p-1},
    {"cos", 0x1p-26, 0, 0x1.fffffffffffffp-1},
    {"atan", 1.0, 0, 0x1.921fb54442d18p-1},
    {"atan", -0x1.7e43c8800759cp+996, 0, -0x1.921fb54442d18p+0},
    {"atan", 0x1p-26, 0, 0x1.fffffffffffffp-27},
    {"atan", 3.5, 0, 0x1.4ae10fc6589a5p+0},
    {"atan", 0x1p+60, 0, 0x1.921fb54442d18p+0},
    {"exp", 1.0, 0, 0x1.5bf0a8b145769p+1},
    {"exp", 0x1.62e3d70a3d70ap+9, 0, 0x1.fe9ce5c4c52b4p+1023},
    {"exp", -700.0, 0, 0x1.14f2b0fb9307fp-1010},
    {"exp", -1e-300, 0, 1.0},
    {"log10", 2.0, 0, 0x1.34413509f79ffp-2},
    {"log10", 0x1p-1074, 0, -0x1.434e6420f4374p+8},
    {"log10", 0x1.fffffffffffffp+1023, 0, 0x1.34413509f79ffp+8},
    {"log10", 0x1.0000000000001p+0, 0, 0x1.bcb7b1526e50dp-54},
    {"hypot", 0x1.1ccf385ebc8ap+1023, 0x1.1ccf385ebc8ap+1023, 0x1.92c80954c51f5p+1023},
    {"hypot", 0x1p-1000, 0x1p-1000, 0x1.6a09e667f3bcdp-1000},
    {"hypot", 1.0, 0x1p-27, 1.0},
    {"pow", 0.5, 2.4, 0x1.8406003b2ae5dp-3},
    {"pow", 10.0, 308.0, 0x1.1ccf385ebc8ap+1023},
    {"pow", 2.0, -1074.0, 0x1p-1074},
    {"pow", 3.0, -1.5, 0x1.8a2345cc04426p-3},
};

// The inputs, among 300,000 random ones in the callers' ranges, whose exact results lie nearest a
// half-way point (within 10^-6 ulp or so): a function 1 ulp off rounds them the wrong way.
constexpr Case nearlyHalfWayCases[] = {
    {"sin", 0x1.5cead06273ddep+0, 0, 0x1.f4fb3b598cd4bp-1},
    {"sin", 0x1.f049d15737b6p+7, 0, 0x1.550d52edea75fp-5},
    {"cos", -0x1.18268aae2a962p+12, 0, -0x1.997d6f2fed4fcp-1},
    {"cos", 0x1.0ce305917b086p+0, 0, 0x1.fd362795ceac8p-2},
    {"atan", -0x1.82cc4ba2c3d66p+6, 0, -0x1.8f7a00fca34e2p+0},
    {"atan", 0x1.06e075895dc4cp+7, 0, 0x1.902d1c8a8fd94p+0},
    {"exp", 0x1.7b1c30b36123p+1, 0, 0x1.3552b9e4267c3p+4},
    {"exp", -0x1.b7336f9da65cp+2, 0, 0x1.1246a6fc6ef67p-10},
    {"log10", 0x1.098520117b896p+22, 0, 0x1.a8dd774c3d966p+2},
    {"log10", 0x1.a7553ea94865bp+40, 0, 0x1.884efcae9c7ccp+3},
    {"hypot", -0x1.f5662133e23aap+10, -0x1.9f2dfb2b6c038p+9, 0x1.0f563246346b9p+11},
    {"hypot", -0x1.b52ba038af91ep+10, 0x1.ccba60a5115c8p+8, 0x1.c416e5d3fa83fp+10},
    {"pow", 0x1.f03074d781c73p-6, 2.4, 0x1.dadf024a2a2fep-13},
    {"pow", 0x1.a8573d47577dap-1, 2.4, 0x1.463d7f047f8dfp-1},
};

// MPFR's correctly rounded results for tests/maths/reference_inputs.h, hashed: bench/maths_accuracy
// --reference prints them.
struct PinnedHash {
  const char* function;
  std::uint64_t hash;
};
constexpr PinnedHash pinnedHashes[] = {
    {"sin", 0x895318cd1e4a7f60},   {"cos", 0xc54ad3c8fb290686}, {"atan", 0xf81ca977d048df99},
    {"exp", 0x70ed66f1cb55c8a6},   {"log", 0x4c40576057b02766}, {"log10", 0xadfcaa7da280f2d6},
    {"hypot", 0x6d3f9f9de8728ba0}, {"pow", 0xd1fc69078072266b},
};

void expectBits(const Case& c) {
  const double result = call(c.function, c.x, c.y);
  if (std::isnan(c.expected)) {
    EXPECT_TRUE(std::isnan(result)) << c.function << "(" << c.x << ", " << c.y << ") = " << result;
    return;
  }
  EXPECT_EQ(maths_test::bitsOf(result), maths_test::bitsOf(c.expected))
      << c.function << std::hexfloat << "(" << c.x << ", " << c.y << ") = " << result << ", not " << c.expected;
}

TEST(Maths, FollowsTheRulesForZerosInfinitiesAndNaN) {
  for (const Case& c : specialCases) expectBits(c);
}

TEST(Maths, IsCorrectlyRoundedAtExactValuesAndAtTheEdgesOfItsRanges) {
  for (const Case& c : rangeCases) expectBits(c);
  EXPECT_EQ(4 * maths::atan(1.0), 0x1.921fb54442d18p+1);  // pi rounded
}

TEST(Maths, RoundsResultsNearHalfWayPointsCorrectly) {
  for (const Case& c : nearlyHalfWayCases) expectBits(c);
}

TEST(Maths, GivesMpfrsBitsForThousandsOfRandomInputs) {
  for (const PinnedHash& pinned : pinnedHashes) {
    for (const maths_test::ReferenceRange& range : maths_test::referenceRanges) {
      if (std::strcmp(range.function, pinned.function) != 0) continue;
      maths_test::ResultHash hash;
      for (const auto& [x, y] : maths_test::referenceInputs(range)) hash.add(call(range.function, x, y));
      EXPECT_EQ(hash.value, pinned.hash) << pinned.function;
    }
  }
}

}  // namespace
