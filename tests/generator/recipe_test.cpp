// Binary recipes, their checks, loadRecipe and the exporter.

#include "generator/recipe.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

std::filesystem::path tempFile(const std::string& name, const std::string& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("velmorrow-generator-" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

Recipe sampleRecipe() {
  Recipe r;
  r.lists[0].count = 2;
  r.lists[0].opCodes[0] = 0;
  r.lists[0].params[0] = params({0, 8, 3, 256, 1});
  r.lists[0].opCodes[1] = 41;
  r.lists[0].params[1] = params({0, 0, 1.5f, 0.75f});
  r.lists[4].count = 2;
  r.lists[4].opCodes[0] = 6;
  r.lists[4].params[0] = params({4, 9, 5, 0});
  r.lists[4].opCodes[1] = 10;
  r.lists[4].params[1] = params({0, 4, 4, 0.5f, 0.5f});
  return r;
}

std::uint32_t wordAt(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t{static_cast<std::uint8_t>(bytes[at + i])} << (8 * i);
  return v;
}

TEST(BinaryRecipes, AreFiveListsOfCountCodesAndParametersLittleEndian) {
  const std::string bytes = encodeRecipe(sampleRecipe());
  ASSERT_EQ(bytes.size(), 22020u);
  EXPECT_EQ(wordAt(bytes, 0), 2u);                                             // layer 0 count
  EXPECT_EQ(wordAt(bytes, 4 + 4), 41u);                                        // its second code
  EXPECT_EQ(wordAt(bytes, 404 + 40 + 8), std::bit_cast<std::uint32_t>(1.5f));  // its second block, slot 2
  EXPECT_EQ(wordAt(bytes, 4 * 4404), 2u);                                      // layer 4 count
  EXPECT_EQ(wordAt(bytes, 4 * 4404 + 4), 6u);
  EXPECT_EQ(encodeRecipe(decodeRecipe(bytes, "sample")), bytes);
  EXPECT_TRUE(isBinaryRecipe(bytes));
  EXPECT_EQ(readRecipe(bytes, "sample"), sampleRecipe());
}

std::string problemOf(const std::string& bytes) {
  try {
    decodeRecipe(bytes, "bad.recipe");
  } catch (const RecipeError& e) {
    EXPECT_EQ(e.source(), "bad.recipe");
    return e.problem();
  }
  return "accepted";
}

void putWord(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(BinaryRecipes, WhatTheLoaderCannotTrustIsRejectedWithTheReason) {
  const std::string good = encodeRecipe(sampleRecipe());
  EXPECT_EQ(problemOf(good.substr(0, 22019)), "is 22019 bytes; a binary recipe is exactly 22020 bytes");
  EXPECT_EQ(problemOf(good + "x"), "is 22021 bytes; a binary recipe is exactly 22020 bytes");
  const auto with = [&](std::size_t at, std::uint32_t v) {
    std::string bytes = good;
    putWord(bytes, at, v);
    return problemOf(bytes);
  };
  const auto slot = [](int layer, int op, int i) { return layer * 4404 + 404 + op * 40 + i * 4; };
  EXPECT_EQ(with(4404, 101), "layer 1: the list count is 101, must be 0 to 100");
  EXPECT_EQ(with(0, 0xFFFFFFFF), "layer 0: the list count is -1, must be 0 to 100");
  EXPECT_EQ(with(slot(4, 1, 2), std::bit_cast<std::uint32_t>(5.0f)),
            "layer 4, operation 2 (addLayers): dst is 5, must be a layer 0 to 4");
  EXPECT_EQ(with(slot(0, 0, 1), 0), "layer 0, operation 1 (subPlasma): step is 0, must be at least 1");
  EXPECT_EQ(with(slot(4, 0, 2), std::bit_cast<std::uint32_t>(17.0f)),
            "layer 4, operation 1 (blobsLayer): count is 17, must be 0 to 16");
  EXPECT_EQ(with(slot(0, 1, 2), std::bit_cast<std::uint32_t>(std::nanf(""))),
            "layer 0, operation 2 (twirlLayer): angle is nan, not a finite number");
  EXPECT_EQ(with(slot(0, 0, 2), std::bit_cast<std::uint32_t>(3e9f)),
            "layer 0, operation 1 (subPlasma): seed holds 3000000000, not a 32-bit integer");
  // Beyond a list's count anything goes, and codes without an operation are kept.
  EXPECT_EQ(with(slot(0, 5, 0), std::bit_cast<std::uint32_t>(std::nanf(""))), "accepted");
  EXPECT_EQ(with(4 + 4, 9), "accepted");
}

TEST(BinaryRecipes, SenselessParametersOfEveryKindAreRejected) {
  struct Case {
    int code;
    Params slots;
    const char* problem;
  };
  const Case cases[] = {
      {44, params({0, 1, 3, 17}), "strength is 17, must be 0 to 16"},
      {37, params({0, 1, -1}), "radius is -1, must be 0 to 65535"},
      {0, params({0, -4, 1, 256, 0}), "step is -4, must be at least 1"},
      {2, params({0, 0, 1, 256, 128, 4, 0}), "step is 0, must be at least 1"},
      {5, params({0, 0, 8, 1, 1, 1, 2, 2, 2}), "cellWidth is 0, must be at least 1"},
      {32, params({0, 1, 9}), "bits is 9, must be 0 to 8"},
      {46, params({0, 1, 5}), "mode is 5, must be 1 to 4"},
      {12, params({0, 1, 2, 0.5f, 17}), "f2 is 17, must be at most 16"},
      {42, params({0, 7, 1, 1, 1}), "map is 7, must be a layer 0 to 4"},
      {1, params({0, INFINITY, 1, 1}), "fx is inf, not a finite number"},
  };
  for (const Case& c : cases) {
    Recipe r;
    r.lists[2].count = 1;
    r.lists[2].opCodes[0] = c.code;
    r.lists[2].params[0] = c.slots;
    try {
      checkRecipe(r, "x");
      ADD_FAILURE() << "accepted code " << c.code;
    } catch (const RecipeError& e) {
      EXPECT_NE(e.problem().find(c.problem), std::string::npos) << e.problem();
    }
  }
}

TEST(LoadRecipe, ReplaysLayer4IntoPixelsWithTheChannelsReversed) {
  const auto file = tempFile("load.recipe", encodeRecipe(sampleRecipe()));
  std::vector<std::uint32_t> image;
  loadRecipe(image, file.string(), 32, 16, true);
  ASSERT_EQ(image.size(), 32u * 16);
  const std::vector<std::uint8_t> rgb = renderRecipe(sampleRecipe(), 32, 16);
  for (std::size_t i = 0; i < image.size(); ++i) {
    ASSERT_EQ(image[i], (std::uint32_t{rgb[3 * i]} << 16) | (std::uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2]);
  }
  std::vector<std::uint32_t> again(32 * 16, 0xDEADBEEF);
  loadRecipe(again, file.string(), 32, 16, false);  // a second replay gives the same pixels
  EXPECT_EQ(again, image);
  EXPECT_TRUE(globalGenerator().buffers[0].empty()) << "the generator is released afterwards";
  std::vector<std::uint32_t> small(10);
  EXPECT_THROW(loadRecipe(small, file.string(), 32, 16, false), RecipeError);
  EXPECT_THROW(loadRecipe(image, file.string(), 30, 16, true), RecipeError);
  std::filesystem::remove(file);
}

TEST(LoadRecipe, AMissingOrShortFileIsAnErrorNamingIt) {
  std::vector<std::uint32_t> image;
  try {
    loadRecipe(image, "/nonexistent/none.recipe", 8, 8, true);
    FAIL();
  } catch (const RecipeError& e) {
    EXPECT_EQ(e.source(), "/nonexistent/none.recipe");
    EXPECT_NE(e.problem().find("cannot be read"), std::string::npos);
  }
  const auto file = tempFile("short.recipe", encodeRecipe(sampleRecipe()).substr(0, 5000));
  try {
    loadRecipe(image, file.string(), 8, 8, true);
    FAIL();
  } catch (const RecipeError& e) {
    EXPECT_EQ(e.problem(), "holds binary data but is 5000 bytes; a binary recipe is exactly 22020 bytes");
  }
  std::filesystem::remove(file);
  // An empty file is a failed download or write far more often than a recipe that draws nothing.
  const auto empty = tempFile("empty.recipe", "");
  try {
    loadRecipe(image, empty.string(), 8, 8, true);
    FAIL() << "an empty file was read";
  } catch (const RecipeError& e) {
    EXPECT_EQ(e.what(), empty.string() + ": is empty");
  }
  std::filesystem::remove(empty);
}

TEST(Replay, RecipesGiveThePixelsOfTheirOperationsAppliedOneByOne) {
  const Recipe r = sampleRecipe();
  Generator byHand = makeGenerator(32, 32);
  for (int layer = 0; layer < 5; ++layer) {
    for (int i = 0; i < r.lists[layer].count; ++i) {
      addOperation(byHand, layer, true, r.lists[layer].opCodes[i], r.lists[layer].params[i], -1);
    }
  }
  EXPECT_EQ(renderRecipe(r, 32, 32), byHand.buffers[4]);
  EXPECT_EQ(renderRecipe(r, 32, 32, 0), byHand.buffers[0]);
  EXPECT_THROW(renderRecipe(r, 32, 32, 5), RecipeError);
}

TEST(Export, PrintsCallSyntaxFromTheTable) {
  EXPECT_EQ(exportOperation(6, params({4, 9, 5, 1})), "blobsLayer(4,9,5,true);");
  EXPECT_EQ(exportOperation(6, params({4, 9, 5, 0.5f})), "blobsLayer(4,9,5,false);");
  EXPECT_EQ(exportOperation(9, params({1, 2, 3})), " ");
  EXPECT_EQ(exportOperation(-3, params({})), " ");
  EXPECT_EQ(exportOperation(33, params({1.9f, 2})), "blurLayer(1,2);");
  EXPECT_EQ(exportOperation(41, params({0, 1, 0.1f, 1e20f})),
            "twirlLayer(0,1,0.100000001490116,1.00000002004088e+20);");
  EXPECT_EQ(exportOperation(7, params({3, -2, -1.5f, 1, 1.5f})), "mandelBrot(3,-2,3,-1.5,3,16);");
  EXPECT_EQ(exportOperation(22, params({0, 1, -7, 300, 0})), "adjustLayerRGB(0,1,-7,300,0);");
}

TEST(Export, EveryOperationPrintsItsNameAndOneItemPerParameter) {
  for (const OperationInfo& op : operationTable()) {
    const std::string text = exportOperation(op.code, Params{});
    EXPECT_EQ(text.rfind(std::string(op.name) + "(", 0), 0u) << text;
    EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), ',')), op.argumentCount() - 1) << text;
    EXPECT_EQ(text.substr(text.size() - 2), ");");
  }
}

}  // namespace
