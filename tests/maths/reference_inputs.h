// Internal to the maths tests: random inputs for each function, over the ranges its callers use, made
// with integer arithmetic and one multiply-add so that they are the same on every machine. The unit test
// hashes the maths library's results for them; bench/maths_accuracy --reference prints the same hash of
// MPFR's correctly rounded results, which the test pins.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace maths_test {

struct ReferenceRange {
  const char* function;
  double from;  // the first argument, uniform in [from, to)
  double to;
  double secondFrom;  // the second argument of hypot and pow
  double secondTo;
};

inline constexpr ReferenceRange referenceRanges[] = {
    {"sin", -5000.0, 5000.0, 0.0, 0.0},
    {"cos", -5000.0, 5000.0, 0.0, 0.0},
    {"atan", -300.0, 300.0, 0.0, 0.0},
    {"exp", -50.0, 8.0, 0.0, 0.0},
    {"log", 1e-3, 1e6, 0.0, 0.0},
    {"log10", 1.0, 1e12, 0.0, 0.0},
    {"hypot", -2048.0, 2048.0, -2048.0, 2048.0},
    {"pow", 0.03, 1.0, 2.4, 2.4},
};

inline constexpr int referenceCount = 4000;

inline std::vector<std::pair<double, double>> referenceInputs(const ReferenceRange& range) {
  std::uint64_t state = 0x5eed;
  const auto unit = [&state] {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1p-53;
  };
  std::vector<std::pair<double, double>> inputs;
  for (int i = 0; i < referenceCount; ++i) {
    const double x = range.from + (range.to - range.from) * unit();
    const double y = range.secondFrom + (range.secondTo - range.secondFrom) * unit();
    inputs.emplace_back(x, y);
  }
  return inputs;
}

inline std::uint64_t bitsOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// FNV-1a over the results' bits.
struct ResultHash {
  std::uint64_t value = 0xcbf29ce484222325;
  void add(double result) {
    const std::uint64_t bits = bitsOf(result);
    for (int i = 0; i < 8; ++i) value = (value ^ ((bits >> (8 * i)) & 0xff)) * 0x100000001b3;
  }
};

}  // namespace maths_test
