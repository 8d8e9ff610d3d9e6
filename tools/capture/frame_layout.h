#pragma once
// How a captured frame of any size is made from the demo's picture, which is drawn for a 4:3 screen.
//
// The demo is rendered at the largest 4:3 size that fits the frame, centred with black bars: left and
// right for a wide frame (pillarbox), top and bottom for a tall one (letterbox); the picture is at least
// one pixel each way, so even a 1 x 1 frame shows the demo. With stretch, the demo is rendered at the
// frame's own size instead, as a window of that shape would show it. Supersampling renders N x N times
// the pixels and averages each N x N block in linear light (sRGB decoded, averaged, encoded again), so
// edges get their in-between values while flat colours keep their exact bytes.
// Pictures are RGB bytes, top row first.

#include <cstdint>
#include <vector>

namespace capture {

struct FrameLayout {
  int frameWidth = 0, frameHeight = 0;      // what is written
  int pictureWidth = 0, pictureHeight = 0;  // the demo's picture inside it
  int left = 0, top = 0;                    // where that picture sits
  int supersample = 1;                      // N: the demo renders N x N times the picture's pixels

  int renderWidth() const { return pictureWidth * supersample; }
  int renderHeight() const { return pictureHeight * supersample; }
  bool operator==(const FrameLayout&) const = default;
};

FrameLayout layoutFrame(int frameWidth, int frameHeight, int supersample, bool stretch);

// Each N x N block of an RGB picture averaged in linear light; width and height must be multiples of N.
std::vector<std::uint8_t> downsampleLinear(const std::vector<std::uint8_t>& rgb, int width, int height, int n);

// The frame to write from the rendered picture (renderWidth x renderHeight): downsampled, then placed.
std::vector<std::uint8_t> composeFrame(const FrameLayout& layout, const std::vector<std::uint8_t>& rendered);

}  // namespace capture
