#include "hwl/fast_decoder.h"

#include "hwl/synthesis.h"

// GCC 12 takes the undefined first operand inside its AVX-512 conversion intrinsics for an
// uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

// How the exact values come out of binary64 vectors.
//
// Every inverse-transform sample the extended pipeline stores is Y = RD(RE(...)), RE rounding to the
// 64-bit significand and RD to binary64. For each formula the exact real value X is formed as a
// double-double r + d (r the binary64 nearest X, d the rest) from error-free sums and FMA products,
// and the extended roundings move Y's argument away from X by at most a known share of r's half-ulp
// (2^-9 of it for a plain pair, 2^-10 for a flat one; a smoothed sample has a bound of its own). While
// r + d*G, with G one plus twice that share, still rounds to r (for a smoothed sample: r + d plus the
// bound), X is far enough from every rounding boundary that Y = r; otherwise (under 1 % of samples)
// the sample is recomputed with the extended formulas.
//
// The finest level's row pass feeds only the bytes, so it runs in binary64 (with the exact inputs
// deciding the smoothing); a pixel whose approximate red, green, blue or grey value lies within a
// proven error bound of a rounding point (k + 0.5) is recomputed exactly from the exact column-pass
// rows.

namespace hwl::detail {

namespace {

#define HWL_TARGET __attribute__((target("avx512f,avx512dq,avx512bw,avx512vl,fma")))
#define HWL_INLINE HWL_TARGET inline __attribute__((always_inline))

constexpr int padding = 16;  // zero doubles on both sides of every row buffer

// A block of 64-byte aligned doubles, zeroed unless the caller writes every one before reading.
class Doubles {
 public:
  explicit Doubles(std::size_t count, bool zeroed = true)
      : data_(static_cast<double*>(std::aligned_alloc(64, roundUp(count) * sizeof(double)))) {
    if (!data_) throw std::bad_alloc();
    if (zeroed) std::memset(data_.get(), 0, roundUp(count) * sizeof(double));
  }
  double* get() const { return data_.get(); }

 private:
  static std::size_t roundUp(std::size_t count) { return (count + 7) / 8 * 8 + 8; }
  struct Free {
    void operator()(double* p) const { std::free(p); }
  };
  std::unique_ptr<double, Free> data_;
};

// What the next four symbols mean up to the first run symbol among them: `lead` symbols, each giving
// a zero or plus or minus one of the next values (at the bit offset `shift` from the first), taking
// `values` values in all.
struct SymbolQuad {
  std::uint8_t shift[4];
  std::int16_t negate[4];  // -1 for symbol 3
  std::int16_t keep[4];    // -1 for symbols 2 and 3 among the lead, 0 otherwise
  std::uint8_t lead;
  std::uint8_t values;
};

std::array<SymbolQuad, 256> symbolQuads(unsigned k) {
  std::array<SymbolQuad, 256> table{};
  for (unsigned b = 0; b < 256; ++b) {
    SymbolQuad& e = table[b];
    bool running = true;
    for (int i = 0; i < 4; ++i) {
      const unsigned symbol = b >> (2 * i) & 3;
      running = running && symbol != 1;
      e.shift[i] = static_cast<std::uint8_t>(e.values * k);
      if (!running) continue;
      ++e.lead;
      e.negate[i] = symbol == 3 ? -1 : 0;
      e.keep[i] = symbol >= 2 ? -1 : 0;
      e.values += symbol >= 2;
    }
  }
  return table;
}

// One plane's integer coefficients (16-bit: a decoded coefficient is at most 255 in magnitude) into
// a zeroed plane with at least 4 spare entries behind it. Symbols go four at a time through the table
// up to the next run; runs, and the ends of the streams, one at a time.
void expandPacked(const PackedPlane& plane, std::int16_t* out, std::size_t total) {
  const std::uint8_t* symbols = plane.symbols.data();
  const std::uint8_t* values = plane.values.data();
  const std::size_t symbolCount = plane.symbolCount;
  const std::uint64_t valueCount = plane.availableValues();
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::uint64_t mask = (std::uint64_t{1} << k) - 1;
  const std::array<SymbolQuad, 256> table = symbolQuads(k);
  auto bitsFrom = [](const std::uint8_t* bytes, std::uint64_t bit) {
    std::uint64_t word;
    std::memcpy(&word, bytes + (bit >> 3), 8);  // the stream buffers are padded behind
    return word >> (bit & 7);
  };
  std::size_t o = 0;
  std::size_t s = 0;
  std::uint64_t t = 0;
  while (o < total && s < symbolCount) {
    const std::uint64_t window = bitsFrom(symbols, 2 * std::uint64_t{s});
    const SymbolQuad& e = table[window & 0xFF];
    if (e.lead > 0 && s + e.lead <= symbolCount && o + e.lead <= total && t + e.values <= valueCount) {
      const std::uint64_t word = bitsFrom(values, t * k);
      for (int i = 0; i < 4; ++i) {
        const auto v = static_cast<std::int16_t>((word >> e.shift[i]) & mask);
        out[o + i] = static_cast<std::int16_t>(((v ^ e.negate[i]) - e.negate[i]) & e.keep[i]);
      }
      o += e.lead;
      s += e.lead;
      t += e.values;
      continue;
    }
    const auto symbol = static_cast<unsigned>(window & 3);
    if (symbol == 0) {
      ++o;
      ++s;
      continue;
    }
    if (t >= valueCount) break;
    const auto v = static_cast<int>(bitsFrom(values, t * k) & mask);
    ++t;
    if (symbol == 1) {
      if (s + 1 >= symbolCount) break;
      const auto extension = static_cast<unsigned>(window >> 2 & 3);
      o += static_cast<std::size_t>(v) + (std::size_t{extension} << k) + 1;
      s += 2;
      continue;
    }
    out[o] = static_cast<std::int16_t>(symbol == 2 ? v : -v);
    ++o;
    ++s;
  }
}

// ---------------------------------------------------------------------------------------------------
// Exact formulas on eight lanes.

struct Constants {
  __m512d c, zero, four, gPlain, gFlat, smoothBound, signBit, cwHigh, cwLow;
};

HWL_TARGET Constants makeConstants() {
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
  k.gPlain = _mm512_set1_pd(1.0 + 0x1p-8);
  k.gFlat = _mm512_set1_pd(1.0 + 0x1p-9);
  k.smoothBound = _mm512_set1_pd(high * 0x1p-61);
  k.signBit = _mm512_set1_pd(-0.0);
  k.cwHigh = _mm512_set1_pd(high);
  k.cwLow = _mm512_set1_pd(low);
  return k;
}

// r + d*g still rounds to r: the exact value is safely inside r's rounding interval.
HWL_INLINE __mmask8 doubtful(__m512d r, __m512d d, __m512d g) {
  return _mm512_cmp_pd_mask(_mm512_fmadd_pd(d, g, r), r, _CMP_NEQ_UQ);
}

// (lo + hi) c (sign +1) or (lo - hi) c.
template <bool difference>
HWL_INLINE __m512d plainExact(const Constants& k, __m512d lo, __m512d hi, __mmask8& doubt) {
  __m512d s, e;
  if constexpr (difference) {
    s = _mm512_sub_pd(lo, hi);
    const __m512d bb = _mm512_sub_pd(s, lo);
    e = _mm512_sub_pd(_mm512_sub_pd(lo, _mm512_sub_pd(s, bb)), _mm512_add_pd(hi, bb));
  } else {
    s = _mm512_add_pd(lo, hi);
    const __m512d bb = _mm512_sub_pd(s, lo);
    e = _mm512_add_pd(_mm512_sub_pd(lo, _mm512_sub_pd(s, bb)), _mm512_sub_pd(hi, bb));
  }
  const __m512d p = _mm512_mul_pd(s, k.c);
  __m512d t = _mm512_fmsub_pd(s, k.c, p);
  t = _mm512_fmadd_pd(e, k.c, t);
  const __m512d r = _mm512_add_pd(p, t);
  const __m512d d = _mm512_add_pd(_mm512_sub_pd(p, r), t);
  doubt = doubtful(r, d, k.gPlain);
  return r;
}

// lo c.
HWL_INLINE __m512d flatExact(const Constants& k, __m512d lo, __mmask8& doubt) {
  const __m512d p = _mm512_mul_pd(lo, k.c);
  const __m512d t = _mm512_fmsub_pd(lo, k.c, p);
  doubt = doubtful(p, t, k.gFlat);
  return p;
}

// (0.8 lo + 0.2 other) c = c 0.2 (4 lo + other). The two products are rounded before they are
// added, so when they cancel the extended result can stray further from X than r's ulp suggests:
// the bound used is 2^-61 c 0.2 (|4 lo| + |other|), over twice what the four roundings can add.
HWL_INLINE __m512d smoothedExact(const Constants& k, __m512d lo, __m512d other, __mmask8& doubt) {
  const __m512d a = _mm512_mul_pd(lo, k.four);
  const __m512d s = _mm512_add_pd(a, other);
  const __m512d bb = _mm512_sub_pd(s, a);
  const __m512d e = _mm512_add_pd(_mm512_sub_pd(a, _mm512_sub_pd(s, bb)), _mm512_sub_pd(other, bb));
  const __m512d p = _mm512_mul_pd(s, k.cwHigh);
  __m512d t = _mm512_fmsub_pd(s, k.cwHigh, p);
  t = _mm512_fmadd_pd(s, k.cwLow, t);
  t = _mm512_fmadd_pd(e, k.cwHigh, t);
  const __m512d r = _mm512_add_pd(p, t);
  const __m512d d = _mm512_add_pd(_mm512_sub_pd(p, r), t);
  const __m512d weight = _mm512_add_pd(_mm512_abs_pd(a), _mm512_abs_pd(other));
  const __m512d reach = _mm512_fmadd_pd(weight, k.smoothBound, _mm512_abs_pd(d));
  const __m512d signedReach = _mm512_or_pd(reach, _mm512_and_pd(d, k.signBit));
  doubt = _mm512_cmp_pd_mask(_mm512_add_pd(r, signedReach), r, _CMP_NEQ_UQ);
  return r;
}

// The eight pairs' neighbourhood along the line: low values j-2 .. j+2, high values j-1 .. j+1.
struct Pairs {
  __m512d loM2, loM1, lo, loP1, loP2, hiM1, hi, hiP1;
};

// Which lanes may smooth at all (inner pairs), and where the far condition is waived (j = n - 2 for
// the first sample, j = 1 for the second).
struct PairRules {
  __mmask8 inner, waiveFar1, waiveFar2;
};

struct PairResult {
  __m512d first, second;
  __mmask8 smooth1, smooth2;  // lanes whose sample was smoothed
  __mmask8 doubt1, doubt2;    // lanes to recompute in extended precision
};

HWL_INLINE void smoothingMasks(const Constants& k, const Pairs& q, const PairRules& rules,
                               __mmask8& smooth1, __mmask8& smooth2) {
  const __mmask8 flat = _mm512_mask_cmp_pd_mask(rules.inner, q.hi, k.zero, _CMP_EQ_OQ);
  __mmask8 m1 = _mm512_mask_cmp_pd_mask(flat, q.hiM1, k.zero, _CMP_EQ_OQ);
  m1 = _mm512_mask_cmp_pd_mask(m1, q.lo, q.loP1, _CMP_NEQ_UQ);
  smooth1 = m1 & (rules.waiveFar1 | _mm512_cmp_pd_mask(q.loP2, q.loP1, _CMP_NEQ_UQ));
  __mmask8 m2 = _mm512_mask_cmp_pd_mask(flat, q.hiP1, k.zero, _CMP_EQ_OQ);
  m2 = _mm512_mask_cmp_pd_mask(m2, q.lo, q.loM1, _CMP_NEQ_UQ);
  smooth2 = m2 & (rules.waiveFar2 | _mm512_cmp_pd_mask(q.loM2, q.loM1, _CMP_NEQ_UQ));
}

HWL_INLINE PairResult synthesiseExact(const Constants& k, const Pairs& q, const PairRules& rules) {
  PairResult out;
  smoothingMasks(k, q, rules, out.smooth1, out.smooth2);
  __mmask8 doubt1, doubt2;
  if (_mm512_cmp_pd_mask(q.hi, k.zero, _CMP_EQ_OQ) == 0xFF) {
    out.first = out.second = flatExact(k, q.lo, doubt1);
    doubt2 = doubt1;
  } else {
    out.first = plainExact<false>(k, q.lo, q.hi, doubt1);
    out.second = plainExact<true>(k, q.lo, q.hi, doubt2);
  }
  if (out.smooth1) {
    __mmask8 doubt;
    const __m512d v = smoothedExact(k, q.lo, q.loM1, doubt);
    out.first = _mm512_mask_blend_pd(out.smooth1, out.first, v);
    doubt1 = (doubt1 & ~out.smooth1) | (doubt & out.smooth1);
  }
  if (out.smooth2) {
    __mmask8 doubt;
    const __m512d v = smoothedExact(k, q.lo, q.loP1, doubt);
    out.second = _mm512_mask_blend_pd(out.smooth2, out.second, v);
    doubt2 = (doubt2 & ~out.smooth2) | (doubt & out.smooth2);
  }
  out.doubt1 = doubt1;
  out.doubt2 = doubt2;
  return out;
}

// The same in binary64, for samples that only go on to be stored as bytes.
HWL_INLINE void synthesiseApproximate(const Constants& k, const Pairs& q, const PairRules& rules,
                                      __m512d& first, __m512d& second) {
  __mmask8 smooth1, smooth2;
  smoothingMasks(k, q, rules, smooth1, smooth2);
  first = _mm512_mul_pd(_mm512_add_pd(q.lo, q.hi), k.c);
  second = _mm512_mul_pd(_mm512_sub_pd(q.lo, q.hi), k.c);
  if (smooth1 | smooth2) {
    const __m512d a = _mm512_mul_pd(q.lo, k.four);
    const __m512d v1 = _mm512_mul_pd(_mm512_add_pd(a, q.loM1), k.cwHigh);
    const __m512d v2 = _mm512_mul_pd(_mm512_add_pd(a, q.loP1), k.cwHigh);
    first = _mm512_mask_blend_pd(smooth1, first, v1);
    second = _mm512_mask_blend_pd(smooth2, second, v2);
  }
}

// The extended-precision value of one lane.
double exactFirst(bool smoothed, double lo, double hi, double loM1) {
  return smoothed ? synthesiseSmoothed(lo, loM1) : synthesiseFirst(lo, hi);
}
double exactSecond(bool smoothed, double lo, double hi, double loP1) {
  return smoothed ? synthesiseSmoothed(lo, loP1) : synthesiseSecond(lo, hi);
}

// ---------------------------------------------------------------------------------------------------
// Rows.

// Converts count coefficients to doubles times factor.
HWL_TARGET void dequantiseRow(const std::int16_t* in, double factor, int count, double* out) {
  const __m512d f = _mm512_set1_pd(factor);
  int x = 0;
  for (; x + 8 <= count; x += 8) {
    const __m256i i32 = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x)));
    _mm512_storeu_pd(out + x, _mm512_mul_pd(_mm512_cvtepi32_pd(i32), f));
  }
  for (; x < count; ++x) out[x] = dequantise(in[x], factor);
}

// One level of the inverse transform over one plane: its region, where its inputs are.
struct Level {
  int w = 0, h = 0, hw = 0, hh = 0;
  const std::int16_t* integers = nullptr;  // the plane's coefficients, row stride `width`
  int width = 0;
  double detailFactor = 0;
  const double* coarse = nullptr;  // the coarser level's hw x hh result (row stride hw), or null:
  double approximationFactor = 0;  // then the approximation coefficients times this
};

// Row r of the level's source (its w values, then zeros up to the padding).
HWL_TARGET void sourceRow(const Level& v, int r, double* out) {
  const std::int16_t* row = v.integers + static_cast<std::ptrdiff_t>(r) * v.width;
  if (r < v.hh) {
    if (v.coarse) {
      std::memcpy(out, v.coarse + static_cast<std::ptrdiff_t>(r) * v.hw, sizeof(double) * v.hw);
    } else {
      dequantiseRow(row, v.approximationFactor, v.hw, out);
    }
    dequantiseRow(row + v.hw, v.detailFactor, v.w - v.hw, out + v.hw);
  } else {
    dequantiseRow(row, v.detailFactor, v.w, out);
  }
  std::memset(out + v.w, 0, sizeof(double) * padding);
}

// The rows a column pass needs around pair j, kept in two small rings.
class SourceRows {
 public:
  SourceRows(const Level& level, int stride)
      : level_(level), stride_(stride), lows_(8 * static_cast<std::size_t>(stride)),
        highs_(4 * static_cast<std::size_t>(stride)), zero_(static_cast<std::size_t>(stride)) {}

  // Makes rows j-2 .. j+2 (low half) and hh+j-1 .. hh+j+1 (high half) available.
  void advanceTo(int j) {
    while (lowReady_ <= std::min(j + 2, level_.hh - 1)) {
      sourceRow(level_, lowReady_, lowSlot(lowReady_));
      ++lowReady_;
    }
    while (highReady_ <= std::min(j + 1, level_.hh - 1)) {
      sourceRow(level_, level_.hh + highReady_, highSlot(highReady_));
      ++highReady_;
    }
  }
  const double* low(int j) const { return j >= 0 && j < level_.hh ? lowSlot(j) : zeroRow(); }
  const double* high(int j) const { return j >= 0 && j < level_.hh ? highSlot(j) : zeroRow(); }

 private:
  double* lowSlot(int j) const { return lows_.get() + padding + static_cast<std::ptrdiff_t>(j & 7) * stride_; }
  double* highSlot(int j) const { return highs_.get() + padding + static_cast<std::ptrdiff_t>(j & 3) * stride_; }
  const double* zeroRow() const { return zero_.get() + padding; }

  const Level& level_;
  int stride_;
  Doubles lows_, highs_, zero_;
  int lowReady_ = 0, highReady_ = 0;
};

// Column pass of pair j over all w columns: rows 2j and 2j+1 of the level's result.
HWL_TARGET void columnPair(const Constants& k, const SourceRows& rows, const Level& v, int j,
                           double* first, double* second) {
  const double* loM2 = rows.low(j - 2);
  const double* loM1 = rows.low(j - 1);
  const double* lo = rows.low(j);
  const double* loP1 = rows.low(j + 1);
  const double* loP2 = rows.low(j + 2);
  const double* hiM1 = rows.high(j - 1);
  const double* hi = rows.high(j);
  const double* hiP1 = rows.high(j + 1);
  const bool inner = j > 0 && j < v.hh - 1;
  const PairRules rules{static_cast<__mmask8>(inner ? 0xFF : 0),
                        static_cast<__mmask8>(j == v.hh - 2 ? 0xFF : 0),
                        static_cast<__mmask8>(j == 1 ? 0xFF : 0)};
  for (int x = 0; x < v.w; x += 8) {
    const Pairs q{_mm512_loadu_pd(loM2 + x), _mm512_loadu_pd(loM1 + x), _mm512_loadu_pd(lo + x),
                  _mm512_loadu_pd(loP1 + x), _mm512_loadu_pd(loP2 + x), _mm512_loadu_pd(hiM1 + x),
                  _mm512_loadu_pd(hi + x),   _mm512_loadu_pd(hiP1 + x)};
    // Lanes, low and high all zero and no smoothing from the sides: the samples are zero.
    const __m512d any = _mm512_or_pd(_mm512_or_pd(q.lo, q.hi), _mm512_or_pd(q.loM1, q.loP1));
    if (_mm512_test_epi64_mask(_mm512_castpd_si512(any), _mm512_castpd_si512(any)) == 0) {
      _mm512_storeu_pd(first + x, k.zero);
      _mm512_storeu_pd(second + x, k.zero);
      continue;
    }
    const PairResult r = synthesiseExact(k, q, rules);
    _mm512_storeu_pd(first + x, r.first);
    _mm512_storeu_pd(second + x, r.second);
    for (unsigned m = r.doubt1; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = x + lane;
      first[c] = exactFirst(r.smooth1 >> lane & 1, lo[c], hi[c], loM1[c]);
    }
    for (unsigned m = r.doubt2; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = x + lane;
      second[c] = exactSecond(r.smooth2 >> lane & 1, lo[c], hi[c], loP1[c]);
    }
  }
}

HWL_INLINE Pairs rowPairs(const double* p, int hw, int j) {
  const double* lo = p + j;
  const double* hi = p + hw + j;
  return {_mm512_loadu_pd(lo - 2), _mm512_loadu_pd(lo - 1), _mm512_loadu_pd(lo),
          _mm512_loadu_pd(lo + 1), _mm512_loadu_pd(lo + 2), _mm512_loadu_pd(hi - 1),
          _mm512_loadu_pd(hi),     _mm512_loadu_pd(hi + 1)};
}

HWL_INLINE PairRules rowRules(int hw, int j) {
  const __m512i lanes = _mm512_add_epi64(_mm512_set1_epi64(j), _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 6, 7));
  const __mmask8 inner = _mm512_cmpgt_epi64_mask(lanes, _mm512_setzero_si512()) &
                         _mm512_cmplt_epi64_mask(lanes, _mm512_set1_epi64(hw - 1));
  return {inner, _mm512_cmpeq_epi64_mask(lanes, _mm512_set1_epi64(hw - 2)),
          _mm512_cmpeq_epi64_mask(lanes, _mm512_set1_epi64(1))};
}

// Interleaves first and second samples of eight pairs into 16 consecutive outputs.
HWL_INLINE void storeInterleaved(double* out, __m512d first, __m512d second, int pairs) {
  const __m512d low = _mm512_permutex2var_pd(first, _mm512_setr_epi64(0, 8, 1, 9, 2, 10, 3, 11), second);
  const __m512d high = _mm512_permutex2var_pd(first, _mm512_setr_epi64(4, 12, 5, 13, 6, 14, 7, 15), second);
  if (pairs >= 8) {
    _mm512_storeu_pd(out, low);
    _mm512_storeu_pd(out + 8, high);
    return;
  }
  const unsigned valid = (1u << (2 * pairs)) - 1;
  _mm512_mask_storeu_pd(out, static_cast<__mmask8>(valid), low);
  _mm512_mask_storeu_pd(out + 8, static_cast<__mmask8>(valid >> 8), high);
}

// Row pass of one row, exact: p (w values, padded) to out.
HWL_TARGET void rowExact(const Constants& k, const double* p, int w, double* out) {
  const int hw = w / 2;
  for (int j = 0; j < hw; j += 8) {
    const Pairs q = rowPairs(p, hw, j);
    const PairResult r = synthesiseExact(k, q, rowRules(hw, j));
    const int pairs = std::min(8, hw - j);
    storeInterleaved(out + 2 * j, r.first, r.second, pairs);
    const unsigned valid = (1u << pairs) - 1;
    for (unsigned m = r.doubt1 & valid; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = j + lane;
      out[2 * c] = exactFirst(r.smooth1 >> lane & 1, p[c], p[hw + c], p[c - 1]);
    }
    for (unsigned m = r.doubt2 & valid; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = j + lane;
      out[2 * c + 1] = exactSecond(r.smooth2 >> lane & 1, p[c], p[hw + c], p[c + 1]);
    }
  }
  if (w % 2 != 0) out[w - 1] = p[w - 1];
}

// Row pass of one row in binary64, for the finest level.
HWL_TARGET void rowApproximate(const Constants& k, const double* p, int w, double* out) {
  const int hw = w / 2;
  for (int j = 0; j < hw; j += 8) {
    __m512d first, second;
    synthesiseApproximate(k, rowPairs(p, hw, j), rowRules(hw, j), first, second);
    storeInterleaved(out + 2 * j, first, second, std::min(8, hw - j));
  }
  if (w % 2 != 0) out[w - 1] = p[w - 1];
}

// The exact finest-level sample x of a row from its exact column-pass row p.
double exactSample(const double* p, int w, int x) {
  const int hw = w / 2;
  return x < 2 * hw ? synthesisedSample(p, p + hw, 1, hw, x) : p[x];
}

// A coarser level (L .. 1): its result, exact, into out (row stride w).
HWL_TARGET void inverseLevel(const Constants& k, const Level& v, double* out) {
  const int stride = (v.w + 7) / 8 * 8 + 2 * padding;
  SourceRows rows(v, stride);
  Doubles p(2 * static_cast<std::size_t>(stride));
  double* first = p.get() + padding;
  double* second = first + stride;
  for (int j = 0; j < v.hh; ++j) {
    rows.advanceTo(j);
    columnPair(k, rows, v, j, first, second);
    rowExact(k, first, v.w, out + static_cast<std::ptrdiff_t>(2 * j) * v.w);
    rowExact(k, second, v.w, out + static_cast<std::ptrdiff_t>(2 * j + 1) * v.w);
  }
  if (v.h % 2 != 0) {
    sourceRow(v, v.h - 1, first);
    rowExact(k, first, v.w, out + static_cast<std::ptrdiff_t>(v.h - 1) * v.w);
  }
}

// ---------------------------------------------------------------------------------------------------
// The finest level with the store.

struct Plane {
  std::vector<std::int16_t> integers;
  std::array<double, hwlTableSize> factors{};
  std::unique_ptr<Doubles> coarse;  // level 1's result (or null when L = 0)
  double bound = 0;                 // no sample of the finest level exceeds this in magnitude
};

// Bytes of 8 samples, with the lanes within `margin` of a rounding point k + 0.5.
HWL_INLINE __m256i storeBytes(__m512d v, __m512d margin, __mmask8& doubt) {
  const __m512d distance = _mm512_abs_pd(_mm512_reduce_pd(v, 0x08));  // |v - nearest integer|
  doubt |= _mm512_cmp_pd_mask(distance, margin, _CMP_GT_OQ);
  const __m512d clamped = _mm512_min_pd(_mm512_max_pd(v, _mm512_setzero_pd()), _mm512_set1_pd(255));
  return _mm256_and_si256(_mm512_cvtpd_epi32(clamped), _mm256_set1_epi32(0xFF));
}

struct FinestRows {
  double* exact[3][2];   // the column pass's rows (exact), per plane
  double* approx[3][2];  // the row pass's rows (binary64)
};

HWL_TARGET void storeColour(const FinestRows& rows, int row, int w, double margin, std::uint8_t* pixels) {
  const __m512d k1 = _mm512_set1_pd(static_cast<double>(redFromV));
  const __m512d k2 = _mm512_set1_pd(static_cast<double>(blueFromU));
  const __m512d k3 = _mm512_set1_pd(static_cast<double>(greenGain));
  const __m512d kr = _mm512_set1_pd(static_cast<double>(lumaRed));
  const __m512d kb = _mm512_set1_pd(static_cast<double>(lumaBlue));
  const __m512d half = _mm512_set1_pd(0.5 - margin);
  const double* y = rows.approx[0][row];
  const double* u = rows.approx[1][row];
  const double* v = rows.approx[2][row];
  auto* out = reinterpret_cast<std::uint32_t*>(pixels);
  for (int x = 0; x < w; x += 8) {
    const __m512d yy = _mm512_loadu_pd(y + x);
    const __m512d r = _mm512_fmadd_pd(_mm512_loadu_pd(v + x), k1, yy);
    const __m512d b = _mm512_fmadd_pd(_mm512_loadu_pd(u + x), k2, yy);
    const __m512d g = _mm512_mul_pd(_mm512_fnmadd_pd(b, kb, _mm512_fnmadd_pd(r, kr, yy)), k3);
    __mmask8 doubt = 0;
    const __m256i rb = storeBytes(r, half, doubt);
    const __m256i gb = storeBytes(g, half, doubt);
    const __m256i bb = storeBytes(b, half, doubt);
    const __m256i word = _mm256_or_si256(bb, _mm256_or_si256(_mm256_slli_epi32(gb, 8), _mm256_slli_epi32(rb, 16)));
    const int count = std::min(8, w - x);
    _mm256_mask_storeu_epi32(out + x, static_cast<__mmask8>((1u << count) - 1), word);
    doubt &= static_cast<__mmask8>((1u << count) - 1);
    for (int lane = 0; doubt; ++lane, doubt >>= 1) {
      if (!(doubt & 1)) continue;
      const int c = x + lane;
      const Rgb rgb = colourFromYuv(exactSample(rows.exact[0][row], w, c), exactSample(rows.exact[1][row], w, c),
                                    exactSample(rows.exact[2][row], w, c));
      std::uint8_t* pixel = pixels + 4 * static_cast<std::ptrdiff_t>(c);
      pixel[0] = hwlStoreSample(rgb.blue);
      pixel[1] = hwlStoreSample(rgb.green);
      pixel[2] = hwlStoreSample(rgb.red);
    }
  }
}

HWL_TARGET void storeGrey(const FinestRows& rows, int row, int w, double margin, std::uint8_t* pixels) {
  const __m512d half = _mm512_set1_pd(0.5 - margin);
  const double* y = rows.approx[0][row];
  for (int x = 0; x < w; x += 8) {
    __mmask8 doubt = 0;
    const __m256i bytes = storeBytes(_mm512_loadu_pd(y + x), half, doubt);
    const int count = std::min(8, w - x);
    _mm_mask_storeu_epi8(pixels + x, static_cast<__mmask16>((1u << count) - 1), _mm256_cvtepi32_epi8(bytes));
    doubt &= static_cast<__mmask8>((1u << count) - 1);
    for (int lane = 0; doubt; ++lane, doubt >>= 1) {
      if (doubt & 1) pixels[x + lane] = hwlStoreSample(exactSample(rows.exact[0][row], w, x + lane));
    }
  }
}

HWL_TARGET void finestLevel(const Constants& k, std::array<Plane, 3>& planes, int planeCount,
                            const HwlHeader& header, double margin, std::uint8_t* pixels) {
  const int width = header.width;
  const int height = header.height;
  const int L = header.lastLevel;
  Level levels[3];
  std::unique_ptr<SourceRows> rows[3];
  const int stride = (width + 7) / 8 * 8 + 2 * padding;
  Doubles buffers(static_cast<std::size_t>(stride) * 4 * planeCount);
  FinestRows finest{};
  for (int p = 0; p < planeCount; ++p) {
    Level& v = levels[p];
    v.w = width;
    v.h = height;
    v.hw = width / 2;
    v.hh = height / 2;
    v.integers = planes[p].integers.data();
    v.width = width;
    v.detailFactor = planes[p].factors[0];
    v.coarse = planes[p].coarse ? planes[p].coarse->get() : nullptr;
    v.approximationFactor = planes[p].factors[L + 1];
    rows[p] = std::make_unique<SourceRows>(v, stride);
    for (int r = 0; r < 2; ++r) {
      finest.exact[p][r] = buffers.get() + padding + static_cast<std::ptrdiff_t>(4 * p + r) * stride;
      finest.approx[p][r] = buffers.get() + padding + static_cast<std::ptrdiff_t>(4 * p + 2 + r) * stride;
    }
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (planeCount == 3 ? 4 : 1);
  auto store = [&](int row, int y) {
    if (planeCount == 3) {
      storeColour(finest, row, width, margin, pixels + static_cast<std::size_t>(y) * rowBytes);
    } else {
      storeGrey(finest, row, width, margin, pixels + static_cast<std::size_t>(y) * rowBytes);
    }
  };
  for (int j = 0; j < height / 2; ++j) {
    for (int p = 0; p < planeCount; ++p) {
      rows[p]->advanceTo(j);
      columnPair(k, *rows[p], levels[p], j, finest.exact[p][0], finest.exact[p][1]);
      rowApproximate(k, finest.exact[p][0], width, finest.approx[p][0]);
      rowApproximate(k, finest.exact[p][1], width, finest.approx[p][1]);
    }
    store(0, 2 * j);
    store(1, 2 * j + 1);
  }
  if (height % 2 != 0) {
    for (int p = 0; p < planeCount; ++p) {
      sourceRow(levels[p], height - 1, finest.exact[p][0]);
      rowApproximate(k, finest.exact[p][0], width, finest.approx[p][0]);
    }
    store(0, height - 1);
  }
}

// Levels L .. last of a plane; the last level's result stays in the plane (for the finest level).
HWL_TARGET void coarseLevels(const Constants& k, Plane& plane, const HwlHeader& header, int last = 1) {
  const int L = header.lastLevel;
  std::unique_ptr<Doubles> previous;
  for (int level = L; level >= last; --level) {
    Level v;
    v.w = header.width >> level;
    v.h = header.height >> level;
    v.hw = v.w / 2;
    v.hh = v.h / 2;
    v.integers = plane.integers.data();
    v.width = header.width;
    v.detailFactor = plane.factors[level];
    v.coarse = previous ? previous->get() : nullptr;
    v.approximationFactor = plane.factors[L + 1];
    auto out = std::make_unique<Doubles>(static_cast<std::size_t>(v.w) * v.h, false);
    inverseLevel(k, v, out->get());
    previous = std::move(out);
  }
  plane.coarse = std::move(previous);
}

// Expanded integers and factors of plane p.
void preparePlane(const HwlContents& contents, int p, Plane& plane) {
  const HwlHeader& header = contents.header;
  for (int g = 0; g <= header.lastLevel + 1; ++g) {
    plane.factors[g] = dequantisationFactor(contents.tables[p][g]);
  }
  const std::size_t total = std::size_t{header.width} * header.height;
  plane.integers.assign(total + 16, 0);
  expandPacked(contents.planes[p], plane.integers.data(), total);
}

// Factors the vectorised path takes: 0, or magnitudes far from overflow and underflow.
bool factorInRange(double f) {
  const double m = std::fabs(f);
  return f == 0 || (std::isfinite(f) && m >= 0x1p-400 && m <= 0x1p400);
}

// Whether group g (detail level g, or the approximation for g = L + 1) has no coefficients.
bool groupIsEmpty(const HwlHeader& header, int g) {
  const unsigned w = header.width, h = header.height;
  const int L = header.lastLevel;
  if (g == L + 1) return (w >> (L + 1)) == 0 || (h >> (L + 1)) == 0;
  return std::size_t{w >> g} * (h >> g) == std::size_t{w >> (g + 1)} * (h >> (g + 1));
}

}  // namespace

bool fastDecoderAvailable() {
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("fma") && std::getenv("HWL_PORTABLE") == nullptr;
  }();
  return available;
}

std::vector<double> fastInversePlane(const HwlContents& contents, int p) {
  Plane plane;
  preparePlane(contents, p, plane);
  coarseLevels(makeConstants(), plane, contents.header, 0);
  const std::size_t total = std::size_t{contents.header.width} * contents.header.height;
  return std::vector<double>(plane.coarse->get(), plane.coarse->get() + total);
}

bool fastDecode(const HwlContents& contents, std::uint8_t* pixels) {
  const HwlHeader& header = contents.header;
  const int L = header.lastLevel;
  std::array<Plane, 3> planes;
  double margin = 0;
  for (int p = 0; p < contents.planeCount; ++p) {
    double largest = 0;
    for (int g = 0; g <= L + 1; ++g) {
      const double f = dequantisationFactor(contents.tables[p][g]);
      planes[p].factors[g] = f;
      if (groupIsEmpty(header, g)) continue;  // its factor is never used
      if (!factorInRange(f)) return false;
      largest = std::max(largest, std::fabs(f));
    }
    // Coefficients are below 2^k; each one-dimensional pass grows magnitudes by at most sqrt(2).
    const int top = (1 << contents.planes[p].valueBits) - 1;
    planes[p].bound = top * largest * std::ldexp(1.01, L + 1);
    margin += planes[p].bound * (p == 0 ? 1 : 2.1);
  }
  // The binary64 row pass and colour conversion stay within a few ulps of these magnitudes.
  margin = std::ldexp(1 + margin, -36);
  if (margin > 0x1p-12) return false;

  for (int p = 0; p < contents.planeCount; ++p) preparePlane(contents, p, planes[p]);
  const Constants k = makeConstants();
  for (int p = 0; p < contents.planeCount; ++p) coarseLevels(k, planes[p], header);
  finestLevel(k, planes, contents.planeCount, header, margin, pixels);
  return true;
}

}  // namespace hwl::detail
