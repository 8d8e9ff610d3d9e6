// scripts/deps: the one list of Debian packages, each tagged with the purposes that need it. A viewer
// who runs scripts/demo gets what building and playing the demo needs, and nothing for the tests, the
// Windows build or the browser.

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

namespace {

const std::vector<std::string> purposes = {"demo", "video", "pictures", "test", "windows", "web", "bench"};

std::vector<std::string> packagesFor(std::vector<std::string> wanted) {
  std::vector<std::string> argv = {(testsupport::sourceDir() / "scripts" / "deps").string(), "--list"};
  argv.insert(argv.end(), wanted.begin(), wanted.end());
  const testsupport::ProcessResult result = testsupport::run(argv);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> packages;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    packages.push_back(line);
  }
  std::sort(packages.begin(), packages.end());
  return packages;
}

TEST(Deps, TheDemoGetsNoCrossCompilerEmulatorTestToolOrForeignArchitecture) {
  const std::vector<std::string> demo = packagesFor({"demo"});
  ASSERT_GE(demo.size(), 10u);
  // i386 packages (which add an architecture), cross compilers, Wine, emscripten, emulators, and what
  // only the tests, the benchmarks or a video use.
  const std::regex foreign(
      ":i386$|mingw|aarch64|wine|emscripten|nodejs|qemu|nsis|clang|gtest|gmock|googletest|benchmark|xvfb|xdotool|"
      "xserver|ffmpeg|mpfr|turbojpeg");
  for (const std::string& package : demo) {
    EXPECT_FALSE(std::regex_search(package, foreign)) << package << " is not needed to build and play the demo";
  }
}

TEST(Deps, OnlyTheWindowsBuildAddsTheI386ArchitectureAndNoPurposeMeansEveryOne) {
  for (const std::string& purpose : purposes) {
    const std::vector<std::string> packages = packagesFor({purpose});
    EXPECT_FALSE(packages.empty()) << purpose;
    const bool i386 =
        std::any_of(packages.begin(), packages.end(), [](const std::string& p) { return p.ends_with(":i386"); });
    EXPECT_EQ(i386, purpose == "windows") << purpose;
  }
  EXPECT_EQ(packagesFor({}), packagesFor(purposes));
}

}  // namespace
