#pragma once
// The decode paths the benchmarks run on: the ones this machine has, and a guard that chooses one
// through HWL_DECODE_PATH, as a user would.

#include "hwl/fast/paths.h"

#include <cstdlib>
#include <vector>

namespace bench {

using hwl::detail::DecodePath;

// The paths this machine decodes with, best first, the stage path last.
inline std::vector<DecodePath> decodePaths() {
  std::vector<DecodePath> paths = hwl::detail::availableVectorPaths();
  paths.push_back(DecodePath::stages);
  return paths;
}

// HWL_DECODE_PATH set to a path while the guard lives.
class PathChoice {
 public:
  explicit PathChoice(DecodePath path) { setenv("HWL_DECODE_PATH", hwl::detail::pathName(path), 1); }
  ~PathChoice() { unsetenv("HWL_DECODE_PATH"); }
  PathChoice(const PathChoice&) = delete;
  PathChoice& operator=(const PathChoice&) = delete;
};

}  // namespace bench
