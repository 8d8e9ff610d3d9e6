#pragma once
// Helpers for the generator's tests: generators of a given size, layers filled from a function,
// pixel access and a hash of a layer's bytes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "generator/generator.h"

namespace generatortest {

using generator::Generator;

struct Rgb {
  int c0, c1, c2;
  bool operator==(const Rgb&) const = default;
};

inline Generator makeGenerator(int width, int height) {
  Generator g;
  generator::initGenerator(g, width, height);
  return g;
}

inline Rgb pixel(const Generator& g, int layer, int x, int y) {
  const std::uint8_t* p = g.layer(layer) + (static_cast<std::size_t>(y) * g.width + x) * 3;
  return {p[0], p[1], p[2]};
}

inline void setPixel(Generator& g, int layer, int x, int y, Rgb c) {
  std::uint8_t* p = g.layer(layer) + (static_cast<std::size_t>(y) * g.width + x) * 3;
  p[0] = static_cast<std::uint8_t>(c.c0);
  p[1] = static_cast<std::uint8_t>(c.c1);
  p[2] = static_cast<std::uint8_t>(c.c2);
}

inline void fill(Generator& g, int layer, const std::function<Rgb(int x, int y)>& colour) {
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) setPixel(g, layer, x, y, colour(x, y));
  }
}

// Deterministic noise, independent of the generator's own random numbers.
inline void fillNoise(Generator& g, int layer, std::uint32_t seed) {
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint8_t& byte : g.buffers[layer]) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
}

inline bool sameLayers(const Generator& a, int layerA, const Generator& b, int layerB) {
  return a.buffers[layerA] == b.buffers[layerB];
}

inline std::uint64_t hashBytes(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

inline generator::Params params(std::initializer_list<float> values) {
  generator::Params p{};
  int i = 0;
  for (float v : values) p[i++] = v;
  return p;
}

}  // namespace generatortest
