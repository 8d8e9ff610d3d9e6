#pragma once
// Eight binary64 lanes on AVX2 with FMA: two registers of four a vector, masks as eight bits (lane i
// in bit i) that are widened to lane masks where an operation needs one. The same operations as
// lanes_avx512.h, lane for lane the same IEEE-754 results, so the arithmetic written over them
// (kernels.inc) and its exactness argument hold unchanged.
//
// AVX2 has no masked loads of bytes and words: loads of coefficients read whole registers and clear
// the lanes outside the count. Every coefficient buffer has readable entries behind it (expandSpare)
// and every row of doubles is padded, so such reads stay inside their buffers.

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#define HWL_PATH avx2
#define HWL_TARGET __attribute__((target("avx2,fma")))
#define HWL_INLINE HWL_TARGET inline __attribute__((always_inline))
#define HWL_STEP HWL_TARGET __attribute__((always_inline))  // a loop step (lambda), inlined into its loop

namespace hwl::detail::avx2 {

struct D {
  __m256d lo, hi;  // lanes 0 .. 3 and 4 .. 7
};
using Mask = unsigned;  // lane i in bit i, eight bits

// The lane masks of every mask, from a table indexed by all eight bits: two loads at one index,
// where broadcasting and comparing the bits would take four instructions a half.
struct LaneMasks {
  alignas(64) std::int64_t lanes[256][8];
};
constexpr LaneMasks laneMasks = [] {
  LaneMasks t{};
  for (int m = 0; m < 256; ++m) {
    for (int i = 0; i < 8; ++i) t.lanes[m][i] = (m >> i & 1) != 0 ? -1 : 0;
  }
  return t;
}();

// The lane masks of lanes 0 .. 3 (half 0) or 4 .. 7 (half 1) of m (all ones where the bit is set).
template <int half>
HWL_INLINE __m256d laneMask(unsigned m) {
  return _mm256_load_pd(reinterpret_cast<const double*>(laneMasks.lanes[m & 0xFF] + 4 * half));
}
template <int half>
HWL_INLINE __m256i laneMaskInt(unsigned m) {
  return _mm256_castpd_si256(laneMask<half>(m));
}

HWL_INLINE D set1(double x) { return {_mm256_set1_pd(x), _mm256_set1_pd(x)}; }
HWL_INLINE D zero() { return {_mm256_setzero_pd(), _mm256_setzero_pd()}; }
HWL_INLINE D loadu(const double* p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
HWL_INLINE void storeu(double* p, D a) {
  _mm256_storeu_pd(p, a.lo);
  _mm256_storeu_pd(p + 4, a.hi);
}
HWL_INLINE void storeMasked(double* p, Mask m, D a) {
  if ((m & 0xFF) == 0xFF) {
    storeu(p, a);
    return;
  }
  _mm256_maskstore_pd(p, laneMaskInt<0>(m), a.lo);
  _mm256_maskstore_pd(p + 4, laneMaskInt<1>(m), a.hi);
}
// laneMask<half>(m) for a blend. GCC 12 turns a blend by a mask it cannot see into one by (mask < 0) and
// computes that with a comparison; hiding the loaded mask from it saves an instruction per blend.
template <int half>
HWL_INLINE __m256d blendMask(unsigned m) {
  __m256d mask = laneMask<half>(m);
  __asm__("" : "+x"(mask));
  return mask;
}
// Lanes in m from b, the others from a.
HWL_INLINE D blend(Mask m, D a, D b) {
  return {_mm256_blendv_pd(a.lo, b.lo, blendMask<0>(m)), _mm256_blendv_pd(a.hi, b.hi, blendMask<1>(m))};
}
// Lanes in m from p (readable for all eight), the others from src.
HWL_INLINE D loadMasked(D src, Mask m, const double* p) { return blend(m, src, loadu(p)); }
HWL_INLINE D zeroOutside(Mask m, D a) {
  return {_mm256_and_pd(a.lo, laneMask<0>(m)), _mm256_and_pd(a.hi, laneMask<1>(m))};
}

// One of two constants in each lane, chosen by a mask: b in the lanes in it, a in the others. Every
// four lanes' choice is one load from a table of the sixteen.
struct Choice {
  alignas(32) double lanes[16][4];
};
inline Choice makeChoice(double a, double b) {
  Choice c;
  for (int m = 0; m < 16; ++m) {
    for (int i = 0; i < 4; ++i) c.lanes[m][i] = (m >> i & 1) != 0 ? b : a;
  }
  return c;
}
HWL_INLINE D choose(Mask m, const Choice& c) {
  return {_mm256_load_pd(c.lanes[m & 15]), _mm256_load_pd(c.lanes[m >> 4 & 15])};
}

HWL_INLINE D add(D a, D b) { return {_mm256_add_pd(a.lo, b.lo), _mm256_add_pd(a.hi, b.hi)}; }
HWL_INLINE D sub(D a, D b) { return {_mm256_sub_pd(a.lo, b.lo), _mm256_sub_pd(a.hi, b.hi)}; }
HWL_INLINE D mul(D a, D b) { return {_mm256_mul_pd(a.lo, b.lo), _mm256_mul_pd(a.hi, b.hi)}; }
HWL_INLINE D mulWhere(D src, Mask m, D a, D b) { return blend(m, src, mul(a, b)); }
HWL_INLINE D fmadd(D a, D b, D c) { return {_mm256_fmadd_pd(a.lo, b.lo, c.lo), _mm256_fmadd_pd(a.hi, b.hi, c.hi)}; }
HWL_INLINE D fmsub(D a, D b, D c) { return {_mm256_fmsub_pd(a.lo, b.lo, c.lo), _mm256_fmsub_pd(a.hi, b.hi, c.hi)}; }
HWL_INLINE D fnmadd(D a, D b, D c) { return {_mm256_fnmadd_pd(a.lo, b.lo, c.lo), _mm256_fnmadd_pd(a.hi, b.hi, c.hi)}; }
// A factor of exact products as productError takes it (here the factor itself), and the exact
// a b - p for p = a b rounded.
using Factor = D;
HWL_INLINE Factor factorOf(D b) { return b; }
HWL_INLINE D productError(D a, const Factor& b, D p) { return fmsub(a, b, p); }
// a times the constant c chooses for each lane (c's first value is 1).
HWL_INLINE D mulChosen(D a, Mask m, const Choice& c) { return mul(a, choose(m, c)); }
// a b + c, b the constant chosen for each lane from a choice whose first value is 0: a 0 + c is c bit
// for bit when c is not -0.
HWL_INLINE D fmaddChosen(D a, Mask m, const Choice& b, D c) { return fmadd(a, choose(m, b), c); }
HWL_INLINE D abs(D a) {
  const __m256d sign = _mm256_set1_pd(-0.0);
  return {_mm256_andnot_pd(sign, a.lo), _mm256_andnot_pd(sign, a.hi)};
}
HWL_INLINE D negate(D a) {
  const __m256d sign = _mm256_set1_pd(-0.0);
  return {_mm256_xor_pd(a.lo, sign), _mm256_xor_pd(a.hi, sign)};
}
// a with the sign of b or'ed in (a's sign clear).
HWL_INLINE D withSignOf(D a, D b) {
  const __m256d sign = _mm256_set1_pd(-0.0);
  return {_mm256_or_pd(a.lo, _mm256_and_pd(b.lo, sign)), _mm256_or_pd(a.hi, _mm256_and_pd(b.hi, sign))};
}
// max(|a|, |b|) (the lanes are never NaN where it is used).
HWL_INLINE D maxAbs(D a, D b) {
  const D x = abs(a), y = abs(b);
  return {_mm256_max_pd(x.lo, y.lo), _mm256_max_pd(x.hi, y.hi)};
}
// a + 1.5 * 2^52: a lane below 2^51 in magnitude rounded to its nearest integer (ties to even), which
// the low 32 bits of the lane hold. One addition, where rounding and converting take two each.
HWL_INLINE D roundedToInteger(D a) {
  const __m256d magic = _mm256_set1_pd(0x1.8p52);
  return {_mm256_add_pd(a.lo, magic), _mm256_add_pd(a.hi, magic)};
}
// a minus its nearest integer (exact: the lanes are far below 2^51).
HWL_INLINE D distanceFromInteger(D a) {
  const __m256d magic = _mm256_set1_pd(0x1.8p52);
  const D t = roundedToInteger(a);
  return {_mm256_sub_pd(a.lo, _mm256_sub_pd(t.lo, magic)), _mm256_sub_pd(a.hi, _mm256_sub_pd(t.hi, magic))};
}

template <int predicate>
HWL_INLINE Mask compare(D a, D b) {
  return static_cast<Mask>(_mm256_movemask_pd(_mm256_cmp_pd(a.lo, b.lo, predicate)) |
                           _mm256_movemask_pd(_mm256_cmp_pd(a.hi, b.hi, predicate)) << 4);
}
// Lanes flagged by a comparison, kept as lane masks until a caller asks for the bits (rare: flagged
// lanes are recomputed one by one), so the common case tests them once instead of moving each out.
struct Flags {
  __m256d lo, hi;
};
HWL_INLINE Flags flagNotEqual(D a, D b) {
  return {_mm256_cmp_pd(a.lo, b.lo, _CMP_NEQ_UQ), _mm256_cmp_pd(a.hi, b.hi, _CMP_NEQ_UQ)};
}
HWL_INLINE Flags flagGreater(D a, D b) {
  return {_mm256_cmp_pd(a.lo, b.lo, _CMP_GT_OQ), _mm256_cmp_pd(a.hi, b.hi, _CMP_GT_OQ)};
}
HWL_INLINE Flags either(Flags a, Flags b) { return {_mm256_or_pd(a.lo, b.lo), _mm256_or_pd(a.hi, b.hi)}; }
HWL_INLINE bool any(Flags f) {
  const __m256d both = _mm256_or_pd(f.lo, f.hi);
  return _mm256_testz_pd(both, both) == 0;
}
HWL_INLINE Mask bits(Flags f) { return static_cast<Mask>(_mm256_movemask_pd(f.lo) | _mm256_movemask_pd(f.hi) << 4); }

HWL_INLINE Mask equal(D a, D b) { return compare<_CMP_EQ_OQ>(a, b); }
HWL_INLINE Mask notEqual(D a, D b) { return compare<_CMP_NEQ_UQ>(a, b); }
HWL_INLINE Mask lessOrEqual(D a, D b) { return compare<_CMP_LE_OQ>(a, b); }

// Eight coefficients widened to 32 bits (all eight read).
template <class C>
HWL_INLINE __m256i coefficientInts(const C* in) {
  if constexpr (sizeof(C) == 2) {
    return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
  } else {
    return _mm256_cvtepi8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in)));
  }
}
// Eight 16- or 8-bit coefficients as doubles, lanes outside valid 0.
template <class C>
HWL_INLINE D loadCoefficients(const C* in, Mask valid) {
  const __m256i i32 = coefficientInts(in);
  D out{_mm256_cvtepi32_pd(_mm256_castsi256_si128(i32)), _mm256_cvtepi32_pd(_mm256_extracti128_si256(i32, 1))};
  return (valid & 0xFF) == 0xFF ? out : zeroOutside(valid, out);
}
// The nonzero ones among eight coefficients in valid.
template <class C>
HWL_INLINE Mask nonzeroCoefficients(const C* in, Mask valid) {
  const __m256i isZero = _mm256_cmpeq_epi32(coefficientInts(in), _mm256_setzero_si256());
  return ~static_cast<Mask>(_mm256_movemask_ps(_mm256_castsi256_ps(isZero))) & valid & 0xFF;
}

// Coefficients compared a whole register at a time: 16 of 16 bits or 32 of 8.
template <class C>
constexpr int coefficientLanes = 32 / static_cast<int>(sizeof(C));

// One bit per coefficient of a register's comparison result (all ones where it holds).
template <class C>
HWL_INLINE std::uint64_t coefficientBits(__m256i holds) {
  if constexpr (sizeof(C) == 2) {
    const __m128i bytes = _mm_packs_epi16(_mm256_castsi256_si128(holds), _mm256_extracti128_si256(holds, 1));
    return static_cast<std::uint16_t>(_mm_movemask_epi8(bytes));
  } else {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(holds));
  }
}
template <class C>
HWL_INLINE std::uint64_t firstBits(int left) {
  return left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
}

// Bits of the `left` (up to coefficientLanes) coefficients from a: zero, or equal to b's.
template <class C>
HWL_INLINE std::uint64_t zeroCoefficientBits(const C* a, int left) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
  const __m256i z = _mm256_setzero_si256();
  const __m256i isZero = sizeof(C) == 2 ? _mm256_cmpeq_epi16(v, z) : _mm256_cmpeq_epi8(v, z);
  return coefficientBits<C>(isZero) & firstBits<C>(left);
}
template <bool equal, class C>
HWL_INLINE std::uint64_t compareCoefficientBits(const C* a, const C* b, int left) {
  const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
  const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
  const __m256i same = sizeof(C) == 2 ? _mm256_cmpeq_epi16(va, vb) : _mm256_cmpeq_epi8(va, vb);
  const std::uint64_t bits = coefficientBits<C>(same);
  return (equal ? bits : ~bits) & firstBits<C>(left);
}

// Stores the first and second samples of `pairs` (up to 8) pairs interleaved: f0 s0 f1 s1 ...
HWL_INLINE void storeInterleaved(double* out, D first, D second, int pairs) {
  const __m256d a = _mm256_unpacklo_pd(first.lo, second.lo);  // f0 s0 | f2 s2
  const __m256d b = _mm256_unpackhi_pd(first.lo, second.lo);  // f1 s1 | f3 s3
  const __m256d c = _mm256_unpacklo_pd(first.hi, second.hi);
  const __m256d d = _mm256_unpackhi_pd(first.hi, second.hi);
  const __m256d q[4] = {_mm256_permute2f128_pd(a, b, 0x20), _mm256_permute2f128_pd(a, b, 0x31),
                        _mm256_permute2f128_pd(c, d, 0x20), _mm256_permute2f128_pd(c, d, 0x31)};
  if (pairs >= 8) {
    for (int i = 0; i < 4; ++i) _mm256_storeu_pd(out + 4 * i, q[i]);
    return;
  }
  alignas(32) double all[16];
  for (int i = 0; i < 4; ++i) _mm256_store_pd(all + 4 * i, q[i]);
  std::memcpy(out, all, sizeof(double) * 2 * static_cast<unsigned>(pairs));
}

// Eight 32-bit integers in a register.
using Ints = __m256i;

// The nearest 32-bit integers of eight lanes below 2^31 in magnitude (ties to even): the low halves of
// the rounded lanes, in this path's word order, lanes 0 1 4 5 | 2 3 6 7. Work done within each 128-bit
// half keeps that order, and the interleaving stores below take it, so no word crosses halves.
HWL_INLINE __m256i nearestInts(D a) {
  const D t = roundedToInteger(a);
  return _mm256_castps_si256(
      _mm256_shuffle_ps(_mm256_castpd_ps(t.lo), _mm256_castpd_ps(t.hi), _MM_SHUFFLE(2, 0, 2, 0)));
}

#include "hwl/fast/pixel_words_avx.inc"

// first0 second0 first1 second1 ... as two registers of eight words, from words in the order above.
HWL_INLINE void interleaveWords(__m256i first, __m256i second, __m256i& low, __m256i& high) {
  low = _mm256_unpacklo_epi32(first, second);   // f0 s0 f1 s1 | f2 s2 f3 s3
  high = _mm256_unpackhi_epi32(first, second);  // f4 s4 f5 s5 | f6 s6 f7 s7
}

// Stores `pairs` (up to 8) pairs of 32-bit words interleaved: first0 second0 first1 second1 ...
HWL_INLINE void storeInterleavedWords(std::uint32_t* out, __m256i first, __m256i second, int pairs) {
  __m256i low, high;
  interleaveWords(first, second, low, high);
  if (pairs >= 8) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8), high);
    return;
  }
  alignas(32) std::uint32_t all[16];
  _mm256_store_si256(reinterpret_cast<__m256i*>(all), low);
  _mm256_store_si256(reinterpret_cast<__m256i*>(all + 8), high);
  std::memcpy(out, all, sizeof(std::uint32_t) * 2 * static_cast<unsigned>(pairs));
}

// Stores `pairs` (up to 8) pairs of integers interleaved as bytes, clamped to 0 .. 255 (the packs
// saturate: to 16 bits, then to 0 .. 255).
HWL_INLINE void storeInterleavedBytes(std::uint8_t* out, __m256i first, __m256i second, int pairs) {
  __m256i low, high;
  interleaveWords(first, second, low, high);
  const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1));
  const __m128i words2 = _mm_packs_epi32(_mm256_castsi256_si128(high), _mm256_extracti128_si256(high, 1));
  const __m128i bytes = _mm_packus_epi16(words, words2);
  if (pairs >= 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return;
  }
  alignas(16) std::uint8_t all[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(all), bytes);
  std::memcpy(out, all, 2 * static_cast<unsigned>(pairs));
}

}  // namespace hwl::detail::avx2
