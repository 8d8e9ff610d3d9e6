// The vector paths' own edges: their symbol expansion against the format's one-symbol-at-a-time
// expansion, on streams made to hit chunk boundaries, stretches of run symbols and early ends; the
// exact product the paths without FMA build on; and whole pictures whose flat areas and ramps make
// neighbouring samples equal in many ways, on every vector path.

#include "hwl/decode_paths.h"
#include "hwl/encoder.h"
#include "hwl/fast/bits.h"
#include "hwl/hwl.h"
#include "hwl/stages.h"
#include "tests/hwl/file_builder.h"
#include "tests/hwl/paths.h"
#ifndef HWL_NO_SIMD
#include "hwl/fast/expand.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using testhwl::FileSpec;
using testhwl::PlaneStreams;

#ifndef HWL_NO_SIMD
using hwl::detail::ExpandMethod;

struct Streams {
  int k = 8;
  std::vector<int> symbols, values;
  std::optional<std::uint32_t> valueCount;  // header count when it should differ from the list
};

// The packed plane a one-plane file with these streams reads to.
hwl::detail::PackedPlane packed(const Streams& s, int w, int h) {
  PlaneStreams plane{{1.0, 1.0}, s.k, s.symbols, s.values, {}, s.valueCount};
  const std::vector<std::uint8_t> file = testhwl::buildFile(FileSpec{w, h, 8, 0, {plane}, "HWL"});
  hwl::detail::MemorySource source(file, "streams");
  return hwl::detail::readContents(source).planes[0];
}

// Expands through every method the machine has and compares with hwlExpandPlane.
void expectExpansionsAgree(const Streams& s, int w, int h, const std::string& label) {
  const hwl::detail::PackedPlane plane = packed(s, w, h);
  const std::size_t total = std::size_t(w) * h;
  std::vector<std::int32_t> expected(total, 0);
  hwl::hwlExpandPlane(expected, hwl::detail::unpackSymbols(plane), hwl::detail::unpackValues(plane), w, h, 0, s.k);
  std::vector<ExpandMethod> methods{ExpandMethod::quads};
  if (hwl::detail::shuffleExpansionAvailable()) methods.push_back(ExpandMethod::shuffles);
  if (hwl::detail::chunkExpansionAvailable()) methods.push_back(ExpandMethod::chunks);
  for (ExpandMethod method : methods) {
    std::vector<std::int16_t> out(total + hwl::detail::expandSpare, 0x5A5A);  // every entry is written
    hwl::detail::expandCoefficients(plane, out.data(), total, method);
    for (std::size_t i = 0; i < total; ++i) {
      ASSERT_EQ(out[i], expected[i]) << label << ", method " << int(method) << ", coefficient " << i;
    }
    if (s.k > 7) continue;  // 8-bit coefficients hold magnitudes up to 127
    std::vector<std::int8_t> narrow(total + hwl::detail::expandSpare, 0x5A);
    hwl::detail::expandCoefficients(plane, narrow.data(), total, method);
    for (std::size_t i = 0; i < total; ++i) {
      ASSERT_EQ(narrow[i], expected[i]) << label << ", method " << int(method) << ", 8-bit coefficient " << i;
    }
  }
}

// Random streams over every value width; `runShare` of the symbols are 1, which makes stretches of
// run symbols whose roles alternate, and runs that start on the last symbol of a 32-symbol chunk.
Streams randomStreams(std::mt19937& random, int k, int symbols, double runShare) {
  Streams s;
  s.k = k;
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> value(0, (1 << k) - 1);
  for (int i = 0; i < symbols; ++i) {
    const int symbol = unit(random) < runShare ? 1 : static_cast<int>(unit(random) * 3) == 0 ? 0 : 2 + (i & 1);
    s.symbols.push_back(symbol);
  }
  for (int i = 0; i < symbols; ++i) s.values.push_back(unit(random) < 0.3 ? value(random) & 3 : value(random));
  return s;
}

TEST(HwlFastExpansion, AgreesWithTheFormatOnRandomStreams) {
  std::mt19937 random(12);
  int index = 0;
  for (int k = 1; k <= 8; ++k) {
    for (double runShare : {0.02, 0.2, 0.6, 0.95}) {
      const int symbols = 40 + static_cast<int>(random() % 3000);
      Streams s = randomStreams(random, k, symbols, runShare);
      const int width = 1 + static_cast<int>(random() % 97);
      // Planes that the streams overfill (runs pass the end), fill about right, and leave short.
      for (int rows :
           {1 + symbols / width / 4, 1 + symbols / width, std::min(60000 / width, 8 * (1 + symbols / width) << k)}) {
        expectExpansionsAgree(s, width, rows, "case " + std::to_string(index++));
      }
    }
  }
}

TEST(HwlFastExpansion, ChunkEdgesAndEarlyEnds) {
  // A run starting on symbol 31 takes its extension from the next chunk; one on symbol 30 from its own.
  for (int start : {29, 30, 31, 32, 63}) {
    Streams s;
    s.k = 3;
    for (int i = 0; i < 100; ++i) s.symbols.push_back(i == start ? 1 : i == start + 1 ? 3 : 2 + (i % 2));
    for (int i = 0; i < 100; ++i) s.values.push_back(i % 8);
    expectExpansionsAgree(s, 200, 3, "run at " + std::to_string(start));
  }
  // Stretches of 1s of every length up to 70 crossing chunk edges: run, extension, run, ...
  for (int length = 1; length <= 70; ++length) {
    Streams s;
    s.k = 2;
    for (int i = 0; i < 20; ++i) s.symbols.push_back(2);
    for (int i = 0; i < length; ++i) s.symbols.push_back(1);
    for (int i = 0; i < 60; ++i) s.symbols.push_back(i % 4);
    for (int i = 0; i < 150; ++i) s.values.push_back(3 - i % 4);
    expectExpansionsAgree(s, 100, 7, "ones " + std::to_string(length));
  }
  // The value stream ends early (its count in the header), inside and after the chunked part.
  std::mt19937 random(5);
  for (std::uint32_t values : {0u, 1u, 31u, 32u, 33u, 100u, 257u}) {
    Streams s = randomStreams(random, 5, 600, 0.1);
    s.valueCount = values;
    s.values.resize(values);
    expectExpansionsAgree(s, 64, 64, "values " + std::to_string(values));
  }
  // Symbol counts that are not whole chunks or bytes, a stream ending on a run without extension.
  for (int symbols : {1, 5, 31, 33, 64, 65, 95}) {
    Streams s = randomStreams(random, 8, symbols, 0.3);
    s.symbols.back() = 1;
    expectExpansionsAgree(s, 50, 50, "symbols " + std::to_string(symbols));
  }
}

#endif  // HWL_NO_SIMD

// Dekker's product against a fused multiply-add: the exact rounding error of products of full-width
// significands over the magnitudes the vector paths take, of the splitting's worst operands, and +0
// for a product that is exact.
TEST(HwlExactProduct, GivesTheRoundingErrorOfEveryProduct) {
  using hwl::detail::exactProductError;
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> significand(1, 2);
  std::uniform_int_distribution<int> exponent(-420, 420);
  std::vector<std::pair<double, double>> operands{{0x1.fffffffffffffp0, 0x1.fffffffffffffp0},
                                                  {0x1.0000002p27, 0x1.fffffffp-3},
                                                  {0x1.6a09e667f3bcdp-1, 0x1.999999999999ap-3},
                                                  {-0x1.ffffffep400, 0x1.0000001p-400}};
  for (int i = 0; i < 200000; ++i) {
    const double sign = i % 2 == 0 ? 1 : -1;
    operands.emplace_back(sign * std::ldexp(significand(random), exponent(random)),
                          std::ldexp(significand(random), exponent(random) / 2));
  }
  for (const auto& [a, b] : operands) {
    const double p = a * b;
    ASSERT_EQ(exactProductError(a, b, p), std::fma(a, b, -p)) << std::hexfloat << a << " * " << b;
  }
  EXPECT_FALSE(std::signbit(exactProductError(3.0, -0.5, -1.5)));
  EXPECT_FALSE(std::signbit(exactProductError(0.0, -hwl::detail::haarFactor, -0.0)));
}

class HwlVectorPathEdges : public ::testing::TestWithParam<hwl::detail::DecodePath> {
 protected:
  void SetUp() override { SKIP_UNLESS_PATH_AVAILABLE(GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(Paths, HwlVectorPathEdges, ::testing::ValuesIn(testhwl::vectorPaths), testhwl::pathTestName);

// A picture of flat areas, ramps in one direction only, steps and a noisy patch: neighbouring samples
// come out equal from different formulas, which the finest level must prove or decide exactly.
hwl::HwlImage flatsAndRamps(int w, int h, int channels, std::mt19937& random) {
  hwl::HwlImage image{w, h, channels, {}};
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < channels; ++c) {
        int v = 40 + 60 * c;                                        // flat
        if (x > w / 3 && x < 2 * w / 3) v = 20 + y * 200 / h;       // vertical ramp, constant across
        if (y > h / 2) v = 30 + (x * 180 / w) / (3 + c) * (3 + c);  // stepped horizontal ramp
        if (x > 3 * w / 4 && y > 3 * h / 4) v += noise(random);
        image.samples.push_back(static_cast<std::uint8_t>(std::clamp(v, 0, 255)));
      }
    }
  }
  return image;
}

TEST_P(HwlVectorPathEdges, PicturesWithFlatAreasGiveTheStageBytes) {
  std::mt19937 random(9);
  struct Case {
    int w, h, channels, levels, bits;
    double threshold;
  };
  for (const Case& c : std::vector<Case>{{203, 157, 3, 5, 7, 3},
                                         {256, 96, 3, 5, 8, 0},
                                         {64, 301, 1, 5, 6, 8},
                                         {131, 67, 1, 2, 8, 1},
                                         {90, 90, 3, 0, 5, 2}}) {
    hwl::HwlEncodeOptions options;
    options.levels = c.levels;
    options.valueBits = {c.bits, std::max(1, c.bits - 1), std::max(1, c.bits - 1)};
    options.threshold = c.threshold;
    const std::vector<std::uint8_t> file = hwl::hwlEncode(flatsAndRamps(c.w, c.h, c.channels, random), options);
    hwl::detail::MemorySource source(file, "picture");
    const hwl::detail::HwlContents contents = hwl::detail::readContents(source);
    std::vector<std::uint8_t> fast(hwl::pixelBufferSize(contents.header)), stages(fast.size());
    ASSERT_TRUE(hwl::detail::vectorDecode(GetParam(), contents, fast.data()));
    hwl::detail::decodePixels(contents, stages.data(), hwl::detail::DecodePath::stages);
    EXPECT_TRUE(fast == stages) << c.w << "x" << c.h << " L " << c.levels << " k " << c.bits;
  }
}

// Scale tables so small that the samples could leave the range the vectorised path converts to bytes:
// it declines, and the picture decodes by stages (to saturated pixels).
TEST_P(HwlVectorPathEdges, HugeFactorsAreLeftToTheStages) {
  std::mt19937 random(4);
  FileSpec layout{48, 40, 24, 2, {}, "HWL"};
  for (int p = 0; p < 3; ++p) {
    PlaneStreams plane = testhwl::pictureLikePlane(48, 40, 2, 8, random);
    for (double& entry : plane.table) entry *= 1e-7;
    layout.planes.push_back(plane);
  }
  const std::vector<std::uint8_t> file = testhwl::buildFile(layout);
  hwl::detail::MemorySource source(file, "huge");
  const hwl::detail::HwlContents contents = hwl::detail::readContents(source);
  std::vector<std::uint8_t> pixels(hwl::pixelBufferSize(contents.header), 0xAB), stages(pixels.size());
  EXPECT_FALSE(hwl::detail::vectorDecode(GetParam(), contents, pixels.data()));
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0xAB; }));
  hwl::detail::decodePixels(contents, pixels.data(), GetParam());
  hwl::detail::decodePixels(contents, stages.data(), hwl::detail::DecodePath::stages);
  EXPECT_TRUE(pixels == stages);
  EXPECT_GT(std::count(stages.begin(), stages.end(), 255), 100);
}

}  // namespace
