// The text form of recipes: reading, writing and the exact round trip to the binary form.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "generator/recipe.h"
#include "tests/generator/layers.h"
#include "tests/support/messages.h"

namespace {

using namespace generator;
using namespace generatortest;

const char* handWritten = R"(# A marble: blue plasma, twisted
layer 0
subPlasma(0, 16, 7, 256, false);   # grey clouds
  sineDistort( 0 , 0 , 0.05 , 4 , 0.05 , 4 )
colorLayer(layer=1, c0=20, c1=40, c2=200);

layer 4
mulLayers(0,1,4,1,1.5);
mandelBrot(4, -2, 3, -1.5, 3, 16);
blobsLayer(4,-3,+2,true)
)";

TEST(TextRecipes, ReadTheCallSyntaxWithCommentsSpacesNamesAndOptionalSemicolons) {
  const Recipe r = parseRecipeText(handWritten, "marble.txt");
  ASSERT_EQ(r.lists[0].count, 3);
  EXPECT_EQ(r.lists[0].opCodes[1], 40);
  EXPECT_EQ(r.lists[0].params[1], params({0, 0, 0.05f, 4, 0.05f, 4}));
  EXPECT_EQ(r.lists[0].params[2], params({1, 20, 40, 200}));
  ASSERT_EQ(r.lists[4].count, 3);
  EXPECT_EQ(r.lists[4].params[1], params({4, -2, -1.5f, 1, 1.5f}));  // stored as window corners
  EXPECT_EQ(r.lists[4].params[2], params({4, -3, 2, 1}));
  for (int layer : {1, 2, 3}) EXPECT_EQ(r.lists[layer].count, 0);
}

TEST(TextRecipes, WriteTheExportersSyntaxUnderLayerLines) {
  const Recipe r = parseRecipeText(handWritten, "marble.txt");
  EXPECT_EQ(recipeText(r),
            "layer 0\n"
            "subPlasma(0,16,7,256,false);\n"
            "sineDistort(0,0,0.05,4,0.05,4);\n"
            "colorLayer(1,20,40,200);\n"
            "\n"
            "layer 4\n"
            "mulLayers(0,1,4,1,1.5);\n"
            "mandelBrot(4,-2,3,-1.5,3,16);\n"
            "blobsLayer(4,-3,2,true);\n");
}

std::string problemOf(const std::string& text) {
  return testsupport::messageOf<RecipeError>([&] { parseRecipeText(text, "r.txt"); }, "accepted");
}

TEST(TextRecipes, MistakesAreReportedWithTheirLine) {
  EXPECT_EQ(problemOf("layer 0\nsubplasma(0,1,2,3,true)"),
            "r.txt:2: unknown operation 'subplasma' (did you mean 'subPlasma'?)");
  EXPECT_EQ(problemOf("layer 0\n\ncolorLayer(0,1,2)"),
            "r.txt:3: colorLayer takes 4 arguments (layer, c0, c1, c2), not 3 arguments");
  EXPECT_EQ(problemOf("layer 0\ncolorLayer(layer=0,c0=1,c2=2,c1=3)"),
            "r.txt:2: argument 3 of colorLayer is c1, not c2");
  EXPECT_EQ(problemOf("layer 0\ncolorLayer(0,1.5,2,3)"), "r.txt:2: c0 of colorLayer must be a whole number, not '1.5'");
  EXPECT_EQ(problemOf("layer 0\nblobsLayer(0,1,2,yes)"),
            "r.txt:2: colour of blobsLayer must be true or false, not 'yes'");
  EXPECT_EQ(problemOf("colorLayer(0,1,2,3)"),
            "r.txt:1: an operation before any 'layer N' line (which list does it belong to?)");
  EXPECT_EQ(problemOf("layer 5"), "r.txt:1: layer 5 does not exist (layers are 0 to 4)");
  EXPECT_EQ(problemOf("layer 1\nlayer 1"), "r.txt:2: layer 1 is already listed at line 1");
  EXPECT_EQ(problemOf("layer 1 2"), "r.txt:1: unexpected '2' after 'layer 1'");
  EXPECT_EQ(problemOf("layer 0\ninvertLayer(0,0); invertLayer(0,0);"),
            "r.txt:2: unexpected 'invertLayer(0,0);' after invertLayer (one operation per line)");
  EXPECT_EQ(problemOf("layer 0\ninvertLayer(0,0"), "r.txt:2: expected ',' or ')' in invertLayer, found ''");
  EXPECT_EQ(problemOf("layer 0\nsubPlasma(0,0,1,256,true)"), "r.txt:2: subPlasma: step is 0, must be at least 1");
  EXPECT_EQ(problemOf("layer 0\ncolorLayer(0,16777217,0,0)"),
            "r.txt:2: c0 of colorLayer is 16777217, which a recipe slot (a float) cannot hold exactly");
  EXPECT_EQ(problemOf("layer 0\ncolorLayer(0,4294967296,0,0)"),
            "r.txt:2: c0 of colorLayer is 4294967296, beyond the 32-bit range");
  EXPECT_EQ(problemOf("layer 0\ntwirlLayer(0,0,1e39,1)"),
            "r.txt:2: angle of twirlLayer is 1e39, beyond what single precision holds");
  EXPECT_EQ(problemOf("layer 0\ntwirlLayer(0,0,inf,1)"),
            "r.txt:2: angle of twirlLayer is inf, beyond what single precision holds");
  EXPECT_EQ(problemOf("layer 0\ntwirlLayer(0,0,0x10,1)"), "r.txt:2: angle of twirlLayer must be a number, not '0x10'");
  EXPECT_EQ(problemOf("layer 0\nmandelBrot(0,-2,3,-1.5,3,4)"),
            "r.txt:2: the last argument of mandelBrot is its escape radius, always 16");
  EXPECT_EQ(problemOf("layer 0\n(1)"), "r.txt:2: expected an operation or 'layer N', found '(1)'");
  std::string full = "layer 3\n";
  for (int i = 0; i < 101; ++i) full += "invertLayer(3,3)\n";
  EXPECT_EQ(problemOf(full), "r.txt:102: layer 3 already holds 100 operations");
}

TEST(TextRecipes, ContentTellsBinaryFromText) {
  const Recipe r = parseRecipeText(handWritten, "marble.txt");
  EXPECT_EQ(readRecipe(encodeRecipe(r), "b"), r);
  EXPECT_EQ(readRecipe(handWritten, "t"), r);
  EXPECT_FALSE(isBinaryRecipe(std::string(22020, 'x')));
  EXPECT_EQ(readRecipe("", "empty"), Recipe{});
  // A byte-order mark, as some editors write, is not part of the text; a mark inside it is.
  const std::string mark(byteOrderMark);
  EXPECT_EQ(readRecipe(mark + handWritten, "t"), r);
  EXPECT_EQ(problemOf(mark + "layer 0\nsubplasma(0,1,2,3,true)"),
            "r.txt:2: unknown operation 'subplasma' (did you mean 'subPlasma'?)");
  EXPECT_NE(problemOf("layer 0\n" + mark + "invertLayer(0,0)"), "accepted");
}

// A valid slot value for each parameter kind, with the awkward values mixed in.
float randomSlot(const Parameter& p, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  switch (p.kind) {
    case ParamKind::layer:
      return static_cast<float>(random() % 5);
    case ParamKind::boolean:
      return random() % 2 ? 1.0f : 0.0f;
    case ParamKind::integer: {
      const double lo = std::max(p.min, -2147483648.0), hi = std::min(p.max, 2147483520.0);  // exact floats
      const double v = std::trunc(lo + unit(random) * (hi - lo));
      return static_cast<float>(random() % 4 == 0 ? std::clamp(std::trunc(unit(random) * 40 - 20), lo, hi) : v);
    }
    case ParamKind::real: {
      const float specials[] = {0.1f, -0.0f, 1e-45f, 3.4028235e38f, -1.5f, 0.3f, 1e-7f, 123456.789f};
      float v = random() % 3 == 0 ? specials[random() % 8]
                                  : std::bit_cast<float>(static_cast<std::uint32_t>(random()) & 0xBFFFFFFFu);
      if (!std::isfinite(v)) v = 2.5f;
      return static_cast<float>(std::clamp(static_cast<double>(v), p.min, p.max));
    }
  }
  return 0;
}

Recipe randomRecipe(std::mt19937& random) {
  Recipe r;
  const auto table = operationTable();
  for (OperationList& list : r.lists) {
    list.count = static_cast<int>(random() % 12);
    for (int i = 0; i < maxOperations; ++i) {  // stale entries beyond the count too
      const OperationInfo& op = table[random() % table.size()];
      list.opCodes[i] = random() % 10 == 0 ? 27 : op.code;  // now and then a code without an operation
      for (int s = 0; s < paramSlots; ++s) {
        list.params[i][s] = s < op.paramCount ? randomSlot(op.params[s], random) : static_cast<float>(random() % 3);
      }
      if (random() % 4 == 0) list.params[i][0] += 0.5f;  // a fraction on an integer slot
    }
  }
  return r;
}

TEST(TextRecipes, RoundTripToTheSameBytesAsTheCanonicalBinary) {
  std::mt19937 random(2024);
  for (int n = 0; n < 300; ++n) {
    const Recipe r = randomRecipe(random);
    checkRecipe(r, "random");
    const std::string text = recipeText(r);
    const Recipe back = parseRecipeText(text, "round trip");
    const Recipe plain = canonicalRecipe(r);
    for (int layer = 0; layer < layerCount; ++layer) {
      for (int i = 0; i < maxOperations; ++i) {
        const Params& a = back.lists[layer].params[i];
        const Params& b = plain.lists[layer].params[i];
        for (int s = 0; s < paramSlots; ++s) {
          ASSERT_EQ(std::bit_cast<std::uint32_t>(a[s]), std::bit_cast<std::uint32_t>(b[s]))
              << "layer " << layer << " operation " << i << " slot " << s << ": " << a[s] << " != " << b[s] << "\n"
              << text;
        }
      }
    }
    ASSERT_TRUE(encodeRecipe(back) == encodeRecipe(plain));
    ASSERT_EQ(recipeText(back), text);
  }
}

TEST(TextRecipes, TheCanonicalFormDrawsTheSamePicture) {
  std::mt19937 random(7);
  for (int n = 0; n < 20; ++n) {
    Recipe r = randomRecipe(random);
    for (OperationList& list : r.lists) {  // keep the picture quick to draw
      for (int i = 0; i < list.count; ++i) {
        if (list.opCodes[i] == 12) list.opCodes[i] = 10;
      }
    }
    ASSERT_EQ(renderRecipe(r, 16, 16), renderRecipe(canonicalRecipe(r), 16, 16));
  }
}

TEST(TextRecipes, MandelBrotWindowsComeBackExactly) {
  const float corners[][4] = {{0.1f, 0.2f, 0.3f, 0.7f},
                              {-2, -1.5f, 1, 1.5f},
                              {-1e10f, 1e-9f, 1, 3},
                              {0.33333334f, -0.7f, 0.33333337f, -0.69999999f},
                              {5, 5, 5, 5},
                              {-5.040285e-20f, 1e-45f, -2.6128551e-36f, 1e-7f}};  // no width in double
  for (const auto& c : corners) {
    Recipe r;
    r.lists[1].count = 1;
    r.lists[1].opCodes[0] = 7;
    r.lists[1].params[0] = params({1, c[0], c[1], c[2], c[3]});
    const std::string text = recipeText(r);
    EXPECT_TRUE(encodeRecipe(parseRecipeText(text, "m")) == encodeRecipe(r)) << text;
  }
}

TEST(TextRecipes, MandelBrotMayAlsoBeGivenByTheCornersOfItsWindow) {
  const Recipe r = parseRecipeText("layer 1\nmandelBrot(1, x0=-2, y0=-1.5, x1=1, y1=1.5)\n", "m");
  EXPECT_EQ(r.lists[1].params[0], params({1, -2, -1.5f, 1, 1.5f}));
  EXPECT_EQ(recipeText(r), "layer 1\nmandelBrot(1,-2,3,-1.5,3,16);\n");
  EXPECT_EQ(problemOf("layer 0\nmandelBrot(0,1,2)"),
            "r.txt:2: mandelBrot takes 6 arguments (layer, x0, width, y0, height, escape) or 5 arguments (layer, x0, "
            "y0, x1, y1), not 3 arguments");
}

}  // namespace
