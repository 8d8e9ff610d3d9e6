#pragma once
// The coefficient groups of a plane (hwl.h, "Coefficient plane"): group l (0 <= l <= L) is the detail of
// transform level l, group L + 1 the approximation block left after the coarsest level. The decoder
// scales by group, the encoder measures and quantises by group; both walk the plane with forEachGroup.

namespace hwl {

// Every element of a width x height plane visited once, by group: detail levels 0 to L, then the
// approximation. visit(group, y, from, to) covers row y's elements from <= x < to of that group.
template <class Visit>
void forEachGroup(int width, int height, int lastLevel, Visit visit) {
  const auto w = static_cast<unsigned>(width);
  const auto h = static_cast<unsigned>(height);
  for (int level = 0; level <= lastLevel; ++level) {
    const unsigned rows = h >> level;
    const unsigned innerRows = h >> (level + 1);
    const unsigned innerColumns = w >> (level + 1);
    const unsigned columns = w >> level;
    for (unsigned y = 0; y < rows; ++y) {
      visit(level, y, y < innerRows ? innerColumns : 0u, columns);
    }
  }
  const unsigned rows = h >> (lastLevel + 1);
  const unsigned columns = w >> (lastLevel + 1);
  for (unsigned y = 0; y < rows; ++y) visit(lastLevel + 1, y, 0u, columns);
}

// The same for the detail groups only (every element outside the approximation block).
template <class Visit>
void forEachDetailGroup(int width, int height, int lastLevel, Visit visit) {
  forEachGroup(width, height, lastLevel, [&](int group, unsigned y, unsigned from, unsigned to) {
    if (group <= lastLevel) visit(group, y, from, to);
  });
}

}  // namespace hwl
