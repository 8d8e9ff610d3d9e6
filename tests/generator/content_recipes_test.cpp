// The demo's own recipes (content/pictures), pinned: every one rendered at 512 x 512, its layer 4 hashed.
// The generator pinned test covers each operation on its own; this one covers the sequences and
// parameters the demo's pictures really use, so every processor and system must draw the same bytes.
// A deliberate change of a recipe or an operation updates its line here.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "generator/recipe.h"
#include "tests/generator/layers.h"

namespace {

const std::map<std::string, std::uint64_t> pinned = {
    {"background1", 0xec0db1df9113c771ull},  {"background2", 0xd4f10f040e0bbf48ull},
    {"background3", 0x3ea0925a974834edull},  {"background4", 0x46c081d4cce25609ull},
    {"background99", 0xd278f4444643afbeull}, {"butterfly", 0xb10d07de0630041eull},
    {"circle1", 0x67d982739cc158c9ull},      {"cloud", 0xcfd708bdadb30f99ull},
    {"fivebox1", 0xf42e74a660c6c377ull},     {"fivebox2", 0x56ddacb878fa4917ull},
    {"fivebox3", 0x58f43ef1420b9150ull},     {"flare", 0x17e7665bbd5ff7aeull},
    {"flare_big", 0x9703a3522672e6acull},    {"glare", 0x20dcf9e863e3307bull},
    {"loading", 0xfb0ba3969fa94817ull},      {"text0", 0x946c91dd9958f60eull},
};

TEST(ContentRecipes, EveryRecipeOfTheDemoGivesItsPinnedPixels) {
  const std::string folder = std::string(VELMORROW_SOURCE_DIR) + "/content/pictures/";
  std::string report;
  for (const auto& [name, hash] : pinned) {
    generator::Generator g = generatortest::makeGenerator(512, 512);
    generator::runRecipe(g, generator::readRecipeFile(folder + name + ".txt"));
    const std::uint64_t now = generatortest::hashBytes(g.buffers[4]);
    char line[80];
    std::snprintf(line, sizeof line, "    {\"%s\", 0x%016llxull},\n", name.c_str(),
                  static_cast<unsigned long long>(now));
    report += line;
    EXPECT_EQ(now, hash) << name;
  }
  if (::testing::Test::HasFailure()) std::printf("The hashes now:\n%s", report.c_str());
}

}  // namespace
