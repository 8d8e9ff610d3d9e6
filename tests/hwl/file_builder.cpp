#include "tests/hwl/file_builder.h"

#include <algorithm>
#include <cstring>

namespace testhwl {

namespace {

void put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void packSymbols(const std::vector<int>& symbols, std::vector<std::uint8_t>& out) {
  for (std::size_t s = 0; s < symbols.size(); s += 4) {
    int byte = 0;
    for (std::size_t i = 0; i < 4 && s + i < symbols.size(); ++i) byte |= symbols[s + i] << (2 * i);
    out.push_back(static_cast<std::uint8_t>(byte));
  }
}

void packValues(const std::vector<int>& values, int k, std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> packed((values.size() * k + 7) / 8, 0);
  for (std::size_t j = 0; j < values.size(); ++j) {
    for (int b = 0; b < k; ++b) {
      if (values[j] >> b & 1) packed[(j * k + b) / 8] |= static_cast<std::uint8_t>(1 << ((j * k + b) % 8));
    }
  }
  out.insert(out.end(), packed.begin(), packed.end());
}

}  // namespace

std::vector<std::uint8_t> buildFile(const FileSpec& spec) {
  std::vector<std::uint8_t> out(spec.magic, spec.magic + 3);
  put(out, spec.width, 2);
  put(out, spec.height, 2);
  put(out, spec.bitsPerPixel, 1);
  put(out, spec.lastLevel, 1);
  for (int p = 0; p < 3; ++p) {
    const bool has = p < static_cast<int>(spec.planes.size());
    put(out, has ? spec.planes[p].symbolCount.value_or(spec.planes[p].symbols.size()) : 0, 4);
  }
  for (int p = 0; p < 3; ++p) {
    const bool has = p < static_cast<int>(spec.planes.size());
    put(out, has ? spec.planes[p].valueCount.value_or(spec.planes[p].values.size()) : 0, 4);
  }
  for (int p = 0; p < 3; ++p) {
    put(out, p < static_cast<int>(spec.planes.size()) ? spec.planes[p].valueBits : 0, 1);
  }
  for (const PlaneStreams& plane : spec.planes) {
    for (double entry : plane.table) {
      std::uint64_t bits;
      std::memcpy(&bits, &entry, 8);
      put(out, bits, 8);
    }
  }
  for (const PlaneStreams& plane : spec.planes) {
    packSymbols(plane.symbols, out);
    packValues(plane.values, plane.valueBits, out);
  }
  return out;
}

void codeCoefficients(const std::vector<int>& coefficients, int k, std::vector<int>& symbols,
                      std::vector<int>& values) {
  const std::size_t total = coefficients.size();
  const std::size_t longest = std::size_t{4} << k;
  for (std::size_t i = 0; i < total; ++i) {
    const int v = coefficients[i];
    if (v > 0 || v < 0) {
      symbols.push_back(v > 0 ? 2 : 3);
      values.push_back(v > 0 ? v : -v);
      continue;
    }
    std::size_t j = 1;
    while (i + j < total - 1 && coefficients[i + j] == 0 && j < longest) ++j;
    const std::size_t extra = j - 1;
    if (extra > static_cast<std::size_t>((k + 4) / 2)) {
      symbols.push_back(1);
      values.push_back(static_cast<int>(extra % (std::size_t{1} << k)));
      symbols.push_back(static_cast<int>(extra >> k));
      i += extra;
    } else {
      symbols.push_back(0);
    }
  }
}

std::vector<int> pictureLikeCoefficients(int width, int height, int lastLevel, int k, std::mt19937& random) {
  const int top = (1 << k) - 1;
  std::vector<int> c(static_cast<std::size_t>(width) * height, 0);
  std::uniform_int_distribution<int> any(-top, top);
  std::uniform_int_distribution<int> small(-std::max(1, top / 8), std::max(1, top / 8));
  std::uniform_real_distribution<double> unit(0, 1);
  const double zeroShare = 0.55 + 0.4 * unit(random);
  const int aw = width >> (lastLevel + 1), ah = height >> (lastLevel + 1);
  int value = top / 2;
  for (int y = 0; y < height; ++y) {
    const bool quietRow = unit(random) < 0.15;  // whole rows of zero details: long runs
    for (int x = 0; x < width; ++x) {
      int& out = c[static_cast<std::size_t>(y) * width + x];
      if (x < aw && y < ah) {
        if (unit(random) < 0.4) value = std::clamp(value + small(random), 0, top);  // flat stretches
        out = value;
      } else if (!quietRow && unit(random) > zeroShare) {
        out = unit(random) < 0.8 ? small(random) : any(random);
      }
    }
  }
  return c;
}

std::vector<double> plausibleTable(int lastLevel, int k, std::mt19937& random) {
  std::uniform_real_distribution<double> jitter(0.8, 1.25);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> table;
  const double top = (1 << k) - 1;
  for (int level = 0; level <= lastLevel; ++level) {
    table.push_back(unit(random) < 0.05 ? 0.0 : top / (40.0 * (1 << level)) * jitter(random));
  }
  table.push_back(top / (255.0 * (2 << lastLevel)) * jitter(random));
  return table;
}

PlaneStreams pictureLikePlane(int width, int height, int lastLevel, int k, std::mt19937& random) {
  PlaneStreams plane;
  plane.valueBits = k;
  plane.table = plausibleTable(lastLevel, k, random);
  codeCoefficients(pictureLikeCoefficients(width, height, lastLevel, k, random), k, plane.symbols, plane.values);
  return plane;
}

}  // namespace testhwl
