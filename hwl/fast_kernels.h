#pragma once
// The vectorised decoder's building blocks on eight binary64 lanes (AVX-512): the synthesis formulas
// exactly (the extended-precision pipeline's binary64 results), bit masks over lines of samples, and
// aligned zero-padded buffers.
//
// How the exact values come out of binary64 vectors. Every inverse-transform sample the extended
// pipeline stores is Y = RD(RE(...)), RE rounding to the 64-bit significand and RD to binary64. For
// each formula the exact real value X is formed as a double-double r + d (r the binary64 nearest X,
// d the rest) from an error-free sum and FMA products, and the extended roundings move Y's argument
// away from X by at most a bound proportional to the formula's operands. While r + d, moved by that
// bound away from r, still rounds to r, X is far enough from every rounding boundary that Y = r;
// otherwise (under 1 % of samples) the lane is reported doubtful and the caller recomputes it with
// the extended formulas.

// GCC 12 takes the undefined first operand inside its AVX-512 intrinsics for an uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "hwl/arithmetic.h"
#include "hwl/synthesis.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace hwl::detail {

#define HWL_TARGET __attribute__((target("avx512f,avx512dq,avx512bw,avx512vl,fma")))
#define HWL_INLINE HWL_TARGET inline __attribute__((always_inline))

constexpr int rowPadding = 16;  // zero doubles on both sides of every row buffer

// A block of 64-byte aligned doubles, zeroed unless the caller writes every one before reading.
class Doubles {
 public:
  Doubles() = default;
  explicit Doubles(std::size_t count, bool zeroed = true)
      : data_(static_cast<double*>(::operator new(roundUp(count) * sizeof(double), std::align_val_t{64}))) {
    if (zeroed) std::memset(data_.get(), 0, roundUp(count) * sizeof(double));
  }
  double* get() const { return data_.get(); }

 private:
  static std::size_t roundUp(std::size_t count) { return (count + 7) / 8 * 8 + 8; }
  struct Free {
    void operator()(double* p) const { ::operator delete(p, std::align_val_t{64}); }
  };
  std::unique_ptr<double, Free> data_;
};

// Bits over the positions 0 .. n - 1 of a line, bit x in bit x % 64 of word x / 64 (so byte v holds
// the eight lanes of the vector at 8 v), with a zero word before and after for shifted reads. Lines
// of up to 1024 bits need no allocation.
class BitLine {
 public:
  BitLine() = default;
  BitLine(const BitLine&) = delete;
  BitLine& operator=(const BitLine&) = delete;

  // n bits, all clear.
  void resize(int n) {
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
  void copy(const BitLine& other) {
    resize(64 * other.words_);
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
};

// Bits first .. last (inclusive, clipped to the word) of word i of a line.
inline std::uint64_t bitRange(int i, int first, int last) {
  const int from = std::max(first - 64 * i, 0);
  const int to = std::min(last - 64 * i, 63);
  if (from > to) return 0;
  const std::uint64_t upTo = to == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (to + 1)) - 1;
  return upTo & ~((std::uint64_t{1} << from) - 1);
}

// Lanes of the vector at x that lie before n.
inline __mmask8 lanesBefore(int n, int x) {
  const int left = n - x;
  return static_cast<__mmask8>(left >= 8 ? 0xFF : (1u << left) - 1);
}

// out byte v := comparison of a[8v + i] with b[8v + i] (or with 0 when b is null) for 8v + i < n.
template <int predicate>
HWL_TARGET void compareLine(const double* a, const double* b, int n, std::uint8_t* out) {
  const __m512d zero = _mm512_setzero_pd();
  for (int x = 0; x < n; x += 8) {
    const __m512d other = b ? _mm512_loadu_pd(b + x) : zero;
    out[x / 8] = _mm512_mask_cmp_pd_mask(lanesBefore(n, x), _mm512_loadu_pd(a + x), other, predicate);
  }
}
inline void markZero(const double* a, int n, std::uint8_t* out) { compareLine<_CMP_EQ_OQ>(a, nullptr, n, out); }
inline void markDiffering(const double* a, const double* b, int n, std::uint8_t* out) {
  compareLine<_CMP_NEQ_UQ>(a, b, n, out);
}
// Bit x: a[x] == a[x + 1].
inline void markEqualToNext(const double* a, int n, std::uint8_t* out) { compareLine<_CMP_EQ_OQ>(a, a + 1, n, out); }

// Converts count coefficients (16- or 8-bit) to doubles times factor; with `nonzero`, also marks
// the nonzero values (bit per value as above). A factor of 0 makes every value 0.
template <bool mark, class C>
HWL_TARGET inline void dequantiseEight(const C* in, __m512d f, __mmask8 valid, bool zeroFactor, double* out,
                                       std::uint8_t* nonzero, int v) {
  __m256i i32;
  __mmask8 set;
  if constexpr (sizeof(C) == 2) {
    const __m128i i16 = _mm_maskz_loadu_epi16(valid, in);
    i32 = _mm256_cvtepi16_epi32(i16);
    set = _mm_test_epi16_mask(i16, i16);
  } else {
    const __m128i i8 = _mm_maskz_loadu_epi8(valid, in);
    i32 = _mm256_cvtepi8_epi32(i8);
    set = static_cast<__mmask8>(_mm_test_epi8_mask(i8, i8));
  }
  _mm512_mask_storeu_pd(out, valid, _mm512_mul_pd(_mm512_cvtepi32_pd(i32), f));
  if constexpr (mark) nonzero[v] = zeroFactor ? 0 : set;
}

template <bool mark, class C>
HWL_TARGET inline void dequantiseLine(const C* in, double factor, int count, double* out, std::uint8_t* nonzero) {
  const __m512d f = _mm512_set1_pd(factor);
  const bool zeroFactor = factor == 0;
  int x = 0;
  for (; x + 8 <= count; x += 8) dequantiseEight<mark>(in + x, f, 0xFF, zeroFactor, out + x, nonzero, x / 8);
  if (x < count) dequantiseEight<mark>(in + x, f, lanesBefore(count, x), zeroFactor, out + x, nonzero, x / 8);
}

template <class C>
HWL_TARGET inline void dequantiseRow(const C* in, double factor, int count, double* out,
                                     std::uint8_t* nonzero = nullptr) {
  if (nonzero) {
    dequantiseLine<true>(in, factor, count, out, nonzero);
  } else {
    dequantiseLine<false>(in, factor, count, out, nonzero);
  }
}

// Eight coefficients from in, times f (lanes outside `valid` are 0).
template <class C>
HWL_INLINE __m512d loadDequantised(const C* in, __m512d f, __mmask8 valid) {
  __m256i i32;
  if constexpr (sizeof(C) == 2) {
    i32 = _mm256_cvtepi16_epi32(_mm_maskz_loadu_epi16(valid, in));
  } else {
    i32 = _mm256_cvtepi8_epi32(_mm_maskz_loadu_epi8(valid, in));
  }
  return _mm512_mul_pd(_mm512_cvtepi32_pd(i32), f);
}

// Marks the coefficients of a row that dequantise to zero (every one for a factor of 0).
template <class C>
HWL_TARGET inline void markZeroCoefficients(const C* in, double factor, int n, std::uint8_t* out) {
  constexpr int lanes = 64 / sizeof(C);
  for (int x = 0; x < n; x += lanes) {
    const int left = std::min(n - x, lanes);
    std::uint64_t zero;
    if constexpr (sizeof(C) == 2) {
      const __mmask32 valid = left == 32 ? ~__mmask32{0} : (__mmask32{1} << left) - 1;
      const __m512i v = _mm512_maskz_loadu_epi16(valid, in + x);
      zero = factor != 0 ? _mm512_mask_testn_epi16_mask(valid, v, v) : valid;
    } else {
      const __mmask64 valid = left == 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
      const __m512i v = _mm512_maskz_loadu_epi8(valid, in + x);
      zero = factor != 0 ? _mm512_mask_testn_epi8_mask(valid, v, v) : valid;
    }
    std::memcpy(out + x / 8, &zero, (left + 7) / 8);
  }
}

// Masks of coefficient rows that are dequantised with a nonzero factor (equal coefficients give equal
// values and different ones different values): bit x: a[x] != b[x], or a[x] == a[x + 1].
template <bool equal, class C>
HWL_TARGET inline void compareCoefficients(const C* a, const C* b, int n, std::uint8_t* out) {
  constexpr int lanes = 64 / sizeof(C);
  for (int x = 0; x < n; x += lanes) {
    const int left = std::min(n - x, lanes);
    std::uint64_t m;
    if constexpr (sizeof(C) == 2) {
      const __mmask32 valid = left == 32 ? ~__mmask32{0} : (__mmask32{1} << left) - 1;
      const __m512i va = _mm512_maskz_loadu_epi16(valid, a + x), vb = _mm512_maskz_loadu_epi16(valid, b + x);
      m = equal ? _mm512_mask_cmpeq_epi16_mask(valid, va, vb) : _mm512_mask_cmpneq_epi16_mask(valid, va, vb);
    } else {
      const __mmask64 valid = left == 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
      const __m512i va = _mm512_maskz_loadu_epi8(valid, a + x), vb = _mm512_maskz_loadu_epi8(valid, b + x);
      m = equal ? _mm512_mask_cmpeq_epi8_mask(valid, va, vb) : _mm512_mask_cmpneq_epi8_mask(valid, va, vb);
    }
    std::memcpy(out + x / 8, &m, (left + 7) / 8);
  }
}
template <class C>
HWL_TARGET inline void markDifferingCoefficients(const C* a, const C* b, int n, std::uint8_t* out) {
  compareCoefficients<false>(a, b, n, out);
}
template <class C>
HWL_TARGET inline void markCoefficientsEqualToNext(const C* a, int n, std::uint8_t* out) {
  compareCoefficients<true>(a, a + 1, n, out);
}

// ---------------------------------------------------------------------------------------------------
// The formulas.

struct Constants {
  __m512d c, zero, four, signBit, cwHigh, cwLow, plainReach, smoothedReach;
};

HWL_TARGET inline Constants makeConstants() {
  // c * 0.2L as a double-double: 0.2L = w1 + w2 exactly, c * w1 = q1 + q2 exactly.
  const Extended w = farWeight;
  const double w1 = static_cast<double>(w);
  const double w2 = static_cast<double>(w - w1);
  const double q1 = haarFactor * w1;
  const double q2 = std::fma(haarFactor, w1, -q1) + haarFactor * w2;
  const double high = q1 + q2;
  const double low = q2 - (high - q1);
  Constants k;
  k.c = _mm512_set1_pd(haarFactor);
  k.zero = _mm512_setzero_pd();
  k.four = _mm512_set1_pd(4.0);
  k.signBit = _mm512_set1_pd(-0.0);
  k.cwHigh = _mm512_set1_pd(high);
  k.cwLow = _mm512_set1_pd(low);
  k.plainReach = _mm512_set1_pd(haarFactor * 0x1.12p-63);   // 1.07 * 2^-63 c
  k.smoothedReach = _mm512_set1_pd(high * 0x1.9ap-63);       // 1.07 * 3 * 2^-64 c 0.2
  return k;
}

// One sample per lane, exactly: K (u + v), K = kHigh + kLow. A plain sample is (lo + hi) c or
// (lo - hi) c: u = lo, v = +-hi, K = c; a smoothed one (0.8 lo + 0.2 other) c = c 0.2 (4 lo + other):
// u = 4 lo, v = other, K = c 0.2. The extended roundings move the result by at most `reach` times
// |u| + |v| (w): a plain sample rounds twice, each time by 2^-64 of its value, at most c w, so by
// 2^-63 c w; a smoothed one rounds the two products (by 2^-64 of c 0.2 w together) and then the sum
// and the product with c (2^-64 of its value each), 3 * 2^-64 c 0.2 w in all. The reach constants
// are 7 % above these; the double-double's own error (under 2^-100 of the value) fits in that. doubt:
// the lanes whose exact value lies within that reach of a rounding boundary.
HWL_INLINE __m512d sampleExact(const Constants& k, __m512d u, __m512d v, __m512d kHigh, __m512d kLow,
                               __m512d reach, __mmask8& doubt) {
  const __m512d s = _mm512_add_pd(u, v);
  const __m512d bb = _mm512_sub_pd(s, u);
  const __m512d e = _mm512_add_pd(_mm512_sub_pd(u, _mm512_sub_pd(s, bb)), _mm512_sub_pd(v, bb));
  const __m512d p = _mm512_mul_pd(s, kHigh);
  __m512d t = _mm512_fmsub_pd(s, kHigh, p);
  t = _mm512_fmadd_pd(s, kLow, t);
  t = _mm512_fmadd_pd(e, kHigh, t);
  const __m512d r = _mm512_add_pd(p, t);
  const __m512d d = _mm512_add_pd(_mm512_sub_pd(p, r), t);
  const __m512d weight = _mm512_add_pd(_mm512_abs_pd(u), _mm512_abs_pd(v));
  const __m512d far = _mm512_fmadd_pd(weight, reach, _mm512_abs_pd(d));
  const __m512d signedFar = _mm512_castsi512_pd(_mm512_ternarylogic_epi64(
      _mm512_castpd_si512(far), _mm512_castpd_si512(d), _mm512_castpd_si512(k.signBit), 0xF8));  // far | (d & sign)
  doubt = _mm512_cmp_pd_mask(_mm512_add_pd(r, signedFar), r, _CMP_NEQ_UQ);
  return r;
}

// The pairs of eight lanes, exactly: their first and second samples and the lanes to recompute with
// the extended formulas. l, h are the pairs' low and high values, loM1 and loP1 point at the
// neighbouring pairs' low values; s1 and s2 are the lanes whose first (second) sample is smoothed.
struct PairSamples {
  __m512d first, second;
  __mmask8 doubt1 = 0, doubt2 = 0;
};

HWL_INLINE PairSamples synthesisePairs(const Constants& k, __m512d l, __m512d h, const double* loM1,
                                       const double* loP1, __mmask8 s1, __mmask8 s2) {
  PairSamples out;
  out.first = sampleExact(k, _mm512_mask_mul_pd(l, s1, l, k.four), _mm512_mask_loadu_pd(h, s1, loM1),
                          _mm512_mask_blend_pd(s1, k.c, k.cwHigh), _mm512_maskz_mov_pd(s1, k.cwLow),
                          _mm512_mask_blend_pd(s1, k.plainReach, k.smoothedReach), out.doubt1);
  const __m512d negativeHigh = _mm512_xor_pd(h, k.signBit);
  out.second = sampleExact(k, _mm512_mask_mul_pd(l, s2, l, k.four), _mm512_mask_loadu_pd(negativeHigh, s2, loP1),
                           _mm512_mask_blend_pd(s2, k.c, k.cwHigh), _mm512_maskz_mov_pd(s2, k.cwLow),
                           _mm512_mask_blend_pd(s2, k.plainReach, k.smoothedReach), out.doubt2);
  return out;
}

// The extended-precision value of one lane.
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
