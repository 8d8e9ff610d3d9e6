#include "hwl/fast/paths.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace hwl::detail {

namespace {

constexpr const char* variable = "HWL_DECODE_PATH";

// Every path with its name as the variable spells it, in the enumeration's order, which is also the
// order the variable's values are listed in.
struct NamedPath {
  DecodePath path;
  const char* name;
};
constexpr NamedPath namedPaths[] = {{DecodePath::automatic, "auto"}, {DecodePath::avx512, "avx512"},
                                    {DecodePath::avx2, "avx2"},      {DecodePath::sse2, "sse2"},
                                    {DecodePath::neon, "neon"},      {DecodePath::simd128, "simd128"},
                                    {DecodePath::stages, "stages"}};

constexpr bool inEnumerationOrder() {
  for (std::size_t i = 0; i < std::size(namedPaths); ++i) {
    if (static_cast<std::size_t>(namedPaths[i].path) != i) return false;
  }
  return static_cast<std::size_t>(DecodePath::stages) + 1 == std::size(namedPaths);
}
static_assert(inEnumerationOrder(), "namedPaths has one row per DecodePath, in order");

// A vector path this build has: its entry points, and whether the processor runs it.
struct BuiltPath {
  DecodePath path;
  bool (*decode)(const HwlContents& contents, std::uint8_t* pixels);
  std::vector<double> (*inversePlane)(const HwlContents& contents, int p);
  bool (*processorHas)();
};

#if !defined(HWL_NO_SIMD) && (defined(__x86_64__) || defined(__i386__))
bool processorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
bool processorHasAvx512() {
  return processorHasAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
}
bool processorHasSse2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2");
}
#endif
[[maybe_unused]] bool always() { return true; }  // the build's target has it on every processor

// The vector paths of this build, best first: those of its processor, none with HWL_NO_SIMD.
const std::vector<BuiltPath>& builtPaths() {
  static const std::vector<BuiltPath> paths {
#ifndef HWL_NO_SIMD
#if defined(__x86_64__) || defined(__i386__)
    {DecodePath::avx512, avx512::decode, avx512::inversePlane, processorHasAvx512},
        {DecodePath::avx2, avx2::decode, avx2::inversePlane, processorHasAvx2},
        {DecodePath::sse2, sse2::decode, sse2::inversePlane, processorHasSse2},
#elif defined(__aarch64__)
    {DecodePath::neon, neon::decode, neon::inversePlane, always},
#elif defined(__wasm_simd128__)
    {DecodePath::simd128, simd128::decode, simd128::inversePlane, always},
#endif
#endif
  };
  return paths;
}

const BuiltPath* builtPath(DecodePath path) {
  for (const BuiltPath& built : builtPaths()) {
    if (built.path == path) return &built;
  }
  return nullptr;
}

DecodePath parsePath(const char* value, const std::string& name) {
  std::string names;
  for (const NamedPath& row : namedPaths) {
    if (std::strcmp(value, row.name) == 0) return row.path;
    names += &row == std::end(namedPaths) - 1 ? " or " : names.empty() ? "" : ", ";
    names += row.name;
  }
  throw HwlError(name, std::string(variable) + " is \"" + value + "\"; it takes " + names);
}

// Why a vector path that is not available is missing.
std::string missingReason(DecodePath path) {
  if (builtPath(path)) return "this processor lacks";
#ifdef HWL_NO_SIMD
  return "this build leaves out (HWL_NO_SIMD)";
#else
  return "this build leaves out (it has the vector paths of its own processor)";
#endif
}

}  // namespace

const char* pathName(DecodePath path) {
  const auto index = static_cast<std::size_t>(path);
  return index < std::size(namedPaths) ? namedPaths[index].name : "?";
}

std::vector<DecodePath> availableVectorPaths() {
  static const std::vector<DecodePath> available = [] {
    std::vector<DecodePath> paths;
    for (const BuiltPath& built : builtPaths()) {
      if (built.processorHas()) paths.push_back(built.path);
    }
    return paths;
  }();
  return available;
}

bool pathAvailable(DecodePath path) {
  if (path == DecodePath::automatic || path == DecodePath::stages) return true;
  const std::vector<DecodePath> available = availableVectorPaths();
  return std::find(available.begin(), available.end(), path) != available.end();
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
                           missingReason(asked) + "; this machine has " + names + "stages");
}

DecodePath chosenPath(const std::string& name) {
  return choosePath(std::getenv(variable), availableVectorPaths(), name);
}

bool vectorDecode(DecodePath path, const HwlContents& contents, std::uint8_t* pixels) {
  const BuiltPath* built = builtPath(path);
  return built && built->decode(contents, pixels);
}

std::vector<double> vectorInversePlane(DecodePath path, const HwlContents& contents, int p) {
  if (const BuiltPath* built = builtPath(path); built && pathAvailable(path)) return built->inversePlane(contents, p);
  throw std::invalid_argument(std::string("vectorInversePlane: the ") + pathName(path) + " path is not available");
}

}  // namespace hwl::detail
