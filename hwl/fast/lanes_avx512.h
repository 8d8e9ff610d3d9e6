#pragma once
// Eight binary64 lanes on AVX-512 (F, DQ, BW, VL, with FMA): one register a vector, masks in mask
// registers. The operations every vector path offers, each one instruction or a few; the exact
// arithmetic is written once over them (kernels.inc).

// GCC 12 takes the undefined first operand inside its AVX-512 intrinsics for an uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#define HWL_PATH avx512
#define HWL_TARGET __attribute__((target("avx512f,avx512dq,avx512bw,avx512vl,avx2,fma")))
#define HWL_INLINE HWL_TARGET inline __attribute__((always_inline))
#define HWL_STEP HWL_TARGET __attribute__((always_inline))  // a loop step (lambda), inlined into its loop

namespace hwl::detail::avx512 {

struct D {
  __m512d v;
};
using Mask = unsigned;  // lane i in bit i, eight bits

HWL_INLINE D set1(double x) { return {_mm512_set1_pd(x)}; }
HWL_INLINE D zero() { return {_mm512_setzero_pd()}; }
HWL_INLINE D loadu(const double* p) { return {_mm512_loadu_pd(p)}; }
HWL_INLINE void storeu(double* p, D a) { _mm512_storeu_pd(p, a.v); }
HWL_INLINE void storeMasked(double* p, Mask m, D a) { _mm512_mask_storeu_pd(p, static_cast<__mmask8>(m), a.v); }
// Lanes in m from p (readable for all eight), the others from src.
HWL_INLINE D loadMasked(D src, Mask m, const double* p) {
  return {_mm512_mask_loadu_pd(src.v, static_cast<__mmask8>(m), p)};
}
// Lanes in m from b, the others from a.
HWL_INLINE D blend(Mask m, D a, D b) { return {_mm512_mask_blend_pd(static_cast<__mmask8>(m), a.v, b.v)}; }

// One of two constants in each lane, chosen by a mask: b in the lanes in it, a in the others.
struct Choice {
  D a, b;
};
HWL_INLINE Choice makeChoice(double a, double b) { return {set1(a), set1(b)}; }
HWL_INLINE D choose(Mask m, const Choice& c) { return blend(m, c.a, c.b); }

HWL_INLINE D add(D a, D b) { return {_mm512_add_pd(a.v, b.v)}; }
HWL_INLINE D sub(D a, D b) { return {_mm512_sub_pd(a.v, b.v)}; }
HWL_INLINE D mul(D a, D b) { return {_mm512_mul_pd(a.v, b.v)}; }
// Lanes in m: a b; the others from src.
HWL_INLINE D mulWhere(D src, Mask m, D a, D b) {
  return {_mm512_mask_mul_pd(src.v, static_cast<__mmask8>(m), a.v, b.v)};
}
HWL_INLINE D fmadd(D a, D b, D c) { return {_mm512_fmadd_pd(a.v, b.v, c.v)}; }    // a b + c
HWL_INLINE D fmsub(D a, D b, D c) { return {_mm512_fmsub_pd(a.v, b.v, c.v)}; }    // a b - c
HWL_INLINE D fnmadd(D a, D b, D c) { return {_mm512_fnmadd_pd(a.v, b.v, c.v)}; }  // c - a b
// A factor of exact products as productError takes it (here the factor itself), and the exact
// a b - p for p = a b rounded.
using Factor = D;
HWL_INLINE Factor factorOf(D b) { return b; }
HWL_INLINE D productError(D a, const Factor& b, D p) { return fmsub(a, b, p); }
// a times the constant c chooses for each lane, c's first value being 1: lanes outside m keep a.
HWL_INLINE D mulChosen(D a, Mask m, const Choice& c) {
  return {_mm512_mask_mul_pd(a.v, static_cast<__mmask8>(m), a.v, c.b.v)};
}
// a b + c, b the constant chosen for each lane from a choice whose first value is 0: lanes outside m
// keep c, which is a 0 + c bit for bit when c is not -0.
HWL_INLINE D fmaddChosen(D a, Mask m, const Choice& b, D c) {
  return {_mm512_mask3_fmadd_pd(a.v, b.b.v, c.v, static_cast<__mmask8>(m))};
}
HWL_INLINE D abs(D a) { return {_mm512_abs_pd(a.v)}; }
HWL_INLINE D negate(D a) { return {_mm512_xor_pd(a.v, _mm512_set1_pd(-0.0))}; }
// a with the sign of b or'ed in (a's sign clear).
HWL_INLINE D withSignOf(D a, D b) {
  return {_mm512_castsi512_pd(_mm512_ternarylogic_epi64(_mm512_castpd_si512(a.v), _mm512_castpd_si512(b.v),
                                                        _mm512_castpd_si512(_mm512_set1_pd(-0.0)), 0xF8))};
}
HWL_INLINE D maxAbs(D a, D b) { return {_mm512_range_pd(a.v, b.v, 0x0B)}; }  // max(|a|, |b|)
// a minus its nearest integer.
HWL_INLINE D distanceFromInteger(D a) { return {_mm512_reduce_pd(a.v, 0x08)}; }

// Lanes flagged by a comparison, kept as the comparison left them until a caller asks for the bits
// (rare: flagged lanes are recomputed one by one).
using Flags = Mask;
HWL_INLINE Flags flagNotEqual(D a, D b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_NEQ_UQ); }
HWL_INLINE Flags flagGreater(D a, D b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_GT_OQ); }
HWL_INLINE Flags either(Flags a, Flags b) { return a | b; }
HWL_INLINE bool any(Flags f) { return f != 0; }
HWL_INLINE Mask bits(Flags f) { return f; }

HWL_INLINE Mask equal(D a, D b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_EQ_OQ); }
HWL_INLINE Mask notEqual(D a, D b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_NEQ_UQ); }
HWL_INLINE Mask lessOrEqual(D a, D b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_LE_OQ); }

// Eight 16- or 8-bit coefficients as doubles, lanes outside valid 0 (and not read).
template <class C>
HWL_INLINE D loadCoefficients(const C* in, Mask valid) {
  __m256i i32;
  if constexpr (sizeof(C) == 2) {
    i32 = _mm256_cvtepi16_epi32(_mm_maskz_loadu_epi16(static_cast<__mmask8>(valid), in));
  } else {
    i32 = _mm256_cvtepi8_epi32(_mm_maskz_loadu_epi8(static_cast<__mmask16>(valid), in));
  }
  return {_mm512_cvtepi32_pd(i32)};
}
// The nonzero ones among eight coefficients in valid.
template <class C>
HWL_INLINE Mask nonzeroCoefficients(const C* in, Mask valid) {
  if constexpr (sizeof(C) == 2) {
    const __m128i i16 = _mm_maskz_loadu_epi16(static_cast<__mmask8>(valid), in);
    return _mm_test_epi16_mask(i16, i16);
  } else {
    const __m128i i8 = _mm_maskz_loadu_epi8(static_cast<__mmask16>(valid), in);
    return _mm_test_epi8_mask(i8, i8) & 0xFFu;
  }
}

// Coefficients compared a whole register at a time: 32 of 16 bits or 64 of 8.
template <class C>
constexpr int coefficientLanes = 64 / static_cast<int>(sizeof(C));

// Bits of the `left` (up to coefficientLanes) coefficients from a: zero, or equal to b's.
template <class C>
HWL_INLINE std::uint64_t zeroCoefficientBits(const C* a, int left) {
  if constexpr (sizeof(C) == 2) {
    const __mmask32 valid = left >= 32 ? ~__mmask32{0} : (__mmask32{1} << left) - 1;
    const __m512i v = _mm512_maskz_loadu_epi16(valid, a);
    return _mm512_mask_testn_epi16_mask(valid, v, v);
  } else {
    const __mmask64 valid = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(valid, a);
    return _mm512_mask_testn_epi8_mask(valid, v, v);
  }
}
template <bool equal, class C>
HWL_INLINE std::uint64_t compareCoefficientBits(const C* a, const C* b, int left) {
  if constexpr (sizeof(C) == 2) {
    const __mmask32 valid = left >= 32 ? ~__mmask32{0} : (__mmask32{1} << left) - 1;
    const __m512i va = _mm512_maskz_loadu_epi16(valid, a), vb = _mm512_maskz_loadu_epi16(valid, b);
    return equal ? _mm512_mask_cmpeq_epi16_mask(valid, va, vb) : _mm512_mask_cmpneq_epi16_mask(valid, va, vb);
  } else {
    const __mmask64 valid = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    const __m512i va = _mm512_maskz_loadu_epi8(valid, a), vb = _mm512_maskz_loadu_epi8(valid, b);
    return equal ? _mm512_mask_cmpeq_epi8_mask(valid, va, vb) : _mm512_mask_cmpneq_epi8_mask(valid, va, vb);
  }
}

// Stores the first and second samples of `pairs` (up to 8) pairs interleaved: f0 s0 f1 s1 ...
HWL_INLINE void storeInterleaved(double* out, D first, D second, int pairs) {
  const __m512d low = _mm512_permutex2var_pd(first.v, _mm512_setr_epi64(0, 8, 1, 9, 2, 10, 3, 11), second.v);
  const __m512d high = _mm512_permutex2var_pd(first.v, _mm512_setr_epi64(4, 12, 5, 13, 6, 14, 7, 15), second.v);
  if (pairs >= 8) {
    _mm512_storeu_pd(out, low);
    _mm512_storeu_pd(out + 8, high);
    return;
  }
  const unsigned valid = (1u << (2 * pairs)) - 1;
  _mm512_mask_storeu_pd(out, static_cast<__mmask8>(valid), low);
  _mm512_mask_storeu_pd(out + 8, static_cast<__mmask8>(valid >> 8), high);
}

// The nearest 32-bit integers of eight lanes (ties to even), in this path's word order: that of the
// lanes. Work done within each 128-bit half keeps it, and the interleaving stores below take it.
HWL_INLINE __m256i nearestInts(D a) {
  return _mm512_cvt_roundpd_epi32(a.v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

// Eight 32-bit integers in a register.
using Ints = __m256i;

#include "hwl/fast/pixel_words_avx.inc"

// Stores `pairs` (up to 8) pairs of 32-bit words interleaved: first0 second0 first1 second1 ...
HWL_INLINE void storeInterleavedWords(std::uint32_t* out, __m256i first, __m256i second, int pairs) {
  const __m512i both = _mm512_inserti64x4(_mm512_castsi256_si512(first), second, 1);
  const __m512i words =
      _mm512_permutexvar_epi32(_mm512_setr_epi32(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15), both);
  if (pairs >= 8) {
    _mm512_storeu_si512(out, words);
  } else {
    _mm512_mask_storeu_epi32(out, static_cast<__mmask16>((1u << (2 * pairs)) - 1), words);
  }
}

// Stores `pairs` (up to 8) pairs of integers interleaved as bytes, clamped to 0 .. 255.
HWL_INLINE void storeInterleavedBytes(std::uint8_t* out, __m256i first, __m256i second, int pairs) {
  __m512i values = _mm512_inserti64x4(_mm512_castsi256_si512(first), second, 1);
  values = _mm512_permutexvar_epi32(_mm512_setr_epi32(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15), values);
  values = _mm512_min_epi32(_mm512_max_epi32(values, _mm512_setzero_si512()), _mm512_set1_epi32(255));
  if (pairs >= 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm512_cvtepi32_epi8(values));
  } else {
    _mm_mask_storeu_epi8(out, static_cast<__mmask16>((1u << (2 * pairs)) - 1), _mm512_cvtepi32_epi8(values));
  }
}

}  // namespace hwl::detail::avx512
