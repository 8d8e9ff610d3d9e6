// The filters (codes 31, 33 to 39, 48, 50, 51). Each copies src into the scratch buffer and reads only
// the copy, so dst may equal src. 3 x 3 neighbourhoods wrap around; S(dx, dy) is the copy's value at
// (x + dx, y + dy), and w[0..8] below holds S(-1,-1), S(0,-1), S(1,-1), S(-1,0), S(0,0), S(1,0),
// S(-1,1), S(0,1), S(1,1).

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "generator/operations.h"
#include "maths/maths.h"

namespace generator {

namespace {

// Copies src to the scratch buffer, then dst channel value = value(w) for every pixel and channel.
// Each row of the copy is laid out again with its last pixel before it and its first after it, so
// that the neighbours of byte i are bytes i - 3 and i + 3 even at the edges, and the inner loop is one
// straight pass over the row's bytes.
template <typename Value>
void filter3x3(Generator& g, int src, int dst, Value value) {
  copyBuffer(g, src, scratchBuffer);
  const std::uint8_t* copy = g.layer(scratchBuffer);
  std::uint8_t* out = g.layer(dst);
  const std::size_t stride = static_cast<std::size_t>(g.width) * 3;
  std::vector<std::uint8_t> padded(3 * (stride + 6));
  const auto pad = [&](int y, std::uint8_t* to) {
    const std::uint8_t* row = copy + static_cast<std::size_t>(y & g.heightMask) * stride;
    std::memcpy(to, row + stride - 3, 3);
    std::memcpy(to + 3, row, stride);
    std::memcpy(to + 3 + stride, row, 3);
  };
  std::uint8_t* above = padded.data();
  std::uint8_t* middle = above + stride + 6;
  std::uint8_t* below = middle + stride + 6;
  for (int y = 0; y < g.height; ++y, out += stride) {
    pad(y - 1, above);
    pad(y, middle);
    pad(y + 1, below);
    for (std::size_t i = 0; i < stride; ++i) {
      const int w[9] = {above[i],      above[i + 3], above[i + 6], middle[i],   middle[i + 3],
                        middle[i + 6], below[i],     below[i + 3], below[i + 6]};
      out[i] = value(w);
    }
  }
}

// min(intSqrt(n), 255) for every n below 255^2 (from there on it is 255: Newton's iteration from
// above never ends below the true root's integer part).
const std::array<std::uint8_t, 255 * 255>& embossRoots() {
  static const auto roots = [] {
    std::array<std::uint8_t, 255 * 255> table;
    for (std::uint32_t n = 0; n < table.size(); ++n) table[n] = static_cast<std::uint8_t>(std::min(intSqrt(n), 255u));
    return table;
  }();
  return roots;
}

int min3(int a, int b, int c) { return std::min(std::min(a, b), c); }
int max3(int a, int b, int c) { return std::max(std::max(a, b), c); }
int median3(int a, int b, int c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); }

// The middle of nine values: with each column's lowest, middle and highest value, the median is the
// median of (the highest of the lows, the median of the middles, the lowest of the highs).
int median9(const int* w) {
  int low[3], middle[3], high[3];
  for (int c = 0; c < 3; ++c) {
    low[c] = min3(w[c], w[c + 3], w[c + 6]);
    middle[c] = median3(w[c], w[c + 3], w[c + 6]);
    high[c] = max3(w[c], w[c + 3], w[c + 6]);
  }
  return median3(max3(low[0], low[1], low[2]), median3(middle[0], middle[1], middle[2]),
                 min3(high[0], high[1], high[2]));
}

int min9(const int* w) { return min3(min3(w[0], w[1], w[2]), min3(w[3], w[4], w[5]), min3(w[6], w[7], w[8])); }
int max9(const int* w) { return max3(max3(w[0], w[1], w[2]), max3(w[3], w[4], w[5]), max3(w[6], w[7], w[8])); }

}  // namespace

// gx = right column + 128 - left column, gy = bottom row + 128 - top row; min(intSqrt(gx^2 + gy^2), 255)
void embossLayer(Generator& g, int src, int dst) {
  const auto& roots = embossRoots();
  filter3x3(g, src, dst, [&](const int* w) {
    const int gx = w[2] + w[5] + w[8] + 128 - w[0] - w[3] - w[6];
    const int gy = w[6] + w[7] + w[8] + 128 - w[0] - w[1] - w[2];
    const int n = gx * gx + gy * gy;
    return n < static_cast<int>(roots.size()) ? roots[n] : std::uint8_t{255};
  });
}

// (1 2 1 / 2 4 2 / 1 2 1) >> 4
void blurLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) {
    return static_cast<std::uint8_t>(
        (w[0] + 2 * w[1] + w[2] + 2 * w[3] + 4 * w[4] + 2 * w[5] + w[6] + 2 * w[7] + w[8]) >> 4);
  });
}

// (5 S(0,0)) >> 1 - (diagonal neighbours >> 3) - (edge neighbours >> 2), clamped
void sharpenLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) {
    return clampByte(
        std::int64_t{((5 * w[4]) >> 1) - ((w[0] + w[2] + w[6] + w[8]) >> 3) - ((w[1] + w[3] + w[5] + w[7]) >> 2)});
  });
}

// min(2 |row above - row below| with weights 1 2 1, 255)
void edgeHLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) {
    const int v = std::abs(w[2] + 2 * w[1] + w[0] - w[6] - 2 * w[7] - w[8]);
    return static_cast<std::uint8_t>(std::min(2 * v, 255));
  });
}

// min(2 |left column - right column| with weights 1 2 1, 255)
void edgeVLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) {
    const int v = std::abs(w[6] + 2 * w[3] + w[0] - w[2] - 2 * w[5] - w[8]);
    return static_cast<std::uint8_t>(std::min(2 * v, 255));
  });
}

namespace {

// Sums of `length` consecutive values of a row that repeats with period `period`, for every start:
// sums[x] = (length / period) * total + the sum of the (length % period) values from x on, wrapping.
void periodicSums(const std::vector<std::int64_t>& prefix, int period, std::int64_t length,
                  std::vector<std::int64_t>& sums) {
  const std::int64_t total = prefix[period];
  const std::int64_t whole = length / period * total;
  const int rest = static_cast<int>(length % period);
  for (int x = 0; x < period; ++x) {
    const std::int64_t part =
        x + rest <= period ? prefix[x + rest] - prefix[x] : total - prefix[x] + prefix[x + rest - period];
    sums[x] = whole + part;
  }
}

void prefixSums(const std::vector<std::int64_t>& values, int count, std::vector<std::int64_t>& prefix) {
  for (int x = 0; x < count; ++x) prefix[x + 1] = prefix[x] + values[x];
}

}  // namespace

// Horizontal only: sum over dx = -radius..radius of S(dx, 0) (radius + 1 - |dx|), integer-divided by
// (radius + 1)^2. The triangle of weights is a box of radius + 1 values run twice, so each row costs
// the same whatever the radius: B(x) = sum of S(x .. x + radius), result(x) = sum of
// B(x - radius .. x).
void motionBlur(Generator& g, int src, int dst, int radius) {
  copyBuffer(g, src, scratchBuffer);
  const std::uint8_t* copy = g.layer(scratchBuffer);
  std::uint8_t* out = g.layer(dst);
  const int w = g.width;
  const std::int64_t length = std::int64_t{radius} + 1;
  const std::int64_t divisor = length * length;
  const int back = static_cast<int>(radius % w);  // x - radius is x - back, modulo the width
  std::vector<std::int64_t> values(w), prefix(w + 1), boxes(w), boxPrefix(w + 1), sums(w);
  for (int y = 0; y < g.height; ++y) {
    const std::uint8_t* row = copy + static_cast<std::size_t>(y) * w * 3;
    std::uint8_t* outRow = out + static_cast<std::size_t>(y) * w * 3;
    for (int k = 0; k < 3; ++k) {
      for (int x = 0; x < w; ++x) values[x] = row[3 * x + k];
      prefixSums(values, w, prefix);
      periodicSums(prefix, w, length, boxes);
      prefixSums(boxes, w, boxPrefix);
      periodicSums(boxPrefix, w, length, sums);
      for (int x = 0; x < w; ++x) {
        const int start = x >= back ? x - back : x - back + w;
        outRow[3 * x + k] = static_cast<std::uint8_t>(sums[start] / divisor);
      }
    }
  }
}

// Blends the corners of the picture into each other outside a circle of radius W/2 - border around the
// centre, so the picture tiles: r = W/2 - border, f1 = r^2, f2 = (H/2)(W/2) - f1, k = 0.75 / f2
// (75000 when f2 = 0). Where t = px^2 + py^2 - f1 > 0: t = k t; a = b = 0.25 if t > 0.75, else
// b = 1 - t and a = 0.333333 t; dst = truncate(a (S(x, H-1-y) + S(W-1-x, H-1-y) + S(W-1-x, y)) +
// b S(x, y)), positions absolute. Elsewhere dst keeps what it held.
void makeTilable(Generator& g, int src, int dst, int border) {
  copyBuffer(g, src, scratchBuffer);
  const std::uint8_t* copy = g.layer(scratchBuffer);
  std::uint8_t* out = g.layer(dst);
  const int halfWidth = g.width / 2;
  const int halfHeight = g.height / 2;
  const std::int64_t r = halfWidth - std::int64_t{border};
  const std::int64_t f1 = r * r;
  const std::int64_t f2 = std::int64_t{halfHeight} * halfWidth - f1;
  const double k = f2 == 0 ? 75000.0 : 0.75 / static_cast<double>(f2);
  const auto at = [&](int x, int y) { return copy + (static_cast<std::size_t>(y) * g.width + x) * 3; };
  for (int y = 0; y < g.height; ++y) {
    const std::int64_t py = y - halfHeight;
    for (int x = 0; x < g.width; ++x) {
      const std::int64_t px = x - halfWidth;
      const std::int64_t d = px * px + py * py - f1;
      if (d <= 0) continue;
      const double t = k * static_cast<double>(d);
      double a = 0.25;
      double b = 0.25;
      if (!(t > 0.75)) {
        b = 1.0 - t;
        a = 0.333333 * t;
      }
      const std::uint8_t* s0 = at(x, y);
      const std::uint8_t* s1 = at(x, g.height - 1 - y);
      const std::uint8_t* s2 = at(g.width - 1 - x, g.height - 1 - y);
      const std::uint8_t* s3 = at(g.width - 1 - x, y);
      std::uint8_t* p = out + (static_cast<std::size_t>(y) * g.width + x) * 3;
      for (int c = 0; c < 3; ++c) p[c] = lowByte(truncateReal(a * (s1[c] + s2[c] + s3[c]) + b * s0[c]));
    }
  }
}

// The median (fifth largest) of the 3 x 3 window
void medianLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) { return static_cast<std::uint8_t>(median9(w)); });
}

namespace {

// The value of sculptureLayer as a function of r = gy / gx, for one sign of gx: truncate(offset +
// 40.58451 atan(r)). It never falls as r grows, so it is a staircase: `starts` holds, for each value
// above the lowest, the smallest r (a double) that reaches it. The starts are found once, by halving
// the interval between neighbouring doubles with the same atan the formula uses, so the staircase
// gives exactly the formula's value for every r.
class SculptureSteps {
 public:
  explicit SculptureSteps(double offset) : offset_(offset) {
    const double lowest = -4096.0;  // |gy / gx| never exceeds 1020 (each is at most 4 * 255)
    const double highest = 4096.0;
    lowest_ = value(lowest);
    for (int v = lowest_ + 1; v <= value(highest); ++v) starts_.push_back(firstReaching(v, lowest, highest));
  }

  // lowest + the number of starts at or below r, by a binary search without branches.
  int operator()(double r) const {
    const double* base = starts_.data();
    std::size_t n = starts_.size();
    while (n > 1) {
      const std::size_t half = n / 2;
      base = base[half] <= r ? base + half : base;
      n -= half;
    }
    return lowest_ + static_cast<int>(base - starts_.data()) + (*base <= r);
  }

  int value(double r) const { return static_cast<int>(offset_ + halfTurnScale * maths::atan(r)); }

 private:
  // Doubles in order as integers: each step is the next double.
  static std::int64_t order(double r) {
    const auto bits = std::bit_cast<std::int64_t>(r);
    return bits >= 0 ? bits : INT64_MIN - bits;
  }
  static double fromOrder(std::int64_t key) { return std::bit_cast<double>(key >= 0 ? key : INT64_MIN - key); }

  double firstReaching(int v, double below, double above) const {
    std::int64_t low = order(below);   // value(low) < v
    std::int64_t high = order(above);  // value(high) >= v
    while (static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low) > 1) {
      const std::int64_t middle =
          low + static_cast<std::int64_t>((static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low)) / 2);
      (value(fromOrder(middle)) >= v ? high : low) = middle;
    }
    return fromOrder(high);
  }

  double offset_;
  int lowest_ = 0;
  std::vector<double> starts_;
};

struct SculptureTables {
  SculptureSteps leftLit{0.0};
  SculptureSteps rightLit{127.5};
};

const SculptureTables& sculptureTables() {
  static const SculptureTables tables;
  return tables;
}

std::uint8_t sculptureFrom(const SculptureTables& tables, int gx, int gy) {
  if (gx == 0) return static_cast<std::uint8_t>(gy > 0 ? 196 : gy == 0 ? 128 : 64);
  const double r = static_cast<double>(gy) / gx;
  return lowByte(gx < 0 ? tables.leftLit(r) : tables.rightLit(r));
}

}  // namespace

// gx = 0 gives 196, 128 or 64 for gy > 0, = 0, < 0; otherwise a = atan(gy / gx) and the value is
// truncate(40.58451 a) for gx < 0, truncate(127.5 + 40.58451 a) for gx > 0, kept as its low byte.
std::uint8_t sculptureValue(int gx, int gy) { return sculptureFrom(sculptureTables(), gx, gy); }

// Relief lit from the side: gx = left column - right column, gy = row above - row below (weights
// 1 2 1), turned into a byte by sculptureValue.
void sculptureLayer(Generator& g, int src, int dst) {
  const SculptureTables& tables = sculptureTables();
  filter3x3(g, src, dst, [&](const int* w) {
    const int gx = w[6] + 2 * w[3] + w[0] - w[2] - 2 * w[5] - w[8];
    const int gy = w[2] + 2 * w[1] + w[0] - w[6] - 2 * w[7] - w[8];
    return sculptureFrom(tables, gx, gy);
  });
}

// The minimum of the 3 x 3 window
void erodeLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) { return static_cast<std::uint8_t>(min9(w)); });
}

// The maximum of the 3 x 3 window
void dilateLayer(Generator& g, int src, int dst) {
  filter3x3(g, src, dst, [](const int* w) { return static_cast<std::uint8_t>(max9(w)); });
}

}  // namespace generator
