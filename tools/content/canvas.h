#pragma once
// Pictures in the making: a grey canvas of coverage values (0 black to 1 white) and an RGB picture of
// bytes, both row-major with the top row first, and the few operations the content tool draws with.
// Nothing here fails: coordinates outside a canvas are ignored.

#include <cstdint>
#include <vector>

namespace content {

struct GreyCanvas {
  int width = 0;
  int height = 0;
  std::vector<float> values;  // width * height, 0 to 1

  GreyCanvas() = default;
  GreyCanvas(int w, int h) : width(w), height(h), values(static_cast<std::size_t>(w) * h, 0.0f) {}
  float& at(int x, int y) { return values[static_cast<std::size_t>(y) * width + x]; }
  float at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  // Lightens a pixel to at least `coverage` (overlapping strokes and letters do not add up).
  void lighten(int x, int y, float coverage) {
    if (contains(x, y) && coverage > at(x, y)) at(x, y) = coverage;
  }
};

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3: red, green, blue
};

// A Gaussian blur of the given standard deviation in pixels (edges clamp).
GreyCanvas blurred(const GreyCanvas& canvas, double sigma);

// The canvas as bytes, 0 to 255, rounded.
std::vector<std::uint8_t> greyBytes(const GreyCanvas& canvas);

// Adds the canvas, tinted, to the picture (same size): each channel saturates at 255.
void addTinted(RgbPicture& picture, const GreyCanvas& canvas, float red, float green, float blue);

}  // namespace content
