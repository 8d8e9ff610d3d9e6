// The distortions (codes 40 to 47 and 49): each pixel of dst takes its value from somewhere else in
// src, read with cosine-interpolated sampling (wrapping) where the position is not whole. Every one
// reads src whole before dst is written (through the scratch buffer), so dst may equal src.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "generator/operations.h"
#include "maths/maths.h"

namespace generator {

namespace {

std::uint8_t* pixel(Generator& g, std::uint8_t* buffer, int x, int y) {
  return buffer + (static_cast<std::size_t>(y) * g.width + x) * 3;
}

}  // namespace

// Copy src; row y shifts by off = ax sin(fy y); the source of (x, y) is (x + off, y + ay sin(fx x)).
void sineDistort(Generator& g, int src, int dst, float fy, float ax, float fx, float ay) {
  copyBuffer(g, src, scratchBuffer);
  const std::uint8_t* copy = g.layer(scratchBuffer);
  std::uint8_t* out = g.layer(dst);
  std::vector<double> columnOffsets(g.width);
  for (int x = 0; x < g.width; ++x) columnOffsets[x] = ay * maths::sin(static_cast<double>(fx) * x);
  for (int y = 0; y < g.height; ++y) {
    const double offset = ax * maths::sin(static_cast<double>(fy) * y);
    for (int x = 0; x < g.width; ++x, out += 3) sampleBuffer(g, copy, x + offset, y + columnOffsets[x], out);
  }
}

// Copy src; k = 1 / (sqrt(2 W H) spread). With px = x - W/2, py = y - H/2, r the approximate square
// root of px^2 + py^2 and t = W/2 - r: pixels with t <= 0 stay; the others turn by
// alpha = k t^2 angle: the source is (W/2 + cos(alpha) px - sin(alpha) py, H/2 + cos(alpha) py +
// sin(alpha) px). Within a row, px and -px turn by the same angle, so each row works out its turns
// once for every |px|.
void twirlLayer(Generator& g, int src, int dst, float angle, float spread) {
  copyBuffer(g, src, scratchBuffer);
  const std::uint8_t* copy = g.layer(scratchBuffer);
  std::uint8_t* out = g.layer(dst);
  const int halfWidth = g.width / 2;
  const int halfHeight = g.height / 2;
  const double k = 1.0 / (std::sqrt(2.0 * g.width * g.height) * spread);
  std::vector<double> cosines(halfWidth + 1), sines(halfWidth + 1);
  std::vector<char> turns(halfWidth + 1);
  for (int y = 0; y < g.height; ++y) {
    const int py = y - halfHeight;
    for (int d = 0; d <= halfWidth; ++d) {  // d = |px|
      const float r = approxSqrt(static_cast<float>(d * d + py * py));
      const double t = halfWidth - static_cast<double>(r);
      turns[d] = t > 0;
      if (t <= 0) continue;
      const double alpha = k * (t * t) * angle;
      cosines[d] = maths::cos(alpha);
      sines[d] = maths::sin(alpha);
    }
    for (int x = 0; x < g.width; ++x, out += 3) {
      const int px = x - halfWidth;
      const int d = px < 0 ? -px : px;
      if (!turns[d]) {
        std::memcpy(out, pixelAt(g, copy, x, y), 3);
        continue;
      }
      const double c = cosines[d];
      const double s = sines[d];
      sampleBuffer(g, copy, halfWidth + c * px - s * py, halfHeight + c * py + s * px, out);
    }
  }
}

// v = the largest channel of the map's pixel; the source of (x, y) is (x + fx v, y + fy v), read from
// src into the scratch buffer, which then goes to dst.
void mapDistort(Generator& g, int src, int map, int dst, float fx, float fy) {
  const std::uint8_t* in = g.layer(src);
  const std::uint8_t* m = g.layer(map);
  std::uint8_t* scratch = g.layer(scratchBuffer);
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x, m += 3, scratch += 3) {
      const int v = std::max({m[0], m[1], m[2]});
      sampleBuffer(g, in, x + static_cast<double>(fx) * v, y + static_cast<double>(fy) * v, scratch);
    }
  }
  copyBuffer(g, scratchBuffer, dst);
}

// Half size, repeated 2 x 2: scratch(x, y) = the mean (>> 2) of src's 2 x 2 block at (2x, 2y), wrapping.
void tileLayer(Generator& g, int src, int dst) {
  const std::uint8_t* in = g.layer(src);
  std::uint8_t* scratch = g.layer(scratchBuffer);
  for (int y = 0; y < g.height; ++y) {
    const int y0 = (2 * y) & g.heightMask;
    const int y1 = (2 * y + 1) & g.heightMask;
    for (int x = 0; x < g.width; ++x, scratch += 3) {
      const int x0 = (2 * x) & g.widthMask;
      const int x1 = (2 * x + 1) & g.widthMask;
      const std::uint8_t* a = pixelAt(g, in, x0, y0);
      const std::uint8_t* b = pixelAt(g, in, x1, y0);
      const std::uint8_t* c = pixelAt(g, in, x0, y1);
      const std::uint8_t* d = pixelAt(g, in, x1, y1);
      for (int k = 0; k < 3; ++k) scratch[k] = static_cast<std::uint8_t>((a[k] + b[k] + c[k] + d[k]) >> 2);
    }
  }
  copyBuffer(g, scratchBuffer, dst);
}

// Each pixel moves by a random amount: two draws r1, r2 per pixel (the state starts at seed), source
// x = (x + ((r1 - 32767) >>> (16 - strength))) AND widthMask, the same for y with r2; the
// subtraction is unsigned 32-bit and >>> a logical shift, so strength 8 moves up to 128 either way.
void noiseDistort(Generator& g, int src, int dst, int seed, int strength) {
  g.randomState = static_cast<std::uint32_t>(seed);
  const int shift = 16 - strength;
  const std::uint8_t* in = g.layer(src);
  std::uint8_t* scratch = g.layer(scratchBuffer);
  for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(g.height); ++y) {
    for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(g.width); ++x, scratch += 3) {
      const std::uint32_t r1 = nextRandom(g);
      const std::uint32_t r2 = nextRandom(g);
      const std::uint32_t sx = x + ((r1 - 32767u) >> shift);
      const std::uint32_t sy = y + ((r2 - 32767u) >> shift);
      std::memcpy(scratch, pixelAt(g, in, sx, sy), 3);
    }
  }
  copyBuffer(g, scratchBuffer, dst);
}

// dst(x, y) = src((x + dx) AND widthMask, (y + dy) AND heightMask)
void moveDistort(Generator& g, int src, int dst, int dx, int dy) {
  const std::uint8_t* in = g.layer(src);
  std::uint8_t* scratch = g.layer(scratchBuffer);
  for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(g.height); ++y) {
    const std::uint32_t sy = y + static_cast<std::uint32_t>(dy);
    for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(g.width); ++x, scratch += 3) {
      std::memcpy(scratch, pixelAt(g, in, x + static_cast<std::uint32_t>(dx), sy), 3);
    }
  }
  copyBuffer(g, scratchBuffer, dst);
}

namespace {

// Quadrants by position: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
void copyQuadrant(Generator& g, int src, int dst, int quadrant) {
  const int halfWidth = g.width / 2;
  const int halfHeight = g.height / 2;
  const int left = halfWidth * (quadrant % 2);
  const int top = halfHeight * (quadrant / 2);
  for (int y = top; y < top + halfHeight; ++y) {
    std::memmove(pixel(g, g.layer(dst), left, y), pixel(g, g.layer(src), left, y),
                 static_cast<std::size_t>(halfWidth) * 3);
  }
}

// Mirror steps, in a cycle around the picture: 0 copies the top-left quadrant mirrored left-right into
// the top-right, 1 the top-right mirrored top-bottom into the bottom-right, 2 the bottom-right mirrored
// left-right into the bottom-left, 3 the bottom-left mirrored top-bottom into the top-left.
void mirrorStep(Generator& g, int layer, int step) {
  const int halfWidth = g.width / 2;
  const int halfHeight = g.height / 2;
  const bool right = step == 1 || step == 2;  // the quadrant the step reads
  const bool bottom = step == 2 || step == 3;
  const bool leftRight = step % 2 == 0;
  std::uint8_t* buffer = g.layer(layer);
  const int x0 = right ? g.width - halfWidth : 0;
  const int y0 = bottom ? g.height - halfHeight : 0;
  for (int y = y0; y < y0 + halfHeight; ++y) {
    for (int x = x0; x < x0 + halfWidth; ++x) {
      const int tx = leftRight ? g.width - 1 - x : x;
      const int ty = leftRight ? y : g.height - 1 - y;
      std::memcpy(pixel(g, buffer, tx, ty), pixel(g, buffer, x, y), 3);
    }
  }
}

// The quadrant mirror step s reads: top-left, top-right, bottom-right, bottom-left.
constexpr int quadrantReadBy[4] = {0, 1, 3, 2};

}  // namespace

// A picture symmetric in both axes built from one quadrant of src: mode m (1 to 4) copies the quadrant
// that mirror step m - 1 reads into dst, then runs mirror steps m - 1, m mod 4 and (m + 1) mod 4 on dst.
// (Modes 3 and 4 start from the bottom-right and bottom-left quadrants. Copying the quadrant of the
// mode's position instead, bottom-left for 3 and bottom-right for 4, would let the first mirror step
// build the picture from dst's old content whenever dst is not src; with dst = src both agree.)
void kaleidLayer(Generator& g, int src, int dst, int mode) {
  const int first = mode - 1;
  copyQuadrant(g, src, dst, quadrantReadBy[first]);
  mirrorStep(g, dst, first);
  mirrorStep(g, dst, mode % 4);
  mirrorStep(g, dst, (mode + 1) % 4);
}

// Copy src; c = W / (2 pi). For px = x - W/2 != 0: inv = 1 / px, a = atan(inv py), u = W/2 + a c when
// inv > 0 else a c, v = |inv depth cos a|, sampled at (u, v) from the copy. Where px = 0 the previous
// pixel's corners and fractions are used again, so it repeats the previous value. Pixel (x, y) and
// pixel (W - x, H - y) have the same inv py (both signs flip), so rows y and H - y share their angles
// and cosines and are worked out together.
void tunnelDistort(Generator& g, int src, int dst, float depth) {
  copyBuffer(g, src, scratchBuffer);
  const std::uint8_t* copy = g.layer(scratchBuffer);
  const int w = g.width;
  const int halfWidth = w / 2;
  const double c = w / (2.0 * pi);
  std::vector<double> inverses(w), angles(w + 1), cosines(w + 1);
  for (int x = 0; x < w; ++x) inverses[x] = x == halfWidth ? 0.0 : 1.0 / (x - halfWidth);
  // Row y; with `mirrored`, the angles of column x are those stored for column W - x.
  const auto row = [&](int y, bool mirrored) {
    const int py = y - g.height / 2;
    std::uint8_t* out = g.layer(dst) + static_cast<std::size_t>(y) * w * 3;
    Corners corners = cornersAt(g, copy, 0.0, 0.0);
    for (int x = 0; x < w; ++x, out += 3) {
      if (x != halfWidth) {
        const double inv = inverses[x];
        const bool stored = mirrored && x > 0;
        const double a = stored ? angles[w - x] : maths::atan(inv * py);
        const double cosA = stored ? cosines[w - x] : maths::cos(a);
        if (!mirrored) {
          angles[x] = a;
          cosines[x] = cosA;
        }
        const double u = inv > 0 ? halfWidth + a * c : a * c;
        const double v = std::fabs(inv * depth * cosA);
        corners = cornersAt(g, copy, u, v);
      }
      interpolate(corners, out);
    }
  };
  const int halfHeight = g.height / 2;
  for (int y = 0; y <= halfHeight && y < g.height; ++y) {
    row(y, false);
    if (y > 0 && y < halfHeight) row(g.height - y, true);
  }
}

// Log-polar: k = 2 pi / H; row y is the circle of radius rho = e^(k y), column x the angle
// theta = k x; the source is (W/2 + cos(theta) rho, H/2 + sin(theta) rho), read from src into the
// scratch buffer, which then goes to dst.
void logPolLayer(Generator& g, int src, int dst) {
  const std::uint8_t* in = g.layer(src);
  std::uint8_t* scratch = g.layer(scratchBuffer);
  const double k = 2.0 * pi / g.height;
  const double halfWidth = g.width / 2;
  const double halfHeight = g.height / 2;
  std::vector<double> cosines(g.width), sines(g.width);
  for (int x = 0; x < g.width; ++x) {
    const double theta = k * x;
    cosines[x] = maths::cos(theta);
    sines[x] = maths::sin(theta);
  }
  for (int y = 0; y < g.height; ++y) {
    const double rho = maths::exp(k * y);
    for (int x = 0; x < g.width; ++x, scratch += 3) {
      sampleBuffer(g, in, halfWidth + cosines[x] * rho, halfHeight + sines[x] * rho, scratch);
    }
  }
  copyBuffer(g, scratchBuffer, dst);
}

}  // namespace generator
