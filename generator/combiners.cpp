// The combiners (codes 10 to 17): two layers into a third, channel by channel; s1 and s2 are the
// channel values of src1 and src2 at the same pixel. dst may be either source.

#include <array>

#include "generator/operations.h"

namespace generator {

namespace {

// f * s for every byte value s, so that each product is computed once per call.
std::array<double, 256> products(float f) {
  std::array<double, 256> table;
  for (int s = 0; s < 256; ++s) table[s] = static_cast<double>(f) * s;
  return table;
}

// dst[i] = combine(s1[i], s2[i]) over every byte of the layers.
template <typename Combine>
void combineBytes(Generator& g, int src1, int src2, int dst, Combine combine) {
  const std::uint8_t* a = g.layer(src1);
  const std::uint8_t* b = g.layer(src2);
  std::uint8_t* out = g.layer(dst);
  for (std::size_t i = 0, n = bufferBytes(g); i < n; ++i) out[i] = combine(a[i], b[i]);
}

}  // namespace

// clamp(f1 s1 + f2 s2)
void addLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const auto p1 = products(f1);
  const auto p2 = products(f2);
  combineBytes(g, src1, src2, dst, [&](std::uint8_t s1, std::uint8_t s2) { return clampByte(p1[s1] + p2[s2]); });
}

// clamp(f1 f2 / 255 s1 s2), with 1/255 as 0.003921568627
void mulLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const double k = static_cast<double>(f1) * f2 * 0.003921568627;
  std::array<double, 256> p1;
  for (int s = 0; s < 256; ++s) p1[s] = k * s;
  combineBytes(g, src1, src2, dst, [&](std::uint8_t s1, std::uint8_t s2) { return clampByte(p1[s1] * s2); });
}

// Scatters pixels of both sources over a grey (127) scratch buffer, each at its own position, until
// round(1.5 f1 W H) pairs of src1 pixels and round(1.5 f2 W H) pairs of src2 pixels are placed; the
// random state starts at 45390954. Draws per pair: src1 x = (r >> 1), y = r, then x = r, y = (r >> 2);
// src2 y = (r >> 1), x = r, then y = r, x = (r >> 2); each masked.
void randCombineLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  std::uint8_t* scratch = g.layer(scratchBuffer);
  std::memset(scratch, 127, bufferBytes(g));
  g.randomState = 45390954u;
  const std::int64_t target1 = truncateReal(roundEven(1.5 * f1 * g.width * g.height));
  const std::int64_t target2 = truncateReal(roundEven(1.5 * f2 * g.width * g.height));
  const std::uint8_t* a = g.layer(src1);
  const std::uint8_t* b = g.layer(src2);
  const auto place = [&](const std::uint8_t* from, std::uint32_t x, std::uint32_t y) {
    const std::size_t at = (static_cast<std::size_t>(y & g.heightMask) * g.width + (x & g.widthMask)) * 3;
    std::memcpy(scratch + at, from + at, 3);
  };
  std::int64_t i = 0;
  std::int64_t j = 0;
  while (i < target1 || j < target2) {
    if (i < target1) {
      const std::uint32_t x1 = nextRandom(g) >> 1;
      place(a, x1, nextRandom(g));
      const std::uint32_t x2 = nextRandom(g);
      place(a, x2, nextRandom(g) >> 2);
      ++i;
    }
    if (j < target2) {
      const std::uint32_t y1 = nextRandom(g) >> 1;
      place(b, nextRandom(g), y1);
      const std::uint32_t y2 = nextRandom(g);
      place(b, nextRandom(g) >> 2, y2);
      ++j;
    }
  }
  copyBuffer(g, scratchBuffer, dst);
}

// s1 where f1 s1 < f2 s2, else s2 (the stored value is unscaled)
void minCombineLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const auto p1 = products(f1);
  const auto p2 = products(f2);
  combineBytes(g, src1, src2, dst, [&](std::uint8_t s1, std::uint8_t s2) { return p1[s1] < p2[s2] ? s1 : s2; });
}

// s1 where f2 s2 < f1 s1, else s2
void maxCombineLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const auto p1 = products(f1);
  const auto p2 = products(f2);
  combineBytes(g, src1, src2, dst, [&](std::uint8_t s1, std::uint8_t s2) { return p2[s2] < p1[s1] ? s1 : s2; });
}

namespace {

// The low byte of truncate(f s) for every byte value s.
std::array<std::uint8_t, 256> truncatedProducts(float f) {
  std::array<std::uint8_t, 256> table;
  for (int s = 0; s < 256; ++s) table[s] = lowByte(truncateReal(static_cast<double>(f) * s));
  return table;
}

}  // namespace

// truncate(f1 s1) XOR truncate(f2 s2), low 8 bits
void xorLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const auto t1 = truncatedProducts(f1);
  const auto t2 = truncatedProducts(f2);
  combineBytes(g, src1, src2, dst,
               [&](std::uint8_t s1, std::uint8_t s2) { return static_cast<std::uint8_t>(t1[s1] ^ t2[s2]); });
}

// truncate(f1 s1) OR truncate(f2 s2), low 8 bits
void orLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const auto t1 = truncatedProducts(f1);
  const auto t2 = truncatedProducts(f2);
  combineBytes(g, src1, src2, dst,
               [&](std::uint8_t s1, std::uint8_t s2) { return static_cast<std::uint8_t>(t1[s1] | t2[s2]); });
}

// truncate(f1 s1) AND truncate(f2 s2), low 8 bits
void andLayers(Generator& g, int src1, int src2, int dst, float f1, float f2) {
  const auto t1 = truncatedProducts(f1);
  const auto t2 = truncatedProducts(f2);
  combineBytes(g, src1, src2, dst,
               [&](std::uint8_t s1, std::uint8_t s2) { return static_cast<std::uint8_t>(t1[s1] & t2[s2]); });
}

}  // namespace generator
