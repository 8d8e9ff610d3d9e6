// The decoder's size limit and its memory on bad files: checked on Linux, where the process's peak
// memory can be read.

#include "hwl/encoder.h"
#include "hwl/hwl.h"
#include "hwl/reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <sys/resource.h>

namespace {

using hwl::HwlError;
using ::testing::HasSubstr;

// The most memory this process has held so far, in bytes.
std::size_t peakMemory() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

// A header with its tables (every factor 1) and no streams: a picture of zeros, any size.
std::vector<std::uint8_t> headerAndTables(int w, int h, int bitsPerPixel) {
  hwl::HwlHeader header{{'H', 'W', 'L'},
                        static_cast<std::uint16_t>(w),
                        static_cast<std::uint16_t>(h),
                        static_cast<std::uint8_t>(bitsPerPixel),
                        0,
                        {},
                        {},
                        {8, 8, 8}};
  const std::size_t entries = 2 * (bitsPerPixel == 24 ? 3 : 1);
  std::vector<std::uint8_t> file(hwl::hwlHeaderSize + 8 * entries);
  const auto packed = hwl::packHeader(header);
  std::copy(packed.begin(), packed.end(), file.begin());
  const double one = 1;
  for (std::size_t entry = 0; entry < entries; ++entry) std::memcpy(&file[hwl::hwlHeaderSize + 8 * entry], &one, 8);
  return file;
}

TEST(HwlDecode, PicturesOverTheSizeLimitAreRefusedBeforeAnythingIsAllocated) {
  const auto readContents = [](const std::vector<std::uint8_t>& file) {
    hwl::detail::MemorySource source(file, "big.hwl");
    return hwl::detail::readContents(source);
  };
  const auto refused = ::testing::ThrowsMessage<HwlError>(HasSubstr("the decoder takes at most 67108864"));
  // The largest header the format holds: refused by the header checks, whatever follows it.
  EXPECT_THAT([&] { readContents(headerAndTables(65535, 65535, 24)); }, refused);
  std::vector<std::uint8_t> bare = headerAndTables(65535, 65535, 8);
  bare.resize(hwl::hwlHeaderSize);
  EXPECT_THAT([&] { readContents(bare); }, refused);
  // One row over the limit, through every entry point (each would decode a 64 MiB picture otherwise).
  const std::vector<std::uint8_t> over = headerAndTables(8192, 8193, 8);
  EXPECT_THAT([&] { hwl::hwlDecodeBytes(over, "big.hwl"); },
              ::testing::ThrowsMessage<HwlError>(HasSubstr("big.hwl: the picture is 8192x8193, 67117056 pixels")));
  std::vector<std::uint8_t> pixels;
  hwl::HwlHeader header;
  EXPECT_THAT([&] { hwl::hwlDecodeBytes(over, pixels, header, true, "big.hwl"); }, refused);
  std::istringstream stream(std::string(over.begin(), over.end()));
  EXPECT_THAT([&] { hwl::hwlDecodeStream(stream, "big.hwl"); }, refused);
  EXPECT_THAT(
      [] {
        hwl::hwlEncode(hwl::HwlImage{8192, 8193, 1, {}}, {});
      },
      ::testing::ThrowsMessage<HwlError>(HasSubstr("more than the 67108864 pixels")));
  // The limit itself is a picture like any other; only its header is read here.
  EXPECT_EQ(readContents(headerAndTables(16384, 4096, 24)).planeCount, 3);
}

// A picture at the limit whose body is cut short fails before its 256 MiB buffer is allocated.
TEST(HwlDecode, CutShortPicturesFailBeforeTheirPixelsAreAllocated) {
  std::vector<std::uint8_t> pixels;
  hwl::HwlHeader header;
  std::vector<std::uint8_t> cut = headerAndTables(8192, 8192, 24);
  cut.resize(cut.size() - 1);
  const std::size_t before = peakMemory();
  EXPECT_THAT([&] { hwl::hwlDecodeBytes(cut, "cut.hwl"); },
              ::testing::ThrowsMessage<HwlError>(HasSubstr("cut.hwl: the file ends inside the plane-3 scale table")));
  EXPECT_THAT([&] { hwl::hwlDecodeBytes(cut, pixels, header, true, "cut.hwl"); }, ::testing::Throws<HwlError>());
  EXPECT_LT(peakMemory() - before, std::size_t{64} << 20);
  EXPECT_TRUE(pixels.empty());
}

}  // namespace
