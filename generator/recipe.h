#pragma once
// Whole recipes: the binary file (22,020 bytes), the text form, checking, and rendering, for tools
// that make pictures from recipes (texgen, the content tool).
//
// Binary: the five operation lists back to back, layer 0 first, each 4,404 bytes: count (int32), 100
// operation codes (int32), 100 blocks of 10 float32 parameters; little-endian, no header.
//
// Text: one operation per line in the exporter's call syntax, grouped under a "layer N" line naming
// the list it belongs to; "#" starts a comment; spaces are free between items; arguments may carry
// their names ("subPlasma(layer=0, step=32, ...)"); the ";" is optional. README.md describes it in
// full. Reading back the text of a recipe gives the same 22,020 bytes as canonicalRecipe of it (which
// only drops what cannot change the picture).
//
// Every reader checks everything before it returns (counts 0 to 100, layers 0 to 4, each operation's
// parameters as its table row says) and throws RecipeError naming the source, and for text the line,
// and what is wrong.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "generator/generator.h"
#include "generator/operation_table.h"

namespace generator {

// Binary form. decodeRecipe takes exactly 22,020 bytes (a longer input is refused too).
std::string encodeRecipe(const Recipe& recipe);
Recipe decodeRecipe(std::string_view bytes, const std::string& source);

// Text form. A UTF-8 byte-order mark at the start is skipped.
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
std::string recipeText(const Recipe& recipe);
Recipe parseRecipeText(std::string_view text, const std::string& source);

// Binary when it is 22,020 bytes long and holds a zero byte (every binary recipe does, in its
// counts); anything else is read as text (empty text being a recipe that draws nothing). A file
// that is empty is refused ("is empty"): it is far more often a failed download or write than a
// recipe meant to draw nothing.
bool isBinaryRecipe(std::string_view content);
Recipe readRecipe(std::string_view content, const std::string& source);
Recipe readRecipeFile(const std::string& fileName);

// Throws RecipeError for the first thing wrong: a count outside 0 to 100, or bad parameters of an
// operation within a list's count. Codes without an operation are allowed (they do nothing).
void checkRecipe(const Recipe& recipe, const std::string& source);

// The same picture in its plainest form: operations without a code dropped, entries beyond each count,
// unused slots and fractions of integer slots zeroed, booleans 0 or 1. Text carries exactly this.
Recipe canonicalRecipe(const Recipe& recipe);

// Replays the recipe on `g`, which must have been given its size (initGenerator); the lists are
// copied into g.
void runRecipe(Generator& g, const Recipe& recipe);

// Renders the recipe at width x height and returns one layer (layer 4 is the recipe's picture) as
// RGB bytes, channel 0 as red, rows top to bottom. Checks the recipe and the size first.
std::vector<std::uint8_t> renderRecipe(const Recipe& recipe, int width, int height, int layer = layerCount - 1);

// How reals are printed in call syntax: fifteenDigits is the exporter's ("%.15g"); shortest is the
// shortest text that reads back as the same single-precision value, or for a value that is no
// single-precision number (mandelBrot's extents) as the same double (what recipe text uses);
// shortestDouble always takes the latter.
enum class RealFormat { fifteenDigits, shortest, shortestDouble };
// name(arg,arg,...); with booleans as true/false, in the form of the call or of the slots.
std::string formatCall(const OperationInfo& op, const Params& params, RealFormat format, Form form = Form::call);

}  // namespace generator
