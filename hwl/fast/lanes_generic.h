#pragma once
// Eight binary64 lanes on a 128-bit vector unit: SSE2 (path sse2, 32- and 64-bit x86), NEON (path neon,
// aarch64) or WebAssembly SIMD128 (path simd128). A vector is four registers of two lanes, written with
// the vector extensions GCC and Clang share; masks are eight bits (lane i in bit i), widened to lane
// masks from a small table where an operation needs one. The same operations as lanes_avx512.h and
// lanes_avx2.h, lane for lane the same IEEE-754 results, so the kernels (kernels.inc) and their
// exactness argument hold unchanged, with one difference the argument allows for: only NEON has a
// fused multiply-add.
//
// - productError(a, b, p), the exact a b - p for p = a b rounded, is one fused operation on NEON and
//   Dekker's error-free product on SSE2 and SIMD128: the operands split by Veltkamp's method into
//   halves of 26 bits whose products are exact (a constant factor split once, by factorOf), summed in
//   an order that makes every step exact. It
//   holds while |a|, |b| < 2^995 and |a b| > 2^-968 or a b = 0, far wider than the factors the vector
//   paths take.
// - fmadd(a, b, c) and fnmadd(a, b, c) are fused on NEON; on SSE2 and SIMD128 the product is rounded,
//   then the sum. Each use in the kernels is either exact both ways (4 l + x, a 0 + c) or an
//   approximation whose error bound, written beside it, allows for the second rounding.
// Every step relies on binary64 arithmetic rounded at each operation: the build's -ffp-contract=off,
// and on 32-bit x86 SSE2 for scalar doubles (-mfpmath=sse), as hwl/CMakeLists.txt has them.
//
// Loads of coefficients read whole registers and clear the lanes outside the count. Every coefficient
// buffer has readable entries behind it (expandSpare) and every row of doubles is padded, so such reads
// stay inside their buffers.

#include <cstdint>
#include <cstring>

#if defined(__aarch64__)
#include <arm_neon.h>
#define HWL_PATH neon
#define HWL_TARGET
#define HWL_LANES_NEON 1
#elif defined(__wasm_simd128__)
#include <wasm_simd128.h>
#define HWL_PATH simd128
#define HWL_TARGET
#define HWL_LANES_SIMD128 1
#elif defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define HWL_PATH sse2
#define HWL_TARGET __attribute__((target("sse2")))
#define HWL_LANES_SSE2 1
#else
#error "lanes_generic.h: no 128-bit vector unit for this target (build with HWL_NO_SIMD)"
#endif
#define HWL_INLINE HWL_TARGET inline __attribute__((always_inline))
#define HWL_STEP HWL_TARGET __attribute__((always_inline))  // a loop step (lambda), inlined into its loop

namespace hwl::detail::HWL_PATH {

// Registers of two doubles, two, four, eight or sixteen integers. On 32-bit x86 their alignment is
// held at 8, so a vector kept in memory (a member of a constant set, say) needs no more: 32-bit
// Windows' allocator gives 8 where the compiler would count on 16, and SSE2's arithmetic faults on a
// misaligned operand. Elsewhere allocations give 16 (x86-64) or misalignment costs nothing (NEON,
// WebAssembly), and the compiler may take operands from memory.
#if defined(__i386__)
#define HWL_LANE_ALIGNMENT 8
#else
#define HWL_LANE_ALIGNMENT 16
#endif
typedef double F2 __attribute__((vector_size(16), aligned(HWL_LANE_ALIGNMENT)));
typedef long long I2 __attribute__((vector_size(16), aligned(HWL_LANE_ALIGNMENT)));
typedef int I4 __attribute__((vector_size(16), aligned(HWL_LANE_ALIGNMENT)));
typedef short S8 __attribute__((vector_size(16), aligned(HWL_LANE_ALIGNMENT)));
typedef signed char B16 __attribute__((vector_size(16), aligned(HWL_LANE_ALIGNMENT)));

struct D {
  F2 h[4];  // lanes 0 1 | 2 3 | 4 5 | 6 7
};
using Mask = unsigned;  // lane i in bit i, eight bits

template <class V>
HWL_INLINE V loadVector(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class V>
HWL_INLINE void storeVector(void* p, V v) {
  std::memcpy(p, &v, sizeof v);
}
// Applies f to each register of the operands.
template <class F>
HWL_INLINE D each(F f, D a) {
  return {{f(a.h[0]), f(a.h[1]), f(a.h[2]), f(a.h[3])}};
}
template <class F>
HWL_INLINE D each(F f, D a, D b) {
  return {{f(a.h[0], b.h[0]), f(a.h[1], b.h[1]), f(a.h[2], b.h[2]), f(a.h[3], b.h[3])}};
}
template <class F>
HWL_INLINE D each(F f, D a, D b, D c) {
  return {{f(a.h[0], b.h[0], c.h[0]), f(a.h[1], b.h[1], c.h[1]), f(a.h[2], b.h[2], c.h[2]), f(a.h[3], b.h[3], c.h[3])}};
}

// ---------------------------------------------------------------------------------------------------
// What the vector extensions do not express, per target.

// Bits of the lane masks of a register's four 32-bit lanes (all ones where set): lane i in bit i.
HWL_INLINE unsigned quadBits(I4 m) {
#if HWL_LANES_SSE2
  return static_cast<unsigned>(_mm_movemask_ps(reinterpret_cast<__m128>(m)));
#elif HWL_LANES_SIMD128
  return static_cast<unsigned>(wasm_i32x4_bitmask(m));
#else
  const uint32x4_t weights = {1, 2, 4, 8};
  return vaddvq_u32(vandq_u32(reinterpret_cast<uint32x4_t>(m), weights));
#endif
}
// Bits of 16 byte masks: byte i in bit i.
HWL_INLINE unsigned byteBits(B16 m) {
#if HWL_LANES_SSE2
  return static_cast<unsigned>(_mm_movemask_epi8(reinterpret_cast<__m128i>(m)));
#elif HWL_LANES_SIMD128
  return static_cast<unsigned>(wasm_i8x16_bitmask(m));
#else
  const uint8x16_t weights = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
  const uint8x16_t w = vandq_u8(reinterpret_cast<uint8x16_t>(m), weights);
  return vaddv_u8(vget_low_u8(w)) | static_cast<unsigned>(vaddv_u8(vget_high_u8(w))) << 8;
#endif
}
// Bits of two registers of eight 16-bit masks: word i of a in bit i, of b in bit 8 + i.
HWL_INLINE unsigned wordBits(S8 a, S8 b) {
#if HWL_LANES_SSE2
  return byteBits(reinterpret_cast<B16>(_mm_packs_epi16(reinterpret_cast<__m128i>(a), reinterpret_cast<__m128i>(b))));
#else
  return byteBits(__builtin_shufflevector(reinterpret_cast<B16>(a), reinterpret_cast<B16>(b), 0, 2, 4, 6, 8, 10, 12, 14,
                                          16, 18, 20, 22, 24, 26, 28, 30));
#endif
}
// Whether any lane mask of the register is set.
HWL_INLINE bool anySet(I2 m) {
#if HWL_LANES_SSE2
  return _mm_movemask_pd(reinterpret_cast<__m128d>(m)) != 0;
#elif HWL_LANES_SIMD128
  return wasm_v128_any_true(m);
#else
  return vmaxvq_u32(reinterpret_cast<uint32x4_t>(m)) != 0;
#endif
}

// max(a, b) of lanes that are never NaN.
HWL_INLINE F2 maxPair(F2 a, F2 b) {
#if HWL_LANES_SSE2
  return reinterpret_cast<F2>(_mm_max_pd(reinterpret_cast<__m128d>(a), reinterpret_cast<__m128d>(b)));
#elif HWL_LANES_SIMD128
  return wasm_f64x2_pmax(a, b);
#else
  return reinterpret_cast<F2>(vmaxq_f64(reinterpret_cast<float64x2_t>(a), reinterpret_cast<float64x2_t>(b)));
#endif
}
// The 32-bit integers of a then b as 16-bit ones, saturated; the 16-bit ones of a then b as bytes,
// saturated to 0 .. 255.
HWL_INLINE S8 packWords(I4 a, I4 b) {
#if HWL_LANES_SSE2
  return reinterpret_cast<S8>(_mm_packs_epi32(reinterpret_cast<__m128i>(a), reinterpret_cast<__m128i>(b)));
#elif HWL_LANES_SIMD128
  return wasm_i16x8_narrow_i32x4(a, b);
#else
  return reinterpret_cast<S8>(
      vcombine_s16(vqmovn_s32(reinterpret_cast<int32x4_t>(a)), vqmovn_s32(reinterpret_cast<int32x4_t>(b))));
#endif
}
HWL_INLINE B16 packBytes(S8 a, S8 b) {
#if HWL_LANES_SSE2
  return reinterpret_cast<B16>(_mm_packus_epi16(reinterpret_cast<__m128i>(a), reinterpret_cast<__m128i>(b)));
#elif HWL_LANES_SIMD128
  return wasm_u8x16_narrow_i16x8(a, b);
#else
  return reinterpret_cast<B16>(
      vcombine_u8(vqmovun_s16(reinterpret_cast<int16x8_t>(a)), vqmovun_s16(reinterpret_cast<int16x8_t>(b))));
#endif
}

// Eight 16- or 8-bit coefficients widened to doubles (all eight read).
template <class C>
HWL_INLINE D widenCoefficients(const C* in) {
#if HWL_LANES_SSE2
  __m128i words;
  if constexpr (sizeof(C) == 2) {
    words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  } else {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
    words = _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8);
  }
  const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);
  const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(words, words), 16);
  return {{reinterpret_cast<F2>(_mm_cvtepi32_pd(low)), reinterpret_cast<F2>(_mm_cvtepi32_pd(_mm_srli_si128(low, 8))),
           reinterpret_cast<F2>(_mm_cvtepi32_pd(high)),
           reinterpret_cast<F2>(_mm_cvtepi32_pd(_mm_srli_si128(high, 8)))}};
#elif HWL_LANES_SIMD128
  v128_t words = wasm_v128_load(in);
  if constexpr (sizeof(C) == 1) words = wasm_i16x8_extend_low_i8x16(words);
  const v128_t low = wasm_i32x4_extend_low_i16x8(words), high = wasm_i32x4_extend_high_i16x8(words);
  return {{wasm_f64x2_convert_low_i32x4(low), wasm_f64x2_convert_low_i32x4(wasm_i64x2_shuffle(low, low, 1, 1)),
           wasm_f64x2_convert_low_i32x4(high), wasm_f64x2_convert_low_i32x4(wasm_i64x2_shuffle(high, high, 1, 1))}};
#else
  int16x8_t words;
  if constexpr (sizeof(C) == 2) {
    words = vld1q_s16(in);
  } else {
    words = vmovl_s8(vld1_s8(in));
  }
  const int32x4_t low = vmovl_s16(vget_low_s16(words)), high = vmovl_s16(vget_high_s16(words));
  auto convert = [](int32x2_t pair) { return reinterpret_cast<F2>(vcvtq_f64_s64(vmovl_s32(pair))); };
  return {{convert(vget_low_s32(low)), convert(vget_high_s32(low)), convert(vget_low_s32(high)),
           convert(vget_high_s32(high))}};
#endif
}

// a b + c and c - a b: fused on NEON, the product rounded and then the sum elsewhere.
HWL_INLINE D fmadd(D a, D b, D c) {
#if HWL_LANES_NEON
  return each([](F2 x, F2 y, F2 z) { return reinterpret_cast<F2>(vfmaq_f64(z, x, y)); }, a, b, c);
#else
  return each([](F2 x, F2 y, F2 z) { return x * y + z; }, a, b, c);
#endif
}
HWL_INLINE D fnmadd(D a, D b, D c) {
#if HWL_LANES_NEON
  return each([](F2 x, F2 y, F2 z) { return reinterpret_cast<F2>(vfmsq_f64(z, x, y)); }, a, b, c);
#else
  return each([](F2 x, F2 y, F2 z) { return z - x * y; }, a, b, c);
#endif
}

// A factor of exact products as productError takes it: on NEON the factor, elsewhere also its
// Veltkamp split (x = high + low, high of 26 bits, low of 26 and a sign), made once for a constant.
struct Factor {
  D value, high, low;
};
HWL_INLINE F2 splitHigh(F2 x) {
  const F2 splitter = {0x1.0000002p27, 0x1.0000002p27};  // 2^27 + 1
  const F2 t = x * splitter;
  return t - (t - x);
}
HWL_INLINE Factor factorOf(D b) {
#if HWL_LANES_NEON
  return {b, b, b};
#else
  const D high = each(splitHigh, b);
  return {b, high, each([](F2 x, F2 y) { return x - y; }, b, high)};
#endif
}

// The exact a b - p, for p = a b rounded (+0 when a b = p; see the limits above).
HWL_INLINE D productError(D a, const Factor& b, D p) {
#if HWL_LANES_NEON
  // -(p - a b), both exact.
  return each([](F2 x, F2 y, F2 z) { return reinterpret_cast<F2>(vnegq_f64(vfmsq_f64(z, x, y))); }, a, b.value, p);
#else
  D out;
  for (int i = 0; i < 4; ++i) {
    const F2 aHigh = splitHigh(a.h[i]), aLow = a.h[i] - aHigh;
    const F2 bHigh = b.high.h[i], bLow = b.low.h[i];
    // Dekker: each partial sum is exact; the first term is +0 when a b = p, so a zero error is +0.
    out.h[i] = ((aHigh * bHigh - p.h[i]) + aLow * bHigh + aHigh * bLow) + aLow * bLow;
  }
  return out;
#endif
}

// ---------------------------------------------------------------------------------------------------
// The operations every vector path offers.

// The lane masks of the two lanes of register i (0 .. 3) of mask m.
HWL_INLINE I2 laneMask(Mask m, int i) {
  alignas(16) static constexpr long long masks[4][2] = {{0, 0}, {-1, 0}, {0, -1}, {-1, -1}};
  return loadVector<I2>(masks[m >> (2 * i) & 3]);
}
HWL_INLINE F2 select(I2 mask, F2 a, F2 b) {  // b where mask is set, else a
  return reinterpret_cast<F2>((reinterpret_cast<I2>(a) & ~mask) | (reinterpret_cast<I2>(b) & mask));
}

HWL_INLINE D set1(double x) {
  const F2 v = {x, x};
  return {{v, v, v, v}};
}
HWL_INLINE D zero() { return set1(0.0); }
HWL_INLINE D loadu(const double* p) {
  return {{loadVector<F2>(p), loadVector<F2>(p + 2), loadVector<F2>(p + 4), loadVector<F2>(p + 6)}};
}
HWL_INLINE void storeu(double* p, D a) {
  for (int i = 0; i < 4; ++i) storeVector(p + 2 * i, a.h[i]);
}
HWL_INLINE void storeMasked(double* p, Mask m, D a) {
  if ((m & 0xFF) == 0xFF) {
    storeu(p, a);
    return;
  }
  for (int i = 0; i < 8; ++i) {
    if (m >> i & 1) p[i] = a.h[i / 2][i % 2];
  }
}
// Lanes in m from b, the others from a.
HWL_INLINE D blend(Mask m, D a, D b) {
  return {{select(laneMask(m, 0), a.h[0], b.h[0]), select(laneMask(m, 1), a.h[1], b.h[1]),
           select(laneMask(m, 2), a.h[2], b.h[2]), select(laneMask(m, 3), a.h[3], b.h[3])}};
}
// Lanes in m from p (readable for all eight), the others from src.
HWL_INLINE D loadMasked(D src, Mask m, const double* p) { return blend(m, src, loadu(p)); }

// One of two constants in each lane, chosen by a mask: b in the lanes in it, a in the others. Each
// register's choice is one load from a table of the four.
struct Choice {
  F2 lanes[4];
};
inline Choice makeChoice(double a, double b) { return {{F2{a, a}, F2{b, a}, F2{a, b}, F2{b, b}}}; }
HWL_INLINE D choose(Mask m, const Choice& c) {
  return {{c.lanes[m & 3], c.lanes[m >> 2 & 3], c.lanes[m >> 4 & 3], c.lanes[m >> 6 & 3]}};
}

HWL_INLINE D add(D a, D b) {
  return each([](F2 x, F2 y) { return x + y; }, a, b);
}
HWL_INLINE D sub(D a, D b) {
  return each([](F2 x, F2 y) { return x - y; }, a, b);
}
HWL_INLINE D mul(D a, D b) {
  return each([](F2 x, F2 y) { return x * y; }, a, b);
}
HWL_INLINE D mulWhere(D src, Mask m, D a, D b) { return blend(m, src, mul(a, b)); }
// a times the constant c chooses for each lane (c's first value is 1).
HWL_INLINE D mulChosen(D a, Mask m, const Choice& c) { return mul(a, choose(m, c)); }
// a b + c, b the constant chosen for each lane from a choice whose first value is 0: a 0 + c is c bit
// for bit when c is not -0, fused or not.
HWL_INLINE D fmaddChosen(D a, Mask m, const Choice& b, D c) { return fmadd(a, choose(m, b), c); }

HWL_INLINE I2 signBit() { return I2{-0x7FFFFFFFFFFFFFFFLL - 1, -0x7FFFFFFFFFFFFFFFLL - 1}; }
HWL_INLINE D abs(D a) {
  return each([](F2 x) { return reinterpret_cast<F2>(reinterpret_cast<I2>(x) & ~signBit()); }, a);
}
HWL_INLINE D negate(D a) {
  return each([](F2 x) { return reinterpret_cast<F2>(reinterpret_cast<I2>(x) ^ signBit()); }, a);
}
// a with the sign of b or'ed in (a's sign clear).
HWL_INLINE D withSignOf(D a, D b) {
  return each(
      [](F2 x, F2 y) { return reinterpret_cast<F2>(reinterpret_cast<I2>(x) | (reinterpret_cast<I2>(y) & signBit())); },
      a, b);
}
// max(|a|, |b|) (the lanes are never NaN where it is used).
HWL_INLINE D maxAbs(D a, D b) { return each(maxPair, abs(a), abs(b)); }
// a + 1.5 * 2^52: a lane below 2^51 in magnitude rounded to its nearest integer (ties to even), which
// the low 32 bits of the lane hold.
HWL_INLINE D roundedToInteger(D a) { return add(a, set1(0x1.8p52)); }
// a minus its nearest integer (exact: the lanes are far below 2^51).
HWL_INLINE D distanceFromInteger(D a) { return sub(a, sub(roundedToInteger(a), set1(0x1.8p52))); }

// Lanes flagged by a comparison, kept as lane masks until a caller asks for the bits (rare: flagged
// lanes are recomputed one by one).
struct Flags {
  I2 h[4];
};
template <class Compare>
HWL_INLINE Flags flag(D a, D b, Compare compare) {
  return {{reinterpret_cast<I2>(compare(a.h[0], b.h[0])), reinterpret_cast<I2>(compare(a.h[1], b.h[1])),
           reinterpret_cast<I2>(compare(a.h[2], b.h[2])), reinterpret_cast<I2>(compare(a.h[3], b.h[3]))}};
}
// The lanes' low words (all ones where flagged, as the whole lane is) four to a register.
HWL_INLINE Mask bits(Flags f) {
  auto lowWords = [](I2 a, I2 b) {
    return __builtin_shufflevector(reinterpret_cast<I4>(a), reinterpret_cast<I4>(b), 0, 2, 4, 6);
  };
  return quadBits(lowWords(f.h[0], f.h[1])) | quadBits(lowWords(f.h[2], f.h[3])) << 4;
}
HWL_INLINE Flags flagNotEqual(D a, D b) {
  return flag(a, b, [](F2 x, F2 y) { return x != y; });
}
HWL_INLINE Flags flagGreater(D a, D b) {
  return flag(a, b, [](F2 x, F2 y) { return x > y; });
}
HWL_INLINE Flags either(Flags a, Flags b) {
  return {{a.h[0] | b.h[0], a.h[1] | b.h[1], a.h[2] | b.h[2], a.h[3] | b.h[3]}};
}
HWL_INLINE bool any(Flags f) { return anySet((f.h[0] | f.h[1]) | (f.h[2] | f.h[3])); }

HWL_INLINE Mask equal(D a, D b) {
  return bits(flag(a, b, [](F2 x, F2 y) { return x == y; }));
}
HWL_INLINE Mask notEqual(D a, D b) { return bits(flagNotEqual(a, b)); }
HWL_INLINE Mask lessOrEqual(D a, D b) {
  return bits(flag(a, b, [](F2 x, F2 y) { return x <= y; }));
}

// Eight 16- or 8-bit coefficients as doubles, lanes outside valid 0.
template <class C>
HWL_INLINE D loadCoefficients(const C* in, Mask valid) {
  const D out = widenCoefficients(in);
  return (valid & 0xFF) == 0xFF ? out : blend(valid, zero(), out);
}
// The nonzero ones among eight coefficients in valid.
template <class C>
HWL_INLINE Mask nonzeroCoefficients(const C* in, Mask valid) {
  if constexpr (sizeof(C) == 2) {
    const S8 v = loadVector<S8>(in);
    return ~wordBits(v == 0, v == 0) & valid & 0xFF;
  } else {
    const B16 v = loadVector<B16>(in);
    return ~byteBits(v == 0) & valid & 0xFF;
  }
}

// Coefficients compared two registers at a time: 16 of 16 bits or 32 of 8.
template <class C>
constexpr int coefficientLanes = 32 / static_cast<int>(sizeof(C));

template <class C>
HWL_INLINE std::uint64_t firstBits(int left) {
  return left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
}
// One bit per coefficient of two registers' comparison: where a[i] == b[i] (b null: a[i] == 0).
template <class C>
HWL_INLINE std::uint64_t equalBits(const C* a, const C* b) {
  if constexpr (sizeof(C) == 2) {
    const S8 a0 = loadVector<S8>(a), a1 = loadVector<S8>(a + 8);
    const S8 b0 = b ? loadVector<S8>(b) : S8{}, b1 = b ? loadVector<S8>(b + 8) : S8{};
    return wordBits(a0 == b0, a1 == b1);
  } else {
    const B16 a0 = loadVector<B16>(a), a1 = loadVector<B16>(a + 16);
    const B16 b0 = b ? loadVector<B16>(b) : B16{}, b1 = b ? loadVector<B16>(b + 16) : B16{};
    return byteBits(a0 == b0) | std::uint64_t{byteBits(a1 == b1)} << 16;
  }
}
// Bits of the `left` (up to coefficientLanes) coefficients from a: zero, or equal to b's.
template <class C>
HWL_INLINE std::uint64_t zeroCoefficientBits(const C* a, int left) {
  return equalBits<C>(a, nullptr) & firstBits<C>(left);
}
template <bool equal, class C>
HWL_INLINE std::uint64_t compareCoefficientBits(const C* a, const C* b, int left) {
  const std::uint64_t bits = equalBits(a, b);
  return (equal ? bits : ~bits) & firstBits<C>(left);
}

// Stores the first `pairs` (up to 8) of eight pairs of `pairBytes` each: all eight with one copy of
// constant size, fewer (once a row) with one of their length.
HWL_INLINE void storePrefix(void* out, const void* pairsOf8, int pairs, std::size_t pairBytes) {
  if (pairs >= 8) {
    std::memcpy(out, pairsOf8, 8 * pairBytes);
  } else {
    std::memcpy(out, pairsOf8, pairBytes * static_cast<unsigned>(pairs));
  }
}

// Stores the first and second samples of `pairs` (up to 8) pairs interleaved: f0 s0 f1 s1 ...
HWL_INLINE void storeInterleaved(double* out, D first, D second, int pairs) {
  F2 q[8];
  for (int i = 0; i < 4; ++i) {
    q[2 * i] = __builtin_shufflevector(first.h[i], second.h[i], 0, 2);
    q[2 * i + 1] = __builtin_shufflevector(first.h[i], second.h[i], 1, 3);
  }
  storePrefix(out, q, pairs, sizeof(double) * 2);
}

// Eight 32-bit integers, lanes 0 .. 3 and 4 .. 7.
struct Ints {
  I4 q[2];
};
// The nearest 32-bit integers of eight lanes below 2^31 in magnitude (ties to even): the low halves of
// the rounded lanes.
HWL_INLINE Ints nearestInts(D a) {
  const D t = roundedToInteger(a);
  return {{__builtin_shufflevector(reinterpret_cast<I4>(t.h[0]), reinterpret_cast<I4>(t.h[1]), 0, 2, 4, 6),
           __builtin_shufflevector(reinterpret_cast<I4>(t.h[2]), reinterpret_cast<I4>(t.h[3]), 0, 2, 4, 6)}};
}
// Eight pixels' words B, G, R, 0 (low byte first), each channel rounded to nearest and clamped to
// 0 .. 255 by the saturating packs: the channels as 16-bit words, paired per pixel (B G, R 0), then
// packed to bytes.
HWL_INLINE Ints pixelWords(D blue, D green, D red) {
  const Ints b = nearestInts(blue), g = nearestInts(green), r = nearestInts(red);
  const S8 bw = packWords(b.q[0], b.q[1]), gw = packWords(g.q[0], g.q[1]), rw = packWords(r.q[0], r.q[1]);
  const S8 none = {};
  const S8 bg0 = __builtin_shufflevector(bw, gw, 0, 8, 1, 9, 2, 10, 3, 11);
  const S8 bg1 = __builtin_shufflevector(bw, gw, 4, 12, 5, 13, 6, 14, 7, 15);
  const S8 r00 = __builtin_shufflevector(rw, none, 0, 8, 1, 9, 2, 10, 3, 11);
  const S8 r01 = __builtin_shufflevector(rw, none, 4, 12, 5, 13, 6, 14, 7, 15);
  auto pixels = [](S8 bg, S8 r0, int half) {
    return half == 0 ? __builtin_shufflevector(bg, r0, 0, 1, 8, 9, 2, 3, 10, 11)
                     : __builtin_shufflevector(bg, r0, 4, 5, 12, 13, 6, 7, 14, 15);
  };
  return {{reinterpret_cast<I4>(packBytes(pixels(bg0, r00, 0), pixels(bg0, r00, 1))),
           reinterpret_cast<I4>(packBytes(pixels(bg1, r01, 0), pixels(bg1, r01, 1)))}};
}

// first0 second0 first1 second1 ... as four registers of four words.
HWL_INLINE void interleaveWords(Ints first, Ints second, I4 out[4]) {
  for (int i = 0; i < 2; ++i) {
    out[2 * i] = __builtin_shufflevector(first.q[i], second.q[i], 0, 4, 1, 5);
    out[2 * i + 1] = __builtin_shufflevector(first.q[i], second.q[i], 2, 6, 3, 7);
  }
}

// Stores `pairs` (up to 8) pairs of 32-bit words interleaved: first0 second0 first1 second1 ...
HWL_INLINE void storeInterleavedWords(std::uint32_t* out, Ints first, Ints second, int pairs) {
  I4 words[4];
  interleaveWords(first, second, words);
  storePrefix(out, words, pairs, sizeof(std::uint32_t) * 2);
}

// Stores `pairs` (up to 8) pairs of integers interleaved as bytes, clamped to 0 .. 255.
HWL_INLINE void storeInterleavedBytes(std::uint8_t* out, Ints first, Ints second, int pairs) {
  I4 words[4];
  interleaveWords(first, second, words);
  const B16 bytes = packBytes(packWords(words[0], words[1]), packWords(words[2], words[3]));
  storePrefix(out, &bytes, pairs, 2);
}

}  // namespace hwl::detail::HWL_PATH
