// hwlconv: converts between HWL files and ordinary pictures, and shows HWL headers.
//
//   hwlconv IN.hwl OUT.png     the decoded picture (RGB for 24-bit files, grey for 8-bit ones)
//   hwlconv IN.hwl OUT.raw     the decoder's pixel buffer as it is
//   hwlconv --info IN.hwl      the header fields, one per line
//   hwlconv IN OUT.hwl         encodes a PNG, JPEG, BMP, TGA, PGM/PPM (or HWL) picture, with
//                              --levels, --bits, --threshold or a --psnr target; --alpha A.hwl
//                              writes the picture's alpha channel as an 8-bit file of its own
//
// Files are written whole or not at all (tools/common). Every problem, with the files or with the
// command line, is one line on standard error starting with "hwlconv:", and exit status 1.

#include "hwl/encoder.h"
#include "tools/common/command_line.h"
#include "tools/common/output_file.h"
#include "tools/hwlconv/pictures.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace hwlconv {

namespace {

constexpr double defaultPsnr = 40;

struct Options {
  std::string input;
  std::string output;
  std::string alpha;
  bool info = false;
  bool verbose = false;
  bool grey = false;
  int levels = -1;
  std::string bits;
  double threshold = 0;
  double psnr = 0;
  bool searchPsnr = false;
  bool encodingOptionGiven = false;
};

std::string extension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char ch) { return std::tolower(ch); });
  return e;
}

void printHeader(const hwl::HwlHeader& h) {
  auto three = [](const auto& a) {
    return std::to_string(a[0]) + " " + std::to_string(a[1]) + " " + std::to_string(a[2]);
  };
  std::string magic;
  for (char ch : h.magic) magic += std::isprint(static_cast<unsigned char>(ch)) ? ch : '?';
  std::cout << "magic: " << magic << "\n"
            << "width: " << h.width << "\n"
            << "height: " << h.height << "\n"
            << "bitsPerPixel: " << int{h.bitsPerPixel} << "\n"
            << "lastLevel: " << int{h.lastLevel} << "\n"
            << "symbolCount: " << three(h.symbolCount) << "\n"
            << "valueCount: " << three(h.valueCount) << "\n"
            << "valueBits: " << three(h.valueBits) << "\n";
}

// The decoded picture; an HWL picture without pixels is an error to a converter.
hwl::HwlPicture decodeHwl(const std::string& path) {
  hwl::HwlPicture picture = hwl::hwlDecode(path);
  const hwl::HwlHeader& h = picture.header;
  if (h.bitsPerPixel != 8 && h.bitsPerPixel != 24) {
    throw ToolError(path + ": bitsPerPixel is " + std::to_string(h.bitsPerPixel) + ", only 8 and 24 hold a picture");
  }
  if (h.width == 0 || h.height == 0) {
    throw ToolError(path + ": the picture is empty (" + std::to_string(h.width) + "x" + std::to_string(h.height) + ")");
  }
  return picture;
}

Picture toPicture(const hwl::HwlPicture& decoded) {
  Picture picture{decoded.header.width, decoded.header.height, decoded.header.bitsPerPixel == 24 ? 3 : 1, {}};
  if (picture.channels == 1) {
    picture.samples = decoded.pixels;
    return picture;
  }
  picture.samples.reserve(decoded.pixels.size() / 4 * 3);
  for (std::size_t i = 0; i < decoded.pixels.size(); i += 4) {
    picture.samples.insert(picture.samples.end(), {decoded.pixels[i + 2], decoded.pixels[i + 1], decoded.pixels[i]});
  }
  return picture;
}

Picture readHwlPicture(const std::string& path, bool grey) {
  Picture picture = toPicture(decodeHwl(path));
  if (grey && picture.channels == 3) {
    std::vector<std::uint8_t> luma;
    for (std::size_t i = 0; i < picture.samples.size(); i += 3) {
      const double y = 0.3 * picture.samples[i] + 0.59 * picture.samples[i + 1] + 0.11 * picture.samples[i + 2];
      luma.push_back(static_cast<std::uint8_t>(std::lround(y)));
    }
    picture.samples = std::move(luma);
    picture.channels = 1;
  }
  return picture;
}

// An input picture, and its alpha channel when asked for (and when it has one).
struct Input {
  Picture picture;
  std::optional<Picture> alpha;
};

Input readInput(const Options& options) {
  if (extension(options.input) == ".hwl") {
    if (!options.alpha.empty()) throw ToolError(options.input + ": has no alpha channel for --alpha");
    return {readHwlPicture(options.input, options.grey), std::nullopt};
  }
  const PictureFile file = openPicture(options.input);
  if (!file.hasAlpha() && !options.alpha.empty()) {
    throw ToolError(options.input + ": has no alpha channel for --alpha");
  }
  Input input{decodePicture(file, options.grey), std::nullopt};
  if (!options.alpha.empty()) {
    input.alpha = decodeAlpha(file);
  } else if (file.hasAlpha()) {
    std::cerr << "hwlconv: " << options.input
              << ": the alpha channel is left out (--alpha A.hwl writes it as a grey picture of its own)\n";
  }
  return input;
}

// "K" or "K1,K2,K3", each 1 to 8.
std::array<int, 3> parseBits(const std::string& text) {
  std::vector<int> widths;
  for (std::size_t start = 0;;) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string part = text.substr(start, comma - start);
    if (part.size() != 1 || part[0] < '1' || part[0] > '8') {
      throw ToolError("give one value width or three, each 1 to 8, not '" + text + "'");
    }
    widths.push_back(part[0] - '0');
    if (comma == text.size()) break;
    start = comma + 1;
  }
  if (widths.size() == 1) return {widths[0], widths[0], widths[0]};
  if (widths.size() != 3) throw ToolError("give one value width or three, each 1 to 8, not '" + text + "'");
  return {widths[0], widths[1], widths[2]};
}

// A check for a real option: a finite number above (or from) `least`.
CLI::Validator finiteNumber(double least, bool orEqual, const std::string& what) {
  return CLI::Validator(
      [=](const std::string& text) {
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        const bool number = error == std::errc() && end == text.data() + text.size();
        if (number && std::isfinite(value) && (value > least || (orEqual && value == least))) return std::string();
        return "must be " + what + ", not '" + text + "'";
      },
      what);
}

void showProgress(double share) {
  if (!isatty(STDERR_FILENO)) return;
  std::cerr << "\rsearching: " << std::setw(3) << static_cast<int>(share * 100) << " %" << (share >= 1 ? "\n" : "")
            << std::flush;
}

// A file made, and for a search the settings it chose ("--bits K --threshold T").
struct Encoded {
  std::vector<std::uint8_t> file;
  std::string chosen;
};

// One picture's file (to be written to path) with the options' settings, or the smallest that
// reaches the --psnr target.
Encoded encodePicture(const Options& options, const Picture& picture, const std::string& path) {
  if (picture.width < 1 || picture.height < 1 || picture.width > 65535 || picture.height > 65535) {
    throw ToolError(options.input + ": a picture of " + std::to_string(picture.width) + "x" +
                    std::to_string(picture.height) + " does not fit HWL (1 to 65535 each way)");
  }
  const hwl::HwlImage image{picture.width, picture.height, picture.channels, picture.samples};
  if (!options.searchPsnr) {
    hwl::HwlEncodeOptions settings;
    settings.levels = options.levels;
    if (!options.bits.empty()) settings.valueBits = parseBits(options.bits);
    settings.threshold = options.threshold;
    return {hwl::hwlEncode(image, settings), ""};
  }
  const hwl::HwlSearchResult found =
      hwl::hwlEncodeForPsnr(image, options.psnr, options.levels, options.verbose ? showProgress : nullptr);
  if (!found.reached) {
    std::ostringstream closest;
    closest << std::fixed << std::setprecision(2) << found.psnr;
    std::cerr << "hwlconv: " << path << ": no setting reaches " << options.psnr << " dB; writing the closest ("
              << closest.str() << " dB)\n";
  }
  std::ostringstream chosen;
  const auto& k = found.options.valueBits;
  chosen << "--bits " << k[0];
  if (picture.channels == 3) chosen << "," << k[1] << "," << k[2];
  chosen << " --threshold " << found.options.threshold;
  return {found.file, chosen.str()};
}

// What -v says about a file written: the settings a search chose, then size, rate and quality.
void describe(const std::string& path, const Picture& picture, const Encoded& encoded) {
  const hwl::HwlImage image{picture.width, picture.height, picture.channels, picture.samples};
  const double psnr = hwl::hwlPsnr(image, hwl::hwlDecodeBytes(encoded.file, path));
  const std::size_t size = encoded.file.size();
  if (!encoded.chosen.empty()) std::cout << "chosen: " << encoded.chosen << "\n";
  std::cout << path << ": " << picture.width << "x" << picture.height << " " << (picture.channels == 3 ? 24 : 8)
            << "-bit, " << size << " bytes, " << std::fixed << std::setprecision(3)
            << 8.0 * static_cast<double>(size) / (double(picture.width) * picture.height) << " bits per pixel, PSNR "
            << std::setprecision(2) << psnr << " dB\n";
}

// The picture (and its alpha channel) encoded; both files are complete before either replaces what
// was there.
void encode(const Options& options) {
  const Input input = readInput(options);
  const Encoded main = encodePicture(options, input.picture, options.output);
  const Encoded alpha = input.alpha ? encodePicture(options, *input.alpha, options.alpha) : Encoded{};
  common::OutputFile output(options.output);
  output.write(main.file);
  std::optional<common::OutputFile> alphaOutput;
  if (input.alpha) alphaOutput.emplace(options.alpha).write(alpha.file);
  output.commit();
  if (alphaOutput) alphaOutput->commit();
  if (options.verbose) describe(options.output, input.picture, main);
  if (options.verbose && input.alpha) describe(options.alpha, *input.alpha, alpha);
}

void convert(const Options& options) {
  const std::string out = extension(options.output);
  if (out == ".hwl") {
    encode(options);
    return;
  }
  if (extension(options.input) != ".hwl") {
    throw ToolError(options.input + ": hwlconv decodes .hwl files (or writes one: OUT.hwl)");
  }
  if (options.encodingOptionGiven) {
    throw ToolError("--grey, --levels, --bits, --threshold, --psnr and --alpha apply when writing .hwl");
  }
  if (out != ".raw" && out != ".png") {
    throw ToolError(options.output + ": unknown output type (use .png, .raw or .hwl)");
  }
  const hwl::HwlPicture decoded = decodeHwl(options.input);
  common::writeFileAtomically(options.output,
                              out == ".raw" ? decoded.pixels : pngBytes(toPicture(decoded), options.output));
  if (options.verbose) {
    std::cout << options.output << ": " << decoded.header.width << "x" << decoded.header.height << ", "
              << int{decoded.header.bitsPerPixel} << "-bit\n";
  }
}

int run(const Options& options) {
  try {
    if (std::error_code error; std::filesystem::is_directory(options.input, error)) {
      throw ToolError(options.input + ": is a directory");
    }
    if (options.info) {
      hwl::HwlHeader header;
      hwl::hwlReadHeader(options.input, header);
      printHeader(header);
    } else {
      convert(options);
    }
    common::finishStandardOutput();
    return 0;
  } catch (const hwl::HwlError& e) {
    return common::reportFailure("hwlconv", e.what());
  } catch (const ToolError& e) {
    return common::reportFailure("hwlconv", e.what());
  } catch (const common::OutputError& e) {
    return common::reportFailure("hwlconv", e.what());
  } catch (const std::bad_alloc&) {
    return common::reportFailure("hwlconv", options.input + ": not enough memory");
  }
}

// What the options cannot say by themselves, checked once they are read.
void checkCombinations(const CLI::App& app, Options& options) {
  if (!options.info && options.output.empty()) throw CLI::ValidationError("give OUT, or --info IN.hwl");
  if (options.info && (!options.output.empty() || !options.alpha.empty())) {
    throw CLI::ValidationError("--info takes one file and writes none");
  }
  std::error_code error;
  if (!options.alpha.empty() && std::filesystem::weakly_canonical(options.alpha, error) ==
                                    std::filesystem::weakly_canonical(options.output, error)) {
    throw CLI::ValidationError("--alpha: give a file other than OUT");
  }
  options.searchPsnr = app.count("--psnr") > 0 || (app.count("--bits") == 0 && app.count("--threshold") == 0);
  if (app.count("--psnr") == 0) options.psnr = defaultPsnr;
  for (const char* name : {"--grey", "--levels", "--bits", "--threshold", "--psnr", "--alpha"}) {
    if (app.count(name) > 0) options.encodingOptionGiven = true;
  }
}

}  // namespace

}  // namespace hwlconv

int main(int argc, char** argv) {
  using hwlconv::finiteNumber;
  using hwlconv::parseBits;
  using hwlconv::ToolError;
  hwlconv::Options options;
  CLI::App app{
      "hwlconv: converts HWL pictures.\n"
      "  hwlconv IN.hwl OUT.png   decode to PNG (RGB for 24-bit files, grey for 8-bit ones)\n"
      "  hwlconv IN.hwl OUT.raw   the decoder's pixel buffer: width*height*4 bytes blue, green,\n"
      "                           red, 0 for a 24-bit file; width*height grey bytes for 8-bit\n"
      "  hwlconv --info IN.hwl    the header fields, one per line\n"
      "  hwlconv IN OUT.hwl       encode a PNG, JPEG, BMP, TGA, PGM/PPM or HWL picture: colour\n"
      "                           as 24-bit, grey (or with --grey) as 8-bit\n"
      "Pictures hold at most 67108864 pixels (8192 x 8192). Files are replaced only when\n"
      "complete. Any problem, with the files or the command line: one line on standard error\n"
      "and exit status 1."};
  app.add_option("input", options.input, "the file to read")->required();
  app.add_option("output", options.output, "the file to write; its extension picks the format");
  app.add_flag("--info", options.info, "print the header fields of IN.hwl, one per line");
  app.add_flag("-v,--verbose", options.verbose,
               "say what was written: size, bits per pixel and the PSNR of the decoded picture");
  app.add_flag("--grey", options.grey, "encode as an 8-bit grey file");
  app.add_option("--alpha", options.alpha,
                 "also write the alpha channel of IN (a PNG with transparency) to this .hwl file, as an "
                 "8-bit grey picture made with the same settings");
  app.add_option("--levels", options.levels,
                 "lastLevel L, the transform having L + 1 levels (default: the most the size allows, "
                 "up to 5)")
      ->check(CLI::Range(0, 16));
  auto* bits = app.add_option("--bits", options.bits,
                              "value width K of every plane, or K1,K2,K3 for Y, U and V (1 to 8; "
                              "default 8)")
                   ->check(CLI::Validator(
                       [](const std::string& text) {
                         try {
                           parseBits(text);
                           return std::string();
                         } catch (const ToolError& e) {
                           return std::string(e.what());
                         }
                       },
                       "K or K1,K2,K3"));
  auto* threshold = app.add_option("--threshold", options.threshold,
                                   "detail coefficients of this magnitude or less become 0 "
                                   "(default 0)")
                        ->check(finiteNumber(0, true, "a finite number, 0 or more"));
  app.add_option("--psnr", options.psnr,
                 "search --bits and --threshold for the smallest file whose decoded picture reaches "
                 "this PSNR in dB against the input (the default, at 40 dB, when neither --bits nor "
                 "--threshold is given)")
      ->check(finiteNumber(0, false, "a finite number of dB above 0"))
      ->excludes(bits)
      ->excludes(threshold);
  app.callback([&] { hwlconv::checkCombinations(app, options); });
  if (const auto status = common::parseCommandLine(app, argc, argv, "hwlconv")) return *status;
  return hwlconv::run(options);
}
