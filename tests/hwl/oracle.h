#pragma once
// The decoding pipeline written out the plain way, independent of the library: its own header
// parsing, bit unpacking and expansion, a column-by-column inverse over whole planes with fresh
// scratch per level, extended precision everywhere. The decoder is tested against it byte for byte.

#include <cstdint>
#include <vector>

namespace oracle {

struct Decoded {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::vector<std::uint8_t> pixels;  // grey bytes or blue, green, red, 0 pixels
};

// Decodes a whole HWL file held in memory. The file must be complete (the oracle does not check).
Decoded decode(const std::vector<std::uint8_t>& file);

// One-dimensional synthesis of n low and n high values into 2n samples (an odd tail not included).
std::vector<double> synthesise(const std::vector<double>& lo, const std::vector<double>& hi);

// The byte a sample stores as.
std::uint8_t store(double v);

}  // namespace oracle
