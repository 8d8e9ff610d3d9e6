#include "tests/hwl/oracle.h"

#include "hwl/arithmetic.h"

#include <cmath>
#include <cstring>

namespace oracle {

namespace {

using X = hwl::detail::Extended;  // the x87's long double or our own 80-bit type, as the codec
using K = hwl::detail::ExtendedConstants<X>;
constexpr double c = 0.7071067811865476;

std::uint32_t le(const std::vector<std::uint8_t>& f, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | f[at + i];
  return v;
}

struct Plane {
  int w = 0, h = 0;
  std::vector<double> v;
  double& at(int x, int y) { return v[static_cast<std::size_t>(y) * w + x]; }
};

// Symbols and values of one plane, unpacked one per entry; pos advances past the plane's streams.
void readStreams(const std::vector<std::uint8_t>& f, std::size_t& pos, std::uint32_t n, std::uint32_t m, int k,
                 std::vector<int>& symbols, std::vector<int>& values) {
  for (std::uint32_t s = 0; s < n; ++s) symbols.push_back((f[pos + s / 4] >> (2 * (s % 4))) & 3);
  pos += n / 4 + (n % 4 ? 1 : 0);
  if (k == 8) {
    for (std::uint32_t j = 0; j < m; ++j) values.push_back(f[pos + j]);
    pos += m;
    return;
  }
  const std::uint32_t bits = m * static_cast<std::uint32_t>(k);
  const std::size_t bytes = bits / 8 + (bits % 8 ? 1 : 0);
  for (std::uint64_t j = 0; j < m && (j * k + k) <= bytes * 8; ++j) {
    const std::uint64_t p = j * k;
    int v = (f[pos + p / 8] >> (p % 8)) & ((1 << k) - 1);
    if ((p + k) / 8 > p / 8 && (p + k) % 8 != 0) {
      v |= (f[pos + p / 8 + 1] & ((1 << ((p + k) % 8)) - 1)) << (8 - p % 8);
    }
    values.push_back(v);
  }
  pos += bytes;
}

std::vector<int> expand(const std::vector<int>& symbols, const std::vector<int>& values, int k, std::size_t total) {
  std::vector<int> out(total, 0);
  std::size_t o = 0, s = 0, t = 0;
  while (o < total && s < symbols.size()) {
    const int symbol = symbols[s];
    if (symbol == 1) {
      if (s + 1 >= symbols.size() || t >= values.size()) break;
      const std::size_t n = values[t] + (static_cast<std::size_t>(symbols[s + 1]) << k);
      for (std::size_t i = 0; i <= n && o < total; ++i) out[o++] = 0;
      s += 2;
      ++t;
      continue;
    }
    if (symbol >= 2) {
      if (t >= values.size()) break;
      out[o] = symbol == 2 ? values[t] : -values[t];
      ++t;
    }
    ++s;
    ++o;
  }
  return out;
}

Plane dequantise(const std::vector<int>& ints, int w, int h, int L, const std::vector<double>& table) {
  Plane p{w, h, std::vector<double>(ints.size())};
  auto factor = [&](int g) { return table[g] != 0 ? double(X(1.0) / X(table[g])) : 0.0; };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      // The group of (x, y): the finest level whose region holds it outside the inner quadrant.
      int group = L + 1;
      for (int l = 0; l <= L; ++l) {
        const bool inRegion = x < (w >> l) && y < (h >> l);
        const bool inInner = x < (w >> (l + 1)) && y < (h >> (l + 1));
        if (inRegion && !inInner) {
          group = l;
          break;
        }
      }
      p.at(x, y) = double(X(ints[static_cast<std::size_t>(y) * w + x]) * factor(group));
    }
  }
  return p;
}

// In place: the w x h region of the plane, levels 0 .. L, coarsest first, columns before rows.
void inverse(Plane& p, int w, int h, int L) {
  if (L > 0) inverse(p, w / 2, h / 2, L - 1);
  Plane cols = p;  // scratch of the whole plane's size
  const int hh = h / 2, hw = w / 2;
  for (int x = 0; x < w; ++x) {
    std::vector<double> lo, hi;
    for (int j = 0; j < hh; ++j) {
      lo.push_back(p.at(x, j));
      hi.push_back(p.at(x, hh + j));
    }
    const std::vector<double> s = synthesise(lo, hi);
    for (int r = 0; r < 2 * hh; ++r) cols.at(x, r) = s[r];
  }
  Plane rows = cols;
  for (int y = 0; y < h; ++y) {
    std::vector<double> lo, hi;
    for (int j = 0; j < hw; ++j) {
      lo.push_back(cols.at(j, y));
      hi.push_back(cols.at(hw + j, y));
    }
    const std::vector<double> s = synthesise(lo, hi);
    for (int r = 0; r < 2 * hw; ++r) rows.at(r, y) = s[r];
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) p.at(x, y) = rows.at(x, y);
  }
}

}  // namespace

std::vector<double> synthesise(const std::vector<double>& lo, const std::vector<double>& hi) {
  const int n = static_cast<int>(lo.size());
  std::vector<double> s(2 * lo.size());
  for (int j = 0; j < n; ++j) {
    s[2 * j] = double((X(lo[j]) + hi[j]) * X(c));
    s[2 * j + 1] = double((X(lo[j]) - hi[j]) * X(c));
    if (j == 0 || j == n - 1 || hi[j] != 0) continue;
    const bool first = hi[j - 1] == 0 && lo[j] != lo[j + 1] && (j == n - 2 || lo[j + 2] != lo[j + 1]);
    const bool second = hi[j + 1] == 0 && lo[j] != lo[j - 1] && (j == 1 || lo[j - 2] != lo[j - 1]);
    s[2 * j] = first ? double((K::nearWeight * lo[j] + K::farWeight * lo[j - 1]) * X(c)) : double(X(lo[j]) * c);
    s[2 * j + 1] = second ? double((K::nearWeight * lo[j] + K::farWeight * lo[j + 1]) * X(c)) : double(X(lo[j]) * c);
  }
  return s;
}

std::uint8_t store(double v) {
  if (!(v > 0)) return 0;
  if (!(v < 255)) return 255;
  const double f = std::floor(v);
  const double d = v - f;
  if (d > 0.5 || (d == 0.5 && std::fmod(f, 2) != 0)) return static_cast<std::uint8_t>(f + 1);
  return static_cast<std::uint8_t>(f);
}

Decoded decode(const std::vector<std::uint8_t>& f) {
  Decoded d;
  d.width = static_cast<int>(le(f, 3, 2));
  d.height = static_cast<int>(le(f, 5, 2));
  d.bitsPerPixel = f[7];
  const int L = f[8];
  const int planes = d.bitsPerPixel == 24 ? 3 : d.bitsPerPixel == 8 ? 1 : 0;
  if (planes == 0 || d.width == 0 || d.height == 0) return d;
  std::size_t pos = 36;
  std::vector<std::vector<double>> tables(planes);
  for (int p = 0; p < planes; ++p) {
    for (int e = 0; e < L + 2; ++e) {
      std::uint64_t bits = 0;
      for (int b = 7; b >= 0; --b) bits = bits << 8 | f[pos + b];
      double v;
      std::memcpy(&v, &bits, 8);
      tables[p].push_back(v);
      pos += 8;
    }
  }
  std::vector<Plane> rec;
  const std::size_t total = static_cast<std::size_t>(d.width) * d.height;
  for (int p = 0; p < planes; ++p) {
    std::vector<int> symbols, values;
    const int k = f[33 + p];
    readStreams(f, pos, le(f, 9 + 4 * p, 4), le(f, 21 + 4 * p, 4), k, symbols, values);
    Plane plane = dequantise(expand(symbols, values, k, total), d.width, d.height, L, tables[p]);
    inverse(plane, d.width, d.height, L);
    rec.push_back(std::move(plane));
  }
  if (planes == 1) {
    for (double v : rec[0].v) d.pixels.push_back(store(v));
    return d;
  }
  for (std::size_t i = 0; i < total; ++i) {
    const double y = rec[0].v[i], u = rec[1].v[i], v = rec[2].v[i];
    const double r = double(y + K::redFromV * v);
    const double b = double(y + K::blueFromU * u);
    const double g = double(K::greenGain * ((y - K::lumaRed * r) - K::lumaBlue * b));
    d.pixels.insert(d.pixels.end(), {store(b), store(g), store(r), 0});
  }
  return d;
}

}  // namespace oracle
