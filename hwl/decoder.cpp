#include "hwl/decode_paths.h"
#include "hwl/fast/paths.h"
#include "hwl/plane_groups.h"
#include "hwl/plane_checks.h"
#include "hwl/reader.h"
#include "hwl/synthesis.h"
#include "hwl/x87_precision.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hwl {

using namespace detail;

namespace {

void requirePlane(std::span<const std::int32_t> plane, std::size_t need, const std::string& name, int p) {
  if (plane.size() < need) {
    throw HwlError(name, "the plane-" + std::to_string(p + 1) + " buffer holds " + std::to_string(plane.size()) +
                             " coefficients, the file has " + std::to_string(need));
  }
}

// The column pass of one level: source (w x h region) to scratch; an unpaired last row passes through.
void inverseColumns(const double* source, double* scratch, int w, int h, int W) {
  const int hh = h / 2;
  const double* hi = source + static_cast<std::ptrdiff_t>(hh) * W;
  for (int j = 0; j < hh; ++j) {
    double* first = scratch + static_cast<std::ptrdiff_t>(2 * j) * W;
    double* second = first + W;
    for (int x = 0; x < w; ++x) {
      first[x] = synthesisedFirst(source + x, hi + x, W, hh, j);
      second[x] = synthesisedSecond(source + x, hi + x, W, hh, j);
    }
  }
  if (h % 2 != 0) {
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(h - 1) * W;
    std::copy_n(source + last, w, scratch + last);
  }
}

// The row pass: scratch to destination; an unpaired last column passes through.
void inverseRows(const double* scratch, double* destination, int w, int h, int W) {
  const int hw = w / 2;
  for (int y = 0; y < h; ++y) {
    const double* lo = scratch + static_cast<std::ptrdiff_t>(y) * W;
    double* out = destination + static_cast<std::ptrdiff_t>(y) * W;
    for (int j = 0; j < hw; ++j) {
      out[2 * j] = synthesisedFirst(lo, lo + hw, 1, hw, j);
      out[2 * j + 1] = synthesisedSecond(lo, lo + hw, 1, hw, j);
    }
    if (w % 2 != 0) out[w - 1] = lo[w - 1];
  }
}

void inverseLevels(double* source, double* destination, double* scratch, int w, int h, int W, int L) {
  if (L > 0) inverseLevels(source, source, scratch, w / 2, h / 2, W, L - 1);
  inverseColumns(source, scratch, w, h, W);
  inverseRows(scratch, destination, w, h, W);
}

void checkTransformArguments(std::size_t source, std::size_t destination, int w, int h, int W, int H, int L) {
  if (w < 0 || h < 0 || w > W || h > H || L < 0) {
    throw std::invalid_argument("hwlInverse: region " + std::to_string(w) + "x" + std::to_string(h) +
                                " does not fit a " + std::to_string(W) + "x" + std::to_string(H) + " plane");
  }
  requireSize(source, area(W, H), "the source plane");
  requireSize(destination, area(W, H), "the destination plane");
}

void decodeByStages(const HwlContents& contents, std::uint8_t* pixels) {
  const HwlHeader& header = contents.header;
  const int w = header.width;
  const int h = header.height;
  const int L = header.lastLevel;
  const std::size_t n = area(w, h);
  std::array<std::vector<double>, 3> reals;
  for (int p = 0; p < contents.planeCount; ++p) {
    std::vector<std::int32_t> integers(n, 0);
    hwlExpandPlane(integers, unpackSymbols(contents.planes[p]), unpackValues(contents.planes[p]), w, h, L,
                   contents.planes[p].valueBits);
    reals[p].resize(n);
    hwlDequantise(integers, reals[p], w, h, L, contents.tables[p]);
  }
  const std::size_t bytes = pixelBufferSize(header);
  if (contents.planeCount == 1) {
    std::vector<double> reconstructed(n);
    hwlInverse(reals[0], reconstructed, w, h, w, h, L);
    hwlStoreGrey(reconstructed, {pixels, bytes}, w, h);
    return;
  }
  std::vector<double> red(n), green(n), blue(n);
  hwlInverseYuv(reals[0], reals[1], reals[2], red, green, blue, w, h, w, h, L);
  hwlStoreBgr(red, green, blue, {pixels, bytes}, w, h);
}

// A picture into the caller's buffer: resized when allocate is set (keeping what it holds when the
// size is right, since every byte is written), otherwise checked to be large enough. The header is
// checked and the body read in full before the buffer is allocated.
void decodeInto(ByteSource& source, std::vector<std::uint8_t>& pixels, HwlHeader& header, bool allocate) {
  HwlContents contents;
  contents.header = header = readHeader(source);
  checkHeader(header, source.name());
  const std::size_t bytes = pixelBufferSize(header);
  if (!allocate && pixels.size() < bytes) {
    throw HwlError(source.name(), "the pixel buffer holds " + std::to_string(pixels.size()) +
                                      " bytes, the picture needs " + std::to_string(bytes));
  }
  const bool planes = decodedPlaneCount(header) > 0;
  const DecodePath path = planes ? chosenPath(source.name()) : DecodePath::stages;
  if (planes) readBody(source, contents);
  if (allocate && (header.bitsPerPixel == 8 || header.bitsPerPixel == 24)) pixels.resize(bytes);
  if (planes) decodePixels(contents, pixels.data(), path);
}

HwlPicture decodeSource(ByteSource& source) {
  HwlPicture picture;
  HwlContents contents;
  contents.header = picture.header = readHeader(source);
  checkHeader(contents.header, source.name());
  if (decodedPlaneCount(contents.header) == 0) {
    picture.pixels.resize(pixelBufferSize(contents.header));
    return picture;
  }
  const DecodePath path = chosenPath(source.name());
  readBody(source, contents);
  picture.pixels.resize(pixelBufferSize(contents.header));
  decodePixels(contents, picture.pixels.data(), path);
  return picture;
}

}  // namespace

namespace detail {

void decodePixels(const HwlContents& contents, std::uint8_t* pixels, DecodePath path) {
  if (contents.planeCount == 0) return;
  if (path == DecodePath::automatic) path = chosenPath("<contents>");
  if (!pathAvailable(path)) {
    throw HwlError("<contents>", std::string("the ") + pathName(path) + " path is not available here");
  }
  const ExtendedPrecisionScope precision;
  if (path != DecodePath::stages && vectorDecode(path, contents, pixels)) return;
  decodeByStages(contents, pixels);
}

void readPlanes(ByteSource& source, const std::array<std::span<std::int32_t>, 3>& planes,
                const std::array<HwlTable*, 3>& tables) {
  const HwlContents contents = readContents(source);
  const HwlHeader& header = contents.header;
  const std::size_t n = area(header.width, header.height);
  for (int p = 0; p < contents.planeCount; ++p) {
    requirePlane(planes[p], n, source.name(), p);
    if (!tables[p]) throw HwlError(source.name(), "no table buffer for plane " + std::to_string(p + 1));
    *tables[p] = contents.tables[p];
    std::fill_n(planes[p].begin(), n, 0);
    hwlExpandPlane(planes[p], unpackSymbols(contents.planes[p]), unpackValues(contents.planes[p]), header.width,
                   header.height, header.lastLevel, contents.planes[p].valueBits);
  }
}

}  // namespace detail

void hwlDecode(std::vector<std::uint8_t>& pixels, HwlHeader& header, const std::string& fileName, bool allocate) {
  FileSource source(fileName);
  decodeInto(source, pixels, header, allocate);
}

void hwlDecodeBytes(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& pixels, HwlHeader& header,
                    bool allocate, const std::string& name) {
  MemorySource source(file, name);
  decodeInto(source, pixels, header, allocate);
}

HwlPicture hwlDecode(const std::string& fileName) {
  FileSource source(fileName);
  return decodeSource(source);
}

HwlPicture hwlDecodeBytes(std::span<const std::uint8_t> file, const std::string& name) {
  MemorySource source(file, name);
  return decodeSource(source);
}

HwlPicture hwlDecodeStream(std::istream& stream, const std::string& name) {
  StreamSource source(stream, name);
  return decodeSource(source);
}

void hwlReadHeader(const std::string& fileName, HwlHeader& header) {
  FileSource source(fileName);
  header = readHeader(source);
}

void hwlReadPlanes(const std::string& fileName, std::span<std::int32_t> plane1, std::span<std::int32_t> plane2,
                   std::span<std::int32_t> plane3, HwlTable* table1, HwlTable* table2, HwlTable* table3) {
  FileSource source(fileName);
  readPlanes(source, {plane1, plane2, plane3}, {table1, table2, table3});
}

void hwlExpandPlane(std::span<std::int32_t> plane, std::span<const std::uint8_t> symbols,
                    std::span<const std::uint8_t> values, int width, int height, int /*lastLevel*/, int valueBits) {
  const std::size_t total = area(width, height);
  requireSize(plane.size(), total, "the coefficient plane");
  std::size_t o = 0;
  std::size_t s = 0;
  std::size_t t = 0;
  while (o < total && s < symbols.size()) {
    const int symbol = symbols[s] & 3;
    if (symbol == 0) {
      plane[o] = 0;
    } else if (t >= values.size()) {
      return;  // the value stream has ended
    } else if (symbol == 1) {
      if (s + 1 >= symbols.size()) return;  // the run's extension is missing
      ++s;
      const std::size_t extra = values[t++] + (std::size_t{symbols[s] & 3u} << valueBits);
      const std::size_t end = std::min(total, o + extra + 1);
      std::fill(plane.begin() + static_cast<std::ptrdiff_t>(o), plane.begin() + static_cast<std::ptrdiff_t>(end), 0);
      o = end;
      ++s;
      continue;
    } else {
      const std::int32_t value = values[t++];
      plane[o] = symbol == 2 ? value : -value;
    }
    ++s;
    ++o;
  }
}

void hwlDequantise(std::span<const std::int32_t> integers, std::span<double> reals, int width, int height,
                   int lastLevel, const HwlTable& table) {
  if (lastLevel < 0 || lastLevel > hwlMaxLastLevel) {
    throw std::invalid_argument("hwlDequantise: lastLevel out of range");
  }
  const std::size_t n = area(width, height);
  requireSize(integers.size(), n, "the coefficient plane");
  requireSize(reals.size(), n, "the real plane");
  const ExtendedPrecisionScope precision;
  std::array<double, hwlTableSize> factors{};
  for (int g = 0; g <= lastLevel + 1; ++g) factors[g] = dequantisationFactor(table[g]);
  forEachGroup(width, height, lastLevel, [&](int group, unsigned y, unsigned from, unsigned to) {
    const std::size_t row = static_cast<std::size_t>(y) * static_cast<unsigned>(width);
    for (unsigned x = from; x < to; ++x) reals[row + x] = dequantise(integers[row + x], factors[group]);
  });
}

void hwlDequantise3(std::span<const std::int32_t> integers1, std::span<const std::int32_t> integers2,
                    std::span<const std::int32_t> integers3, std::span<double> reals1, std::span<double> reals2,
                    std::span<double> reals3, int width, int height, int lastLevel, const HwlTable& table1,
                    const HwlTable& table2, const HwlTable& table3) {
  hwlDequantise(integers1, reals1, width, height, lastLevel, table1);
  hwlDequantise(integers2, reals2, width, height, lastLevel, table2);
  hwlDequantise(integers3, reals3, width, height, lastLevel, table3);
}

void hwlInverse(std::span<double> source, std::span<double> destination, int w, int h, int W, int H, int L) {
  checkTransformArguments(source.size(), destination.size(), w, h, W, H, L);
  const ExtendedPrecisionScope precision;
  std::vector<double> scratch(area(W, H));
  inverseLevels(source.data(), destination.data(), scratch.data(), w, h, W, L);
}

void hwlInverseYuv(std::span<double> source1, std::span<double> source2, std::span<double> source3,
                   std::span<double> red, std::span<double> green, std::span<double> blue, int w, int h, int W, int H,
                   int L) {
  const std::size_t n = area(W, H);
  requireColourPlanes(red.size(), green.size(), blue.size(), n);
  const ExtendedPrecisionScope precision;
  std::vector<double> y(n), u(n), v(n);
  hwlInverse(source1, y, w, h, W, H, L);
  hwlInverse(source2, u, w, h, W, H, L);
  hwlInverse(source3, v, w, h, W, H, L);
  for (std::size_t i = 0; i < n; ++i) {
    const Rgb rgb = colourFromYuv(y[i], u[i], v[i]);
    red[i] = rgb.red;
    green[i] = rgb.green;
    blue[i] = rgb.blue;
  }
}

std::uint8_t hwlStoreSample(double v) {
  if (!(v > 0)) return 0;
  if (!(v < 255)) return 255;
  return static_cast<std::uint8_t>(std::nearbyint(v));  // the default rounding: nearest, ties to even
}

void hwlStoreGrey(std::span<const double> plane, std::span<std::uint8_t> pixels, int width, int height) {
  const std::size_t n = area(width, height);
  requireSize(plane.size(), n, "the plane");
  requireSize(pixels.size(), n, "the pixel buffer");
  for (std::size_t i = 0; i < n; ++i) pixels[i] = hwlStoreSample(plane[i]);
}

void hwlStoreBgr(std::span<const double> red, std::span<const double> green, std::span<const double> blue,
                 std::span<std::uint8_t> pixels, int width, int height) {
  const std::size_t n = area(width, height);
  requireColourPlanes(red.size(), green.size(), blue.size(), n);
  requireSize(pixels.size(), 4 * n, "the pixel buffer");
  for (std::size_t i = 0; i < n; ++i) {
    pixels[4 * i] = hwlStoreSample(blue[i]);
    pixels[4 * i + 1] = hwlStoreSample(green[i]);
    pixels[4 * i + 2] = hwlStoreSample(red[i]);
    pixels[4 * i + 3] = 0;
  }
}

}  // namespace hwl
