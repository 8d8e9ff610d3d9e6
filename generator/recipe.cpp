#include "generator/recipe.h"

#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "generator/operations.h"

namespace generator {

namespace {

constexpr std::size_t maxRecipeFileBytes = 4 << 20;  // far above any real recipe, text included

void putInt32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t getInt32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<std::uint8_t>(bytes[at + i])} << (8 * i);
  return value;
}

std::string formatReal(double value, RealFormat format) {
  char text[64];
  std::to_chars_result end{};
  const auto single = static_cast<float>(value);
  if (format == RealFormat::fifteenDigits) {
    end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  } else if (format == RealFormat::shortest && static_cast<double>(single) == value) {
    end = std::to_chars(text, text + sizeof text, single);
  } else {
    end = std::to_chars(text, text + sizeof text, value);
  }
  return std::string(text, end.ptr);
}

}  // namespace

std::string formatCall(const OperationInfo& op, const Params& params, RealFormat format, Form form) {
  const CallArguments values = callArguments(op, params, form);
  std::string text(op.name);
  text += '(';
  for (int i = 0; i < op.argumentCount(form); ++i) {
    if (i > 0) text += ',';
    switch (op.argument(i, form).kind) {
      case ParamKind::layer:
      case ParamKind::integer:
        text += std::to_string(static_cast<std::int64_t>(values[i]));
        break;
      case ParamKind::boolean:
        text += values[i] != 0 ? "true" : "false";
        break;
      case ParamKind::real:
        text += formatReal(values[i], format);
        break;
    }
  }
  text += ");";
  return text;
}

std::string encodeRecipe(const Recipe& recipe) {
  std::string bytes;
  bytes.reserve(recipeBytes);
  for (const OperationList& list : recipe.lists) {
    putInt32(bytes, static_cast<std::uint32_t>(list.count));
    for (std::int32_t code : list.opCodes) putInt32(bytes, static_cast<std::uint32_t>(code));
    for (const Params& block : list.params) {
      for (float slot : block) putInt32(bytes, std::bit_cast<std::uint32_t>(slot));
    }
  }
  return bytes;
}

Recipe decodeRecipe(std::string_view bytes, const std::string& source) {
  if (bytes.size() != recipeBytes) {
    throw RecipeError(source, "is " + std::to_string(bytes.size()) + " bytes; a binary recipe is exactly 22020 bytes");
  }
  Recipe recipe;
  std::size_t at = 0;
  for (OperationList& list : recipe.lists) {
    list.count = static_cast<std::int32_t>(getInt32(bytes, at));
    at += 4;
    for (std::int32_t& code : list.opCodes) {
      code = static_cast<std::int32_t>(getInt32(bytes, at));
      at += 4;
    }
    for (Params& block : list.params) {
      for (float& slot : block) {
        slot = std::bit_cast<float>(getInt32(bytes, at));
        at += 4;
      }
    }
  }
  checkRecipe(recipe, source);
  return recipe;
}

bool isBinaryRecipe(std::string_view content) {
  return content.size() == recipeBytes && content.find('\0') != std::string_view::npos;
}

Recipe readRecipe(std::string_view content, const std::string& source) {
  if (isBinaryRecipe(content)) return decodeRecipe(content, source);
  if (content.find('\0') != std::string_view::npos) {
    throw RecipeError(source, "holds binary data but is " + std::to_string(content.size()) +
                                  " bytes; a binary recipe is exactly 22020 bytes");
  }
  return parseRecipeText(content, source);
}

Recipe readRecipeFile(const std::string& fileName) {
  if (std::error_code error; std::filesystem::is_directory(fileName, error))
    throw RecipeError(fileName, "is a directory");
  std::ifstream file(fileName, std::ios::binary);
  if (!file) throw RecipeError(fileName, std::string("cannot be read: ") + std::strerror(errno));
  std::string content;
  char chunk[65536];
  while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
    content.append(chunk, static_cast<std::size_t>(file.gcount()));
    if (content.size() > maxRecipeFileBytes) throw RecipeError(fileName, "is far larger than any recipe (over 4 MB)");
  }
  if (file.bad()) throw RecipeError(fileName, "could not be read to its end");
  if (content.empty()) throw RecipeError(fileName, "is empty");
  return readRecipe(content, fileName);
}

void checkRecipe(const Recipe& recipe, const std::string& source) {
  for (int layer = 0; layer < layerCount; ++layer) {
    const OperationList& list = recipe.lists[layer];
    const std::string where = "layer " + std::to_string(layer);
    if (list.count < 0 || list.count > maxOperations) {
      throw RecipeError(source, where + ": the list count is " + std::to_string(list.count) + ", must be 0 to 100");
    }
    for (int i = 0; i < list.count; ++i) {
      const OperationInfo* op = findOperation(list.opCodes[i]);
      if (!op) continue;
      if (std::string problem = paramProblem(*op, list.params[i]); !problem.empty()) {
        throw RecipeError(
            source, where + ", operation " + std::to_string(i + 1) + " (" + std::string(op->name) + "): " + problem);
      }
    }
  }
}

Recipe canonicalRecipe(const Recipe& recipe) {
  Recipe plain;
  for (int layer = 0; layer < layerCount; ++layer) {
    const OperationList& list = recipe.lists[layer];
    OperationList& out = plain.lists[layer];
    for (int i = 0; i < list.count && i < maxOperations; ++i) {
      const OperationInfo* op = findOperation(list.opCodes[i]);
      if (!op) continue;
      out.opCodes[out.count] = op->code;
      out.params[out.count] = canonicalSlots(*op, list.params[i]);
      ++out.count;
    }
  }
  return plain;
}

void runRecipe(Generator& g, const Recipe& recipe) {
  checkRecipe(recipe, "recipe");
  if (g.buffers[0].empty()) throw RecipeError("recipe", "the generator has no layers yet (initGenerator)");
  g.lists = recipe.lists;
  runLists(g);
}

std::vector<std::uint8_t> renderRecipe(const Recipe& recipe, int width, int height, int layer) {
  if (layer < 0 || layer >= layerCount) {
    throw RecipeError("recipe", "layer " + std::to_string(layer) + " does not exist (layers are 0 to 4)");
  }
  checkRecipe(recipe, "recipe");
  Generator g;
  initGenerator(g, width, height);
  runRecipe(g, recipe);
  return std::move(g.buffers[layer]);
}

}  // namespace generator
