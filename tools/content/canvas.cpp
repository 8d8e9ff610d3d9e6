#include "tools/content/canvas.h"

#include "maths/maths.h"

#include <algorithm>
#include <cmath>

namespace content {

namespace {

std::vector<float> gaussianKernel(double sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
  std::vector<float> kernel(2 * radius + 1);
  double sum = 0;
  for (int i = -radius; i <= radius; ++i) {
    const double weight = maths::exp(-(i * i) / (2.0 * sigma * sigma));
    kernel[i + radius] = static_cast<float>(weight);
    sum += weight;
  }
  for (float& weight : kernel) weight = static_cast<float>(weight / sum);
  return kernel;
}

// One pass along rows (step 1) or columns (step width), clamping at the edges.
GreyCanvas blurPass(const GreyCanvas& in, const std::vector<float>& kernel, bool alongRows) {
  GreyCanvas out(in.width, in.height);
  const int radius = static_cast<int>(kernel.size() / 2);
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      float sum = 0;
      for (int i = -radius; i <= radius; ++i) {
        const int sx = alongRows ? std::clamp(x + i, 0, in.width - 1) : x;
        const int sy = alongRows ? y : std::clamp(y + i, 0, in.height - 1);
        sum += kernel[i + radius] * in.at(sx, sy);
      }
      out.at(x, y) = sum;
    }
  }
  return out;
}

std::uint8_t toByte(float value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

GreyCanvas blurred(const GreyCanvas& canvas, double sigma) {
  const std::vector<float> kernel = gaussianKernel(sigma);
  return blurPass(blurPass(canvas, kernel, true), kernel, false);
}

std::vector<std::uint8_t> greyBytes(const GreyCanvas& canvas) {
  std::vector<std::uint8_t> bytes(canvas.values.size());
  std::transform(canvas.values.begin(), canvas.values.end(), bytes.begin(), toByte);
  return bytes;
}

void addTinted(RgbPicture& picture, const GreyCanvas& canvas, float red, float green, float blue) {
  const float tint[3] = {red, green, blue};
  for (std::size_t i = 0; i < canvas.values.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      std::uint8_t& byte = picture.rgb[3 * i + c];
      byte = static_cast<std::uint8_t>(std::min(255.0f, byte + std::round(canvas.values[i] * tint[c] * 255.0f)));
    }
  }
}

}  // namespace content
