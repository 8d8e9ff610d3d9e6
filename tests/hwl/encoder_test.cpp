#include "hwl/encoder.h"
#include "tests/hwl/file_builder.h"
#include "tests/hwl/oracle.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

namespace {

struct Size3 {
  int a, b, c;
};

using hwl::HwlError;
using hwl::HwlTable;
using ::testing::HasSubstr;

std::vector<std::uint8_t> symbolsOf(const std::vector<std::int32_t>& plane, int k,
                                    std::vector<std::uint8_t>* values = nullptr) {
  std::vector<std::uint8_t> symbols, v;
  hwl::hwlEncodePlane(plane, symbols, v, static_cast<int>(plane.size()), 1, 0, k);
  if (values) *values = v;
  return symbols;
}

TEST(HwlQuantise, GroupScalesAndRounding) {
  // 2 x 2, one level: the approximation (0, 0) and the level-0 details -6, 3, 0.
  const std::vector<double> reals{40.0, -6.0, 3.0, 0.0};
  std::vector<std::int32_t> integers(4);
  HwlTable table{};
  hwl::hwlQuantise(reals, integers, 2, 2, 0, 4, table);
  EXPECT_EQ(table[0], 2.5);
  EXPECT_EQ(integers, (std::vector<std::int32_t>{15, -15, 8, 0}));  // 7.5 rounds to 8
  EXPECT_EQ(table[1], 15.0 / 40.0);
  // A level whose details are all 0 gets scale 0 and integers 0.
  hwl::hwlQuantise(std::vector<double>{40.0, 0.0, 0.0, 0.0}, integers, 2, 2, 0, 8, table);
  EXPECT_EQ(table[0], 0.0);
  EXPECT_EQ(integers, (std::vector<std::int32_t>{255, 0, 0, 0}));
  EXPECT_THROW(hwl::hwlQuantise(reals, integers, 2, 2, 0, 9, table), HwlError);
  EXPECT_THROW(hwl::hwlQuantise(reals, integers, 2, 2, 0, 0, table), HwlError);
}

TEST(HwlEncodePlane, ZeroRunsAndTheirLimits) {
  std::vector<std::int32_t> plane(7, 0);
  plane.push_back(5);
  std::vector<std::uint8_t> values;
  EXPECT_EQ(symbolsOf(plane, 8, &values), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 2}));
  plane.insert(plane.begin(), 0);  // eight zeros: one run of n = 7
  EXPECT_EQ(symbolsOf(plane, 8, &values), (std::vector<std::uint8_t>{1, 0, 2}));
  EXPECT_EQ(values, (std::vector<std::uint8_t>{7, 5}));
  // The longest run with k = 8: 1024 zeros, value 255 and extension 3.
  plane.assign(1024, 0);
  plane.push_back(-9);
  EXPECT_EQ(symbolsOf(plane, 8, &values), (std::vector<std::uint8_t>{1, 3, 3}));
  EXPECT_EQ(values, (std::vector<std::uint8_t>{255, 9}));
  // A run never covers the last coefficient, and a longer stretch needs a second symbol.
  plane.assign(1026, 0);
  EXPECT_EQ(symbolsOf(plane, 8), (std::vector<std::uint8_t>{1, 3, 0, 0}));
  plane.assign(12, 0);  // k = 1: a run of 8, then 3 extra zeros are not more than (1 + 4) / 2
  EXPECT_EQ(symbolsOf(plane, 1, &values), (std::vector<std::uint8_t>{1, 3, 0, 0, 0, 0}));
  EXPECT_EQ(values, (std::vector<std::uint8_t>{1}));
  // The test file builder codes planes the same way.
  std::mt19937 random(4);
  for (int k = 1; k <= 8; ++k) {
    const auto coefficients = testhwl::pictureLikeCoefficients(40, 30, 2, k, random);
    std::vector<int> expectedSymbols, expectedValues;
    testhwl::codeCoefficients(coefficients, k, expectedSymbols, expectedValues);
    std::vector<std::uint8_t> symbols, got;
    hwl::hwlEncodePlane(std::vector<std::int32_t>(coefficients.begin(), coefficients.end()), symbols, got, 40, 30, 2,
                        k);
    EXPECT_EQ(std::vector<int>(symbols.begin(), symbols.end()), expectedSymbols) << k;
    EXPECT_EQ(std::vector<int>(got.begin(), got.end()), expectedValues) << k;
  }
}

TEST(HwlWrite, PlanesComeBackFromStreamsForEveryWidthAndLevel) {
  std::mt19937 random(9);
  for (int L = 0; L <= 5; ++L) {
    for (int k = 1; k <= 8; ++k) {
      const int w = 48 + L, h = 40 - k;
      std::array<std::vector<std::int32_t>, 3> planes;
      std::array<HwlTable, 3> tables{};
      for (int p = 0; p < 3; ++p) {
        const auto c = testhwl::pictureLikeCoefficients(w, h, L, k, random);
        planes[p].assign(c.begin(), c.end());
        for (int g = 0; g < L + 2; ++g) tables[p][g] = 0.5 + g + p;
      }
      std::stringstream stream;
      hwl::hwlWriteStream(stream, planes[0], planes[1], planes[2], w, h, 24, L, &tables[0], &tables[1], &tables[2], k,
                          k, k);
      const std::string bytes = stream.str();
      // The header is complete: every plane's counts are those of its streams.
      const hwl::HwlHeader header =
          hwl::unpackHeader(std::span<const std::uint8_t, 36>(reinterpret_cast<const std::uint8_t*>(bytes.data()), 36));
      std::size_t size = 36 + 3 * (L + 2) * 8;
      for (int p = 0; p < 3; ++p) {
        ASSERT_GT(header.symbolCount[p], 0u);
        size += hwl::symbolStreamSize(header.symbolCount[p]) + hwl::valueStreamSize(header.valueCount[p], k);
      }
      EXPECT_EQ(bytes.size(), size);
      std::array<std::vector<std::int32_t>, 3> back;
      std::array<HwlTable, 3> backTables{};
      for (auto& plane : back) plane.assign(planes[0].size(), 77);
      stream.seekg(0);
      hwl::hwlReadPlanesFromStream(stream, back[0], back[1], back[2], &backTables[0], &backTables[1], &backTables[2]);
      EXPECT_EQ(back, planes) << "L " << L << " k " << k;
      EXPECT_EQ(backTables, tables);
    }
  }
}

TEST(HwlWrite, FileStreamAndMemoryGiveTheSameBytesEveryTime) {
  std::mt19937 random(12);
  const auto c = testhwl::pictureLikeCoefficients(32, 32, 3, 6, random);
  const std::vector<std::int32_t> plane(c.begin(), c.end());
  HwlTable table{};
  for (int g = 0; g < 5; ++g) table[g] = 1.0 / (g + 3);
  const auto bytes = hwl::hwlWriteBytes(plane, {}, {}, 32, 32, 8, 3, &table, nullptr, nullptr, 6, 0, 0);
  EXPECT_EQ(hwl::hwlWriteBytes(plane, {}, {}, 32, 32, 8, 3, &table, nullptr, nullptr, 6, 0, 0), bytes);
  // An 8-bit file's plane-2 and plane-3 fields are 0.
  for (std::size_t i : {13, 14, 15, 16, 17, 18, 19, 20, 25, 26, 27, 28, 29, 30, 31, 32, 34, 35}) {
    EXPECT_EQ(bytes[i], 0) << i;
  }
  std::ostringstream stream;
  hwl::hwlWriteStream(stream, plane, {}, {}, 32, 32, 8, 3, &table, nullptr, nullptr, 6, 0, 0);
  EXPECT_EQ(stream.str(), std::string(bytes.begin(), bytes.end()));
  testsupport::TempDir dir;
  hwl::hwlWriteFile((dir / "f.hwl").string(), plane, {}, {}, 32, 32, 8, 3, &table, nullptr, nullptr, 6, 0, 0);
  EXPECT_EQ(testsupport::readFile(dir / "f.hwl"), stream.str());

  auto rejected = [&](int bits, int L, int k, const char* problem) {
    EXPECT_THAT([&] { hwl::hwlWriteBytes(plane, {}, {}, 32, 32, bits, L, &table, nullptr, nullptr, k, 0, 0); },
                ::testing::ThrowsMessage<HwlError>(HasSubstr(problem)));
  };
  rejected(8, 3, 9, "value width 9 is outside 1 to 8");
  rejected(8, 3, 0, "value width 0 is outside 1 to 8");
  rejected(8, 17, 6, "lastLevel 17 is outside 0 to 16");
  rejected(16, 3, 6, "bitsPerPixel must be 8 or 24");
  EXPECT_THAT(
      [&] { hwl::hwlWriteFile("/nonexistent/f.hwl", plane, {}, {}, 32, 32, 8, 3, &table, nullptr, nullptr, 6, 0, 0); },
      ::testing::ThrowsMessage<HwlError>(HasSubstr("/nonexistent/f.hwl: cannot create")));
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  EXPECT_THROW(hwl::hwlWriteStream(broken, plane, {}, {}, 32, 32, 8, 3, &table, nullptr, nullptr, 6, 0, 0), HwlError);
}

TEST(HwlForward, InverseUndoesItWhereNoDetailIsZero) {
  std::mt19937 random(21);
  std::uniform_real_distribution<double> noise(0, 255);
  for (const auto& [w, h, L] : std::vector<Size3>{{16, 16, 3}, {24, 10, 1}, {13, 11, 2}, {7, 9, 4}, {1, 5, 0}}) {
    std::vector<double> plane(static_cast<std::size_t>(w) * h);
    for (double& v : plane) v = noise(random);
    std::vector<double> coefficients(plane.size()), back(plane.size());
    hwl::hwlForward(plane, coefficients, w, h, w, h, L);
    hwl::hwlInverse(coefficients, back, w, h, w, h, L);
    for (std::size_t i = 0; i < plane.size(); ++i) EXPECT_NEAR(back[i], plane[i], 1e-9) << w << "x" << h;
  }
  // One level of a 2 x 2 block: the approximation is the sum over 2, the details the differences.
  std::vector<double> block{1, 2, 3, 4}, out(4);
  hwl::hwlForward(block, out, 2, 2, 2, 2, 0);
  EXPECT_NEAR(out[0], 5, 1e-12);
  EXPECT_NEAR(out[1], -1, 1e-12);
  EXPECT_NEAR(out[2], -2, 1e-12);
  EXPECT_NEAR(out[3], 0, 1e-12);
}

hwl::HwlImage testPicture(int w, int h, int channels) {
  hwl::HwlImage image{w, h, channels, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        const double v =
            128 + 80 * std::sin(x * 0.09 + ch) * std::cos(y * 0.07 - ch) + ((x / 8 + y / 8) % 2 ? 30 : -30);
        image.samples.push_back(static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)));
      }
    }
  }
  return image;
}

TEST(HwlEncode, PicturesRoundTripAndEncodeDeterministically) {
  for (const auto& [w, h, channels] : std::vector<Size3>{{64, 48, 3}, {64, 64, 1}, {37, 29, 3}}) {
    const hwl::HwlImage image = testPicture(w, h, channels);
    const auto file = hwl::hwlEncode(image, {});
    EXPECT_EQ(hwl::hwlEncode(image, {}), file);
    const hwl::HwlPicture decoded = hwl::hwlDecodeBytes(file);
    EXPECT_EQ(decoded.header.lastLevel, hwl::hwlDefaultLevel(w, h));
    EXPECT_EQ(decoded.pixels, oracle::decode(file).pixels);
    EXPECT_GT(hwl::hwlPsnr(image, decoded), 38) << w << "x" << h;
    hwl::HwlEncodeOptions coarse;
    coarse.valueBits = {5, 4, 4};
    coarse.threshold = 6;
    const auto small = hwl::hwlEncode(image, coarse);
    EXPECT_LT(small.size(), file.size() / 2);
    EXPECT_LT(hwl::hwlPsnr(image, hwl::hwlDecodeBytes(small)), hwl::hwlPsnr(image, decoded));
  }
  EXPECT_EQ(hwl::hwlDefaultLevel(512, 512), 5);
  EXPECT_EQ(hwl::hwlDefaultLevel(512, 8), 2);
  EXPECT_EQ(hwl::hwlDefaultLevel(3, 900), 0);
}

TEST(HwlEncode, PsnrSearchFindsASmallFileThatReachesTheTarget) {
  const hwl::HwlImage image = testPicture(64, 64, 3);
  double lastProgress = -1;
  const hwl::HwlSearchResult result = hwl::hwlEncodeForPsnr(image, 34, -1, [&](double p) { lastProgress = p; });
  EXPECT_EQ(lastProgress, 1.0);
  ASSERT_TRUE(result.reached);
  EXPECT_GE(result.psnr, 34);
  EXPECT_EQ(hwl::hwlPsnr(image, hwl::hwlDecodeBytes(result.file)), result.psnr);
  EXPECT_LT(result.file.size(), hwl::hwlEncode(image, {}).size() / 2);
  EXPECT_EQ(hwl::hwlEncode(image, result.options), result.file);
  // A target no setting reaches gives the closest file and says so.
  hwl::HwlImage noise{32, 32, 1, {}};
  std::mt19937 random(8);
  for (int i = 0; i < 32 * 32; ++i) noise.samples.push_back(static_cast<std::uint8_t>(random()));
  const hwl::HwlSearchResult unreachable = hwl::hwlEncodeForPsnr(noise, 200);
  EXPECT_FALSE(unreachable.reached);
  EXPECT_FALSE(unreachable.file.empty());
}

}  // namespace
