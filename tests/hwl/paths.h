#pragma once
// The decode paths for tests that run on each of them: suites instantiated over a list of paths,
// named after the path, that skip a path this machine or build lacks with a message naming it, and a
// guard that sets HWL_DECODE_PATH for the public decode calls of one test.

#include "hwl/fast/paths.h"
#include "tests/support/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace hwl::detail {
// A path prints as its name in test names and messages.
inline void PrintTo(DecodePath path, std::ostream* out) { *out << pathName(path); }
}  // namespace hwl::detail

namespace testhwl {

using hwl::detail::DecodePath;

inline const std::vector<DecodePath> vectorPaths{DecodePath::avx512, DecodePath::avx2, DecodePath::sse2,
                                                 DecodePath::neon, DecodePath::simd128};
inline const std::vector<DecodePath> everyPath{DecodePath::avx512, DecodePath::avx2,    DecodePath::sse2,
                                               DecodePath::neon,   DecodePath::simd128, DecodePath::stages};

inline std::string pathTestName(const ::testing::TestParamInfo<DecodePath>& info) {
  return hwl::detail::pathName(info.param);
}

// HWL_DECODE_PATH set to a path (or a raw value) while the guard lives; the old value comes back.
class PathOverride {
 public:
  explicit PathOverride(DecodePath path) : PathOverride(hwl::detail::pathName(path)) {}
  explicit PathOverride(const std::string& value) {
    if (const char* old = std::getenv(name)) old_ = old;
    testsupport::setEnvironment(name, value);
  }
  ~PathOverride() {
    if (old_) {
      testsupport::setEnvironment(name, *old_);
    } else {
      testsupport::unsetEnvironment(name);
    }
  }
  PathOverride(const PathOverride&) = delete;
  PathOverride& operator=(const PathOverride&) = delete;

 private:
  static constexpr const char* name = "HWL_DECODE_PATH";
  std::optional<std::string> old_;
};

}  // namespace testhwl

// Skips the test, naming the path, when this machine or build does not run it.
#define SKIP_UNLESS_PATH_AVAILABLE(path)                                                          \
  if (!hwl::detail::pathAvailable(path))                                                          \
  GTEST_SKIP() << "the " << hwl::detail::pathName(path) << " decode path is not available here (" \
               << "processor or build without it)"
