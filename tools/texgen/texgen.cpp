// texgen: the texture generator as a command-line tool.
//
//   texgen render RECIPE OUT [--size WxH] [--layer N]   picture of a recipe (.png, or .raw as loadRecipe
//                                                        gives it: per pixel channel 2, 1, 0, then 0)
//   texgen compile TEXT OUT                              text recipe to its 22,020-byte binary form
//   texgen export RECIPE                                 a recipe's text form on standard output
//   texgen operations                                    every operation and its parameters
//
// RECIPE may be binary or text either way. Files are written whole or not at all, and standard output
// is checked (tools/common). Bad input, a failed write or a command-line mistake gives one line on
// standard error starting with "texgen:" and exit code 1.

#include <stb_image_write.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "generator/operation_table.h"
#include "generator/recipe.h"
#include "tools/common/command_line.h"
#include "tools/common/output_file.h"

namespace {

struct Failure {
  std::string message;
};

struct Size {
  int width = 256;
  int height = 256;
};

Size parseSize(const std::string& text) {
  const std::size_t x = text.find('x');
  Size size;
  const auto number = [&](std::string_view part, int& value) {
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size();
  };
  if (x == std::string::npos || !number(std::string_view(text).substr(0, x), size.width) ||
      !number(std::string_view(text).substr(x + 1), size.height)) {
    throw Failure{"--size must be WIDTHxHEIGHT, as in 256x256, not '" + text + "'"};
  }
  return size;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The picture as a PNG file's bytes.
std::string pngBytes(const std::vector<std::uint8_t>& rgb, const Size& size, const std::string& path) {
  std::string bytes;
  const auto append = [](void* context, void* data, int count) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(count));
  };
  if (!stbi_write_png_to_func(append, &bytes, size.width, size.height, 3, rgb.data(), size.width * 3)) {
    throw Failure{"not enough memory to make " + path};
  }
  return bytes;
}

void render(const std::string& recipePath, const std::string& out, const std::string& sizeText, int layer) {
  const bool png = endsWith(out, ".png");
  if (!png && !endsWith(out, ".raw")) throw Failure{"the output must end in .png or .raw: " + out};
  const Size size = parseSize(sizeText);
  const generator::Recipe recipe = generator::readRecipeFile(recipePath);
  const std::vector<std::uint8_t> rgb = generator::renderRecipe(recipe, size.width, size.height, layer);
  if (png) {
    common::writeFileAtomically(out, pngBytes(rgb, size, out));
    return;
  }
  std::string raw(rgb.size() / 3 * 4, '\0');
  for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i) {
    raw[4 * i] = static_cast<char>(rgb[3 * i + 2]);
    raw[4 * i + 1] = static_cast<char>(rgb[3 * i + 1]);
    raw[4 * i + 2] = static_cast<char>(rgb[3 * i]);
  }
  common::writeFileAtomically(out, raw);
}

// A parameter's limits beyond its kind ("step >= 1", "count 0..16"), or "".
std::string limits(const generator::Parameter& p) {
  using generator::ParamKind;
  if (p.kind == ParamKind::layer || p.kind == ParamKind::boolean) return "";
  const bool low = p.kind == ParamKind::integer ? p.min > -2147483648.0 : p.min > -1e300;
  const bool high = p.kind == ParamKind::integer ? p.max < 2147483647.0 : p.max < 1e300;
  const auto number = [](double v) { return std::to_string(static_cast<long long>(v)); };
  const std::string name(p.name);
  if (low && high) return name + " " + number(p.min) + ".." + number(p.max);
  if (low) return name + " >= " + number(p.min);
  if (high) return name + " <= " + number(p.max);
  return "";
}

void listOperations() {
  for (const generator::OperationInfo& op : generator::operationTable()) {
    std::string line = std::to_string(op.code) + "\t" + std::string(op.name) + "(";
    std::string notes;
    for (int i = 0; i < op.argumentCount(); ++i) {
      const generator::Parameter& p = op.argument(i);
      line += (i > 0 ? ", " : "") + std::string(p.name);
      if (const std::string limit = limits(p); !limit.empty()) notes += (notes.empty() ? "\t" : ", ") + limit;
    }
    std::cout << line << ")\t" << generator::familyName(op.family) << notes << "\n";
  }
}

int run(int argc, char** argv) {
  CLI::App app{"texgen: renders, compiles and prints texture recipes (binary or text)"};
  app.require_subcommand(1);
  std::string recipe, out, size = "256x256";
  int layer = 4;

  CLI::App* renderCommand = app.add_subcommand("render", "Render a recipe's picture (layer 4) to OUT (.png or .raw)");
  renderCommand->add_option("RECIPE", recipe, "Recipe file, binary or text")->required();
  renderCommand->add_option("OUT", out, "Output: .png (channel 0 as red) or .raw (4 bytes a pixel: channel 2, 1, 0, 0)")
      ->required();
  renderCommand->add_option("--size", size, "Picture size WxH, powers of two up to 8192")->capture_default_str();
  renderCommand->add_option("--layer", layer, "Layer to write (0 to 4)")->capture_default_str();

  CLI::App* compileCommand = app.add_subcommand("compile", "Write a recipe in its 22,020-byte binary form");
  compileCommand->add_option("TEXT", recipe, "Recipe file, text (or binary)")->required();
  compileCommand->add_option("OUT", out, "Binary recipe to write")->required();

  CLI::App* exportCommand = app.add_subcommand("export", "Print a recipe's text form");
  exportCommand->add_option("RECIPE", recipe, "Recipe file, binary or text")->required();

  CLI::App* operationsCommand = app.add_subcommand("operations", "List every operation with its parameters");

  if (const auto status = common::parseCommandLine(app, argc, argv, "texgen")) return *status;

  if (renderCommand->parsed()) render(recipe, out, size, layer);
  if (compileCommand->parsed()) {
    common::writeFileAtomically(out, generator::encodeRecipe(generator::readRecipeFile(recipe)));
  }
  if (exportCommand->parsed()) std::cout << generator::recipeText(generator::readRecipeFile(recipe));
  if (operationsCommand->parsed()) listOperations();
  common::finishStandardOutput();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const Failure& f) {
    return common::reportFailure("texgen", f.message);
  } catch (const std::bad_alloc&) {
    return common::reportFailure("texgen", "out of memory");
  } catch (const std::exception& e) {  // RecipeError, OutputError: "WHERE: WHAT"
    return common::reportFailure("texgen", e.what());
  }
}
