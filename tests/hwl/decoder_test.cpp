#include "hwl/arithmetic.h"
#include "hwl/decode_paths.h"
#include "hwl/encoder.h"
#include "hwl/hwl.h"
#include "hwl/stages.h"
#include "tests/hwl/file_builder.h"
#include "tests/hwl/oracle.h"
#include "tests/hwl/paths.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

namespace {

struct Size3 {
  int a, b, c;
};

using hwl::HwlError;
using testhwl::buildFile;
using testhwl::FileSpec;
using testhwl::PlaneStreams;
using ::testing::HasSubstr;

constexpr double c = hwl::detail::haarFactor;

std::vector<std::uint8_t> decodeByStages(const std::vector<std::uint8_t>& file) {
  hwl::detail::MemorySource source(file, "file");
  const hwl::detail::HwlContents contents = hwl::detail::readContents(source);
  std::vector<std::uint8_t> pixels(hwl::pixelBufferSize(contents.header), 0xAB);
  hwl::detail::decodePixels(contents, pixels.data(), hwl::detail::DecodePath::stages);
  return pixels;
}

// A one-plane file of the given coefficients, each plane group scaled by 1.
std::vector<std::uint8_t> greyFile(int w, int h, int L, int k, const std::vector<int>& symbols,
                                   const std::vector<int>& values) {
  FileSpec spec{w, h, 8, L, {PlaneStreams{std::vector<double>(L + 2, 1.0), k, symbols, values, {}, {}}}, "HWL"};
  return buildFile(spec);
}

std::vector<std::int32_t> readCoefficients(const std::vector<std::uint8_t>& file, int count) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "f.hwl", std::string(file.begin(), file.end()));
  std::vector<std::int32_t> plane(count, 99);
  hwl::HwlTable table{};
  hwl::hwlReadPlanes((dir / "f.hwl").string(), plane, {}, {}, &table, nullptr, nullptr);
  return plane;
}

TEST(HwlStreams, WorkedExampleWithThreeBitValues) {
  std::vector<std::int32_t> plane(24, 7);
  const std::vector<std::uint8_t> symbols{2, 0, 1, 2, 3}, values{5, 4, 1};
  hwl::hwlExpandPlane(plane, symbols, values, 24, 1, 0, 3);
  std::vector<std::int32_t> expected(24, 0);
  expected[0] = 5;
  expected[23] = -1;
  EXPECT_EQ(plane, expected);
  // The same through a file: two symbol bytes, two value bytes (9 bits).
  const auto file = greyFile(24, 1, 0, 3, {2, 0, 1, 2, 3}, {5, 4, 1});
  EXPECT_EQ(file.size(), 36u + 16 + 2 + 2);
  EXPECT_EQ(readCoefficients(file, 24), expected);
}

TEST(HwlStreams, BitPackingAtByteEdges) {
  // N = 5: the second symbol byte gives only its two lowest bits; k = 3: value 2 spans two bytes.
  EXPECT_EQ(readCoefficients(greyFile(5, 1, 0, 3, {2, 3, 2, 0, 3}, {7, 1, 6, 5}), 5),
            (std::vector<std::int32_t>{7, -1, 6, 0, -5}));
  // k = 4 never crosses a byte; k = 8 is byte for byte; k = 1, 5, 7 land anywhere.
  for (int k : {1, 4, 5, 7, 8}) {
    std::vector<int> symbols, values;
    std::vector<std::int32_t> expected;
    for (int i = 0; i < 29; ++i) {
      const int v = (i * 37 + 11) % (1 << k);
      symbols.push_back(i % 2 ? 3 : 2);
      values.push_back(v);
      expected.push_back(i % 2 ? -v : v);
    }
    EXPECT_EQ(readCoefficients(greyFile(29, 1, 0, k, symbols, values), 29), expected) << "k " << k;
  }
}

TEST(HwlStreams, RunsUseEveryExtensionAndStopAtThePlaneEnd) {
  for (int k : {1, 3, 8}) {
    for (int e = 0; e < 4; ++e) {
      const int top = (1 << k) - 1;
      const int run = 1 + top + e * (1 << k);  // the longest run with this extension
      std::vector<std::int32_t> plane(run + 1, 9);
      const std::vector<std::uint8_t> symbols{1, static_cast<std::uint8_t>(e), 2};
      const std::vector<std::uint8_t> values{static_cast<std::uint8_t>(top), 4};
      hwl::hwlExpandPlane(plane, symbols, values, run + 1, 1, 0, k);
      EXPECT_EQ(std::count(plane.begin(), plane.end() - 1, 0), run) << k << " " << e;
      EXPECT_EQ(plane.back(), 4);
    }
  }
  // A run longer than the plane stops at its end; what is left of the streams is ignored.
  std::vector<std::int32_t> plane(5, 9);
  hwl::hwlExpandPlane(plane, std::vector<std::uint8_t>{2, 1, 3, 2, 2}, std::vector<std::uint8_t>{1, 200, 3, 3}, 5, 1, 0,
                      8);
  EXPECT_EQ(plane, (std::vector<std::int32_t>{1, 0, 0, 0, 0}));
}

TEST(HwlStreams, StreamsThatEndEarlyLeaveTheRestUntouched) {
  std::vector<std::int32_t> plane(6, 9);
  // Symbol 2 with value 0 still consumes the value; the values run out at the fourth symbol.
  hwl::hwlExpandPlane(plane, std::vector<std::uint8_t>{2, 0, 3, 2, 2}, std::vector<std::uint8_t>{0, 5}, 6, 1, 0, 8);
  EXPECT_EQ(plane, (std::vector<std::int32_t>{0, 0, -5, 9, 9, 9}));
  // A run whose extension symbol is missing.
  plane.assign(6, 9);
  hwl::hwlExpandPlane(plane, std::vector<std::uint8_t>{0, 1}, std::vector<std::uint8_t>{3}, 6, 1, 0, 8);
  EXPECT_EQ(plane, (std::vector<std::int32_t>{0, 9, 9, 9, 9, 9}));
  // Through the file reader, unreached coefficients are zero.
  EXPECT_EQ(readCoefficients(greyFile(6, 1, 0, 8, {2, 2}, {4}), 6), (std::vector<std::int32_t>{4, 0, 0, 0, 0, 0}));
}

TEST(HwlDequantise, EightByEightLevelGroups) {
  std::vector<std::int32_t> ones(64, 1);
  ones[0] = -2;
  std::vector<double> reals(64);
  const hwl::HwlTable table{0.5, 0.25, 0.125};  // factors 2, 4, 8
  hwl::hwlDequantise(ones, reals, 8, 8, 1, table);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      double factor = 2;                                    // level 0: rows 0-3 at columns 4-7, rows 4-7 everywhere
      if (x < 4 && y < 4) factor = x < 2 && y < 2 ? 8 : 4;  // the 2 x 2 approximation, level 1
      EXPECT_EQ(reals[y * 8 + x], (x + y == 0 ? -2 : 1) * factor) << x << "," << y;
    }
  }
  const hwl::HwlTable zeroed{0.0, 0.25, 0.125};
  hwl::hwlDequantise(ones, reals, 8, 8, 1, zeroed);
  EXPECT_EQ(reals[7], 0.0);
  EXPECT_EQ(reals[63], 0.0);
  EXPECT_EQ(reals[3], 4.0);
}

// A one-row plane of w = 2n: the row pass alone is the one-dimensional synthesis.
std::vector<double> synthesiseRow(const std::vector<double>& lo, const std::vector<double>& hi) {
  std::vector<double> plane(lo);
  plane.insert(plane.end(), hi.begin(), hi.end());
  std::vector<double> out(plane.size());
  const int w = static_cast<int>(plane.size());
  hwl::hwlInverse(plane, out, w, 1, w, 1, 0);
  EXPECT_EQ(out, oracle::synthesise(lo, hi));
  for (double& v : out) v /= c;
  return out;
}

TEST(HwlInverse, ZeroDetailSmoothingRuns) {
  using V = std::vector<double>;
  EXPECT_THAT(synthesiseRow({10, 20, 30, 40}, {0, 0, 0, 0}),
              ::testing::Pointwise(::testing::DoubleNear(1e-12), V{10, 10, 18, 22, 28, 32, 40, 40}));
  EXPECT_THAT(synthesiseRow({10, 10, 50, 50}, {0, 0, 0, 0}),
              ::testing::Pointwise(::testing::DoubleNear(1e-12), V{10, 10, 10, 10, 50, 50, 50, 50}));
  EXPECT_THAT(synthesiseRow({10, 20, 30, 30, 30}, {0, 0, 0, 0, 0}),
              ::testing::Pointwise(::testing::DoubleNear(1e-12), V{10, 10, 20, 22, 30, 30, 30, 30, 30, 30}));
  EXPECT_THAT(synthesiseRow({10, 20, 30, 40}, {0, 0, 5, 0}),
              ::testing::Pointwise(::testing::DoubleNear(1e-12), V{10, 10, 18, 20, 35, 25, 40, 40}));
}

TEST(HwlInverse, TwoByTwoAndInPlace) {
  const double a = 100.25, p = 3.5, q = -7.125, r = 1.0 / 3;
  std::vector<double> plane{a, p, q, r}, out(4);
  hwl::hwlInverse(plane, out, 2, 2, 2, 2, 0);
  using X = hwl::detail::Extended;
  auto syn = [](double lo, double hi, bool plus) { return double((plus ? X(lo) + hi : X(lo) - hi) * X(c)); };
  const double left0 = syn(a, q, true), left1 = syn(a, q, false);
  const double right0 = syn(p, r, true), right1 = syn(p, r, false);
  EXPECT_EQ(out, (std::vector<double>{syn(left0, right0, true), syn(left0, right0, false), syn(left1, right1, true),
                                      syn(left1, right1, false)}));
  // Three levels on a 16 x 8 plane with a row stride of 20: in place equals separate planes.
  std::mt19937 random(5);
  std::uniform_real_distribution<double> any(-50, 50);
  std::vector<double> source(20 * 9);
  for (double& v : source) v = std::round(any(random)) / 4;
  std::vector<double> copy = source, separate(20 * 9, 0.0);
  hwl::hwlInverse(copy, separate, 16, 8, 20, 9, 2);
  hwl::hwlInverse(source, source, 16, 8, 20, 9, 2);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(source[y * 20 + x], separate[y * 20 + x]);
  }
}

TEST(HwlStore, ClampsAndRoundsHalfToEven) {
  const std::vector<std::pair<double, int>> cases{{255.0, 255}, {300.0, 255}, {254.7, 255}, {254.5, 254},
                                                  {0.4, 0},     {-3.0, 0},    {0.5, 0},     {1.5, 2},
                                                  {2.5, 2},     {0.0, 0},     {127.49, 127}};
  for (const auto& [v, byte] : cases) {
    EXPECT_EQ(hwl::hwlStoreSample(v), byte) << v;
    EXPECT_EQ(oracle::store(v), byte) << v;
  }
  EXPECT_EQ(hwl::hwlStoreSample(std::numeric_limits<double>::quiet_NaN()), 0);
  const hwl::detail::Rgb rgb = hwl::detail::colourFromYuv(100, 0, 0);
  EXPECT_EQ(rgb.red, 100.0);
  EXPECT_EQ(rgb.blue, 100.0);
  EXPECT_NEAR(rgb.green, 99.999985, 1e-9);
  std::vector<std::uint8_t> pixels(8, 0xAB);
  hwl::hwlStoreBgr(std::vector<double>{rgb.red, 1}, std::vector<double>{rgb.green, 2}, std::vector<double>{rgb.blue, 3},
                   pixels, 2, 1);
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{100, 100, 100, 0, 3, 2, 1, 0}));
}

struct Generated {
  std::vector<std::uint8_t> file;
  std::string label;
};

// Picture-like files over every lastLevel 0-5, every value width, grey and colour, even and odd sizes.
std::vector<Generated> generatedFiles() {
  std::vector<Generated> files;
  std::mt19937 random(2024);
  const std::vector<std::pair<int, int>> sizes{{64, 64}, {96, 32}, {37, 23}, {8, 200}, {3, 5}};
  int index = 0;
  for (int L = 0; L <= 5; ++L) {
    for (int k = 1; k <= 8; ++k) {
      const auto [w, h] = sizes[index++ % sizes.size()];
      const int bits = (L + k) % 2 ? 24 : 8;
      FileSpec spec{w, h, bits, L, {}, "HWL"};
      for (int p = 0; p < (bits == 24 ? 3 : 1); ++p) {
        const int planeBits = std::max(1, k - p);  // planes with their own widths
        spec.planes.push_back(testhwl::pictureLikePlane(w, h, L, planeBits, random));
      }
      files.push_back({buildFile(spec), "L " + std::to_string(L) + " k " + std::to_string(k) + " " + std::to_string(w) +
                                            "x" + std::to_string(h) + " " + std::to_string(bits) + "-bit"});
    }
  }
  return files;
}

// Whole decodes through the public calls on every path (chosen with HWL_DECODE_PATH).
class HwlDecodeOnEveryPath : public ::testing::TestWithParam<hwl::detail::DecodePath> {
 protected:
  void SetUp() override { SKIP_UNLESS_PATH_AVAILABLE(GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(Paths, HwlDecodeOnEveryPath, ::testing::ValuesIn(testhwl::everyPath), testhwl::pathTestName);

// The vector paths' own calls: they must take the picture, and give the oracle's bytes and doubles.
class HwlVectorPath : public ::testing::TestWithParam<hwl::detail::DecodePath> {
 protected:
  void SetUp() override { SKIP_UNLESS_PATH_AVAILABLE(GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(Paths, HwlVectorPath, ::testing::ValuesIn(testhwl::vectorPaths), testhwl::pathTestName);

TEST_P(HwlDecodeOnEveryPath, MatchesTheOracleOnGeneratedFiles) {
  const testhwl::PathOverride path(GetParam());
  for (const Generated& g : generatedFiles()) {
    const oracle::Decoded expected = oracle::decode(g.file);
    const hwl::HwlPicture picture = hwl::hwlDecodeBytes(g.file, "generated");
    ASSERT_EQ(picture.pixels.size(),
              std::size_t(expected.width) * expected.height * (expected.bitsPerPixel / 8 == 3 ? 4 : 1));
    EXPECT_TRUE(picture.pixels == expected.pixels) << g.label;
    EXPECT_TRUE(decodeByStages(g.file) == expected.pixels) << g.label;
    if (expected.bitsPerPixel == 24) {
      for (std::size_t i = 3; i < picture.pixels.size(); i += 4) ASSERT_EQ(picture.pixels[i], 0);
    }
  }
}

// The vector path must take these files and give the oracle's bytes.
void expectVectorPathMatches(hwl::detail::DecodePath path, const std::vector<std::uint8_t>& file,
                             const std::string& label) {
  hwl::detail::MemorySource source(file, "file");
  const hwl::detail::HwlContents contents = hwl::detail::readContents(source);
  std::vector<std::uint8_t> pixels(hwl::pixelBufferSize(contents.header), 0xAB);
  ASSERT_TRUE(hwl::detail::vectorDecode(path, contents, pixels.data())) << label;
  EXPECT_TRUE(pixels == oracle::decode(file).pixels) << label;
}

TEST_P(HwlVectorPath, MatchesTheOracle) {
  for (const Generated& g : generatedFiles()) expectVectorPathMatches(GetParam(), g.file, g.label);
  // Encoded pictures: smooth shapes, edges and noise, many settings; colour and grey, odd sizes.
  std::mt19937 random(77);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 60; ++i) {
    const int w = 8 + static_cast<int>(unit(random) * 90), h = 8 + static_cast<int>(unit(random) * 70);
    const int channels = i % 3 == 0 ? 1 : 3;
    hwl::HwlImage image{w, h, channels, {}};
    const double fx = 0.02 + unit(random) * 0.3, fy = 0.02 + unit(random) * 0.3, noise = unit(random) * 40;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        for (int c = 0; c < channels; ++c) {
          const double v = 128 + 100 * std::sin(x * fx + c) * std::cos(y * fy - c) + (x * 3 > w * (c + 1) ? 50 : -20) +
                           noise * (unit(random) - 0.5);
          image.samples.push_back(static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)));
        }
      }
    }
    hwl::HwlEncodeOptions options;
    options.levels = static_cast<int>(unit(random) * 6);
    const int k = 1 + static_cast<int>(unit(random) * 8);
    options.valueBits = {k, std::max(1, k - i % 3), std::max(1, k - 1)};
    options.threshold = unit(random) < 0.3 ? 0 : unit(random) * 20;
    const auto file = hwl::hwlEncode(image, options);
    expectVectorPathMatches(GetParam(), file, "picture " + std::to_string(i));
  }
}

// Every reconstructed sample of the vectorised inverse equals the stage pipeline's, as a number
// (zeros may differ in sign, which no later step can see).
TEST_P(HwlVectorPath, InverseGivesTheExtendedDoubles) {
  std::mt19937 random(31);
  std::vector<std::vector<std::uint8_t>> files;
  for (const Generated& g : generatedFiles()) files.push_back(g.file);
  // Dense planes of mixed signs: plain pairs everywhere, smoothing between opposite signs.
  for (int i = 0; i < 12; ++i) {
    const int w = 40 + 8 * i, h = 72 - 4 * i, L = i % 5, k = 1 + i % 8;
    FileSpec spec{w, h, 8, L, {}, "HWL"};
    std::uniform_int_distribution<int> any(-(1 << k) + 1, (1 << k) - 1);
    std::vector<int> c(static_cast<std::size_t>(w) * h);
    for (int& v : c) v = random() % 3 == 0 ? 0 : any(random);
    PlaneStreams plane;
    plane.valueBits = k;
    plane.table = testhwl::plausibleTable(L, k, random);
    testhwl::codeCoefficients(c, k, plane.symbols, plane.values);
    spec.planes.push_back(plane);
    files.push_back(buildFile(spec));
  }
  std::size_t samples = 0;
  for (const auto& file : files) {
    hwl::detail::MemorySource source(file, "file");
    const hwl::detail::HwlContents contents = hwl::detail::readContents(source);
    const hwl::HwlHeader& h = contents.header;
    const std::size_t n = std::size_t{h.width} * h.height;
    for (int p = 0; p < contents.planeCount; ++p) {
      std::vector<std::int32_t> integers(n, 0);
      hwl::hwlExpandPlane(integers, hwl::detail::unpackSymbols(contents.planes[p]),
                          hwl::detail::unpackValues(contents.planes[p]), h.width, h.height, h.lastLevel,
                          contents.planes[p].valueBits);
      std::vector<double> reals(n), expected(n);
      hwl::hwlDequantise(integers, reals, h.width, h.height, h.lastLevel, contents.tables[p]);
      hwl::hwlInverse(reals, expected, h.width, h.height, h.width, h.height, h.lastLevel);
      const std::vector<double> fast = hwl::detail::vectorInversePlane(GetParam(), contents, p);
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(fast[i], expected[i]) << h.width << "x" << h.height << " L " << int{h.lastLevel} << " plane " << p
                                        << " sample " << i;
      }
      samples += n;
    }
  }
  EXPECT_GT(samples, 200000u);
}

TEST(HwlDecode, FileStreamAndMemoryAgree) {
  std::mt19937 random(7);
  FileSpec spec{32, 16, 24, 2, {}, "HWL"};
  for (int p = 0; p < 3; ++p) spec.planes.push_back(testhwl::pictureLikePlane(32, 16, 2, 6, random));
  std::vector<std::uint8_t> file = buildFile(spec);
  file.push_back(0x5A);  // trailing bytes are never read
  testsupport::TempDir dir;
  const std::string path = (dir / "p.hwl").string();
  testsupport::writeFile(path, std::string(file.begin(), file.end()));

  const hwl::HwlPicture fromMemory = hwl::hwlDecodeBytes(file);
  std::istringstream stream(std::string(file.begin(), file.end()));
  EXPECT_EQ(hwl::hwlDecodeStream(stream).pixels, fromMemory.pixels);
  EXPECT_EQ(hwl::hwlDecode(path).pixels, fromMemory.pixels);
  std::vector<std::uint8_t> pixels;
  hwl::HwlHeader header;
  hwl::hwlDecode(pixels, header, path, true);
  EXPECT_EQ(pixels, fromMemory.pixels);
  EXPECT_EQ(header, fromMemory.header);
  // From memory into a caller's buffer: resized, or reused as it is; one too small is refused.
  std::vector<std::uint8_t> reused(3, 0xEE);
  for (int round = 0; round < 2; ++round) {
    hwl::hwlDecodeBytes(file, reused, header, round == 0);
    EXPECT_EQ(reused, fromMemory.pixels);
  }
  std::vector<std::uint8_t> small(10);
  EXPECT_THROW(hwl::hwlDecodeBytes(file, small, header, false, "small"), HwlError);
  EXPECT_EQ(header.width, 32);
  EXPECT_EQ(header.lastLevel, 2);
  hwl::HwlHeader read;
  hwl::hwlReadHeader(path, read);
  EXPECT_EQ(read, header);
}

TEST(HwlDecode, HeadersThatProduceNoPixels) {
  testsupport::TempDir dir;
  const std::string path = (dir / "p.hwl").string();
  auto decodeInto = [&](const FileSpec& spec, std::vector<std::uint8_t>& pixels, bool allocate) {
    const auto file = buildFile(spec);
    testsupport::writeFile(path, std::string(file.begin(), file.end()));
    hwl::HwlHeader header;
    hwl::hwlDecode(pixels, header, path, allocate);
    return header;
  };
  // 16 bits per pixel: the header comes back, the buffer is untouched (and nothing more is read).
  std::vector<std::uint8_t> pixels(10, 0xEE);
  FileSpec sixteen{4, 4, 16, 0, {}, "HWL"};
  EXPECT_EQ(decodeInto(sixteen, pixels, true).bitsPerPixel, 16);
  EXPECT_EQ(pixels, std::vector<std::uint8_t>(10, 0xEE));
  // A height of 0 (the texture module's sign of a failed load): header, no pixels, no error.
  std::mt19937 random(1);
  FileSpec empty{4, 0, 24, 0, {}, "HWL"};
  EXPECT_EQ(decodeInto(empty, pixels, true).height, 0);
  EXPECT_TRUE(pixels.empty());
  // Any magic decodes.
  FileSpec odd{4, 4, 8, 0, {testhwl::pictureLikePlane(4, 4, 0, 8, random)}, "XYZ"};
  std::vector<std::uint8_t> mine(16, 1);
  EXPECT_EQ(decodeInto(odd, mine, false).magic[0], 'X');
  odd.magic = "HWL";
  EXPECT_EQ(hwl::hwlDecodeBytes(buildFile(odd)).pixels, mine);
  // A caller's buffer that is too small is refused.
  std::vector<std::uint8_t> small(15);
  EXPECT_THROW(decodeInto(odd, small, false), HwlError);
}

TEST(HwlDecode, BadFilesThrowNamingTheFileAndTheProblem) {
  std::mt19937 random(3);
  FileSpec spec{8, 8, 24, 1, {}, "HWL"};
  for (int p = 0; p < 3; ++p) spec.planes.push_back(testhwl::pictureLikePlane(8, 8, 1, 5, random));
  const std::vector<std::uint8_t> file = buildFile(spec);
  for (std::size_t size = 0; size < file.size(); ++size) {
    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + size);
    try {
      hwl::hwlDecodeBytes(cut, "cut.hwl");
      ADD_FAILURE() << "a file cut to " << size << " bytes decoded";
    } catch (const HwlError& e) {
      EXPECT_EQ(e.fileName(), "cut.hwl");
      EXPECT_THAT(e.what(), HasSubstr("ends inside the"));
    }
  }
  EXPECT_THAT([&] { hwl::hwlDecodeBytes(std::vector<std::uint8_t>(file.begin(), file.begin() + 40)); },
              ::testing::ThrowsMessage<HwlError>(HasSubstr("plane-1 scale table")));

  auto expectRejected = [&](std::vector<std::uint8_t> bad, const char* problem) {
    EXPECT_THAT([&] { hwl::hwlDecodeBytes(bad, "bad.hwl"); }, ::testing::ThrowsMessage<HwlError>(HasSubstr(problem)));
  };
  std::vector<std::uint8_t> bad = file;
  bad[8] = 17;
  expectRejected(bad, "lastLevel 17 is above 16");
  bad = file;
  bad[34] = 0;
  expectRejected(bad, "plane-2 value width is 0");
  bad[34] = 9;
  expectRejected(bad, "plane-2 value width is 9");
  // Counts far beyond the data: refused before anything that size is allocated.
  bad = file;
  bad[9] = bad[10] = bad[11] = bad[12] = 0xFF;
  expectRejected(bad, "plane-1 symbol stream");
  std::istringstream stream(std::string(bad.begin(), bad.end()));
  EXPECT_THROW(hwl::hwlDecodeStream(stream), HwlError);
  // An 8-bit file ignores the fields of planes 2 and 3.
  FileSpec grey{8, 8, 8, 1, {testhwl::pictureLikePlane(8, 8, 1, 5, random)}, "HWL"};
  std::vector<std::uint8_t> greyBytes = buildFile(grey);
  greyBytes[34] = 0;
  greyBytes[13] = 0xFF;
  EXPECT_EQ(hwl::hwlDecodeBytes(greyBytes).pixels, oracle::decode(greyBytes).pixels);
  EXPECT_THAT([] { hwl::hwlDecode("/nonexistent/x.hwl"); },
              ::testing::ThrowsMessage<HwlError>(HasSubstr("/nonexistent/x.hwl: cannot open")));
}

TEST_P(HwlDecodeOnEveryPath, UnevenSizesAndSurplusLevelsDecodeDeterministically) {
  const testhwl::PathOverride path(GetParam());
  std::mt19937 random(11);
  for (const auto& [w, h, L] :
       std::vector<Size3>{{1, 1, 0}, {1, 9, 2}, {7, 1, 3}, {5, 5, 5}, {33, 17, 4}, {2, 2, 16}}) {
    FileSpec spec{w, h, 24, L, {}, "HWL"};
    for (int p = 0; p < 3; ++p) spec.planes.push_back(testhwl::pictureLikePlane(w, h, L, 7, random));
    const auto file = buildFile(spec);
    EXPECT_EQ(hwl::hwlDecodeBytes(file).pixels, oracle::decode(file).pixels) << w << "x" << h;
  }
}

// The smoothing examples of the inverse transform as whole two-row grey pictures with one level: row 0
// holds the low values and then the high values, row 1 nothing, and factors of 2 make each pixel the
// example's value (2 c c = 1 to within rounding).
TEST_P(HwlDecodeOnEveryPath, SmoothingExamplesAsPictures) {
  const testhwl::PathOverride path(GetParam());
  struct Example {
    std::vector<int> lo, hi;
    std::vector<std::uint8_t> row;
  };
  const std::vector<Example> examples{
      {{10, 20, 30, 40}, {0, 0, 0, 0}, {10, 10, 18, 22, 28, 32, 40, 40}},
      {{10, 10, 50, 50}, {0, 0, 0, 0}, {10, 10, 10, 10, 50, 50, 50, 50}},
      {{10, 20, 30, 30, 30}, {0, 0, 0, 0, 0}, {10, 10, 20, 22, 30, 30, 30, 30, 30, 30}},
      {{10, 20, 30, 40}, {0, 0, 5, 0}, {10, 10, 18, 20, 35, 25, 40, 40}},
  };
  for (const Example& e : examples) {
    std::vector<int> coefficients = e.lo;
    coefficients.insert(coefficients.end(), e.hi.begin(), e.hi.end());
    coefficients.resize(2 * coefficients.size(), 0);
    PlaneStreams plane{{0.5, 0.5}, 8, {}, {}, {}, {}};
    testhwl::codeCoefficients(coefficients, 8, plane.symbols, plane.values);
    const int w = static_cast<int>(e.row.size());
    const std::vector<std::uint8_t> file = buildFile(FileSpec{w, 2, 8, 0, {plane}, "HWL"});
    std::vector<std::uint8_t> expected = e.row;
    expected.insert(expected.end(), e.row.begin(), e.row.end());
    EXPECT_EQ(hwl::hwlDecodeBytes(file).pixels, expected) << "low values from " << e.lo[0] << ", width " << w;
    EXPECT_EQ(oracle::decode(file).pixels, expected);
  }
}

TEST(HwlDecodePath, TheEnvironmentChoosesAPathAndNamesWhatIsMissing) {
  using hwl::detail::choosePath;
  using P = hwl::detail::DecodePath;
  const std::vector<P> both{P::avx512, P::avx2}, avx2Only{P::avx2};
  EXPECT_EQ(choosePath(nullptr, both, "f"), P::avx512);
  EXPECT_EQ(choosePath("", avx2Only, "f"), P::avx2);
  EXPECT_EQ(choosePath("auto", {}, "f"), P::stages);
  EXPECT_EQ(choosePath("stages", both, "f"), P::stages);
  EXPECT_EQ(choosePath("avx2", both, "f"), P::avx2);
  EXPECT_THAT([&] { choosePath("avx512", avx2Only, "f.hwl"); },
              ::testing::ThrowsMessage<HwlError>(
                  ::testing::AllOf(HasSubstr("f.hwl: HWL_DECODE_PATH asks for the avx512 path, which this"),
                                   HasSubstr("; this machine has avx2, stages"))));
  EXPECT_THAT([&] { choosePath("avx2", {}, "f.hwl"); },
              ::testing::ThrowsMessage<HwlError>(HasSubstr("this machine has stages")));
  EXPECT_THAT(
      [&] { choosePath("AVX2", both, "f.hwl"); },
      ::testing::ThrowsMessage<HwlError>(HasSubstr("it takes auto, avx512, avx2, sse2, neon, simd128 or stages")));
  // Through the public calls: the variable is read on every decode; a bad value is an error naming
  // the file, and nothing is decoded.
  std::mt19937 random(2);
  const std::vector<std::uint8_t> file =
      buildFile(FileSpec{8, 8, 8, 1, {testhwl::pictureLikePlane(8, 8, 1, 5, random)}, "HWL"});
  {
    const testhwl::PathOverride path("sse9");
    EXPECT_THAT([&] { hwl::hwlDecodeBytes(file, "x.hwl"); },
                ::testing::ThrowsMessage<HwlError>(HasSubstr("x.hwl: HWL_DECODE_PATH is \"sse9\"")));
  }
  const testhwl::PathOverride path(P::stages);
  EXPECT_EQ(hwl::hwlDecodeBytes(file).pixels, oracle::decode(file).pixels);
}

}  // namespace
