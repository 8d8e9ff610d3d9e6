#pragma once
// What the vector paths share that holds no vector: aligned zero-padded buffers of doubles, bit masks
// over lines of samples (eight lanes a byte, the unit every path steps by), and the one-sample
// extended-precision formulas a path falls back on for a lane it cannot decide.

#include "hwl/arithmetic.h"
#include "hwl/synthesis.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace hwl::detail {

constexpr int rowPadding = 16;  // zero doubles on both sides of every row buffer

// A block of 64-byte aligned doubles, zeroed unless the caller writes every one before reading.
class Doubles {
 public:
  Doubles() = default;
  explicit Doubles(std::size_t count, bool zeroed = true)
      : data_(static_cast<double*>(::operator new (roundUp(count) * sizeof(double), std::align_val_t{64}))) {
    if (zeroed) std::memset(data_.get(), 0, roundUp(count) * sizeof(double));
  }
  double* get() const { return data_.get(); }

 private:
  static std::size_t roundUp(std::size_t count) { return (count + 7) / 8 * 8 + 8; }
  struct Free {
    void operator()(double* p) const { ::operator delete (p, std::align_val_t{64}); }
  };
  std::unique_ptr<double, Free> data_;
};

// Bits over the positions 0 .. n - 1 of a line, bit x in bit x % 64 of word x / 64 (so byte v holds
// the eight lanes at 8 v), with a zero word before and after for shifted reads. Lines of up to 1024
// bits need no allocation.
class BitLine {
 public:
  BitLine() = default;
  BitLine(const BitLine&) = delete;
  BitLine& operator=(const BitLine&) = delete;

  // n bits, all clear.
  void resize(int n) {
    size_ = n;
    words_ = (n + 63) / 64;
    const std::size_t size = static_cast<std::size_t>(words_) + 3;
    if (size <= local_.size()) {
      data_ = local_.data();
    } else {
      heap_.resize(size);
      data_ = heap_.data();
    }
    std::fill_n(data_, size, 0);
  }
  // All n bits clear again.
  void clear() { std::fill_n(word(), words_, 0); }
  int size() const { return size_; }
  void copy(const BitLine& other) {
    resize(other.size_);
    std::copy_n(other.data_, static_cast<std::size_t>(words_) + 3, data_);
  }
  int words() const { return words_; }
  std::uint64_t* word() { return data_ + 1; }
  const std::uint64_t* word() const { return data_ + 1; }
  std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(word()); }
  const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(word()); }
  // Bits of positions 64 i + d .. 64 i + d + 63 (d from -63 to 63; outside the line they are 0).
  std::uint64_t shifted(int i, int d) const {
    const std::uint64_t* w = word();
    if (d == 0) return w[i];
    if (d > 0) return w[i] >> d | w[i + 1] << (64 - d);
    return w[i] << -d | w[i - 1] >> (64 + d);
  }

 private:
  std::array<std::uint64_t, 16 + 3> local_{};
  std::vector<std::uint64_t> heap_;
  std::uint64_t* data_ = local_.data();
  int words_ = 0;
  int size_ = 0;
};

// Bits first .. last (inclusive, clipped to the word) of word i of a line.
inline std::uint64_t bitRange(int i, int first, int last) {
  const int from = std::max(first - 64 * i, 0);
  const int to = std::min(last - 64 * i, 63);
  if (from > to) return 0;
  const std::uint64_t upTo = to == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (to + 1)) - 1;
  return upTo & ~((std::uint64_t{1} << from) - 1);
}

// Lanes of the eight at x that lie before n, as bits.
inline unsigned lanesBefore(int n, int x) {
  const int left = n - x;
  return left >= 8 ? 0xFFu : (1u << left) - 1;
}

// Dekker's product below, and the vector paths' rounding arguments, take every scalar double operation
// rounded to binary64; the x87's registers would round to 64 bits first.
#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "the HWL vector paths need scalar doubles in SSE2 on 32-bit x86: -msse2 -mfpmath=sse (or HWL_NO_SIMD)"
#endif

// The exact a b - p for p = a b rounded to binary64 (Dekker's error-free product over Veltkamp's split
// into halves of 26 bits; every step exact while |a|, |b| < 2^995 and |a b| > 2^-968 or a b = 0). Needs
// binary64 arithmetic rounded at every operation (no contraction, no x87 registers); a zero error is +0.
inline double exactProductError(double a, double b, double p) {
  constexpr double splitter = 0x1.0000002p27;  // 2^27 + 1
  auto split = [](double x, double& high, double& low) {
    const double t = x * splitter;
    high = t - (t - x);
    low = x - high;
  };
  double aHigh, aLow, bHigh, bLow;
  split(a, aHigh, aLow);
  split(b, bHigh, bLow);
  return ((aHigh * bHigh - p) + aLow * bHigh + aHigh * bLow) + aLow * bLow;
}

// The extended-precision value of one sample.
inline double exactFirst(bool smoothed, double lo, double hi, double loM1) {
  return smoothed ? synthesiseSmoothed(lo, loM1) : synthesiseFirst(lo, hi);
}
inline double exactSecond(bool smoothed, double lo, double hi, double loP1) {
  return smoothed ? synthesiseSmoothed(lo, loP1) : synthesiseSecond(lo, hi);
}

// Sample r (0: first, 1: second) of pair j of a line of n pairs, in extended precision, from the
// pair's neighbourhood: lo[i] = low value of pair j - 2 + i, hi[i] = high value of pair j - 1 + i
// (values outside the line may be anything).
inline double synthesiseFromWindow(const double lo[5], const double hi[3], int n, int j, int r) {
  const double l = lo[2];
  const double h = hi[1];
  if (j == 0 || j == n - 1 || h != 0) return r == 0 ? synthesiseFirst(l, h) : synthesiseSecond(l, h);
  if (r == 0) {
    const bool smoothed = hi[0] == 0 && l != lo[3] && (j == n - 2 || lo[4] != lo[3]);
    return smoothed ? synthesiseSmoothed(l, lo[1]) : synthesiseFlat(l);
  }
  const bool smoothed = hi[2] == 0 && l != lo[1] && (j == 1 || lo[0] != lo[1]);
  return smoothed ? synthesiseSmoothed(l, lo[3]) : synthesiseFlat(l);
}

}  // namespace hwl::detail
