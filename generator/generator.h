#pragma once
// The procedural texture generator: five RGB layers of one common size, a scratch buffer, and for every
// layer the list of operations that produced it. Operations are appended, replaced and undone one by
// one (an editor's view), or a whole recipe, the five lists, is replayed from the start (a tool's view).
//
// Pixels: 3 bytes per pixel, channel 0, 1, 2 in that order, rows top to bottom (index = y * width + x).
// Width and height are powers of two from 1 to 8192; every coordinate wraps around with the masks
// width - 1 and height - 1. Layers are numbered 0 to 4; buffer 5 is the scratch buffer, which no
// operation names. Real arithmetic is double precision; the few constants that are single-precision
// values (pi as 3.1415927, 1/60 as 0.016666667, 127.5/pi as 40.58451) are used as such.
//
// A Generator owns its buffers (vectors) and lists. The entry points come in two forms: one taking a
// Generator, and one acting on the library's own global instance (initGenerator(width, height) ...),
// which is what an editor drives. Nothing here is thread-safe; separate Generators may be used from
// separate threads.
//
// Failures: every problem with a recipe, an operation or a size (a short file, a list count above 100,
// a layer outside 0 to 4, a step of 0, ...) throws RecipeError naming the source (a file name or
// "operation") and what is wrong, before anything runs or is changed. Out of memory is std::bad_alloc.
// Operations called directly (generator/operations.h) trust their arguments; everything that comes
// through runOperation, addOperation or a recipe is checked first.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace generator {

constexpr int layerCount = 5;       // layers 0 to 4
constexpr int scratchBuffer = 5;    // the sixth buffer
constexpr int maxOperations = 100;  // per layer list
constexpr int paramSlots = 10;      // per operation
constexpr int maxSize = 8192;       // largest width or height
constexpr std::size_t operationListBytes = 4404;
constexpr std::size_t recipeBytes = 22020;

// One operation's parameter block: ten floats, read per operation as integers (truncated toward zero),
// reals (unchanged) or booleans (true exactly when the slot is 1.0).
using Params = std::array<float, paramSlots>;

// The operations of one layer; on disk 4,404 bytes: count, 100 codes, 100 parameter blocks, all
// little-endian 32-bit. Entries at or beyond count are ignored.
struct OperationList {
  std::int32_t count = 0;
  std::array<std::int32_t, maxOperations> opCodes{};
  std::array<Params, maxOperations> params{};
  bool operator==(const OperationList&) const = default;
};

// A recipe: the five lists, layer 0 first. Replaying it leaves the picture in layer 4.
struct Recipe {
  std::array<OperationList, layerCount> lists{};
  bool operator==(const Recipe&) const = default;
};

// Bad input: `source` is the file (or "operation" for a direct call), `problem` what is wrong. what()
// reads "source: problem".
class RecipeError : public std::runtime_error {
 public:
  RecipeError(const std::string& source, const std::string& problem);
  const std::string& source() const { return source_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string source_;
  std::string problem_;
};

struct Generator {
  std::int32_t width = 0, height = 0;
  std::int32_t widthMask = 0, heightMask = 0;
  std::array<std::vector<std::uint8_t>, layerCount + 1> buffers;  // empty until initGenerator
  std::array<OperationList, layerCount> lists{};
  std::array<std::int32_t, layerCount> listCounts{};  // copies of the lists' counts
  std::uint32_t randomState = 0;

  std::uint8_t* layer(int index) { return buffers[index].data(); }
  const std::uint8_t* layer(int index) const { return buffers[index].data(); }
  int pixelCount() const { return width * height; }
};

// The library's global generator, the one the entry points without a Generator use.
Generator& globalGenerator();

// Allocates the six buffers, zero-fills layers 0 to 4, empties the five lists and resets the random
// state to 0 (so that replaying a recipe never depends on what ran before). Throws RecipeError for a
// size that is not a power of two from 1 to 8192.
void initGenerator(Generator& g, int width, int height);
void initGenerator(int width, int height);
// Releases the buffers; the lists stay.
void doneGenerator(Generator& g);
void doneGenerator();

// index < 0: appends (a code below 10 first empties the list, since a source operation redraws the
// whole layer) and runs the operation when `execute`. index >= 0: replaces the entry at that index and
// runs nothing. Throws for a layer outside 0 to 4, an index above 99, a full list or bad parameters.
void addOperation(Generator& g, int layer, bool execute, int opCode, const Params& params, int index);
void addOperation(int layer, bool execute, int opCode, const Params& params, int index);
void replaceOperation(Generator& g, int layer, int index, int opCode, const Params& params);
void replaceOperation(int layer, int index, int opCode, const Params& params);
// Drops the layer's last operation; with `replay` the layer is rebuilt: black when nothing is left,
// otherwise every remaining operation of that list runs again from the first.
void undoOperation(Generator& g, int layer, bool replay);
void undoOperation(int layer, bool replay);

// The dispatcher: reads the slots as the operation's table row says and runs it. Codes without an
// operation do nothing. Throws RecipeError for bad parameters or a generator without buffers.
void runOperation(Generator& g, int opCode, const Params& params);
void runOperation(int opCode, const Params& params);

// Replays every list, layer 0 first, each from its first operation (what loading a recipe does).
void runLists(Generator& g);

// Reads a recipe file (binary or text, told apart by content), replays it at width x height on the
// global generator and writes layer 4 into `image`, one 32-bit value per pixel:
// (channel0 << 16) | (channel1 << 8) | channel2, so in memory channel 2, 1, 0, then 0. With `allocate`
// the image is sized here; otherwise it must already hold width * height values. The global generator
// is released at the end. Throws RecipeError before anything runs if the file or size is bad.
void loadRecipe(std::vector<std::uint32_t>& image, const std::string& fileName, int width, int height, bool allocate);

// The operation in call syntax: name, "(", the parameters separated by "," (integers as decimals,
// reals with up to 15 significant digits, booleans as true/false), ");". mandelBrot prints its call:
// layer, x0, x1 - x0, y0, y1 - y0, 16. A code without an operation gives " ".
std::string exportOperation(int opCode, const Params& params);

}  // namespace generator
