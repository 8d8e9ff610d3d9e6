// libFuzzer target for the recipe readers and the operations behind them. The first byte picks how
// the rest is used:
//   0: as a recipe file (binary or text, told apart by content);
//   1: as the start of a binary recipe, padded with zeros to 22,020 bytes;
//   2: as a plan for a recipe of small, mostly valid operations, drawn at a size it also picks;
//   3: the whole input, first byte included, as a recipe file (so text seeds starting with '#' work).
// Every recipe that is accepted is drawn, and its text must read back to its canonical bytes.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "generator/operation_table.h"
#include "generator/recipe.h"

namespace {

using namespace generator;

// Reads bytes one at a time, 0 past the end.
struct Bytes {
  std::string_view data;
  std::size_t at = 0;
  std::uint8_t next() { return at < data.size() ? static_cast<std::uint8_t>(data[at++]) : 0; }
};

float plannedSlot(const Parameter& p, Bytes& in) {
  const std::uint8_t b = in.next();
  switch (p.kind) {
    case ParamKind::layer:
      return static_cast<float>(b % 6);  // 5 now and then: must be refused
    case ParamKind::boolean:
      return b % 2 ? 1.0f : 0.0f;
    case ParamKind::integer:
      return static_cast<float>(static_cast<std::int8_t>(b));
    case ParamKind::real:
      return static_cast<float>(static_cast<std::int16_t>(b << 8 | in.next())) / 256.0f;
  }
  return 0;
}

Recipe plannedRecipe(Bytes& in) {
  Recipe r;
  const auto table = operationTable();
  for (OperationList& list : r.lists) {
    list.count = in.next() % 5;
    for (int i = 0; i < list.count; ++i) {
      const OperationInfo& op = table[in.next() % table.size()];
      list.opCodes[i] = op.code;
      for (int s = 0; s < op.paramCount; ++s) list.params[i][s] = plannedSlot(op.params[s], in);
    }
  }
  return r;
}

void exercise(const Recipe& recipe, int width, int height) {
  const std::string text = recipeText(recipe);
  if (encodeRecipe(parseRecipeText(text, "text")) != encodeRecipe(canonicalRecipe(recipe))) std::abort();
  renderRecipe(recipe, width, height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::string_view rest = all.substr(1);
  try {
    switch (data[0] % 4) {
      case 0:
        exercise(readRecipe(rest, "fuzz"), 8, 8);
        break;
      case 1: {
        std::string bytes(rest.substr(0, recipeBytes));
        bytes.resize(recipeBytes, '\0');
        exercise(decodeRecipe(bytes, "fuzz"), 8, 8);
        break;
      }
      case 2: {
        Bytes in{rest};
        const int width = 1 << (in.next() % 6);
        const int height = 1 << (in.next() % 6);
        const Recipe recipe = plannedRecipe(in);
        checkRecipe(recipe, "plan");
        exercise(recipe, width, height);
        break;
      }
      default:
        exercise(readRecipe(all, "fuzz"), 8, 8);
        break;
    }
  } catch (const RecipeError&) {}
  return 0;
}
