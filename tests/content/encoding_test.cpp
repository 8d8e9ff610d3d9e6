// Encoding pictures at a least PSNR.

#include "tools/content/encoding.h"

#include <gtest/gtest.h>

#include <cmath>

#include "hwl/hwl.h"
#include "tools/content/content_error.h"

namespace {

using namespace content;

hwl::HwlImage smoothColours(int size) {
  hwl::HwlImage image{size, size, 3, std::vector<std::uint8_t>(std::size_t(size) * size * 3)};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint8_t* p = &image.samples[(std::size_t(y) * size + x) * 3];
      p[0] = static_cast<std::uint8_t>(128 + 100 * std::sin(x / 9.0));
      p[1] = static_cast<std::uint8_t>(128 + 100 * std::cos(y / 13.0));
      p[2] = static_cast<std::uint8_t>((x + y) / 2);
    }
  }
  return image;
}

TEST(Encoding, ReachesTheTargetWithASmallerFileThanFullWidthsAndTheSameBytesEveryTime) {
  const hwl::HwlImage image = smoothColours(128);
  const Encoded encoded = encodeToPsnr(image, 40, "smooth");
  const hwl::HwlPicture decoded = hwl::hwlDecodeBytes(encoded.file);
  EXPECT_EQ(decoded.header.width, 128u);
  EXPECT_EQ(decoded.header.bitsPerPixel, 24);
  EXPECT_GE(hwl::hwlPsnr(image, decoded), 40.0);
  EXPECT_DOUBLE_EQ(encoded.psnr, hwl::hwlPsnr(image, decoded));
  EXPECT_LT(encoded.file.size(), hwl::hwlEncode(image, {}).size());
  EXPECT_EQ(encodeToPsnr(image, 40, "smooth").file, encoded.file);
}

TEST(Encoding, EncodesGreyPicturesAsGreyFilesAndRefusesAnUnreachableTarget) {
  hwl::HwlImage noise{64, 64, 1, std::vector<std::uint8_t>(64 * 64)};
  unsigned state = 1;
  for (std::uint8_t& sample : noise.samples)
    sample = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 24);
  const Encoded encoded = encodeToPsnr(noise, 30, "noise");
  EXPECT_EQ(hwl::hwlDecodeBytes(encoded.file).header.bitsPerPixel, 8);
  try {
    encodeToPsnr(noise, 80, "noise.hwl");
    FAIL() << "no error";
  } catch (const ContentError& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("noise.hwl: reaches only ")) << error.what();
    EXPECT_TRUE(std::string(error.what()).ends_with(" dB as HWL, not the 80 dB it needs")) << error.what();
  }
}

}  // namespace
