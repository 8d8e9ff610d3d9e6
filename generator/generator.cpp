#include "generator/generator.h"

#include <algorithm>

#include "generator/operation_table.h"
#include "generator/operations.h"
#include "generator/recipe.h"

namespace generator {

RecipeError::RecipeError(const std::string& source, const std::string& problem)
    : std::runtime_error(source.empty() ? problem : source + ": " + problem), source_(source), problem_(problem) {}

namespace {

const std::string operationSource = "operation";

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

void checkLayer(int layer) {
  if (layer < 0 || layer >= layerCount) {
    throw RecipeError(operationSource, "layer " + std::to_string(layer) + " does not exist (layers are 0 to 4)");
  }
}

void checkIndex(int index) {
  if (index >= maxOperations) {
    throw RecipeError(operationSource, "index " + std::to_string(index) + " is beyond the 100 operations of a list");
  }
}

// Known codes must have sensible parameters; codes without an operation are kept and do nothing.
void checkParams(int opCode, const Params& params) {
  if (const OperationInfo* op = findOperation(opCode)) {
    if (std::string problem = paramProblem(*op, params); !problem.empty()) {
      throw RecipeError(operationSource, std::string(op->name) + ": " + problem);
    }
  }
}

void runList(Generator& g, int layer) {
  const OperationList& list = g.lists[layer];
  for (int i = 0; i < list.count; ++i) runOperation(g, list.opCodes[i], list.params[i]);
}

}  // namespace

Generator& globalGenerator() {
  static Generator instance;
  return instance;
}

void initGenerator(Generator& g, int width, int height) {
  if (!isPowerOfTwo(width) || !isPowerOfTwo(height) || width > maxSize || height > maxSize) {
    throw RecipeError("size", std::to_string(width) + "x" + std::to_string(height) +
                                  " is not a size the generator works at (powers of two from 1 to 8192)");
  }
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 3;
  for (int i = 0; i <= layerCount; ++i) {
    g.buffers[i].assign(bytes, 0);  // the scratch buffer is zeroed too: nothing is left from before
  }
  g.width = width;
  g.height = height;
  g.widthMask = width - 1;
  g.heightMask = height - 1;
  for (int i = 0; i < layerCount; ++i) {
    g.lists[i].count = 0;
    g.listCounts[i] = 0;
  }
  g.randomState = 0;
}

void initGenerator(int width, int height) { initGenerator(globalGenerator(), width, height); }

void doneGenerator(Generator& g) {
  for (auto& buffer : g.buffers) std::vector<std::uint8_t>().swap(buffer);
}

void doneGenerator() { doneGenerator(globalGenerator()); }

void addOperation(Generator& g, int layer, bool execute, int opCode, const Params& params, int index) {
  checkLayer(layer);
  checkIndex(index);
  checkParams(opCode, params);
  OperationList& list = g.lists[layer];
  if (index >= 0) {
    list.opCodes[index] = opCode;
    list.params[index] = params;
    return;
  }
  if (opCode < 10) list.count = 0;  // a source operation redraws the whole layer: the list restarts
  if (list.count >= maxOperations) {
    throw RecipeError(operationSource, "layer " + std::to_string(layer) + " already holds 100 operations");
  }
  list.opCodes[list.count] = opCode;
  list.params[list.count] = params;
  ++list.count;
  g.listCounts[layer] = list.count;
  if (execute) runOperation(g, opCode, params);
}

void addOperation(int layer, bool execute, int opCode, const Params& params, int index) {
  addOperation(globalGenerator(), layer, execute, opCode, params, index);
}

void replaceOperation(Generator& g, int layer, int index, int opCode, const Params& params) {
  checkLayer(layer);
  if (index < 0) throw RecipeError(operationSource, "index " + std::to_string(index) + " is below 0");
  checkIndex(index);
  checkParams(opCode, params);
  g.lists[layer].opCodes[index] = opCode;
  g.lists[layer].params[index] = params;
}

void replaceOperation(int layer, int index, int opCode, const Params& params) {
  replaceOperation(globalGenerator(), layer, index, opCode, params);
}

void undoOperation(Generator& g, int layer, bool replay) {
  checkLayer(layer);
  OperationList& list = g.lists[layer];
  if (list.count > 0) --list.count;
  g.listCounts[layer] = list.count;
  if (!replay) return;
  if (list.count < 1) {
    if (g.buffers[layer].empty()) throw RecipeError(operationSource, "the generator has no layers yet (initGenerator)");
    colorLayer(g, layer, 0, 0, 0);
  } else {
    runList(g, layer);
  }
}

void undoOperation(int layer, bool replay) { undoOperation(globalGenerator(), layer, replay); }

void runOperation(Generator& g, int opCode, const Params& params) {
  const OperationInfo* op = findOperation(opCode);
  if (!op) return;  // codes without an operation do nothing
  if (g.buffers[0].empty()) throw RecipeError(operationSource, "the generator has no layers yet (initGenerator)");
  checkParams(opCode, params);
  op->run(g, params);
}

void runOperation(int opCode, const Params& params) { runOperation(globalGenerator(), opCode, params); }

void runLists(Generator& g) {
  for (int layer = 0; layer < layerCount; ++layer) {
    g.listCounts[layer] = g.lists[layer].count;
    runList(g, layer);
  }
}

void loadRecipe(std::vector<std::uint32_t>& image, const std::string& fileName, int width, int height, bool allocate) {
  const Recipe recipe = readRecipeFile(fileName);  // read and checked in full before anything runs
  const std::size_t pixels =
      static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
  if (!allocate && image.size() < pixels) {
    throw RecipeError(fileName, "the output image holds " + std::to_string(image.size()) + " pixels, " +
                                    std::to_string(pixels) + " are needed");
  }
  Generator& g = globalGenerator();
  initGenerator(g, width, height);
  if (allocate) image.assign(pixels, 0);
  g.lists = recipe.lists;
  runLists(g);
  const std::uint8_t* out = g.layer(layerCount - 1);
  for (std::size_t i = 0; i < pixels; ++i) {
    image[i] = (std::uint32_t{out[3 * i]} << 16) | (std::uint32_t{out[3 * i + 1]} << 8) | out[3 * i + 2];
  }
  doneGenerator(g);
}

std::string exportOperation(int opCode, const Params& params) {
  const OperationInfo* op = findOperation(opCode);
  if (!op) return " ";
  return formatCall(*op, params, RealFormat::fifteenDigits);
}

}  // namespace generator
