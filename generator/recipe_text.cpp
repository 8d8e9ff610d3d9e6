// The text form of recipes: writing (the exporter's call syntax under "layer N" lines) and reading.

#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>

#include "generator/recipe.h"

namespace generator {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// A position in one line of text.
struct Cursor {
  std::string_view text;
  std::size_t at = 0;

  void skipSpaces() {
    while (at < text.size() && isSpace(text[at])) ++at;
  }
  bool atEnd() {
    skipSpaces();
    return at >= text.size();
  }
  char peek() {
    skipSpaces();
    return at < text.size() ? text[at] : '\0';
  }
  bool take(char c) {
    if (peek() != c) return false;
    ++at;
    return true;
  }
  std::string_view name() {
    skipSpaces();
    const std::size_t start = at;
    if (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at]))) {
      while (at < text.size() && isNameChar(text[at])) ++at;
    }
    return text.substr(start, at - start);
  }
  // A value: everything up to the next separator.
  std::string_view token() {
    skipSpaces();
    const std::size_t start = at;
    while (at < text.size() && !isSpace(text[at]) && text[at] != ',' && text[at] != '(' && text[at] != ')' &&
           text[at] != ';' && text[at] != '=') {
      ++at;
    }
    return text.substr(start, at - start);
  }
  std::string_view rest() {
    skipSpaces();
    return text.substr(at);
  }
};

std::string quoted(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result.append(1, '\'').append(text).append(1, '\'');
  return result;
}

std::string_view withoutPlus(std::string_view token) {
  return token.size() > 1 && token[0] == '+' ? token.substr(1) : token;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// One parsed operation line.
struct ParsedOperation {
  const OperationInfo* op = nullptr;
  Params slots{};
};

class TextReader {
 public:
  TextReader(std::string source) : source_(std::move(source)) {}

  Recipe read(std::string_view text) {
    Recipe recipe;
    int current = -1;
    std::array<int, layerCount> listedAt{};
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      ++line_;
      std::string_view content = text.substr(start, end - start);
      content = content.substr(0, std::min(content.find('#'), content.size()));
      start = end + 1;
      Cursor cursor{content};
      if (cursor.atEnd()) continue;
      if (isLayerLine(cursor)) {
        current = readLayerLine(cursor);
        if (listedAt[current] != 0)
          fail("layer " + std::to_string(current) + " is already listed at line " + std::to_string(listedAt[current]));
        listedAt[current] = line_;
        continue;
      }
      const ParsedOperation parsed = readOperation(cursor);
      if (current < 0) fail("an operation before any 'layer N' line (which list does it belong to?)");
      OperationList& list = recipe.lists[current];
      if (list.count >= maxOperations) fail("layer " + std::to_string(current) + " already holds 100 operations");
      list.opCodes[list.count] = parsed.op->code;
      list.params[list.count] = parsed.slots;
      ++list.count;
    }
    return recipe;
  }

  ParsedOperation readLine(std::string_view text) {
    ++line_;
    Cursor cursor{text};
    return readOperation(cursor);
  }

 private:
  [[noreturn]] void fail(const std::string& problem) const {
    throw RecipeError(line_ > 0 ? source_ + ":" + std::to_string(line_) : source_, problem);
  }

  static bool isLayerLine(Cursor cursor) { return cursor.name() == "layer" && cursor.peek() != '('; }

  int readLayerLine(Cursor& cursor) {
    cursor.name();
    const std::string_view token = cursor.token();
    const std::int64_t layer = readInteger(token, "the layer number");
    if (layer < 0 || layer >= layerCount)
      fail("layer " + std::to_string(layer) + " does not exist (layers are 0 to 4)");
    if (!cursor.atEnd()) fail("unexpected " + quoted(cursor.rest()) + " after 'layer " + std::to_string(layer) + "'");
    return static_cast<int>(layer);
  }

  ParsedOperation readOperation(Cursor& cursor) {
    const std::string_view name = cursor.name();
    if (name.empty()) fail("expected an operation or 'layer N', found " + quoted(cursor.rest()));
    const OperationInfo* op = findOperation(name);
    if (!op) fail("unknown operation " + quoted(name) + suggestionFor(name));
    if (!cursor.take('(')) fail("expected '(' after " + std::string(name));
    Arguments arguments;
    if (!cursor.take(')')) {
      do {
        readArgument(cursor, *op, arguments);
      } while (cursor.take(','));
      if (!cursor.take(')')) fail("expected ',' or ')' in " + std::string(name) + ", found " + quoted(cursor.rest()));
    }
    cursor.take(';');
    if (!cursor.atEnd())
      fail("unexpected " + quoted(cursor.rest()) + " after " + std::string(name) + " (one operation per line)");
    const Form form = arguments.count == op->argumentCount(Form::call) ? Form::call : Form::slots;
    if (arguments.count != op->argumentCount(form)) {
      std::string expected = argumentList(*op, Form::call);
      if (op->call) expected += " or " + argumentList(*op, Form::slots);
      fail(std::string(name) + " takes " + expected + ", not " + std::to_string(arguments.count) + " arguments");
    }
    for (int i = 0; i < arguments.count; ++i) {
      const std::string_view expected = op->argument(i, form).name;
      if (!arguments.labels[i].empty() && arguments.labels[i] != expected) {
        fail("argument " + std::to_string(i + 1) + " of " + std::string(name) + " is " + std::string(expected) +
             ", not " + std::string(arguments.labels[i]));
      }
    }
    return {op, slotsOf(*op, arguments, form)};
  }

  // The arguments as written: values, and the names some of them carry ("step=32").
  struct Arguments {
    int count = 0;
    std::array<std::string_view, paramSlots> tokens;
    std::array<std::string_view, paramSlots> labels;
  };

  void readArgument(Cursor& cursor, const OperationInfo& op, Arguments& arguments) {
    if (arguments.count == paramSlots) fail(std::string(op.name) + " has more arguments than any operation takes");
    const Cursor before = cursor;
    std::string_view label = cursor.name();
    if (label.empty() || !cursor.take('=')) {
      cursor = before;
      label = {};
    }
    const std::string_view token = cursor.token();
    if (token.empty())
      fail("argument " + std::to_string(arguments.count + 1) + " of " + std::string(op.name) + " is missing");
    arguments.labels[arguments.count] = label;
    arguments.tokens[arguments.count] = token;
    ++arguments.count;
  }

  Params slotsOf(const OperationInfo& op, const Arguments& arguments, Form form) {
    CallArguments values{};
    Params singles{};
    for (int i = 0; i < op.argumentCount(form); ++i) {
      const Parameter& parameter = op.argument(i, form);
      const std::string what = std::string(parameter.name) + " of " + std::string(op.name);
      const std::string_view token = arguments.tokens[i];
      switch (parameter.kind) {
        case ParamKind::layer:
        case ParamKind::integer:
          values[i] = static_cast<double>(readSlotInteger(token, what));
          break;
        case ParamKind::boolean:
          values[i] = readBoolean(token, what) ? 1.0 : 0.0;
          break;
        case ParamKind::real:
          readReal(token, what, values[i], singles[i]);
          break;
      }
      if (parameter.kind != ParamKind::real) singles[i] = static_cast<float>(values[i]);
    }
    Params slots{};
    if (op.call && form == Form::call) {
      if (std::string problem = op.call->toSlots(values, singles, slots); !problem.empty()) fail(problem);
    } else {
      slots = singles;
    }
    if (std::string problem = paramProblem(op, slots); !problem.empty()) fail(std::string(op.name) + ": " + problem);
    return slots;
  }

  std::int64_t readInteger(std::string_view token, const std::string& what) {
    token = withoutPlus(token);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error == std::errc::result_out_of_range) fail(what + " is " + std::string(token) + ", beyond the 32-bit range");
    if (error != std::errc() || end != token.data() + token.size()) {
      fail(what + " must be a whole number, not " + quoted(token));
    }
    return value;
  }

  // A whole number that a float slot holds exactly.
  std::int32_t readSlotInteger(std::string_view token, const std::string& what) {
    const std::int64_t value = readInteger(token, what);
    if (value < INT32_MIN || value > INT32_MAX)
      fail(what + " is " + std::to_string(value) + ", beyond the 32-bit range");
    // Through a 32-bit integer: 32-bit x86 converts 64-bit integers on the x87 stack, where the float
    // rounding can be skipped; from 32 bits the conversion is SSE2's, rounded to float.
    if (static_cast<std::int64_t>(static_cast<float>(static_cast<std::int32_t>(value))) != value) {
      fail(what + " is " + std::to_string(value) + ", which a recipe slot (a float) cannot hold exactly");
    }
    return static_cast<std::int32_t>(value);
  }

  bool readBoolean(std::string_view token, const std::string& what) {
    if (token == "true") return true;
    if (token == "false") return false;
    fail(what + " must be true or false, not " + quoted(token));
  }

  // A finite real, read both as a double and, directly from the text, as a single-precision value.
  void readReal(std::string_view token, const std::string& what, double& value, float& single) {
    token = withoutPlus(token);
    const char* first = token.data();
    const char* last = first + token.size();
    const auto [end, error] = std::from_chars(first, last, value);
    const auto [singleEnd, singleError] = std::from_chars(first, last, single);
    const bool outOfRange = error == std::errc::result_out_of_range || singleError == std::errc::result_out_of_range;
    if (end != last || singleEnd != last || (!outOfRange && (error != std::errc() || singleError != std::errc()))) {
      fail(what + " must be a number, not " + quoted(token));
    }
    if (outOfRange || !std::isfinite(value) || !std::isfinite(single)) {
      fail(what + " is " + std::string(token) + ", beyond what single precision holds");
    }
  }

  static std::string argumentList(const OperationInfo& op, Form form) {
    std::string text = std::to_string(op.argumentCount(form)) + " arguments (";
    for (int i = 0; i < op.argumentCount(form); ++i) {
      if (i > 0) text += ", ";
      text += op.argument(i, form).name;
    }
    return text + ")";
  }

  static std::string suggestionFor(std::string_view name) {
    for (const OperationInfo& row : operationTable()) {
      if (equalIgnoringCase(row.name, name)) return " (did you mean " + quoted(row.name) + "?)";
    }
    return "";
  }

  std::string source_;
  int line_ = 0;
};

bool sameBits(const Params& a, const Params& b) {
  for (int i = 0; i < paramSlots; ++i) {
    if (std::bit_cast<std::uint32_t>(a[i]) != std::bit_cast<std::uint32_t>(b[i])) return false;
  }
  return true;
}

// The operation's line, in the shortest numbers that read back to the very same slots: its call
// when that carries them exactly, otherwise its slots (single-precision values written shortest
// always read back the same).
std::string operationLine(const OperationInfo& op, const Params& slots) {
  for (RealFormat format : {RealFormat::shortest, RealFormat::shortestDouble}) {
    const std::string line = formatCall(op, slots, format);
    if (!op.call) return line;
    try {
      if (sameBits(TextReader("line").readLine(line).slots, slots)) return line;
    } catch (const RecipeError&) {}
  }
  return formatCall(op, slots, RealFormat::shortest, Form::slots);
}

}  // namespace

std::string recipeText(const Recipe& recipe) {
  const Recipe plain = canonicalRecipe(recipe);
  std::string text;
  for (int layer = 0; layer < layerCount; ++layer) {
    const OperationList& list = plain.lists[layer];
    if (list.count == 0) continue;
    if (!text.empty()) text += '\n';
    text += "layer " + std::to_string(layer) + "\n";
    for (int i = 0; i < list.count; ++i) {
      text += operationLine(*findOperation(list.opCodes[i]), list.params[i]);
      text += '\n';
    }
  }
  return text;
}

Recipe parseRecipeText(std::string_view text, const std::string& source) {
  if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());  // some editors write one
  return TextReader(source).read(text);
}

}  // namespace generator
