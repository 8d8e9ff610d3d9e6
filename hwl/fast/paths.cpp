#include "hwl/fast/paths.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace hwl::detail {

namespace {

constexpr const char* variable = "HWL_DECODE_PATH";

#ifdef HWL_NO_SIMD
constexpr bool simdBuilt = false;
#else
constexpr bool simdBuilt = true;
#endif

bool processorHas(DecodePath path) {
#ifdef HWL_NO_SIMD
  (void)path;
  return false;
#else
  __builtin_cpu_init();
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (path == DecodePath::avx2) return avx2;
  return avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
#endif
}

DecodePath parsePath(const char* value, const std::string& name) {
  for (DecodePath path : {DecodePath::automatic, DecodePath::avx512, DecodePath::avx2, DecodePath::stages}) {
    if (std::strcmp(value, pathName(path)) == 0) return path;
  }
  throw HwlError(name, std::string(variable) + " is \"" + value + "\"; it takes auto, avx512, avx2 or stages");
}

}  // namespace

const char* pathName(DecodePath path) {
  switch (path) {
    case DecodePath::automatic:
      return "auto";
    case DecodePath::avx512:
      return "avx512";
    case DecodePath::avx2:
      return "avx2";
    case DecodePath::stages:
      return "stages";
  }
  return "?";
}

bool pathAvailable(DecodePath path) {
  if (path == DecodePath::automatic || path == DecodePath::stages) return true;
  static const bool avx512 = processorHas(DecodePath::avx512);
  static const bool avx2 = processorHas(DecodePath::avx2);
  return path == DecodePath::avx512 ? avx512 : avx2;
}

std::vector<DecodePath> availableVectorPaths() {
  std::vector<DecodePath> paths;
  for (DecodePath path : {DecodePath::avx512, DecodePath::avx2}) {
    if (pathAvailable(path)) paths.push_back(path);
  }
  return paths;
}

DecodePath choosePath(const char* value, const std::vector<DecodePath>& available, const std::string& name) {
  const DecodePath asked = value && *value ? parsePath(value, name) : DecodePath::automatic;
  if (asked == DecodePath::automatic) return available.empty() ? DecodePath::stages : available.front();
  if (asked == DecodePath::stages || std::find(available.begin(), available.end(), asked) != available.end()) {
    return asked;
  }
  std::string names;
  for (DecodePath path : available) names += std::string(pathName(path)) + ", ";
  throw HwlError(name, std::string(variable) + " asks for the " + pathName(asked) + " path, which " +
                           (simdBuilt ? "this processor lacks" : "this build leaves out (HWL_NO_SIMD)") +
                           "; this machine has " + names + "stages");
}

DecodePath chosenPath(const std::string& name) {
  return choosePath(std::getenv(variable), availableVectorPaths(), name);
}

bool vectorDecode(DecodePath path, const HwlContents& contents, std::uint8_t* pixels) {
#ifdef HWL_NO_SIMD
  (void)path, (void)contents, (void)pixels;
  return false;
#else
  if (path == DecodePath::avx512) return avx512::decode(contents, pixels);
  if (path == DecodePath::avx2) return avx2::decode(contents, pixels);
  return false;
#endif
}

std::vector<double> vectorInversePlane(DecodePath path, const HwlContents& contents, int p) {
#ifdef HWL_NO_SIMD
  (void)contents, (void)p;
#else
  if (path == DecodePath::avx512 && pathAvailable(path)) return avx512::inversePlane(contents, p);
  if (path == DecodePath::avx2 && pathAvailable(path)) return avx2::inversePlane(contents, p);
#endif
  throw std::invalid_argument(std::string("vectorInversePlane: the ") + pathName(path) + " path is not available");
}

}  // namespace hwl::detail
