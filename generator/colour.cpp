// The colour operations (codes 20 to 26, 30 and 32): each output pixel depends only on the same
// pixel of src (or, for equalizeRGB and stretchRGB, on src's histogram too). dst may equal src.

#include <algorithm>
#include <array>
#include <cmath>

#include "generator/operations.h"
#include "maths/maths.h"

namespace generator {

namespace {

using ChannelTables = std::array<std::array<std::uint8_t, 256>, 3>;

// dst channel k = tables[k][src channel k]
void mapChannels(Generator& g, int src, int dst, const ChannelTables& tables) {
  const std::uint8_t* in = g.layer(src);
  std::uint8_t* out = g.layer(dst);
  for (int i = 0, n = g.pixelCount(); i < n; ++i, in += 3, out += 3) {
    out[0] = tables[0][in[0]];
    out[1] = tables[1][in[1]];
    out[2] = tables[2][in[2]];
  }
}

template <typename Value>
ChannelTables tablesOf(Value value) {
  ChannelTables tables;
  for (int k = 0; k < 3; ++k) {
    for (int s = 0; s < 256; ++s) tables[k][s] = value(k, s);
  }
  return tables;
}

using Histograms = std::array<std::array<std::int64_t, 256>, 3>;

Histograms histogramsOf(const Generator& g, int src) {
  Histograms counts{};
  const std::uint8_t* in = g.layer(src);
  for (int i = 0, n = g.pixelCount(); i < n; ++i, in += 3) {
    ++counts[0][in[0]];
    ++counts[1][in[1]];
    ++counts[2][in[2]];
  }
  return counts;
}

// Hue in degrees 0 to 360 (or -1 for a grey, which has none), saturation 0 to 1, value 0 to 255.
struct Hsv {
  double h, s, v;
};

// Into 0 <= h < 360 by whole turns; an infinite hue counts as 0.
double wrapDegrees(double h) {
  if (!std::isfinite(h)) return 0;
  h = std::fmod(h, 360.0);
  return h < 0 ? h + 360.0 : h;
}

Hsv toHsv(int r, int g, int b) {
  const int max = std::max({r, g, b});
  const int min = std::min({r, g, b});
  Hsv c{-1.0, max == 0 ? 0.0 : static_cast<double>(max - min) / max, static_cast<double>(max)};
  if (c.s == 0) return c;
  const double delta = max - min;
  if (r == max) {
    c.h = (g - b) / delta;
  } else if (g == max) {
    c.h = 2.0 + (b - r) / delta;
  } else {
    c.h = 4.0 + (r - g) / delta;
  }
  c.h = wrapDegrees(c.h * 60.0);
  return c;
}

// Saturation into 0..1 and value into 0..255 (not-a-number counts as 0), back to RGB, truncated.
// hh = h 0.016666667 picks the sector i = truncate(hh); the single-precision sixtieth makes hh reach 6
// just below 360 degrees, which is sector 0 again.
void fromHsv(Hsv c, std::uint8_t* out) {
  const double s = c.s > 0 ? std::min(c.s, 1.0) : 0.0;
  const double v = c.v > 0 ? std::min(c.v, 255.0) : 0.0;
  if (s == 0) {
    out[0] = out[1] = out[2] = static_cast<std::uint8_t>(v);
    return;
  }
  const double hh = wrapDegrees(c.h) * oneSixtieth;
  const int i = static_cast<int>(hh);
  const double f = hh - i;
  const double p = v * (1.0 - s);
  const double q = v * (1.0 - f * s);
  const double t = v * (1.0 - s * (1.0 - f));
  double rgb[3];
  switch (i % 6) {
    case 0:
      rgb[0] = v, rgb[1] = t, rgb[2] = p;
      break;
    case 1:
      rgb[0] = q, rgb[1] = v, rgb[2] = p;
      break;
    case 2:
      rgb[0] = p, rgb[1] = v, rgb[2] = t;
      break;
    case 3:
      rgb[0] = p, rgb[1] = q, rgb[2] = v;
      break;
    case 4:
      rgb[0] = t, rgb[1] = p, rgb[2] = v;
      break;
    default:
      rgb[0] = v, rgb[1] = p, rgb[2] = q;
      break;
  }
  for (int k = 0; k < 3; ++k) out[k] = static_cast<std::uint8_t>(rgb[k]);
}

template <typename Change>
void changeHsv(Generator& g, int src, int dst, Change change) {
  const std::uint8_t* in = g.layer(src);
  std::uint8_t* out = g.layer(dst);
  for (int i = 0, n = g.pixelCount(); i < n; ++i, in += 3, out += 3) {
    fromHsv(change(toHsv(in[0], in[1], in[2])), out);
  }
}

}  // namespace

// channel k = clamp(fk s)
void scaleLayerRGB(Generator& g, int src, int dst, float f0, float f1, float f2) {
  const double f[3] = {f0, f1, f2};
  mapChannels(g, src, dst, tablesOf([&](int k, int s) { return clampByte(f[k] * s); }));
}

// h, s and v multiplied by fh, fs and fv
void scaleLayerHSV(Generator& g, int src, int dst, float fh, float fs, float fv) {
  changeHsv(g, src, dst, [&](Hsv c) { return Hsv{c.h * fh, c.s * fs, c.v * fv}; });
}

// channel k = s + dk, limited to 0..255
void adjustLayerRGB(Generator& g, int src, int dst, int d0, int d1, int d2) {
  const std::int64_t d[3] = {d0, d1, d2};
  mapChannels(g, src, dst, tablesOf([&](int k, int s) { return clampByte(s + d[k]); }));
}

// dh, ds and dv added to h, s and v (a grey's hue is -1 before the change)
void adjustLayerHSV(Generator& g, int src, int dst, float dh, float ds, float dv) {
  changeHsv(g, src, dst, [&](Hsv c) { return Hsv{c.h + dh, c.s + ds, c.v + dv}; });
}

// channel k = truncate(127.5 (1 + sin(pi fk s)))
void sineLayerRGB(Generator& g, int src, int dst, float f0, float f1, float f2) {
  const double f[3] = {f0, f1, f2};
  mapChannels(g, src, dst,
              tablesOf([&](int k, int s) { return lowByte(truncateReal(127.5 * (1.0 + maths::sin(pi * f[k] * s)))); }));
}

// Per channel: table[i] = round(sum over j <= i of 255 / (W H) hist[j]), so the cumulative
// distribution spreads over 0..255.
void equalizeRGB(Generator& g, int src, int dst) {
  const Histograms counts = histogramsOf(g, src);
  const double scale = 255.0 / g.pixelCount();
  ChannelTables tables;
  for (int k = 0; k < 3; ++k) {
    double sum = 0;
    for (int i = 0; i < 256; ++i) {
      sum += scale * counts[k][i];
      tables[k][i] = clampByte(static_cast<std::int64_t>(roundEven(sum)));
    }
  }
  mapChannels(g, src, dst, tables);
}

// Per channel, lo and hi the lowest and highest values present: table[i] = round(lo + sum over j <= i
// of (hi - lo) / (W H) hist[j]), the cumulative distribution mapped onto lo..hi.
void stretchRGB(Generator& g, int src, int dst) {
  const Histograms counts = histogramsOf(g, src);
  ChannelTables tables;
  for (int k = 0; k < 3; ++k) {
    int lo = 0;
    while (lo < 255 && counts[k][lo] == 0) ++lo;
    int hi = 255;
    while (hi > 0 && counts[k][hi] == 0) --hi;
    const double scale = static_cast<double>(hi - lo) / g.pixelCount();
    double sum = lo;
    for (int i = 0; i < 256; ++i) {
      sum += scale * counts[k][i];
      tables[k][i] = clampByte(static_cast<std::int64_t>(roundEven(sum)));
    }
  }
  mapChannels(g, src, dst, tables);
}

// 255 - s
void invertLayer(Generator& g, int src, int dst) {
  mapChannels(g, src, dst, tablesOf([](int, int s) { return static_cast<std::uint8_t>(255 - s); }));
}

// Each channel byte rotated left by `bits` (0 to 8): ((s << bits) OR (s >> (8 - bits))) AND 255.
void woodLayer(Generator& g, int src, int dst, int bits) {
  mapChannels(g, src, dst,
              tablesOf([&](int, int s) { return static_cast<std::uint8_t>(((s << bits) | (s >> (8 - bits))) & 255); }));
}

}  // namespace generator
