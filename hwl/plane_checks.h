#pragma once
// Checks the codec's stages make on the planes and buffers a caller hands them.

#include <cstddef>
#include <stdexcept>
#include <string>

namespace hwl::detail {

// Elements of a w x h plane.
inline std::size_t area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// Throws std::invalid_argument when a buffer holds fewer elements than a stage needs.
inline void requireSize(std::size_t have, std::size_t need, const char* what) {
  if (have < need) {
    throw std::invalid_argument(std::string(what) + " holds " + std::to_string(have) + " elements, " +
                                std::to_string(need) + " needed");
  }
}

// The same for the three colour planes of an n-pixel picture.
inline void requireColourPlanes(std::size_t red, std::size_t green, std::size_t blue, std::size_t n) {
  requireSize(red, n, "the red plane");
  requireSize(green, n, "the green plane");
  requireSize(blue, n, "the blue plane");
}

}  // namespace hwl::detail
