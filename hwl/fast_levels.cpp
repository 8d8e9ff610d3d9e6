#include "hwl/fast_levels.h"

#include <bit>

namespace hwl::detail {

namespace {

// Doubles of which the caller writes the first `count`; the 16 behind them are zero.
Doubles writtenDoubles(std::size_t count) {
  Doubles d(count + 16, false);
  std::memset(d.get() + count, 0, 16 * sizeof(double));
  return d;
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

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Source rows.

LevelRows::LevelRows(const Level& level, bool equalityMasks)
    : level_(level), equalityMasks_(equalityMasks) {
  topStride_ = (level.w - level.hw + 7) / 8 * 8 + 2 * rowPadding;
  // One zeroed block: the top half's ring rows (when there are pairs) and a row of zeros.
  const std::size_t rings = level.hh > 0 ? 8 * static_cast<std::size_t>(topStride_) : 0;
  storage_ = Doubles(rings + (level.w + 7) / 8 * 8 + 2 * rowPadding);
  double* next = storage_.get();
  if (level.hh > 0) {
    for (TopRow& row : top_) {
      row.values = next;
      next += topStride_;
      row.nonzero[1].resize(bandWidth(1));
      for (int b = 0; b < 2; ++b) row.differsBelow[b].resize(bandWidth(b));
      if (equalityMasks_) row.equalsRight[0].resize(bandWidth(0));
    }
    for (BottomRow& row : bottom_) {
      for (int b = 0; b < 2; ++b) row.zero[b].resize(bandWidth(b));
      if (equalityMasks_) row.equalsRight[0].resize(bandWidth(0));
    }
  }
  zeroRow_ = next;
  for (int b = 0; b < 2; ++b) {
    noBits_[b].resize(bandWidth(b));
    allBits_[b].resize(bandWidth(b));
    for (int i = 0; i < allBits_[b].words(); ++i) allBits_[b].word()[i] = bitRange(i, 0, bandWidth(b) - 1);
  }
}

void LevelRows::advanceTo(int j) {
  const int topEnd = std::min(j + 2, level_.hh - 1);
  while (topReady_ <= topEnd) makeTop(topReady_++);
  const int bottomEnd = std::min(j + 1, level_.hh - 1);
  while (bottomReady_ <= bottomEnd) makeBottom(bottomReady_++);
}

void LevelRows::makeTop(int r) {
  TopRow& row = top_[r & 7];
  const int hw = level_.hw, wide = level_.w - hw;
  const double factor = level_.detailFactor;
  // Band 0 holds the coarser result, dense: its lanes never count as zero.
  level_.coefficients.at(hw, r, [&](auto in) {
    dequantiseRow(in, factor, wide, row.values + rowPadding, row.nonzero[1].bytes());
  });
  if (r > 0) {
    markDiffering(lo(0, r - 1), lo(0, r), hw, top_[(r - 1) & 7].differsBelow[0].bytes());
    std::uint8_t* below = top_[(r - 1) & 7].differsBelow[1].bytes();
    if (factor != 0) {
      level_.coefficients.at(hw, r, [&](auto in) {
        markDifferingCoefficients(in - level_.coefficients.stride, in, wide, below);
      });
    } else {
      std::memset(below, 0, (wide + 7) / 8);
    }
  }
  if (equalityMasks_) markEqualToNext(lo(0, r), hw, row.equalsRight[0].bytes());
}

void LevelRows::makeBottom(int r) {
  BottomRow& row = bottom_[r & 3];
  const int y = level_.hh + r;
  for (int b = 0; b < 2; ++b) {
    level_.coefficients.at(bandStart(b), y, [&](auto in) {
      markZeroCoefficients(in, level_.detailFactor, bandWidth(b), row.zero[b].bytes());
    });
  }
  if (equalityMasks_) {
    if (level_.detailFactor != 0) {
      level_.coefficients.at(0, y, [&](auto in) {
        markCoefficientsEqualToNext(in, level_.hw, row.equalsRight[0].bytes());
      });
    } else {
      row.equalsRight[0].copy(allBits_[0]);
    }
  }
}

const double* LevelRows::lo(int b, int r) const {
  if (r < 0 || r >= level_.hh) return zeroRow_ + rowPadding;
  if (b == 0) {
    if (level_.coarseRows) return level_.coarseRows->row(r);
    return level_.coarse + static_cast<std::ptrdiff_t>(r) * level_.hw;
  }
  return top_[r & 7].values + rowPadding;
}

double LevelRows::high(int b, int r, int x) const {
  if (r < 0 || r >= level_.hh) return 0;
  double value = 0;
  withHigh(b, r, [&](auto in) { value = dequantise(in[x], level_.detailFactor); });
  return value;
}

const BitLine& LevelRows::nonzero(int b, int r) const {
  if (r < 0 || r >= level_.hh) return noBits_[b];
  return b == 0 ? allBits_[0] : top_[r & 7].nonzero[b];
}
const BitLine& LevelRows::differsBelow(int b, int r) const {
  return r < 0 || r >= level_.hh - 1 ? noBits_[b] : top_[r & 7].differsBelow[b];
}
const BitLine& LevelRows::loEqualsRight(int b, int r) const {
  return r < 0 || r >= level_.hh ? allBits_[b] : top_[r & 7].equalsRight[b];
}
const BitLine& LevelRows::zero(int b, int r) const {
  return r < 0 || r >= level_.hh ? allBits_[b] : bottom_[r & 3].zero[b];
}
const BitLine& LevelRows::hiEqualsRight(int b, int r) const {
  return r < 0 || r >= level_.hh ? allBits_[b] : bottom_[r & 3].equalsRight[b];
}

void LevelRows::lastRow(double* out) const {
  level_.coefficients.at(0, level_.h - 1, [&](auto in) { dequantiseRow(in, level_.detailFactor, level_.w, out); });
}

// ---------------------------------------------------------------------------------------------------
// Column pass.

void columnSmoothing(const LevelRows& rows, int b, int j, BitLine& s1, BitLine& s2) {
  const int hh = rows.level().hh;
  s1.resize(rows.bandWidth(b));
  s2.resize(rows.bandWidth(b));
  if (j <= 0 || j >= hh - 1) return;  // the outermost pairs are plain
  const bool waive1 = j == hh - 2, waive2 = j == 1;
  const std::uint64_t* z0 = rows.zero(b, j).word();
  const std::uint64_t* zm = rows.zero(b, j - 1).word();
  const std::uint64_t* zp = rows.zero(b, j + 1).word();
  const std::uint64_t* d0 = rows.differsBelow(b, j).word();
  const std::uint64_t* dm = rows.differsBelow(b, j - 1).word();
  const std::uint64_t* dp = rows.differsBelow(b, j + 1).word();
  const std::uint64_t* dmm = rows.differsBelow(b, j - 2).word();
  for (int i = 0; i < s1.words(); ++i) {
    s1.word()[i] = z0[i] & zm[i] & d0[i] & (waive1 ? ~std::uint64_t{0} : dp[i]);
    s2.word()[i] = z0[i] & zp[i] & dm[i] & (waive2 ? ~std::uint64_t{0} : dmm[i]);
  }
}

namespace {

template <class C>
HWL_TARGET void columnPassOver(const Constants& k, const LevelRows& rows, int b, int j, const BitLine& s1,
                               const BitLine& s2, const C* hi, double* first, double* second) {
  const int n = rows.bandWidth(b);
  const double factor = rows.level().detailFactor;
  const __m512d f = _mm512_set1_pd(factor);
  const double* lo = rows.lo(b, j);
  const double* loM1 = rows.lo(b, j - 1);
  const double* loP1 = rows.lo(b, j + 1);
  const std::uint8_t* nz0 = rows.nonzero(b, j).bytes();
  const std::uint8_t* nzM1 = rows.nonzero(b, j - 1).bytes();
  const std::uint8_t* nzP1 = rows.nonzero(b, j + 1).bytes();
  const std::uint8_t* z0 = rows.zero(b, j).bytes();
  const std::uint8_t* smooth1 = s1.bytes();
  const std::uint8_t* smooth2 = s2.bytes();
  for (int x = 0; x < n; x += 8) {
    const int v = x / 8;
    const __mmask8 valid = lanesBefore(n, x);
    // Lanes whose low, neighbouring low and high values are all zero give zero samples.
    if (((nz0[v] | nzM1[v] | nzP1[v] | static_cast<std::uint8_t>(~z0[v])) & valid) == 0) {
      _mm512_mask_storeu_pd(first + x, valid, k.zero);
      _mm512_mask_storeu_pd(second + x, valid, k.zero);
      continue;
    }
    const PairSamples p = synthesisePairs(k, _mm512_loadu_pd(lo + x), loadDequantised(hi + x, f, valid),
                                          loM1 + x, loP1 + x, smooth1[v], smooth2[v]);
    _mm512_mask_storeu_pd(first + x, valid, p.first);
    _mm512_mask_storeu_pd(second + x, valid, p.second);
    for (unsigned m = p.doubt1 & valid; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = x + lane;
      first[c] = exactFirst(smooth1[v] >> lane & 1, lo[c], dequantise(hi[c], factor), loM1[c]);
    }
    for (unsigned m = p.doubt2 & valid; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = x + lane;
      second[c] = exactSecond(smooth2[v] >> lane & 1, lo[c], dequantise(hi[c], factor), loP1[c]);
    }
  }
}

}  // namespace

void columnPass(const Constants& k, const LevelRows& rows, int b, int j, const BitLine& s1,
                const BitLine& s2, double* first, double* second) {
  rows.withHigh(b, j, [&](auto hi) { columnPassOver(k, rows, b, j, s1, s2, hi, first, second); });
}

// ---------------------------------------------------------------------------------------------------
// Row pass.

void RowRules::resize(int hw) {
  if (size == hw) return;
  size = hw;
  differs.resize(hw);
  zero.resize(hw);
  s1.resize(hw);
  s2.resize(hw);
}

void rowMasks(const double* p, int hw, RowRules& rules) {
  markDiffering(p, p + 1, hw - 1, rules.differs.bytes());
  markZero(p + hw, hw, rules.zero.bytes());
}

void rowSmoothing(int hw, RowRules& rules) {
  const BitLine& d = rules.differs;
  const BitLine& z = rules.zero;
  for (int i = 0; i < rules.s1.words(); ++i) {
    const std::uint64_t inner = bitRange(i, 1, hw - 2);
    const std::uint64_t zz = inner & z.word()[i];
    rules.s1.word()[i] = zz & z.shifted(i, -1) & d.word()[i] & (d.shifted(i, 1) | bitRange(i, hw - 2, hw - 2));
    rules.s2.word()[i] = zz & z.shifted(i, 1) & d.shifted(i, -1) & (d.shifted(i, -2) | bitRange(i, 1, 1));
  }
}

HWL_TARGET void rowExact(const Constants& k, const double* p, int w, RowRules& rules, double* out) {
  const int hw = w / 2;
  rules.resize(hw);
  rowMasks(p, hw, rules);
  rowSmoothing(hw, rules);
  const std::uint8_t* smooth1 = rules.s1.bytes();
  const std::uint8_t* smooth2 = rules.s2.bytes();
  for (int j = 0; j < hw; j += 8) {
    const int v = j / 8;
    const PairSamples s = synthesisePairs(k, _mm512_loadu_pd(p + j), _mm512_loadu_pd(p + hw + j), p + j - 1,
                                          p + j + 1, smooth1[v], smooth2[v]);
    storeInterleaved(out + 2 * j, s.first, s.second, std::min(8, hw - j));
    const __mmask8 valid = lanesBefore(hw, j);
    for (unsigned m = s.doubt1 & valid; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = j + lane;
      out[2 * c] = exactFirst(smooth1[v] >> lane & 1, p[c], p[hw + c], p[c - 1]);
    }
    for (unsigned m = s.doubt2 & valid; m != 0; m &= m - 1) {
      const int lane = std::countr_zero(m), c = j + lane;
      out[2 * c + 1] = exactSecond(smooth2[v] >> lane & 1, p[c], p[hw + c], p[c + 1]);
    }
  }
  if (w % 2 != 0) out[w - 1] = p[w - 1];
}

// ---------------------------------------------------------------------------------------------------
// Levels.

LevelProducer::LevelProducer(const Constants& k, const Level& level, double* plane)
    : k_(k), level_(level), rows_(level, false) {
  if (plane) {
    out_ = plane;
    stride_ = level.w;
    slots_ = std::max(level.h, 1);
  } else {
    stride_ = (level.w + 7) / 8 * 8 + rowPadding;
    slots_ = 16;
    ring_ = Doubles(static_cast<std::size_t>(stride_) * slots_);
    out_ = ring_.get();
  }
  const int columnStride = (level.w + 7) / 8 * 8 + 2 * rowPadding;
  columns_ = Doubles(2 * static_cast<std::size_t>(columnStride));
  first_ = columns_.get() + rowPadding;
  second_ = first_ + columnStride;
  rules_.resize(level.hw);
}

const double* LevelProducer::row(int r) {
  while (ready_ <= r) produce();
  return slot(r);
}

HWL_TARGET void LevelProducer::produce() {
  const int j = ready_ / 2;
  if (j < level_.hh) {
    rows_.advanceTo(j);
    for (int b = 0; b < 2; ++b) {
      columnSmoothing(rows_, b, j, s1_[b], s2_[b]);
      columnPass(k_, rows_, b, j, s1_[b], s2_[b], first_ + rows_.bandStart(b), second_ + rows_.bandStart(b));
    }
    rowExact(k_, first_, level_.w, rules_, slot(2 * j));
    rowExact(k_, second_, level_.w, rules_, slot(2 * j + 1));
    ready_ = 2 * j + 2;
  } else {
    rows_.lastRow(first_);  // the unpaired last row of an odd height
    rowExact(k_, first_, level_.w, rules_, slot(level_.h - 1));
    ready_ = level_.h;
  }
}

Doubles approximationBlock(const Coefficients& coefficients, int width, int height, int L, double factor) {
  const int aw = width >> (L + 1), ah = height >> (L + 1);
  Doubles block = writtenDoubles(static_cast<std::size_t>(aw) * ah);
  for (int r = 0; r < ah; ++r) {
    coefficients.at(0, r, [&](auto in) {
      dequantiseRow(in, factor, aw, block.get() + static_cast<std::ptrdiff_t>(r) * aw);
    });
  }
  return block;
}

Doubles exactLevels(const Constants& k, const Coefficients& coefficients, int width, int height, int L,
                      const double* factors, int last) {
  Doubles previous = approximationBlock(coefficients, width, height, L, factors[L + 1]);
  for (int level = L; level >= last; --level) {
    const Level v = levelRegion(coefficients, width, height, level, factors[level], previous.get());
    Doubles out = writtenDoubles(static_cast<std::size_t>(v.w) * v.h);
    if (v.w > 0 && v.h > 0) {
      LevelProducer producer(k, v, out.get());
      producer.row(v.h - 1);
    }
    previous = std::move(out);
  }
  return previous;
}

Level levelRegion(const Coefficients& coefficients, int width, int height, int level, double detailFactor,
              const double* coarse) {
  Level v;
  v.w = width >> level;
  v.h = height >> level;
  v.hw = v.w / 2;
  v.hh = v.h / 2;
  v.coefficients = coefficients;
  v.detailFactor = detailFactor;
  v.coarse = coarse;
  return v;
}

}  // namespace hwl::detail
