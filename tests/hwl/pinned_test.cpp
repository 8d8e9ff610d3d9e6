// The codec's bytes, pinned: files encoded from fixed pictures and the pixels decoded from them, as
// hashes taken on x86-64, where the extended precision is the x87's. Every processor and system must give
// the same bytes; the comparisons with the oracle cannot show a difference in the extended arithmetic,
// because the oracle computes with that same arithmetic. A deliberate change of the codec's results
// updates its line here, and says why in the commit.

#include "hwl/encoder.h"
#include "hwl/hwl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct PinnedCase {
  int width, height, channels;
  hwl::HwlEncodeOptions options;
  std::uint64_t fileHash, pixelHash;
};

std::uint64_t hashBytes(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

// Ramps, a checkerboard and a little noise, from integer arithmetic only (the same on every system).
hwl::HwlImage pinnedPicture(int width, int height, int channels) {
  hwl::HwlImage image{width, height, channels, {}};
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        noise = noise * 1103515245u + 12345u;
        const int ramp = (x * 7 + y * 3 + ch * 50) % 96 - 48;
        const int check = (x / 8 + y / 8) % 2 ? 40 : -40;
        const int value = 128 + ramp + check + static_cast<int>((noise >> 16) % 9) - 4;
        image.samples.push_back(static_cast<std::uint8_t>(std::clamp(value, 0, 255)));
      }
    }
  }
  return image;
}

hwl::HwlEncodeOptions coarse() {
  hwl::HwlEncodeOptions options;
  options.valueBits = {5, 4, 4};
  options.threshold = 6;
  return options;
}

hwl::HwlEncodeOptions fewLevels() {
  hwl::HwlEncodeOptions options;
  options.levels = 2;
  options.valueBits = {3, 8, 8};
  return options;
}

const std::vector<PinnedCase> pinned = {
    {64, 48, 3, {}, 0x8120574f5bdaafc0ull, 0xcbb3f7ebc6507337ull},
    {64, 64, 1, {}, 0x51e4d667866c39e8ull, 0x52358a1d561031fcull},
    {37, 29, 3, {}, 0xb227060183362629ull, 0x18301847d069336eull},
    {64, 64, 3, coarse(), 0xc81980010d6114b5ull, 0xfbd5755ca359803aull},
    {40, 24, 1, fewLevels(), 0xa35ffc0e8871a7dfull, 0xe9e3926495174a54ull},
    {200, 136, 3, coarse(), 0xf4d98fba8f4749b9ull, 0xcd088305c1d91c68ull},
};

TEST(Pinned, EncodedFilesAndDecodedPixelsAreTheSameOnEverySystem) {
  std::string report;
  for (const PinnedCase& c : pinned) {
    const std::vector<std::uint8_t> file = hwl::hwlEncode(pinnedPicture(c.width, c.height, c.channels), c.options);
    const std::uint64_t fileHash = hashBytes(file);
    const std::uint64_t pixelHash = hashBytes(hwl::hwlDecodeBytes(file).pixels);
    char line[120];
    std::snprintf(line, sizeof line, "    %dx%dx%d: 0x%016llxull, 0x%016llxull\n", c.width, c.height, c.channels,
                  static_cast<unsigned long long>(fileHash), static_cast<unsigned long long>(pixelHash));
    report += line;
    EXPECT_EQ(fileHash, c.fileHash) << c.width << "x" << c.height << "x" << c.channels;
    EXPECT_EQ(pixelHash, c.pixelHash) << c.width << "x" << c.height << "x" << c.channels;
  }
  if (HasFailure()) std::printf("The hashes now (file, pixels):\n%s", report.c_str());
}

}  // namespace
