#pragma once
// Pictures as hwlconv moves them between files: 8-bit samples, one channel (grey) or three (red,
// green, blue), rows top to bottom. Reading and encoding fail with ToolError, one line for the user
// that names the file.
//
// Input pictures are read by stb_image (PNG, JPEG, BMP, TGA, PGM/PPM, GIF, ...) from the whole file in
// memory. A file that ends before its picture is complete is refused: for BMP, TGA and PNM stb would
// fill the missing part with zeros and report success, so the reads are watched (see pictures.cpp).
// Pictures over the codec's limit (hwlMaxPixels) are refused from their header, before decoding.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hwlconv {

struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Picture {
  int width = 0;
  int height = 0;
  int channels = 0;                   // 1 or 3
  std::vector<std::uint8_t> samples;  // width * height * channels
};

// A picture file read into memory and looked at, not yet decoded.
struct PictureFile {
  std::string path;
  std::vector<std::uint8_t> bytes;
  int width = 0;
  int height = 0;
  int channels = 0;  // as stored: 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA (a palette with transparency)

  bool hasAlpha() const { return channels == 2 || channels == 4; }
};

// Reads the file and its picture's header: a folder, an empty or unreadable file, a file that is no
// picture stb reads and a picture of more than hwlMaxPixels pixels are refused.
PictureFile openPicture(const std::string& path);

// The picture, grey when it is stored grey or forceGrey is set (as its luma), RGB otherwise; alpha is
// left out.
Picture decodePicture(const PictureFile& file, bool forceGrey);

// The alpha channel as a grey picture; the file must have one.
Picture decodeAlpha(const PictureFile& file);

// A PNG file of the picture (grey or RGB).
std::vector<std::uint8_t> pngBytes(const Picture& picture, const std::string& path);

}  // namespace hwlconv
