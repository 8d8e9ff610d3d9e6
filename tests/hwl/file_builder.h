#pragma once
// Test files made by hand: a packer for symbol and value lists (written independently of the
// library's encoder, so each checks the other), a coder for coefficient planes, and a generator of
// picture-like coefficient planes with flat stretches, sparse details and long zero runs.

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace testhwl {

struct PlaneStreams {
  std::vector<double> table;  // lastLevel + 2 entries
  int valueBits = 8;
  std::vector<int> symbols;                  // 0 to 3
  std::vector<int> values;                   // 0 to 2^k - 1
  std::optional<std::uint32_t> symbolCount;  // header counts when they should differ from the lists
  std::optional<std::uint32_t> valueCount;
};

struct FileSpec {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;
  int lastLevel = 0;
  std::vector<PlaneStreams> planes;  // 1 or 3
  const char* magic = "HWL";
};

std::vector<std::uint8_t> buildFile(const FileSpec& spec);

// Symbols and values for a coefficient plane the way the format's writer codes them: a zero followed
// by more than (k + 4) / 2 zeros starts a run of at most 4 * 2^k, a run never covers the last
// coefficient.
void codeCoefficients(const std::vector<int>& coefficients, int valueBits, std::vector<int>& symbols,
                      std::vector<int>& values);

// A coefficient plane (width x height, lastLevel) that looks like a transformed picture: a blocky
// approximation with repeated values, details mostly zero, whole zero stretches long enough for the
// longest runs. Magnitudes fit valueBits.
std::vector<int> pictureLikeCoefficients(int width, int height, int lastLevel, int valueBits, std::mt19937& random);

// A table whose factors put the approximation near pixel range and details near typical sizes, each
// jittered so the factors have full mantissas; now and then a detail entry is 0.
std::vector<double> plausibleTable(int lastLevel, int valueBits, std::mt19937& random);

// A coded plane from the two above.
PlaneStreams pictureLikePlane(int width, int height, int lastLevel, int valueBits, std::mt19937& random);

}  // namespace testhwl
