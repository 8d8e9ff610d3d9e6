// Every operation's pixels, pinned: a hash of its output at 64 x 64 from fixed inputs, so that work on
// speed (or anything else) cannot change a picture unnoticed. A deliberate change of an operation's
// result updates its line here, and says why in the commit.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "generator/recipe.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

const char* inputs =
    "layer 0\nsubPlasma(0,8,1,256,true);\n"
    "layer 1\nblobsLayer(1,2,8,true);\n"
    "layer 2\nsinePlasma(2,0.2,0.3,256);\n"
    "layer 3\nsubPlasma(3,1,4,256,true);\n";

// One call per operation, reading layers 0 to 3 and writing layer 4, and the hash of layer 4 after it.
const std::map<std::string, std::pair<std::string, std::uint64_t>> pinned = {
#include "tests/generator/pinned_hashes.inc"
};

TEST(Pinned, EveryOperationGivesItsPinnedPixels) {
  Generator base = makeGenerator(64, 64);
  runRecipe(base, parseRecipeText(inputs, "inputs"));
  std::string report;
  for (const OperationInfo& op : operationTable()) {
    const auto entry = pinned.find(std::string(op.name));
    ASSERT_NE(entry, pinned.end()) << "no pinned call for " << op.name;
    Generator g = base;
    const Recipe call = parseRecipeText("layer 4\n" + entry->second.first, "call");
    runOperation(g, call.lists[4].opCodes[0], call.lists[4].params[0]);
    const std::uint64_t hash = hashBytes(g.buffers[4]);
    char line[160];
    std::snprintf(line, sizeof line, "    {\"%s\", {\"%s\", 0x%016llxull}},\n", std::string(op.name).c_str(),
                  entry->second.first.c_str(), static_cast<unsigned long long>(hash));
    report += line;
    EXPECT_EQ(hash, entry->second.second) << op.name;
  }
  if (HasFailure()) std::printf("The hashes now:\n%s", report.c_str());
}

}  // namespace
