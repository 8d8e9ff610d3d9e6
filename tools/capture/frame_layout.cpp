#include "tools/capture/frame_layout.h"

#include "maths/maths.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace capture {

namespace {

double srgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : maths::pow((v + 0.055) / 1.055, 2.4); }

const std::array<double, 256>& linearOfByte() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = srgbToLinear(i / 255.0);
    return t;
  }();
  return table;
}

// The byte whose linear value is nearest: between the neighbours' midpoints in linear light, so an
// average of equal bytes gives that byte back exactly.
std::uint8_t byteOfLinear(double linear) {
  static const std::array<double, 255> midpoints = [] {
    std::array<double, 255> m{};
    for (int i = 0; i < 255; ++i) m[i] = srgbToLinear((i + 0.5) / 255.0);
    return m;
  }();
  return static_cast<std::uint8_t>(std::upper_bound(midpoints.begin(), midpoints.end(), linear) - midpoints.begin());
}

}  // namespace

FrameLayout layoutFrame(int frameWidth, int frameHeight, int supersample, bool stretch) {
  FrameLayout layout{frameWidth, frameHeight, frameWidth, frameHeight, 0, 0, supersample};
  if (stretch) return layout;
  // Rounded down, but never below one pixel: a frame of 1 x 1 or 1 x N still holds the demo's picture.
  const long wide = long(frameWidth) * 3, tall = long(frameHeight) * 4;
  if (wide > tall) {
    layout.pictureWidth = static_cast<int>(std::max(1L, tall / 3));
  } else if (wide < tall) {
    layout.pictureHeight = static_cast<int>(std::max(1L, wide / 4));
  }
  layout.left = (frameWidth - layout.pictureWidth) / 2;
  layout.top = (frameHeight - layout.pictureHeight) / 2;
  return layout;
}

std::vector<std::uint8_t> downsampleLinear(const std::vector<std::uint8_t>& rgb, int width, int height, int n) {
  if (n == 1) return rgb;
  if (width % n || height % n || rgb.size() != std::size_t(width) * height * 3) {
    throw std::invalid_argument("downsampleLinear: the picture is not a whole number of blocks");
  }
  const auto& linear = linearOfByte();
  const int outWidth = width / n, outHeight = height / n;
  std::vector<std::uint8_t> out(std::size_t(outWidth) * outHeight * 3);
  std::vector<double> sums(std::size_t(outWidth) * 3);
  for (int y = 0; y < outHeight; ++y) {
    std::fill(sums.begin(), sums.end(), 0.0);
    for (int row = y * n; row < (y + 1) * n; ++row) {
      const std::uint8_t* in = &rgb[std::size_t(row) * width * 3];
      for (int x = 0; x < width * 3; ++x) sums[(x / (3 * n)) * 3 + x % 3] += linear[in[x]];
    }
    std::uint8_t* dst = &out[std::size_t(y) * outWidth * 3];
    for (std::size_t i = 0; i < sums.size(); ++i) dst[i] = byteOfLinear(sums[i] / (n * n));
  }
  return out;
}

std::vector<std::uint8_t> composeFrame(const FrameLayout& layout, const std::vector<std::uint8_t>& rendered) {
  const std::vector<std::uint8_t> picture =
      downsampleLinear(rendered, layout.renderWidth(), layout.renderHeight(), layout.supersample);
  if (layout.pictureWidth == layout.frameWidth && layout.pictureHeight == layout.frameHeight) return picture;
  std::vector<std::uint8_t> frame(std::size_t(layout.frameWidth) * layout.frameHeight * 3, 0);
  const std::size_t row = std::size_t(layout.pictureWidth) * 3;
  for (int y = 0; y < layout.pictureHeight; ++y) {
    std::memcpy(&frame[(std::size_t(layout.top + y) * layout.frameWidth + layout.left) * 3], &picture[y * row], row);
  }
  return frame;
}

}  // namespace capture
