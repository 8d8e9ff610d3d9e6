// The editor's entry points: appending, replacing and undoing operations, and their checks.

#include <gtest/gtest.h>

#include "generator/operations.h"
#include "tests/generator/layers.h"

namespace {

using namespace generator;
using namespace generatortest;

const Params blackLayer2 = params({2, 0, 0, 0});   // colorLayer(2,0,0,0)
const Params plasma2 = params({2, 4, 7, 256, 1});  // subPlasma(2,4,7,256,true)
const Params invert2 = params({2, 2});             // invertLayer(2,2)
const Params blur2 = params({2, 2});               // blurLayer(2,2)

TEST(Sizes, OnlyPowersOfTwoUpTo8192AreAccepted) {
  Generator g;
  for (auto [w, h] : {std::pair{3, 4}, {0, 4}, {4, -4}, {16384, 2}, {6, 6}}) {
    EXPECT_THROW(initGenerator(g, w, h), RecipeError) << w << "x" << h;
  }
  EXPECT_TRUE(g.buffers[0].empty()) << "a rejected size allocates nothing";
  initGenerator(g, 1, 8192);
  EXPECT_EQ(g.buffers[5].size(), 8192u * 3);
  EXPECT_EQ(g.heightMask, 8191);
}

TEST(Lists, AppendingRunsAndASourceRestartsTheList) {
  Generator g = makeGenerator(16, 16);
  addOperation(g, 2, true, 0, plasma2, -1);
  for (int i = 0; i < 9; ++i) addOperation(g, 2, true, 33, blur2, -1);
  EXPECT_EQ(g.lists[2].count, 10);
  EXPECT_EQ(g.listCounts[2], 10);
  addOperation(g, 2, true, 4, params({2, 9, 9, 9}), -1);  // colorLayer: a source
  EXPECT_EQ(g.lists[2].count, 1);
  EXPECT_EQ(g.listCounts[2], 1);
  EXPECT_EQ(g.lists[2].opCodes[0], 4);
  EXPECT_EQ(pixel(g, 2, 5, 5), (Rgb{9, 9, 9}));
}

TEST(Lists, ReplacingStoresWithoutRunning) {
  Generator g = makeGenerator(8, 8);
  addOperation(g, 1, true, 4, params({1, 10, 20, 30}), -1);
  addOperation(g, 1, false, 30, params({1, 1}), 0);  // index 0: replace
  replaceOperation(g, 1, 1, 30, params({1, 1}));
  EXPECT_EQ(g.lists[1].count, 1);
  EXPECT_EQ(g.lists[1].opCodes[0], 30);
  EXPECT_EQ(g.lists[1].opCodes[1], 30);
  EXPECT_EQ(pixel(g, 1, 0, 0), (Rgb{10, 20, 30})) << "nothing ran";
}

TEST(Lists, BadOperationsAreRejectedBeforeAnythingChanges) {
  Generator g = makeGenerator(8, 8);
  addOperation(g, 0, true, 4, params({0, 1, 2, 3}), -1);
  const OperationList before = g.lists[0];
  EXPECT_THROW(addOperation(g, 5, true, 4, params({0, 1, 2, 3}), -1), RecipeError);       // no layer 5
  EXPECT_THROW(addOperation(g, 0, true, 0, params({0, 0, 1, 256, 0}), -1), RecipeError);  // step 0
  EXPECT_THROW(addOperation(g, 0, true, 10, params({0, 1, 5, 1, 1}), -1), RecipeError);   // dst 5
  EXPECT_THROW(addOperation(g, 0, true, 4, params({0, 1, 2, 3}), 100), RecipeError);      // index 100
  EXPECT_THROW(replaceOperation(g, 0, -1, 4, params({0, 1, 2, 3})), RecipeError);
  EXPECT_EQ(g.lists[0], before);
  EXPECT_EQ(pixel(g, 0, 3, 3), (Rgb{1, 2, 3}));
}

TEST(Lists, AHundredOperationsFillAList) {
  Generator g = makeGenerator(4, 4);
  addOperation(g, 3, false, 4, params({3, 0, 0, 0}), -1);
  for (int i = 1; i < 100; ++i) addOperation(g, 3, false, 30, params({3, 3}), -1);
  try {
    addOperation(g, 3, false, 30, params({3, 3}), -1);
    FAIL() << "a 101st operation was accepted";
  } catch (const RecipeError& e) {
    EXPECT_NE(std::string(e.what()).find("100 operations"), std::string::npos) << e.what();
  }
  EXPECT_EQ(g.lists[3].count, 100);
}

TEST(Undo, DownToNothingWithReplayGivesBlack) {
  Generator g = makeGenerator(8, 8);
  addOperation(g, 2, true, 0, plasma2, -1);
  undoOperation(g, 2, true);
  EXPECT_EQ(g.lists[2].count, 0);
  EXPECT_EQ(g.listCounts[2], 0);
  for (std::uint8_t byte : g.buffers[2]) ASSERT_EQ(byte, 0);
  undoOperation(g, 2, true);  // nothing left to undo: still black, count stays 0
  EXPECT_EQ(g.lists[2].count, 0);
}

TEST(Undo, ReplayRebuildsOnlyThatLayerFromItsRemainingOperations) {
  Generator g = makeGenerator(16, 16);
  addOperation(g, 1, true, 4, params({1, 1, 2, 3}), -1);
  addOperation(g, 2, true, 0, plasma2, -1);
  const std::vector<std::uint8_t> plasmaOnly = g.buffers[2];
  addOperation(g, 2, true, 30, invert2, -1);
  addOperation(g, 2, true, 33, blur2, -1);
  const std::vector<std::uint8_t> layer1 = g.buffers[1];
  undoOperation(g, 2, false);  // without replay the pixels stay
  EXPECT_EQ(g.lists[2].count, 2);
  undoOperation(g, 2, true);
  EXPECT_EQ(g.lists[2].count, 1);
  EXPECT_EQ(g.buffers[2], plasmaOnly);  // the plasma reseeds, so replay redraws it exactly
  EXPECT_EQ(g.buffers[1], layer1);
}

TEST(Dispatcher, CodesWithoutAnOperationDoNothingAndOperationsNeedLayers) {
  Generator g = makeGenerator(4, 4);
  fillNoise(g, 0, 1);
  const std::vector<std::uint8_t> before = g.buffers[0];
  for (int code : {-1, 9, 18, 19, 27, 28, 29, 52, 1000}) runOperation(g, code, params({0, 0, 0, 0}));
  EXPECT_EQ(g.buffers[0], before);
  Generator empty;
  EXPECT_THROW(runOperation(empty, 30, params({0, 0})), RecipeError);
  EXPECT_THROW(undoOperation(empty, 0, true), RecipeError);
  doneGenerator(g);
  EXPECT_TRUE(g.buffers[5].empty());
  EXPECT_THROW(runOperation(g, 30, params({0, 0})), RecipeError);
}

TEST(Dispatcher, ReadsIntegersTruncatedAndBooleansOnlyAtOne) {
  Generator a = makeGenerator(8, 8);
  Generator b = makeGenerator(8, 8);
  runOperation(a, 4, params({1.9f, 300.7f, -1.5f, 12.2f}));  // colorLayer(1, 300, -1, 12)
  EXPECT_EQ(pixel(a, 1, 0, 0), (Rgb{44, 255, 12}));
  runOperation(a, 0, params({0, 2, 5, 256, 0.999f}));  // colour slot 0.999: not true
  runOperation(b, 0, params({0, 2, 5, 256, 0}));
  EXPECT_TRUE(sameLayers(a, 0, b, 0));
}

TEST(GlobalGenerator, TheEntryPointsWithoutAGeneratorShareOneInstance) {
  initGenerator(8, 8);
  addOperation(0, true, 4, params({0, 7, 8, 9}), -1);
  addOperation(0, true, 30, params({0, 0}), -1);
  EXPECT_EQ(pixel(globalGenerator(), 0, 1, 1), (Rgb{248, 247, 246}));
  undoOperation(0, true);
  EXPECT_EQ(pixel(globalGenerator(), 0, 1, 1), (Rgb{7, 8, 9}));
  runOperation(30, params({0, 1}));
  replaceOperation(0, 0, 4, params({0, 1, 1, 1}));
  EXPECT_EQ(globalGenerator().lists[0].opCodes[0], 4);
  EXPECT_EQ(pixel(globalGenerator(), 1, 0, 0), (Rgb{248, 247, 246}));
  doneGenerator();
  EXPECT_TRUE(globalGenerator().buffers[0].empty());
}

}  // namespace
