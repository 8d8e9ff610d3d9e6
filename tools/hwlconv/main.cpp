// hwlconv: converts between HWL files and ordinary pictures, and shows HWL headers.
//
//   hwlconv IN.hwl OUT.png     the decoded picture (RGB for 24-bit files, grey for 8-bit ones)
//   hwlconv IN.hwl OUT.raw     the decoder's pixel buffer as it is
//   hwlconv --info IN.hwl      the header fields, one per line
//
// Problems with the files end the run with one line on standard error and exit status 1; a wrong
// command line exits with status 2.

#include "hwl/hwl.h"
#include "tools/hwlconv/pictures.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace hwlconv {

namespace {

struct Options {
  std::string input;
  std::string output;
  bool info = false;
  bool verbose = false;
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

void convert(const Options& options) {
  const std::string out = extension(options.output);
  if (extension(options.input) != ".hwl") {
    throw ToolError(options.input + ": hwlconv reads .hwl files");
  }
  const hwl::HwlPicture decoded = decodeHwl(options.input);
  if (out == ".raw") {
    writeBytes(options.output, decoded.pixels);
  } else if (out == ".png") {
    writePng(options.output, toPicture(decoded));
  } else {
    throw ToolError(options.output + ": unknown output type (use .png or .raw)");
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
  hwlconv::Options options;
  CLI::App app{
      "hwlconv: converts HWL pictures.\n"
      "  hwlconv IN.hwl OUT.png   decode to PNG (RGB for 24-bit files, grey for 8-bit ones)\n"
      "  hwlconv IN.hwl OUT.raw   the decoder's pixel buffer: width*height*4 bytes blue, green,\n"
      "                           red, 0 for a 24-bit file; width*height grey bytes for 8-bit\n"
      "  hwlconv --info IN.hwl    the header fields, one per line\n"
      "Problems with the files: one line on standard error, exit status 1."};
  app.add_option("input", options.input, "the file to read")->required();
  app.add_option("output", options.output, "the file to write; its extension picks the format");
  app.add_flag("--info", options.info, "print the header fields of IN.hwl, one per line");
  app.add_flag("-v,--verbose", options.verbose, "say what was written");
  try {
    app.parse(argc, argv);
    if (!options.info && options.output.empty()) {
      throw CLI::RequiredError("output (or --info)");
    }
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  return hwlconv::run(options);
}
