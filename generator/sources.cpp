// The source operations (codes 0 to 8): each one redraws its whole layer.

#include <algorithm>
#include <cstring>
#include <vector>

#include "generator/mandelbrot_lanes.h"
#include "generator/operations.h"
#include "maths/maths.h"

namespace generator {

namespace {

std::uint8_t* pixel(Generator& g, std::uint8_t* buffer, int x, int y) {
  return buffer + (static_cast<std::size_t>(y) * g.width + x) * 3;
}

// Fills every step x step cell by cosine interpolation of its four grid corners (x, y), (x + step, y),
// (x, y + step), (x + step, y + step), wrapping; the pixel (x + i, y + j) uses fractions i / step and
// j / step. Cells are filled row by row, each from its top row down, and clipped at the layer's edge.
// A grid pixel keeps its value (its weights are 0), so the corners are the drawn values whenever they
// are grid points; only a step that is not a power of two has corners (beyond the edge, wrapped) that
// are not, and then they are read as the filling has left them.
void fillCellsInOrder(Generator& g, std::uint8_t* out, int step) {
  for (std::int64_t cy = 0; cy < g.height; cy += step) {
    for (std::int64_t cx = 0; cx < g.width; cx += step) {
      const std::uint8_t* c00 = pixelAt(g, out, cx, cy);
      const std::uint8_t* c10 = pixelAt(g, out, cx + step, cy);
      const std::uint8_t* c01 = pixelAt(g, out, cx, cy + step);
      const std::uint8_t* c11 = pixelAt(g, out, cx + step, cy + step);
      const int rows = static_cast<int>(std::min<std::int64_t>(step, g.height - cy));
      const int columns = static_cast<int>(std::min<std::int64_t>(step, g.width - cx));
      for (int j = 0; j < rows; ++j) {
        const double wy = cosineWeight(static_cast<double>(j) / step);
        std::uint8_t* row = pixel(g, out, static_cast<int>(cx), static_cast<int>(cy) + j);
        for (int i = 0; i < columns; ++i) {
          interpolate({c00, c10, c01, c11, cosineWeight(static_cast<double>(i) / step), wy}, row + 3 * i);
        }
      }
    }
  }
}

// The same result when every corner is a grid point (a power-of-two step), so the order does not
// matter: row offset j by row offset j, with the weights of that offset worked out once.
void fillCellsByRowOffset(Generator& g, std::uint8_t* out, int step) {
  const int cellWidth = std::min(step, g.width);
  std::vector<double> wx(cellWidth), w00(cellWidth), w10(cellWidth), w01(cellWidth), w11(cellWidth);
  for (int i = 0; i < cellWidth; ++i) wx[i] = cosineWeight(static_cast<double>(i) / step);
  for (int j = 0; j < std::min(step, g.height); ++j) {
    const double wy = cosineWeight(static_cast<double>(j) / step);
    for (int i = 0; i < cellWidth; ++i) {  // the four weights as interpolate() forms them
      w00[i] = (1.0 - wy) * (1.0 - wx[i]);
      w10[i] = (1.0 - wy) * wx[i];
      w01[i] = wy * (1.0 - wx[i]);
      w11[i] = wy * wx[i];
    }
    for (std::int64_t cy = 0; cy + j < g.height; cy += step) {
      for (std::int64_t cx = 0; cx < g.width; cx += step) {
        double corners[4][3];
        const std::uint8_t* at[4] = {pixelAt(g, out, cx, cy), pixelAt(g, out, cx + step, cy),
                                     pixelAt(g, out, cx, cy + step), pixelAt(g, out, cx + step, cy + step)};
        for (int c = 0; c < 4; ++c) {
          for (int k = 0; k < 3; ++k) corners[c][k] = at[c][k];
        }
        const int columns = static_cast<int>(std::min<std::int64_t>(step, g.width - cx));
        std::uint8_t* row = pixel(g, out, static_cast<int>(cx), static_cast<int>(cy) + j);
        for (int i = 0; i < columns; ++i, row += 3) {
          for (int k = 0; k < 3; ++k) {
            row[k] = static_cast<std::uint8_t>(w00[i] * corners[0][k] + w10[i] * corners[1][k] +
                                               w01[i] * corners[2][k] + w11[i] * corners[3][k]);
          }
        }
      }
    }
  }
}

void fillPlasmaCells(Generator& g, std::uint8_t* out, int step) {
  if ((step & (step - 1)) == 0) {
    fillCellsByRowOffset(g, out, step);
  } else {
    fillCellsInOrder(g, out, step);
  }
}

}  // namespace

// Random values on a grid of spacing `step`, then smooth cells between them. Channel 0 of a grid point
// is (range - 1) AND rand(), as a byte; with `colour` channels 1 and 2 draw their own (in that order),
// otherwise they copy channel 0. A seed of 0 keeps the current random state.
void subPlasma(Generator& g, int layer, int step, int seed, int range, bool colour) {
  std::uint8_t* out = g.layer(layer);
  std::memset(out, 0, bufferBytes(g));
  if (seed != 0) g.randomState = static_cast<std::uint32_t>(seed);
  const std::uint32_t mask = static_cast<std::uint32_t>(range) - 1u;
  for (std::int64_t y = 0; y < g.height; y += step) {
    for (std::int64_t x = 0; x < g.width; x += step) {
      std::uint8_t* p = pixel(g, out, static_cast<int>(x), static_cast<int>(y));
      p[0] = static_cast<std::uint8_t>(mask & nextRandom(g));
      p[1] = colour ? static_cast<std::uint8_t>(mask & nextRandom(g)) : p[0];
      p[2] = colour ? static_cast<std::uint8_t>(mask & nextRandom(g)) : p[0];
    }
  }
  if (step > 1 && (mask & 0xFF) != 0) fillPlasmaCells(g, out, step);  // all-zero grids stay zero
}

// Row y: a = 127 + 63.5 sin(fy y); pixel: truncate(amplitude / 256 * (a + 63.5 sin(fx x))), grey.
void sinePlasma(Generator& g, int layer, float fx, float fy, float amplitude) {
  std::vector<double> columns(g.width);
  for (int x = 0; x < g.width; ++x) columns[x] = 63.5 * maths::sin(static_cast<double>(fx) * x);
  const double scale = amplitude * 0.00390625;
  std::uint8_t* out = g.layer(layer);
  for (int y = 0; y < g.height; ++y) {
    const double a = 127.0 + 63.5 * maths::sin(static_cast<double>(fy) * y);
    for (int x = 0; x < g.width; ++x, out += 3) {
      out[0] = out[1] = out[2] = lowByte(truncateReal(scale * (a + columns[x])));
    }
  }
}

// Octave 1 only seeds and advances the random state (a range of 1 draws zeros); each further octave
// halves the step, scales the amplitude by persistence / 256 (32-bit arithmetic) and adds a plasma of
// that range, saturating at 255. Stops when the amplitude or the step reaches 0.
void perlinNoise(Generator& g, int layer, int step, int seed, int amplitude, int persistence, int octaves,
                 bool colour) {
  subPlasma(g, layer, step, seed, 1, colour);
  for (int octave = 1; octave < octaves; ++octave) {
    amplitude =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(amplitude) * static_cast<std::uint32_t>(persistence)) >> 8;
    if (amplitude <= 0) break;
    step >>= 1;
    if (step == 0) break;
    subPlasma(g, scratchBuffer, step, 0, amplitude, colour);
    std::uint8_t* out = g.layer(layer);
    const std::uint8_t* add = g.layer(scratchBuffer);
    for (std::size_t i = 0, n = bufferBytes(g); i < n; ++i)
      out[i] = static_cast<std::uint8_t>(std::min(out[i] + add[i], 255));
  }
}

// A round light: grey 255 - 180 falloff r, r the approximate square root of nx^2 + ny^2 with
// nx = (x - W/2) / (W/2) and ny = (y - H/2) / (H/2); clamped.
void particle(Generator& g, int layer, float falloff) {
  const int halfWidth = g.width / 2;
  const int halfHeight = g.height / 2;
  const double strength = 180.0 * falloff;
  std::uint8_t* out = g.layer(layer);
  for (int y = 0; y < g.height; ++y) {
    const double ny = static_cast<double>(y - halfHeight) / halfHeight;
    for (int x = 0; x < g.width; ++x, out += 3) {
      const double nx = static_cast<double>(x - halfWidth) / halfWidth;
      const float r = approxSqrt(static_cast<float>(nx * nx + ny * ny));
      out[0] = out[1] = out[2] = clampByte(255.0 - strength * r);
    }
  }
}

// Every pixel (c0, c1, c2), each the low byte of its parameter (300 gives 44).
void colorLayer(Generator& g, int layer, int c0, int c1, int c2) {
  std::uint8_t* out = g.layer(layer);
  for (int i = 0, n = g.pixelCount(); i < n; ++i, out += 3) {
    out[0] = lowByte(c0);
    out[1] = lowByte(c1);
    out[2] = lowByte(c2);
  }
}

// Cells of colours A and B. A toggle makes C = A and swaps A and B; a row toggles at its start when
// y mod cellHeight = 0, each pixel toggles before it is written when x mod cellWidth = 0, and the row
// toggles once more at its end when W / cellWidth is even and leaves a remainder.
void checkerBoardLayer(Generator& g, int layer, int cellWidth, int cellHeight, int a0, int a1, int a2, int b0, int b1,
                       int b2) {
  std::uint8_t a[3] = {lowByte(a0), lowByte(a1), lowByte(a2)};
  std::uint8_t b[3] = {lowByte(b0), lowByte(b1), lowByte(b2)};
  std::uint8_t c[3] = {0, 0, 0};
  const auto toggle = [&] {
    std::memcpy(c, a, 3);
    std::swap(a, b);
  };
  const bool odd = (g.width / cellWidth) % 2 == 0 && g.width % cellWidth != 0;
  std::uint8_t* out = g.layer(layer);
  for (int y = 0; y < g.height; ++y) {
    if (y % cellHeight == 0) toggle();
    for (int x = 0; x < g.width; ++x, out += 3) {
      if (x % cellWidth == 0) toggle();
      std::memcpy(out, c, 3);
    }
    if (odd) toggle();
  }
}

// Up to 16 soft blobs. Per blob, drawn in this order: bx = ((rand() W) >> 8) AND widthMask,
// by = ((rand() H) >> 8) AND heightMask, intensity = 150 (0.1 + (rand() AND 255) 0.00392156862745),
// and with `colour` two more intensities. Each adds intensity f(d), d the squared distance (no
// wrap-around) over W H 0.333333 and f = 1 - 2.444444 d + 1.888888 d^2 - 0.444444 d^3; clamped.
void blobsLayer(Generator& g, int layer, int seed, int count, bool colour) {
  struct Blob {
    int x, y;
    double intensity[3];
  };
  std::vector<Blob> blobs(count);
  g.randomState = static_cast<std::uint32_t>(seed);
  const auto drawIntensity = [&] { return 150.0 * (0.1 + (nextRandom(g) & 255) * 0.00392156862745); };
  for (Blob& blob : blobs) {
    blob.x = static_cast<int>((nextRandom(g) * static_cast<std::uint32_t>(g.width)) >> 8) & g.widthMask;
    blob.y = static_cast<int>((nextRandom(g) * static_cast<std::uint32_t>(g.height)) >> 8) & g.heightMask;
    blob.intensity[0] = drawIntensity();
    blob.intensity[1] = colour ? drawIntensity() : blob.intensity[0];
    blob.intensity[2] = colour ? drawIntensity() : blob.intensity[0];
  }
  const double scale = static_cast<double>(g.width * g.height) * 0.333333;
  const int channels = colour ? 3 : 1;
  std::vector<double> falloff(g.width);
  std::vector<std::vector<double>> sums(channels, std::vector<double>(g.width));
  std::uint8_t* out = g.layer(layer);
  for (int y = 0; y < g.height; ++y) {
    for (auto& sum : sums) std::fill(sum.begin(), sum.end(), 0.0);
    for (const Blob& blob : blobs) {
      const int dy2 = (blob.y - y) * (blob.y - y);
      for (int x = 0; x < g.width; ++x) {
        const double d = (dy2 + (blob.x - x) * (blob.x - x)) / scale;
        falloff[x] = 1.0 - 2.444444 * d + 1.888888 * (d * d) - 0.444444 * (d * d * d);
      }
      for (int k = 0; k < channels; ++k) {
        double* sum = sums[k].data();
        for (int x = 0; x < g.width; ++x) sum[x] += blob.intensity[k] * falloff[x];
      }
    }
    for (int x = 0; x < g.width; ++x, out += 3) {
      for (int k = 0; k < 3; ++k) out[k] = clampByte(sums[colour ? k : 0][x]);
    }
  }
}

namespace {

// Eight pixels of a row at a time, side by side in vector lanes: each lane does exactly the
// arithmetic of its own pixel (lanes that are done keep computing, unused), so the counts are those of
// iterating one pixel after another. Every x86-64 processor has two-lane vectors; where the processor
// has AVX2, four-lane vectors do the same work in half the time.
constexpr int lanes = 8;
using Pairs = double __attribute__((vector_size(16)));
using PairFlags = std::int64_t __attribute__((vector_size(16)));
using Quads = double __attribute__((vector_size(32)));
using QuadFlags = std::int64_t __attribute__((vector_size(32)));

// For each lane: iterations before |z|^2 exceeds the bailout, z starting at c (0 to 254), or 255 if it
// never does. A lane whose z comes back exactly to a value it had before is in a cycle that can never
// escape, and is done at once with 255 (the saved value moves on at every power of two).
template <typename Reals, typename Flags>
[[gnu::always_inline]] inline void escapeCountsOf(const double* re, double im, double bailout, int* counts) {
  constexpr int width = sizeof(Reals) / sizeof(double);
  constexpr int vectors = lanes / width;
  Reals cRe[vectors], zRe[vectors], zIm[vectors], savedRe[vectors], savedIm[vectors], count[vectors];
  Flags done[vectors];
  Reals cIm, limit;
  for (int i = 0; i < width; ++i) {
    cIm[i] = im;
    limit[i] = bailout;
  }
  for (int v = 0; v < vectors; ++v) {
    std::memcpy(&cRe[v], re + width * v, sizeof(Reals));
    zRe[v] = savedRe[v] = cRe[v];
    zIm[v] = savedIm[v] = cIm;
    count[v] = cIm * 0.0 + 255.0;
    done[v] = Flags{} & 0;
  }
  for (int n = 0; n < 255; ++n) {
    const Reals step = cIm * 0.0 + n;
    Flags remaining = Flags{} & 0;
    for (int v = 0; v < vectors; ++v) {
      const Flags escapes = (zRe[v] * zRe[v] + zIm[v] * zIm[v] > limit) & ~done[v];
      count[v] = escapes ? step : count[v];
      done[v] |= escapes;
      remaining |= ~done[v];
    }
    std::int64_t any = 0;
    for (int i = 0; i < width; ++i) any |= remaining[i];
    if (any == 0) break;
    for (int v = 0; v < vectors; ++v) {
      const Reals nextIm = 2.0 * zRe[v] * zIm[v] + cIm;
      zRe[v] = zRe[v] * zRe[v] - zIm[v] * zIm[v] + cRe[v];
      zIm[v] = nextIm;
    }
    if ((n & 3) == 3) {  // looking every fourth step finds a cycle a little later, for a quarter of the cost
      for (int v = 0; v < vectors; ++v) done[v] |= (zRe[v] == savedRe[v]) & (zIm[v] == savedIm[v]);
    }
    if ((n & (n + 1)) == 0) {
      for (int v = 0; v < vectors; ++v) {
        savedRe[v] = zRe[v];
        savedIm[v] = zIm[v];
      }
    }
  }
  for (int v = 0; v < vectors; ++v) {
    for (int i = 0; i < width; ++i) counts[width * v + i] = static_cast<int>(count[v][i]);
  }
}

void escapeCountsPairs(const double* re, double im, double bailout, int* counts) {
  escapeCountsOf<Pairs, PairFlags>(re, im, bailout, counts);
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] void escapeCountsQuads(const double* re, double im, double bailout, int* counts) {
  escapeCountsOf<Quads, QuadFlags>(re, im, bailout, counts);
}

bool hasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#else
void escapeCountsQuads(const double* re, double im, double bailout, int* counts) {
  escapeCountsPairs(re, im, bailout, counts);
}

bool hasAvx2() { return false; }
#endif

const bool processorHasAvx2 = hasAvx2();

}  // namespace

LaneWidth widestLanes() { return processorHasAvx2 ? LaneWidth::four : LaneWidth::two; }

// The window x0 .. x0 + width, y0 .. y0 + height of the complex plane: c_re grows by width / W per
// pixel, c_im by height / H per row (running sums). For n = 0 to 254, z = z^2 + c (z starting at c)
// until |z|^2 > bailout; v is the n at which it did, or 255. Pixel (v, 255 - v, 255 - v).
void mandelBrotInLanes(Generator& g, int layer, double x0, double width, double y0, double height, double bailout,
                       LaneWidth laneWidth) {
  const double stepRe = width / g.width;
  const double stepIm = height / g.height;
  const int groups = (g.width + lanes - 1) / lanes;
  std::vector<double> rowRe(static_cast<std::size_t>(groups) * lanes);
  double cRe = x0;
  for (double& value : rowRe) {  // the same for every row; lanes beyond the width are never stored
    value = cRe;
    cRe += stepRe;
  }
  const bool wide = laneWidth == LaneWidth::four && processorHasAvx2;
  const auto escapeCounts = wide ? escapeCountsQuads : escapeCountsPairs;
  std::uint8_t* out = g.layer(layer);
  double cIm = y0;
  for (int y = 0; y < g.height; ++y) {
    for (int group = 0; group < groups; ++group) {
      int counts[lanes];
      escapeCounts(&rowRe[static_cast<std::size_t>(group) * lanes], cIm, bailout, counts);
      for (int i = 0; i < lanes && group * lanes + i < g.width; ++i, out += 3) {
        const int v = counts[i];
        out[0] = static_cast<std::uint8_t>(v);
        out[1] = out[2] = static_cast<std::uint8_t>(255 - v);
      }
    }
    cIm += stepIm;
  }
}

void mandelBrot(Generator& g, int layer, double x0, double width, double y0, double height, double bailout) {
  mandelBrotInLanes(g, layer, x0, width, y0, height, bailout, widestLanes());
}

// A one-dimensional cellular automaton: row 0 is white where rand() >> 10 is 0; below, a pixel is
// white when bit (left + 2 centre + 4 right) of `rule` is set, looking at channel 0 of the row above
// (wrapping), and black otherwise.
void cellMachine(Generator& g, int layer, int seed, int rule) {
  g.randomState = static_cast<std::uint32_t>(seed);
  std::uint8_t* out = g.layer(layer);
  std::memset(out, 0, bufferBytes(g));
  for (int x = 0; x < g.width; ++x) {
    if ((nextRandom(g) >> 10) == 0) std::memset(pixel(g, out, x, 0), 255, 3);
  }
  const auto bits = static_cast<std::uint32_t>(rule);
  for (int y = 1; y < g.height; ++y) {
    const std::uint8_t* above = pixel(g, out, 0, y - 1);
    std::uint8_t* row = pixel(g, out, 0, y);
    for (int x = 0; x < g.width; ++x) {
      const int pattern = (above[3 * ((x - 1) & g.widthMask)] != 0) + 2 * (above[3 * x] != 0) +
                          4 * (above[3 * ((x + 1) & g.widthMask)] != 0);
      if ((bits >> pattern) & 1u) std::memset(row + 3 * x, 255, 3);
    }
  }
}

}  // namespace generator
