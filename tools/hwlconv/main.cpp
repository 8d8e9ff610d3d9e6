// hwlconv: converts between HWL files and ordinary pictures, and shows HWL headers.
//
//   hwlconv IN.hwl OUT.png     the decoded picture (RGB for 24-bit files, grey for 8-bit ones)
//   hwlconv IN.hwl OUT.raw     the decoder's pixel buffer as it is
//   hwlconv --info IN.hwl      the header fields, one per line
//   hwlconv IN OUT.hwl         encodes a PNG, JPEG, BMP, TGA, PGM/PPM (or HWL) picture, with
//                              --levels, --bits, --threshold or a --psnr target
//
// Problems with the files end the run with one line on standard error and exit status 1; a wrong
// command line exits with status 2.

#include "hwl/encoder.h"
#include "tools/hwlconv/pictures.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <unistd.h>

namespace hwlconv {

namespace {

constexpr double defaultPsnr = 40;

struct Options {
  std::string input;
  std::string output;
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
    throw ToolError(path + ": bitsPerPixel is " + std::to_string(h.bitsPerPixel) +
                    ", only 8 and 24 hold a picture");
  }
  if (h.width == 0 || h.height == 0) {
    throw ToolError(path + ": the picture is empty (" + std::to_string(h.width) + "x" +
                    std::to_string(h.height) + ")");
  }
  return picture;
}

Picture toPicture(const hwl::HwlPicture& decoded) {
  Picture picture{decoded.header.width, decoded.header.height,
                  decoded.header.bitsPerPixel == 24 ? 3 : 1, {}};
  if (picture.channels == 1) {
    picture.samples = decoded.pixels;
    return picture;
  }
  picture.samples.reserve(decoded.pixels.size() / 4 * 3);
  for (std::size_t i = 0; i < decoded.pixels.size(); i += 4) {
    picture.samples.insert(picture.samples.end(),
                           {decoded.pixels[i + 2], decoded.pixels[i + 1], decoded.pixels[i]});
  }
  return picture;
}

Picture readAnyPicture(const std::string& path, bool grey) {
  if (extension(path) != ".hwl") return readPicture(path, grey);
  Picture picture = toPicture(decodeHwl(path));
  if (grey && picture.channels == 3) {
    std::vector<std::uint8_t> luma;
    for (std::size_t i = 0; i < picture.samples.size(); i += 3) {
      const double y = 0.3 * picture.samples[i] + 0.59 * picture.samples[i + 1] +
                       0.11 * picture.samples[i + 2];
      luma.push_back(static_cast<std::uint8_t>(std::lround(y)));
    }
    picture.samples = std::move(luma);
    picture.channels = 1;
  }
  return picture;
}

// "K" or "K1,K2,K3", each 1 to 8.
std::array<int, 3> parseBits(const std::string& text) {
  std::array<int, 3> bits{};
  std::size_t count = 0;
  std::size_t start = 0;
  while (count < 3) {
    const std::size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? comma : comma - start);
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos ||
        part.size() > 1 || part[0] < '1' || part[0] > '8') {
      throw ToolError("--bits " + text + ": give one value width or three, each 1 to 8");
    }
    bits[count++] = part[0] - '0';
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (count == 2 || text.find(',', start) != std::string::npos) {
    throw ToolError("--bits " + text + ": give one value width or three, each 1 to 8");
  }
  if (count == 1) bits[1] = bits[2] = bits[0];
  return bits;
}

void showProgress(double share) {
  if (!isatty(STDERR_FILENO)) return;
  std::cerr << "\rsearching: " << std::setw(3) << static_cast<int>(share * 100) << " %"
            << (share >= 1 ? "\n" : "") << std::flush;
}

void encode(const Options& options) {
  const Picture picture = readAnyPicture(options.input, options.grey);
  if (picture.width < 1 || picture.height < 1 || picture.width > 65535 || picture.height > 65535) {
    throw ToolError(options.input + ": a picture of " + std::to_string(picture.width) + "x" +
                    std::to_string(picture.height) + " does not fit HWL (1 to 65535 each way)");
  }
  const hwl::HwlImage image{picture.width, picture.height, picture.channels, picture.samples};
  std::vector<std::uint8_t> file;
  if (options.searchPsnr) {
    const hwl::HwlSearchResult found = hwl::hwlEncodeForPsnr(
        image, options.psnr, options.levels, options.verbose ? showProgress : nullptr);
    if (!found.reached) {
      std::cerr << "hwlconv: no setting reaches " << options.psnr << " dB; writing the closest ("
                << std::fixed << std::setprecision(2) << found.psnr << " dB)\n";
    }
    if (options.verbose) {
      const auto& k = found.options.valueBits;
      std::cout << "chosen: --bits " << k[0];
      if (picture.channels == 3) std::cout << "," << k[1] << "," << k[2];
      std::cout << " --threshold " << found.options.threshold << "\n";
    }
    file = found.file;
  } else {
    hwl::HwlEncodeOptions settings;
    settings.levels = options.levels;
    if (!options.bits.empty()) settings.valueBits = parseBits(options.bits);
    settings.threshold = options.threshold;
    file = hwl::hwlEncode(image, settings);
  }
  writeBytes(options.output, file);
  if (options.verbose) {
    const double psnr = hwl::hwlPsnr(image, hwl::hwlDecodeBytes(file, options.output));
    std::cout << options.output << ": " << picture.width << "x" << picture.height << " "
              << (picture.channels == 3 ? 24 : 8) << "-bit, " << file.size() << " bytes, "
              << std::fixed << std::setprecision(3)
              << 8.0 * static_cast<double>(file.size()) / (double(picture.width) * picture.height)
              << " bits per pixel, PSNR " << std::setprecision(2) << psnr << " dB\n";
  }
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
    throw ToolError("--grey, --levels, --bits, --threshold and --psnr apply when writing .hwl");
  }
  const hwl::HwlPicture decoded = decodeHwl(options.input);
  if (out == ".raw") {
    writeBytes(options.output, decoded.pixels);
  } else if (out == ".png") {
    writePng(options.output, toPicture(decoded));
  } else {
    throw ToolError(options.output + ": unknown output type (use .png, .raw or .hwl)");
  }
  if (options.verbose) {
    std::cout << options.output << ": " << decoded.header.width << "x" << decoded.header.height
              << ", " << int{decoded.header.bitsPerPixel} << "-bit\n";
  }
}

int run(const Options& options) {
  try {
    if (options.info) {
      hwl::HwlHeader header;
      hwl::hwlReadHeader(options.input, header);
      printHeader(header);
      return 0;
    }
    convert(options);
    return 0;
  } catch (const hwl::HwlError& e) {
    std::cerr << "hwlconv: " << e.what() << "\n";
  } catch (const ToolError& e) {
    std::cerr << "hwlconv: " << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    std::cerr << "hwlconv: " << options.input << ": not enough memory\n";
  }
  return 1;
}

}  // namespace

}  // namespace hwlconv

int main(int argc, char** argv) {
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
      "Problems with the files: one line on standard error, exit status 1; a wrong command\n"
      "line: exit status 2."};
  app.add_option("input", options.input, "the file to read")->required();
  app.add_option("output", options.output, "the file to write; its extension picks the format");
  app.add_flag("--info", options.info, "print the header fields of IN.hwl, one per line");
  app.add_flag("-v,--verbose", options.verbose,
               "say what was written: size, bits per pixel and the PSNR of the decoded picture");
  app.add_flag("--grey", options.grey, "encode as an 8-bit grey file");
  app.add_option("--levels", options.levels,
                 "lastLevel L, the transform having L + 1 levels (default: the most the size allows, "
                 "up to 5)")
      ->check(CLI::Range(0, 16));
  auto* bits = app.add_option("--bits", options.bits,
                              "value width K of every plane, or K1,K2,K3 for Y, U and V (1 to 8; "
                              "default 8)")
                   ->check([](const std::string& text) {
                     try {
                       parseBits(text);
                       return std::string();
                     } catch (const ToolError& e) {
                       return std::string(e.what());
                     }
                   });
  auto* threshold = app.add_option("--threshold", options.threshold,
                                   "detail coefficients of this magnitude or less become 0 "
                                   "(default 0)")
                        ->check(CLI::NonNegativeNumber);
  app.add_option("--psnr", options.psnr,
                 "search --bits and --threshold for the smallest file whose decoded picture reaches "
                 "this PSNR in dB against the input (the default, at 40 dB, when neither --bits nor "
                 "--threshold is given)")
      ->excludes(bits)
      ->excludes(threshold);
  try {
    app.parse(argc, argv);
    options.searchPsnr = app.count("--psnr") > 0 || (app.count("--bits") == 0 && app.count("--threshold") == 0);
    if (app.count("--psnr") == 0) options.psnr = hwlconv::defaultPsnr;
    for (const char* name : {"--grey", "--levels", "--bits", "--threshold", "--psnr"}) {
      if (app.count(name) > 0) options.encodingOptionGiven = true;
    }
    if (!options.info && options.output.empty()) {
      throw CLI::RequiredError("output (or --info)");
    }
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  return hwlconv::run(options);
}
