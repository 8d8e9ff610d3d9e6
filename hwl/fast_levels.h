#pragma once
// One level of the inverse transform the vectorised way. A level's source rows are made as the
// passes need them (the top half's left columns are the coarser level's result, the rest of the top
// half dequantised detail coefficients) and kept in small rings; the bottom half's coefficients are
// read where they are. Every row comes with bit masks the smoothing rules read: which values are
// zero, which differ from the row below, which equal their right neighbour. The exact column pass
// makes the two rows of a pair from them, the exact row pass a row of the level's result from a
// column-pass row, and a LevelProducer makes a level's result two rows at a time on demand.
//
// The columns of a level fall into two bands that are handled apart, each with its own sources:
// band 0 is columns [0, hw) (low-pass across columns), band 1 columns [hw, w).

#include "hwl/fast_kernels.h"

#include <array>

namespace hwl::detail {

class LevelProducer;

// A plane's coefficients, 16 bits each or 8 (when every magnitude fits), with their row stride (the
// picture's width) and at least expandSpare readable entries behind them.
struct Coefficients {
  const std::int16_t* wide = nullptr;
  const std::int8_t* narrow = nullptr;
  int stride = 0;

  // Calls f with a pointer to coefficient (x, y) of the type they are stored in.
  template <class F>
  void at(int x, int y, F f) const {
    const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(y) * stride + x;
    if (narrow) {
      f(narrow + i);
    } else {
      f(wide + i);
    }
  }
};

// A level's region (w x h, halves hw = w / 2 and hh = h / 2) and its inputs.
struct Level {
  int w = 0, h = 0, hw = 0, hh = 0;
  Coefficients coefficients;
  double detailFactor = 0;
  const double* coarse = nullptr;  // hw x hh values, row stride hw, readable 8 values past the end:
                                   // the coarser level's result, or the approximation block
  LevelProducer* coarseRows = nullptr;  // or the coarser level making its rows as they are read
};

// The level region of `level` in a plane of width x height coefficients.
Level levelRegion(const Coefficients& coefficients, int width, int height, int level, double detailFactor,
              const double* coarse);

class LevelRows {
 public:
  // equalityMasks: also mark, in band 0, which values equal their right neighbour.
  LevelRows(const Level& level, bool equalityMasks);

  const Level& level() const { return level_; }
  int bandStart(int b) const { return b == 0 ? 0 : level_.hw; }
  int bandWidth(int b) const { return b == 0 ? level_.hw : level_.w - level_.hw; }

  // Makes the top rows j - 2 .. j + 2 and the bottom rows j - 1 .. j + 1 ready (j ascending).
  void advanceTo(int j);

  // Row r (0 <= r < hh) of the top half in band b, from the band's first column, readable 8 values
  // past the band; other r give a row of zeros.
  const double* lo(int b, int r) const;
  // Row r (0 <= r < hh) of the bottom half in band b is read from the coefficients: f(pointer to its
  // first coefficient in the band) and the detail factor; or one of its values (0 outside).
  template <class F>
  void withHigh(int b, int r, F f) const {
    level_.coefficients.at(bandStart(b), level_.hh + r, f);
  }
  double high(int b, int r, int x) const;
  // Their masks, one bit per column of the band (bits past the band are 0).
  const BitLine& nonzero(int b, int r) const;         // lo(b, r)[x] != 0 (band 0: all set)
  const BitLine& differsBelow(int b, int r) const;    // lo(b, r)[x] != lo(b, r + 1)[x], r < hh - 1
  const BitLine& zero(int b, int r) const;            // high(b, r, x) == 0
  // With equality masks, band 0 only: lo(0, r)[x] == lo(0, r)[x + 1], high(0, r, x) == high(0, r, x + 1).
  const BitLine& loEqualsRight(int b, int r) const;
  const BitLine& hiEqualsRight(int b, int r) const;

  // Row h - 1 of an odd height (all detail), dequantised into w values.
  void lastRow(double* out) const;

 private:
  struct TopRow {
    double* values = nullptr;  // band 1's part (band 0 reads the coarse values)
    std::array<BitLine, 2> nonzero, differsBelow, equalsRight;
  };
  struct BottomRow {
    std::array<BitLine, 2> zero, equalsRight;
  };
  void makeTop(int r);
  void makeBottom(int r);

  Level level_;
  bool equalityMasks_;
  int topStride_;
  Doubles storage_;  // the top rows below and a row of zeros
  std::array<TopRow, 8> top_;
  std::array<BottomRow, 4> bottom_;
  double* zeroRow_ = nullptr;
  std::array<BitLine, 2> noBits_, allBits_;
  int topReady_ = 0, bottomReady_ = 0;
};

// The columns of band b whose pair-j samples are smoothed: first (s1) and second (s2) sample.
void columnSmoothing(const LevelRows& rows, int b, int j, BitLine& s1, BitLine& s2);

// The exact column pass of pair j over band b: rows 2j and 2j + 1 of the level's column-pass result,
// from the band's first column.
void columnPass(const Constants& k, const LevelRows& rows, int b, int j, const BitLine& s1,
                const BitLine& s2, double* first, double* second);

// The smoothing rules of a row pass over a column-pass row p of w values (hw = w / 2 pairs).
struct RowRules {
  BitLine differs;  // bit j: p[j] != p[j + 1] (j < hw - 1)
  BitLine zero;     // bit j: p[hw + j] == 0
  BitLine s1, s2;   // pairs whose first (second) sample is smoothed
  int size = -1;
  void resize(int hw);
};
void rowMasks(const double* p, int hw, RowRules& rules);  // differs and zero
void rowSmoothing(int hw, RowRules& rules);               // s1 and s2 from them

// The exact row pass of p (w values, padded) into out; the rules' masks are made here.
HWL_TARGET void rowExact(const Constants& k, const double* p, int w, RowRules& rules, double* out);

// A level's exact result, made two rows at a time as its rows are asked for: into a whole plane
// (w x h, row stride w, which the caller provides), or, without one, into a ring that keeps the
// 14 rows before the last one made.
class LevelProducer {
 public:
  LevelProducer(const Constants& k, const Level& level, double* plane = nullptr);
  LevelProducer(const LevelProducer&) = delete;
  LevelProducer& operator=(const LevelProducer&) = delete;

  // Row r (0 <= r < h) of the result, readable 8 values past its end.
  const double* row(int r);

 private:
  void produce();
  double* slot(int r) { return out_ + static_cast<std::ptrdiff_t>(r % slots_) * stride_; }

  Constants k_;
  Level level_;
  LevelRows rows_;
  int stride_ = 0, slots_ = 0, ready_ = 0;
  Doubles ring_, columns_;
  double* out_ = nullptr;
  double *first_ = nullptr, *second_ = nullptr;
  std::array<BitLine, 2> s1_, s2_;
  RowRules rules_;
};

// The approximation block of a plane with levels 0 .. L, dequantised: (width >> (L + 1)) x
// (height >> (L + 1)) values, readable 16 values past the end.
Doubles approximationBlock(const Coefficients& coefficients, int width, int height, int L, double factor);

// The exact results of levels L down to `last` of a plane: the region (width >> last) x
// (height >> last), row stride width >> last. factors: detail levels 0 .. L, then the approximation.
Doubles exactLevels(const Constants& k, const Coefficients& coefficients, int width, int height, int L,
                      const double* factors, int last);

}  // namespace hwl::detail
