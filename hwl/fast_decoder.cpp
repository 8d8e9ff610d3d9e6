#include "hwl/fast_decoder.h"

#include "hwl/fast_expand.h"
#include "hwl/fast_kernels.h"
#include "hwl/fast_levels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

// The coarser levels are computed exactly (fast_kernels.h). The finest level feeds only the bytes:
//
// - Its column pass runs in binary64. The row pass's smoothing rules compare the column-pass values
//   of neighbouring columns for equality, so each approximate row comes with the columns whose value
//   provably equals the next one (the same formula on the same exact inputs). Two neighbours that are
//   equal without that proof, or that differ by less than twice the approximation's error bound, put
//   their comparison in doubt, and a comparison in doubt that the rules use is decided with the two
//   values computed exactly. Zero tests need no proof: an approximate value is zero exactly when the
//   exact one is.
// - The row pass, the colour conversion and the store run together in binary64, eight pairs (sixteen
//   pixels) at a time, and a pixel whose approximate red, green, blue or grey value lies within a proven
//   error bound of a rounding point (k + 0.5) is recomputed with the extended formulas from exact
//   column-pass values.

namespace hwl::detail {

namespace {

struct Plane {
  std::unique_ptr<std::int16_t[]> wide;  // the coefficients, 16-bit, or
  std::unique_ptr<std::int8_t[]> narrow;  // 8-bit when the value width is at most 7
  Coefficients coefficients;
  std::array<double, hwlTableSize> factors{};
  Doubles approximation;  // the approximation block, dequantised
  // Levels L .. 1, each making its rows as the next finer level reads them (levels[l - 1] is level l).
  std::vector<std::unique_ptr<LevelProducer>> levels;
  double bound = 0;  // no value of the finest level exceeds this in magnitude
};

// One plane's finest level: its source rows, the two column-pass rows of the current pair and the
// row pass's rules.
class FinestPlane {
 public:
  FinestPlane(const Plane& plane, const HwlHeader& header)
      : level_(finestLevel(plane, header)), rows_(level_, true),
        stride_((level_.w + 7) / 8 * 8 + 2 * rowPadding), buffer_(2 * static_cast<std::size_t>(stride_)),
        absoluteTolerance_(std::ldexp(plane.bound, -62)) {
    for (int r = 0; r < 2; ++r) {
      rules_[r].resize(level_.hw);
      near_[r].resize(level_.hw);
      same_[r].resize(level_.hw);
    }
    first_.resize(level_.hw);
    second_.resize(level_.hw);
  }

  const double* row(int r) const { return buffer_.get() + rowPadding + static_cast<std::ptrdiff_t>(r) * stride_; }
  const RowRules& rules(int r) const { return rules_[r]; }

  // The column pass of pair j, approximate, with what the row pass needs of it: which high values
  // are zero, which low values differ from the next or are near it, and which provably equal it.
  HWL_TARGET void columns(const Constants& k, int j) {
    j_ = j;
    lastRow_ = false;
    rows_.advanceTo(j);
    const int hw = level_.hw;
    for (int b = 0; b < 2; ++b) {
      columnSmoothing(rows_, b, j, s1_[b], s2_[b]);
      const int x0 = rows_.bandStart(b);
      approximateColumns(k, b, rows_.bandWidth(b), writableRow(0) + x0, writableRow(1) + x0);
    }
    // Neighbouring low values of both rows: differing, and near (within twice the error bound).
    const __m512d relative = _mm512_set1_pd(0x1p-50);
    const __m512d absolute = _mm512_set1_pd(absoluteTolerance_);
    for (int r = 0; r < 2; ++r) {
      const double* p = row(r);
      std::uint8_t* differs = rules_[r].differs.bytes();
      std::uint8_t* near = near_[r].bytes();
      for (int x = 0; x < hw - 1; x += 8) {
        const __mmask8 valid = lanesBefore(hw - 1, x);
        const __m512d a = _mm512_loadu_pd(p + x), b = _mm512_loadu_pd(p + x + 1);
        const __m512d gap = _mm512_abs_pd(_mm512_sub_pd(a, b));
        const __m512d size = _mm512_range_pd(gap, _mm512_add_pd(a, b), 0x0B);  // |a| + |b|
        differs[x / 8] = _mm512_mask_cmp_pd_mask(valid, a, b, _CMP_NEQ_UQ);
        near[x / 8] = _mm512_mask_cmp_pd_mask(valid, gap, _mm512_fmadd_pd(size, relative, absolute), _CMP_LE_OQ);
      }
    }
    const std::uint64_t* loHere = rows_.loEqualsRight(0, j).word();
    const std::uint64_t* loAbove = rows_.loEqualsRight(0, j - 1).word();
    const std::uint64_t* loBelow = rows_.loEqualsRight(0, j + 1).word();
    const std::uint64_t* hiHere = rows_.hiEqualsRight(0, j).word();
    for (int i = 0; i < same_[0].words(); ++i) {
      const std::uint64_t inputs = loHere[i] & hiHere[i];
      const std::uint64_t a = s1_[0].word()[i], an = s1_[0].shifted(i, 1);
      const std::uint64_t b = s2_[0].word()[i], bn = s2_[0].shifted(i, 1);
      same_[0].word()[i] = inputs & ~(a ^ an) & (~a | loAbove[i]);
      same_[1].word()[i] = inputs & ~(b ^ bn) & (~b | loBelow[i]);
    }
  }

  // Row h - 1 of an odd height: its column pass leaves it as it is.
  void lastRow() {
    rows_.lastRow(writableRow(0));
    rowMasks(row(0), level_.hw, rules_[0]);
    lastRow_ = true;
  }

  // The row pass's rules for column-pass row r. Comparisons of an approximate row that are in doubt
  // are decided with exact values.
  void prepareRow(int r) {
    if (!lastRow_) decideDoubts(r);
    rowSmoothing(level_.hw, rules_[r]);
  }

  // Sample x of row r of the level's result, in extended precision.
  double exactSample(int r, int x) const {
    const int hw = level_.hw;
    if (x == 2 * hw) return columnSample(r, x);
    const int j = x / 2;
    double lo[5], hi[3];
    for (int i = 0; i < 5; ++i) lo[i] = j - 2 + i >= 0 && j - 2 + i < hw ? columnSample(r, j - 2 + i) : 0.0;
    for (int i = 0; i < 3; ++i) hi[i] = j - 1 + i >= 0 && j - 1 + i < hw ? columnSample(r, hw + j - 1 + i) : 0.0;
    return synthesiseFromWindow(lo, hi, hw, j, x % 2);
  }

 private:
  static Level finestLevel(const Plane& plane, const HwlHeader& header) {
    Level v = levelRegion(plane.coefficients, header.width, header.height, 0, plane.factors[0],
                      plane.approximation.get());
    if (!plane.levels.empty()) v.coarseRows = plane.levels[0].get();
    return v;
  }

  double* writableRow(int r) { return buffer_.get() + rowPadding + static_cast<std::ptrdiff_t>(r) * stride_; }

  // Column x of column-pass row r, in extended precision.
  double columnSample(int r, int x) const {
    if (lastRow_) return row(0)[x];
    const int b = x < level_.hw ? 0 : 1;
    const int xb = x - rows_.bandStart(b);
    double lo[5], hi[3];
    for (int i = 0; i < 5; ++i) lo[i] = rows_.lo(b, j_ - 2 + i)[xb];
    for (int i = 0; i < 3; ++i) hi[i] = rows_.high(b, j_ - 1 + i, xb);
    return synthesiseFromWindow(lo, hi, level_.hh, j_, r);
  }

  // The column pass over band b (n columns) in binary64: every lane computes the plain and the
  // smoothed formulas and keeps the one its rules ask for. Band 1's samples are the row pass's high
  // values: it marks which are zero.
  void approximateColumns(const Constants& k, int b, int n, double* first, double* second) {
    rows_.withHigh(b, j_, [&](auto hi) { approximateColumnsOver(k, b, n, hi, first, second); });
  }

  template <class C>
  HWL_TARGET void approximateColumnsOver(const Constants& k, int b, int n, const C* hi, double* first,
                                         double* second) {
    const __m512d factor = _mm512_set1_pd(level_.detailFactor);
    const double* lo = rows_.lo(b, j_);
    const double* loM1 = rows_.lo(b, j_ - 1);
    const double* loP1 = rows_.lo(b, j_ + 1);
    const std::uint8_t* smooth1 = s1_[b].bytes();
    const std::uint8_t* smooth2 = s2_[b].bytes();
    std::uint8_t* zero1 = rules_[0].zero.bytes();
    std::uint8_t* zero2 = rules_[1].zero.bytes();
    for (int x = 0; x < n; x += 8) {
      const int v = x / 8;
      const __mmask8 valid = lanesBefore(n, x);
      const __m512d l = _mm512_loadu_pd(lo + x), h = loadDequantised(hi + x, factor, valid);
      __m512d f = _mm512_mul_pd(_mm512_add_pd(l, h), k.c);
      __m512d s = _mm512_mul_pd(_mm512_sub_pd(l, h), k.c);
      f = _mm512_mask_mul_pd(f, _load_mask8(const_cast<__mmask8*>(smooth1 + v)), _mm512_fmadd_pd(l, k.four, _mm512_loadu_pd(loM1 + x)), k.cwHigh);
      s = _mm512_mask_mul_pd(s, _load_mask8(const_cast<__mmask8*>(smooth2 + v)), _mm512_fmadd_pd(l, k.four, _mm512_loadu_pd(loP1 + x)), k.cwHigh);
      _mm512_mask_storeu_pd(first + x, valid, f);
      _mm512_mask_storeu_pd(second + x, valid, s);
      if (b == 1) {
        const __mmask8 pairs = lanesBefore(level_.hw, x);  // an unpaired last column is no high value
        zero1[v] = _mm512_mask_cmp_pd_mask(pairs, f, k.zero, _CMP_EQ_OQ);
        zero2[v] = _mm512_mask_cmp_pd_mask(pairs, s, k.zero, _CMP_EQ_OQ);
      }
    }
  }

  // Comparisons of approximate row r's neighbouring low values that the rules use and that might
  // come out differently for the exact values: neighbours near each other, unless they are the same
  // computation. These are decided with exact values.
  void decideDoubts(int r) {
    const int hw = level_.hw;
    // Comparison x (of values x and x + 1) feeds the first sample of pairs x and x - 1 and the second
    // of pairs x + 1 and x + 2, where the high values around them are zero.
    const BitLine& z = rules_[r].zero;
    for (int i = 0; i < first_.words(); ++i) {
      const std::uint64_t flat = bitRange(i, 1, hw - 2) & z.word()[i];
      first_.word()[i] = flat & z.shifted(i, -1);
      second_.word()[i] = flat & z.shifted(i, 1);
    }
    std::uint64_t* differs = rules_[r].differs.word();
    for (int i = 0; i < first_.words(); ++i) {
      const std::uint64_t uses = first_.word()[i] | first_.shifted(i, -1) | second_.shifted(i, 1) |
                                 second_.shifted(i, 2);
      for (std::uint64_t m = near_[r].word()[i] & (differs[i] | ~same_[r].word()[i]) & uses; m != 0; m &= m - 1) {
        const int bit = std::countr_zero(m), x = 64 * i + bit;
        const std::uint64_t one = std::uint64_t{1} << bit;
        differs[i] = columnSample(r, x) != columnSample(r, x + 1) ? differs[i] | one : differs[i] & ~one;
      }
    }
  }

  Level level_;
  LevelRows rows_;
  int stride_;
  Doubles buffer_;  // the two column-pass rows, padded
  double absoluteTolerance_;
  int j_ = 0;
  bool lastRow_ = false;  // the pair is row h - 1 of an odd height, exact as it is
  std::array<BitLine, 2> s1_, s2_;
  // Per row: the row pass's rules, band-0 columns near their right neighbour and those provably equal
  // to it.
  std::array<RowRules, 2> rules_;
  std::array<BitLine, 2> near_, same_;
  BitLine first_, second_;  // scratch of decideDoubts
};

// ---------------------------------------------------------------------------------------------------
// Row pass, colour conversion and store.

// v minus its nearest integer.
HWL_INLINE __m512d distanceFromInteger(__m512d v) { return _mm512_reduce_pd(v, 0x08); }

struct ColourConstants {
  __m512d redFromV, blueFromU, greenGain, lumaRed, lumaBlue;
  __m256i order;
};

HWL_TARGET ColourConstants makeColourConstants() {
  ColourConstants c;
  c.redFromV = _mm512_set1_pd(static_cast<double>(redFromV));
  c.blueFromU = _mm512_set1_pd(static_cast<double>(blueFromU));
  c.greenGain = _mm512_set1_pd(static_cast<double>(greenGain));
  c.lumaRed = _mm512_set1_pd(static_cast<double>(lumaRed));
  c.lumaBlue = _mm512_set1_pd(static_cast<double>(lumaBlue));
  c.order = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0, 4, 8, 12, 1, 5, 9, 13,
                             2, 6, 10, 14, 3, 7, 11, 15);
  return c;
}

HWL_INLINE __m256i nearestInts(__m512d v) {
  return _mm512_cvt_roundpd_epi32(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

// Eight B, G, R, 0 words from Y, U, V, and the lanes with a channel further than `half` (0.5 minus
// the error bound) from its nearest integer, that is near a rounding point.
HWL_INLINE __m256i colourWords(const ColourConstants& c, __m512d y, __m512d u, __m512d v, __m512d half,
                               __mmask8& doubt) {
  const __m512d red = _mm512_fmadd_pd(v, c.redFromV, y);
  const __m512d blue = _mm512_fmadd_pd(u, c.blueFromU, y);
  const __m512d green = _mm512_mul_pd(_mm512_fnmadd_pd(blue, c.lumaBlue, _mm512_fnmadd_pd(red, c.lumaRed, y)), c.greenGain);
  // The largest distance of the three from an integer (range: larger magnitude, sign cleared).
  const __m512d far = _mm512_range_pd(_mm512_range_pd(distanceFromInteger(red), distanceFromInteger(green), 0x0B),
                                      distanceFromInteger(blue), 0x0B);
  doubt = _mm512_cmp_pd_mask(far, half, _CMP_GT_OQ);
  // Saturating packs clamp to 0 .. 255: B0-3 G0-3 R0-3 0 in each 128-bit half, then per pixel.
  const __m256i bg = _mm256_packs_epi32(nearestInts(blue), nearestInts(green));
  const __m256i r0 = _mm256_packs_epi32(nearestInts(red), _mm256_setzero_si256());
  return _mm256_shuffle_epi8(_mm256_packus_epi16(bg, r0), c.order);
}

// Pixels 2j, 2j + 1, ... from the first and second samples' words.
HWL_INLINE __m512i interleaveWords(__m256i first, __m256i second) {
  const __m512i both = _mm512_inserti64x4(_mm512_castsi256_si512(first), second, 1);
  return _mm512_permutexvar_epi32(_mm512_setr_epi32(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15), both);
}

// Row r's pairs j .. j + 7 of one plane's row pass, in binary64: first and second samples.
struct ApproximatePairs {
  __m512d first, second;
};
HWL_INLINE ApproximatePairs approximateRowPairs(const Constants& k, const double* row, const RowRules& rules,
                                                int hw, int j) {
  const int v = j / 8;
  const double* lo = row + j;
  const __m512d l = _mm512_loadu_pd(lo), h = _mm512_loadu_pd(lo + hw);
  __m512d f = _mm512_mul_pd(_mm512_add_pd(l, h), k.c);
  __m512d s = _mm512_mul_pd(_mm512_sub_pd(l, h), k.c);
  const __mmask8 s1 = _load_mask8(const_cast<__mmask8*>(rules.s1.bytes() + v));
  const __mmask8 s2 = _load_mask8(const_cast<__mmask8*>(rules.s2.bytes() + v));
  f = _mm512_mask_mul_pd(f, s1, _mm512_fmadd_pd(l, k.four, _mm512_loadu_pd(lo - 1)), k.cwHigh);
  s = _mm512_mask_mul_pd(s, s2, _mm512_fmadd_pd(l, k.four, _mm512_loadu_pd(lo + 1)), k.cwHigh);
  return {f, s};
}

// Row y of a colour picture from row r of each plane's column pass.
HWL_TARGET void storeColourRow(const Constants& k, const ColourConstants& cc, std::array<FinestPlane*, 3> planes,
                               int r, int w, double margin, std::uint8_t* out) {
  const int hw = w / 2;
  const __m512d half = _mm512_set1_pd(0.5 - margin);
  auto exactPixel = [&](int x) {
    const Rgb rgb = colourFromYuv(planes[0]->exactSample(r, x), planes[1]->exactSample(r, x),
                                  planes[2]->exactSample(r, x));
    std::uint8_t* pixel = out + 4 * static_cast<std::ptrdiff_t>(x);
    pixel[0] = hwlStoreSample(rgb.blue);
    pixel[1] = hwlStoreSample(rgb.green);
    pixel[2] = hwlStoreSample(rgb.red);
    pixel[3] = 0;
  };
  const double* rowY = planes[0]->row(r);
  const double* rowU = planes[1]->row(r);
  const double* rowV = planes[2]->row(r);
  const RowRules& rulesY = planes[0]->rules(r);
  const RowRules& rulesU = planes[1]->rules(r);
  const RowRules& rulesV = planes[2]->rules(r);
  for (int j = 0; j < hw; j += 8) {
    const ApproximatePairs y = approximateRowPairs(k, rowY, rulesY, hw, j);
    const ApproximatePairs u = approximateRowPairs(k, rowU, rulesU, hw, j);
    const ApproximatePairs v = approximateRowPairs(k, rowV, rulesV, hw, j);
    __mmask8 doubt1, doubt2;
    const __m256i first = colourWords(cc, y.first, u.first, v.first, half, doubt1);
    const __m256i second = colourWords(cc, y.second, u.second, v.second, half, doubt2);
    const __m512i words = interleaveWords(first, second);
    std::uint32_t* at = reinterpret_cast<std::uint32_t*>(out) + 2 * static_cast<std::ptrdiff_t>(j);
    if (hw - j >= 8) {
      _mm512_storeu_si512(at, words);
    } else {
      _mm512_mask_storeu_epi32(at, static_cast<__mmask16>((1u << (2 * (hw - j))) - 1), words);
      const __mmask8 valid = lanesBefore(hw, j);
      doubt1 &= valid;
      doubt2 &= valid;
    }
    if ((doubt1 | doubt2) != 0) [[unlikely]] {
      for (unsigned m = doubt1; m != 0; m &= m - 1) exactPixel(2 * (j + std::countr_zero(m)));
      for (unsigned m = doubt2; m != 0; m &= m - 1) exactPixel(2 * (j + std::countr_zero(m)) + 1);
    }
  }
  if (w % 2 != 0) exactPixel(w - 1);
}

// Row y of a grey picture from row r of the plane's column pass.
HWL_TARGET void storeGreyRow(const Constants& k, FinestPlane& plane, int r, int w, double margin, std::uint8_t* out) {
  const int hw = w / 2;
  const __m512d half = _mm512_set1_pd(0.5 - margin);
  const __m512i order = _mm512_setr_epi32(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
  const double* row = plane.row(r);
  const RowRules& rules = plane.rules(r);
  for (int j = 0; j < hw; j += 8) {
    const ApproximatePairs s = approximateRowPairs(k, row, rules, hw, j);
    const __m512d far = _mm512_range_pd(distanceFromInteger(s.first), distanceFromInteger(s.second), 0x0B);
    __mmask8 doubt = _mm512_cmp_pd_mask(far, half, _CMP_GT_OQ);
    __m512i values = _mm512_inserti64x4(_mm512_castsi256_si512(nearestInts(s.first)), nearestInts(s.second), 1);
    values = _mm512_permutexvar_epi32(order, values);
    values = _mm512_min_epi32(_mm512_max_epi32(values, _mm512_setzero_si512()), _mm512_set1_epi32(255));
    if (hw - j >= 8) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), _mm512_cvtepi32_epi8(values));
    } else {
      _mm_mask_storeu_epi8(out + 2 * j, static_cast<__mmask16>((1u << (2 * (hw - j))) - 1), _mm512_cvtepi32_epi8(values));
      doubt &= lanesBefore(hw, j);
    }
    if (doubt != 0) [[unlikely]] {  // either sample of the pair may be the one near a rounding point
      for (unsigned m = doubt; m != 0; m &= m - 1) {
        const int x = 2 * (j + std::countr_zero(m));
        out[x] = hwlStoreSample(plane.exactSample(r, x));
        out[x + 1] = hwlStoreSample(plane.exactSample(r, x + 1));
      }
    }
  }
  if (w % 2 != 0) out[w - 1] = hwlStoreSample(plane.exactSample(r, w - 1));
}

void finestLevel(const Constants& k, std::array<Plane, 3>& planes, int planeCount, const HwlHeader& header,
                 double margin, std::uint8_t* pixels) {
  const int width = header.width;
  const int height = header.height;
  std::vector<std::unique_ptr<FinestPlane>> finest;
  std::array<FinestPlane*, 3> all{};
  for (int p = 0; p < planeCount; ++p) {
    finest.push_back(std::make_unique<FinestPlane>(planes[p], header));
    all[p] = finest.back().get();
  }
  const ColourConstants cc = makeColourConstants();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (planeCount == 3 ? 4 : 1);
  auto store = [&](int r, int y) {
    for (int p = 0; p < planeCount; ++p) all[p]->prepareRow(r);
    std::uint8_t* out = pixels + static_cast<std::size_t>(y) * rowBytes;
    if (planeCount == 3) {
      storeColourRow(k, cc, all, r, width, margin, out);
    } else {
      storeGreyRow(k, *all[0], r, width, margin, out);
    }
  };
  for (int j = 0; j < height / 2; ++j) {
    for (int p = 0; p < planeCount; ++p) all[p]->columns(k, j);
    store(0, 2 * j);
    store(1, 2 * j + 1);
  }
  if (height % 2 != 0) {
    for (int p = 0; p < planeCount; ++p) all[p]->lastRow();
    store(0, height - 1);
  }
}

// Expanded integers and factors of plane p.
void preparePlane(const HwlContents& contents, int p, Plane& plane) {
  const HwlHeader& header = contents.header;
  for (int g = 0; g <= header.lastLevel + 1; ++g) {
    plane.factors[g] = dequantisationFactor(contents.tables[p][g]);
  }
  const std::size_t total = std::size_t{header.width} * header.height;
  plane.coefficients.stride = header.width;
  if (contents.planes[p].valueBits <= 7) {
    plane.narrow = std::make_unique_for_overwrite<std::int8_t[]>(total + expandSpare);
    std::fill_n(plane.narrow.get() + total, expandSpare, std::int8_t{0});
    expandCoefficients(contents.planes[p], plane.narrow.get(), total);
    plane.coefficients.narrow = plane.narrow.get();
  } else {
    plane.wide = std::make_unique_for_overwrite<std::int16_t[]>(total + expandSpare);
    std::fill_n(plane.wide.get() + total, expandSpare, std::int16_t{0});
    expandCoefficients(contents.planes[p], plane.wide.get(), total);
    plane.coefficients.wide = plane.wide.get();
  }
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
  const HwlHeader& h = contents.header;
  const Doubles result = exactLevels(makeConstants(), plane.coefficients, h.width, h.height, h.lastLevel,
                                       plane.factors.data(), 0);
  const std::size_t total = std::size_t{h.width} * h.height;
  return std::vector<double>(result.get(), result.get() + total);
}

bool fastDecode(const HwlContents& contents, std::uint8_t* pixels) {
  const HwlHeader& header = contents.header;
  const int L = header.lastLevel;
  std::array<Plane, 3> planes;
  double sum = 0;  // B_Y + 2.1 B_U + 2.1 B_V, or B for a grey picture
  for (int p = 0; p < contents.planeCount; ++p) {
    double largest = 0;
    for (int g = 0; g <= L + 1; ++g) {
      const double f = dequantisationFactor(contents.tables[p][g]);
      if (groupIsEmpty(header, g)) continue;  // its factor is never used
      if (!factorInRange(f)) return false;
      largest = std::max(largest, std::fabs(f));
    }
    // Coefficients are below 2^k; each one-dimensional pass grows magnitudes by at most sqrt(2).
    const int top = (1 << contents.planes[p].valueBits) - 1;
    planes[p].bound = top * largest * std::ldexp(1.01, L + 1);
    sum += planes[p].bound * (p == 0 ? 1 : 2.1);
  }
  // Red, green and blue stay below 2.4 sum in magnitude: far inside the 32-bit integers the bytes are
  // converted through.
  if (sum > 0x1p24) return false;
  // An approximate column-pass value lies within 4.03 * 2^-53 B of the exact one (B: the plane's
  // bound), a row-pass sample from them within 8.71 * 2^-53 B, and the colour conversion keeps every
  // channel within 36.5 * 2^-53 sum: the margin is over 14 times that.
  const double margin = std::ldexp(1 + sum, -44);

  const Constants k = makeConstants();
  for (int p = 0; p < contents.planeCount; ++p) {
    Plane& plane = planes[p];
    preparePlane(contents, p, plane);
    plane.approximation = approximationBlock(plane.coefficients, header.width, header.height, L,
                                             plane.factors[L + 1]);
    plane.levels.resize(L);
    for (int level = L; level >= 1; --level) {
      Level v = levelRegion(plane.coefficients, header.width, header.height, level, plane.factors[level],
                        plane.approximation.get());
      if (level < L) v.coarseRows = plane.levels[level].get();
      plane.levels[level - 1] = std::make_unique<LevelProducer>(k, v);
    }
  }
  finestLevel(k, planes, contents.planeCount, header, margin, pixels);
  return true;
}

}  // namespace hwl::detail
