#include "hwl/encoder.h"

#include "hwl/arithmetic.h"
#include "hwl/decode_paths.h"
#include "hwl/plane_checks.h"
#include "hwl/plane_groups.h"
#include "hwl/x87_precision.h"
#include "maths/maths.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace hwl {

using namespace detail;

namespace {

void checkRegion(std::size_t source, std::size_t destination, int w, int h, int W, int H, int L) {
  if (w < 0 || h < 0 || w > W || h > H || L < 0 || L > hwlMaxLastLevel) {
    throw std::invalid_argument("hwlForward: region " + std::to_string(w) + "x" + std::to_string(h) +
                                " with lastLevel " + std::to_string(L) + " does not fit a " + std::to_string(W) + "x" +
                                std::to_string(H) + " plane");
  }
  requireSize(source, area(W, H), "the source plane");
  requireSize(destination, area(W, H), "the destination plane");
}

// One level: rows of the source into scratch, then columns of scratch into the destination.
void forwardLevel(const double* source, double* scratch, double* destination, int w, int h, int W) {
  const int hw = w / 2;
  const int hh = h / 2;
  for (int y = 0; y < h; ++y) {
    const double* in = source + static_cast<std::ptrdiff_t>(y) * W;
    double* out = scratch + static_cast<std::ptrdiff_t>(y) * W;
    for (int j = 0; j < hw; ++j) {
      out[j] = analyseLow(in[2 * j], in[2 * j + 1]);
      out[hw + j] = analyseHigh(in[2 * j], in[2 * j + 1]);
    }
    if (w % 2 != 0) out[w - 1] = in[w - 1];
  }
  for (int j = 0; j < hh; ++j) {
    const double* a = scratch + static_cast<std::ptrdiff_t>(2 * j) * W;
    const double* b = a + W;
    double* low = destination + static_cast<std::ptrdiff_t>(j) * W;
    double* high = destination + static_cast<std::ptrdiff_t>(hh + j) * W;
    for (int x = 0; x < w; ++x) {
      low[x] = analyseLow(a[x], b[x]);
      high[x] = analyseHigh(a[x], b[x]);
    }
  }
  if (h % 2 != 0) {
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(h - 1) * W;
    std::copy_n(scratch + last, w, destination + last);
  }
}

void checkEncoding(const std::string& name, int width, int height, int bitsPerPixel, int L,
                   const std::array<int, 3>& valueBits) {
  if (width < 0 || height < 0 || width > 65535 || height > 65535) {
    throw HwlError(name, "a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                             " does not fit the format (0 to 65535 each way)");
  }
  if (bitsPerPixel != 8 && bitsPerPixel != 24) {
    throw HwlError(name, "bitsPerPixel must be 8 or 24, not " + std::to_string(bitsPerPixel));
  }
  if (L < 0 || L > hwlMaxLastLevel) {
    throw HwlError(name, "lastLevel " + std::to_string(L) + " is outside 0 to 16");
  }
  for (int p = 0; p < (bitsPerPixel == 24 ? 3 : 1); ++p) {
    if (valueBits[p] < 1 || valueBits[p] > 8) {
      throw HwlError(name, "the plane-" + std::to_string(p + 1) + " value width " + std::to_string(valueBits[p]) +
                               " is outside 1 to 8");
    }
  }
}

void appendSymbols(const std::vector<std::uint8_t>& symbols, std::vector<std::uint8_t>& out) {
  for (std::size_t s = 0; s < symbols.size(); s += 4) {
    unsigned byte = 0;
    for (std::size_t i = 0; i < 4 && s + i < symbols.size(); ++i) byte |= (symbols[s + i] & 3u) << (2 * i);
    out.push_back(static_cast<std::uint8_t>(byte));
  }
}

void appendValues(const std::vector<std::uint8_t>& values, int k, std::vector<std::uint8_t>& out) {
  if (k == 8) {
    out.insert(out.end(), values.begin(), values.end());
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + valueStreamSize(static_cast<std::uint32_t>(values.size()), k), 0);
  const unsigned mask = (1u << k) - 1;
  for (std::size_t j = 0; j < values.size(); ++j) {
    const std::size_t p = j * static_cast<std::size_t>(k);
    const unsigned bits = (values[j] & mask) << (p % 8);
    out[start + p / 8] |= static_cast<std::uint8_t>(bits);
    if (bits >> 8) out[start + p / 8 + 1] |= static_cast<std::uint8_t>(bits >> 8);
  }
}

void appendTable(const HwlTable& table, int L, std::vector<std::uint8_t>& out) {
  for (int i = 0; i < L + 2; ++i) {
    std::uint64_t bits;
    std::memcpy(&bits, &table[i], 8);
    for (int b = 0; b < 8; ++b) out.push_back(static_cast<std::uint8_t>(bits >> (8 * b)));
  }
}

std::vector<std::uint8_t> assemble(const std::string& name, const std::array<std::span<const std::int32_t>, 3>& planes,
                                   int width, int height, int bitsPerPixel, int L,
                                   const std::array<const HwlTable*, 3>& tables, const std::array<int, 3>& valueBits) {
  checkEncoding(name, width, height, bitsPerPixel, L, valueBits);
  const int count = bitsPerPixel == 24 ? 3 : 1;
  HwlHeader header;
  header.magic = {'H', 'W', 'L'};
  header.width = static_cast<std::uint16_t>(width);
  header.height = static_cast<std::uint16_t>(height);
  header.bitsPerPixel = static_cast<std::uint8_t>(bitsPerPixel);
  header.lastLevel = static_cast<std::uint8_t>(L);
  for (int p = 0; p < count; ++p) {
    header.valueBits[p] = static_cast<std::uint8_t>(valueBits[p]);
    if (!tables[p]) throw HwlError(name, "no table for plane " + std::to_string(p + 1));
    requireSize(planes[p].size(), area(width, height), "the coefficient plane");
  }
  std::vector<std::uint8_t> file(hwlHeaderSize, 0);
  for (int p = 0; p < count; ++p) appendTable(*tables[p], L, file);
  std::vector<std::uint8_t> symbols, values;
  for (int p = 0; p < count; ++p) {
    symbols.clear();
    values.clear();
    hwlEncodePlane(planes[p], symbols, values, width, height, L, valueBits[p]);
    if (symbols.size() > std::numeric_limits<std::uint32_t>::max() ||
        values.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw HwlError(name, "plane " + std::to_string(p + 1) + " needs more symbols than a file counts");
    }
    header.symbolCount[p] = static_cast<std::uint32_t>(symbols.size());
    header.valueCount[p] = static_cast<std::uint32_t>(values.size());
    appendSymbols(symbols, file);
    appendValues(values, valueBits[p], file);
  }
  const auto bytes = packHeader(header);
  std::copy(bytes.begin(), bytes.end(), file.begin());
  return file;
}

// The transformed planes of a picture (one or three), before threshold and quantisation.
std::vector<std::vector<double>> transformPicture(const HwlImage& image, int L) {
  const std::size_t n = area(image.width, image.height);
  const int w = image.width, h = image.height;
  if (image.channels == 1) {
    std::vector<std::vector<double>> planes(1, std::vector<double>(image.samples.begin(), image.samples.begin() + n));
    hwlForward(planes[0], planes[0], w, h, w, h, L);
    return planes;
  }
  std::vector<double> red(n), green(n), blue(n);
  for (std::size_t i = 0; i < n; ++i) {
    red[i] = image.samples[3 * i];
    green[i] = image.samples[3 * i + 1];
    blue[i] = image.samples[3 * i + 2];
  }
  std::vector<std::vector<double>> planes(3, std::vector<double>(n));
  hwlForwardYuv(red, green, blue, planes[0], planes[1], planes[2], w, h, w, h, L);
  return planes;
}

std::vector<std::uint8_t> encodeTransformed(const HwlImage& image, const std::vector<std::vector<double>>& transformed,
                                            int L, const HwlEncodeOptions& options) {
  const int count = static_cast<int>(transformed.size());
  std::array<std::vector<std::int32_t>, 3> integers;
  std::array<HwlTable, 3> tables{};
  for (int p = 0; p < count; ++p) {
    std::vector<double> plane = transformed[p];
    if (options.threshold > 0) hwlThreshold(plane, options.threshold, image.width, image.height, L);
    integers[p].resize(plane.size());
    hwlQuantise(plane, integers[p], image.width, image.height, L, options.valueBits[p], tables[p]);
  }
  return assemble("<memory>", {integers[0], integers[1], integers[2]}, image.width, image.height, count == 3 ? 24 : 8,
                  L, {&tables[0], &tables[1], &tables[2]}, options.valueBits);
}

void checkImage(const HwlImage& image) {
  if (image.channels != 1 && image.channels != 3) {
    throw std::invalid_argument("an image has 1 or 3 channels, not " + std::to_string(image.channels));
  }
  if (image.width < 1 || image.height < 1 || image.width > 65535 || image.height > 65535) {
    throw HwlError("<memory>", "a picture of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                                   " cannot be encoded (1 to 65535 each way)");
  }
  if (area(image.width, image.height) > hwlMaxPixels) {
    throw HwlError("<memory>", "a picture of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                                   " is more than the " + std::to_string(hwlMaxPixels) + " pixels a decoder takes");
  }
  requireSize(image.samples.size(), area(image.width, image.height) * image.channels, "the image");
}

int levelOf(const HwlImage& image, int levels) {
  return levels < 0 ? hwlDefaultLevel(image.width, image.height) : levels;
}

}  // namespace

void hwlForward(std::span<const double> source, std::span<double> destination, int w, int h, int W, int H, int L) {
  checkRegion(source.size(), destination.size(), w, h, W, H, L);
  const ExtendedPrecisionScope precision;
  std::vector<double> scratch(area(W, H));
  forwardLevel(source.data(), scratch.data(), destination.data(), w, h, W);
  for (int level = 1; level <= L; ++level) {
    w /= 2;
    h /= 2;
    forwardLevel(destination.data(), scratch.data(), destination.data(), w, h, W);
  }
}

void hwlForwardYuv(std::span<const double> red, std::span<const double> green, std::span<const double> blue,
                   std::span<double> destination1, std::span<double> destination2, std::span<double> destination3,
                   int w, int h, int W, int H, int L) {
  const std::size_t n = area(W, H);
  requireColourPlanes(red.size(), green.size(), blue.size(), n);
  const ExtendedPrecisionScope precision;
  std::vector<double> y(n), u(n), v(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Yuv yuv = yuvFromColour(red[i], green[i], blue[i]);
    y[i] = yuv.y;
    u[i] = yuv.u;
    v[i] = yuv.v;
  }
  hwlForward(y, destination1, w, h, W, H, L);
  hwlForward(u, destination2, w, h, W, H, L);
  hwlForward(v, destination3, w, h, W, H, L);
}

std::size_t hwlThreshold(std::span<double> plane, double threshold, int width, int height, int L) {
  requireSize(plane.size(), area(width, height), "the plane");
  std::size_t zeroed = 0;
  const auto w = static_cast<unsigned>(width);
  forEachDetailGroup(width, height, L, [&](int, unsigned y, unsigned from, unsigned to) {
    for (unsigned x = from; x < to; ++x) {
      double& v = plane[static_cast<std::size_t>(y) * w + x];
      if (v != 0 && std::fabs(v) <= threshold) {
        v = 0;
        ++zeroed;
      }
    }
  });
  return zeroed;
}

std::size_t hwlCountZeros(std::span<const std::int32_t> plane, int width, int height) {
  const std::size_t n = area(width, height);
  requireSize(plane.size(), n, "the plane");
  return static_cast<std::size_t>(std::count(plane.begin(), plane.begin() + static_cast<std::ptrdiff_t>(n), 0));
}

void hwlQuantise(std::span<const double> reals, std::span<std::int32_t> integers, int width, int height, int L,
                 int valueBits, HwlTable& table) {
  if (valueBits < 1 || valueBits > 8) {
    throw HwlError("<memory>", "value width " + std::to_string(valueBits) + " is outside 1 to 8");
  }
  if (L < 0 || L > hwlMaxLastLevel) throw HwlError("<memory>", "lastLevel above 16");
  requireSize(reals.size(), area(width, height), "the real plane");
  requireSize(integers.size(), area(width, height), "the integer plane");
  const ExtendedPrecisionScope precision;
  table.fill(0);
  std::array<double, hwlTableSize> minimum, maximum;
  minimum.fill(100000000.0);
  maximum.fill(-100000000.0);
  const auto row = [&](unsigned y) { return static_cast<std::size_t>(y) * static_cast<unsigned>(width); };
  forEachGroup(width, height, L, [&](int g, unsigned y, unsigned from, unsigned to) {
    for (unsigned x = from; x < to; ++x) {
      const double v = reals[row(y) + x];
      if (v < minimum[g]) minimum[g] = v;
      if (v > maximum[g]) maximum[g] = v;
    }
  });
  for (int g = 0; g <= L + 1; ++g) {
    if (minimum[g] == 0 && maximum[g] == 0) continue;
    const double largest =
        std::fabs(maximum[g]) < std::fabs(minimum[g]) ? std::fabs(minimum[g]) : std::fabs(maximum[g]);
    table[g] = quantisationScale(valueBits, largest);
  }
  forEachGroup(width, height, L, [&](int g, unsigned y, unsigned from, unsigned to) {
    for (unsigned x = from; x < to; ++x) integers[row(y) + x] = quantise(reals[row(y) + x], table[g]);
  });
}

void hwlQuantise3(std::span<const double> reals1, std::span<const double> reals2, std::span<const double> reals3,
                  std::span<std::int32_t> integers1, std::span<std::int32_t> integers2,
                  std::span<std::int32_t> integers3, int width, int height, int L, int valueBits1, int valueBits2,
                  int valueBits3, HwlTable& table1, HwlTable& table2, HwlTable& table3) {
  hwlQuantise(reals1, integers1, width, height, L, valueBits1, table1);
  hwlQuantise(reals2, integers2, width, height, L, valueBits2, table2);
  hwlQuantise(reals3, integers3, width, height, L, valueBits3, table3);
}

void hwlEncodePlane(std::span<const std::int32_t> plane, std::vector<std::uint8_t>& symbols,
                    std::vector<std::uint8_t>& values, int width, int height, int /*L*/, int valueBits) {
  const std::size_t total = area(width, height);
  requireSize(plane.size(), total, "the coefficient plane");
  const std::size_t longest = std::size_t{4} << valueBits;
  const auto shortest = static_cast<std::size_t>((valueBits + 4) / 2);
  for (std::size_t i = 0; i < total; ++i) {
    const std::int32_t v = plane[i];
    if (v != 0) {
      symbols.push_back(v < 0 ? 3 : 2);
      values.push_back(static_cast<std::uint8_t>(v < 0 ? -static_cast<std::int64_t>(v) : v));
      continue;
    }
    std::size_t j = 1;
    while (i + j < total - 1 && plane[i + j] == 0 && j < longest) ++j;
    const std::size_t extra = j - 1;
    if (extra > shortest) {
      symbols.push_back(1);
      values.push_back(static_cast<std::uint8_t>(extra & ((std::size_t{1} << valueBits) - 1)));
      symbols.push_back(static_cast<std::uint8_t>(extra >> valueBits));
      i += extra;
    } else {
      symbols.push_back(0);
    }
  }
}

std::vector<std::uint8_t> hwlWriteBytes(std::span<const std::int32_t> plane1, std::span<const std::int32_t> plane2,
                                        std::span<const std::int32_t> plane3, int width, int height, int bitsPerPixel,
                                        int L, const HwlTable* table1, const HwlTable* table2, const HwlTable* table3,
                                        int valueBits1, int valueBits2, int valueBits3) {
  return assemble("<memory>", {plane1, plane2, plane3}, width, height, bitsPerPixel, L, {table1, table2, table3},
                  {valueBits1, valueBits2, valueBits3});
}

void hwlWriteFile(const std::string& fileName, std::span<const std::int32_t> plane1,
                  std::span<const std::int32_t> plane2, std::span<const std::int32_t> plane3, int width, int height,
                  int bitsPerPixel, int L, const HwlTable* table1, const HwlTable* table2, const HwlTable* table3,
                  int valueBits1, int valueBits2, int valueBits3) {
  const std::vector<std::uint8_t> bytes = assemble(fileName, {plane1, plane2, plane3}, width, height, bitsPerPixel, L,
                                                   {table1, table2, table3}, {valueBits1, valueBits2, valueBits3});
  std::FILE* file = std::fopen(fileName.c_str(), "wb");
  if (!file) throw HwlError(fileName, std::string("cannot create: ") + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int error = errno;
  if (std::fclose(file) != 0 || !written) {
    throw HwlError(fileName, std::string("cannot write: ") + std::strerror(written ? errno : error));
  }
}

void hwlWriteStream(std::ostream& stream, std::span<const std::int32_t> plane1, std::span<const std::int32_t> plane2,
                    std::span<const std::int32_t> plane3, int width, int height, int bitsPerPixel, int L,
                    const HwlTable* table1, const HwlTable* table2, const HwlTable* table3, int valueBits1,
                    int valueBits2, int valueBits3) {
  const std::vector<std::uint8_t> bytes = assemble("<stream>", {plane1, plane2, plane3}, width, height, bitsPerPixel, L,
                                                   {table1, table2, table3}, {valueBits1, valueBits2, valueBits3});
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  stream.flush();
  if (!stream) throw HwlError("<stream>", "the stream could not be written");
}

void hwlReadPlanesFromStream(std::istream& stream, std::span<std::int32_t> plane1, std::span<std::int32_t> plane2,
                             std::span<std::int32_t> plane3, HwlTable* table1, HwlTable* table2, HwlTable* table3) {
  StreamSource source(stream, "<stream>");
  readPlanes(source, {plane1, plane2, plane3}, {table1, table2, table3});
}

int hwlDefaultLevel(int width, int height) {
  int L = 0;
  while (L < 5 && (2 << (L + 1)) <= std::min(width, height)) ++L;
  return L;
}

std::vector<std::uint8_t> hwlEncode(const HwlImage& image, const HwlEncodeOptions& options) {
  checkImage(image);
  const int L = levelOf(image, options.levels);
  checkEncoding("<memory>", image.width, image.height, image.channels == 3 ? 24 : 8, L, options.valueBits);
  return encodeTransformed(image, transformPicture(image, L), L, options);
}

double hwlPsnr(const HwlImage& reference, const HwlPicture& decoded) {
  const int channels = decoded.header.bitsPerPixel == 24 ? 3 : 1;
  const std::size_t n = area(reference.width, reference.height);
  if (decoded.header.width != reference.width || decoded.header.height != reference.height ||
      channels != reference.channels || decoded.pixels.size() != n * (channels == 3 ? 4 : 1) ||
      reference.samples.size() < n * channels) {
    throw std::invalid_argument("hwlPsnr: the decoded picture does not match the reference");
  }
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (int ch = 0; ch < channels; ++ch) {
      const int got = channels == 3 ? decoded.pixels[4 * i + 2 - ch] : decoded.pixels[i];
      const double d = got - reference.samples[channels * i + ch];
      sum += d * d;
    }
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  return 10 * maths::log10(255.0 * 255.0 * static_cast<double>(n * channels) / sum);
}

HwlSearchResult hwlEncodeForPsnr(const HwlImage& image, double targetDb, int levels,
                                 const std::function<void(double)>& progress) {
  checkImage(image);
  const int L = levelOf(image, levels);
  checkEncoding("<memory>", image.width, image.height, image.channels == 3 ? 24 : 8, L, {8, 8, 8});
  const std::vector<std::vector<double>> transformed = transformPicture(image, L);

  // The largest detail magnitude: thresholds above it change nothing.
  double largest = 0;
  const auto w = static_cast<unsigned>(image.width);
  for (const std::vector<double>& plane : transformed) {
    forEachDetailGroup(image.width, image.height, L, [&](int, unsigned y, unsigned from, unsigned to) {
      for (unsigned x = from; x < to; ++x) largest = std::max(largest, std::fabs(plane[y * w + x]));
    });
  }

  HwlSearchResult best;
  HwlSearchResult closest;
  closest.psnr = -1;
  auto trial = [&](const HwlEncodeOptions& options) {
    std::vector<std::uint8_t> file = encodeTransformed(image, transformed, L, options);
    const double psnr = hwlPsnr(image, hwlDecodeBytes(file));
    const bool reached = psnr >= targetDb;
    if (reached && (best.file.empty() || file.size() < best.file.size())) {
      best = {options, file, psnr, true};
    }
    if (!reached && psnr > closest.psnr) closest = {options, std::move(file), psnr, false};
    return reached;
  };

  // Value widths: the luma width from 8 down, colour planes the same or one or two bits fewer.
  std::vector<std::array<int, 3>> widths;
  for (int k = 8; k >= 1; --k) {
    for (int fewer = 0; fewer <= (image.channels == 3 ? 2 : 0) && k - fewer >= 1; ++fewer) {
      widths.push_back({k, k - fewer, k - fewer});
    }
  }
  constexpr int steps = 10;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    if (progress) progress(static_cast<double>(c) / static_cast<double>(widths.size()));
    HwlEncodeOptions options;
    options.levels = L;
    options.valueBits = widths[c];
    options.threshold = 0;
    if (!trial(options)) {
      if (widths[c][1] == widths[c][0]) break;  // fewer bits will not reach it either
      continue;
    }
    // The largest threshold that still reaches the target, on a logarithmic scale.
    double low = 1.0 / 64;
    double high = largest;
    if (high <= low) continue;
    options.threshold = high;
    if (trial(options)) continue;
    for (int step = 0; step < steps; ++step) {
      options.threshold = std::sqrt(low * high);
      (trial(options) ? low : high) = options.threshold;
    }
  }
  if (progress) progress(1.0);
  return best.file.empty() ? closest : best;
}

}  // namespace hwl
