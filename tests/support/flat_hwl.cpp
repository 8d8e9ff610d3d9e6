#include "tests/support/flat_hwl.h"

#include "scenes/texture_list.h"
#include "tests/support/process.h"

namespace testsupport {

namespace {

void put16(std::string& out, int value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::string flatHwlBytes(const FlatHwl& picture) {
  const int planes = picture.bitsPerPixel == 24 ? 3 : 1;
  const std::uint32_t symbols = std::uint32_t(picture.width) * std::uint32_t(picture.height);
  std::string out = "HWL";
  put16(out, picture.width);
  put16(out, picture.height);
  out += static_cast<char>(picture.bitsPerPixel);
  out += static_cast<char>(0);                                       // one level
  for (int p = 0; p < 3; ++p) put32(out, p < planes ? symbols : 0);  // every coefficient a zero symbol
  for (int p = 0; p < 3; ++p) put32(out, 0);                         // no values
  for (int p = 0; p < 3; ++p) out += static_cast<char>(8);
  out += std::string(std::size_t(planes) * 2 * sizeof(double), '\0');  // scale tables of zeros
  for (int p = 0; p < planes; ++p) out += std::string((symbols + 3) / 4, '\0');
  return out;
}

void writeFlatHwl(const std::filesystem::path& path, const FlatHwl& picture) { writeFile(path, flatHwlBytes(picture)); }

void writeFlatDataSet(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const auto writeNamed = [&dir](const char* name) {
    if (name) writeFlatHwl(dir / name);
  };
  writeNamed(scenes::loadingPicture);
#define VELMORROW_FLAT_PICTURE(global, file, components, mipmaps, alpha, maskFile, progressAfter, shutdownPlace) \
  writeNamed(file);                                                                                              \
  writeNamed(maskFile);
  VELMORROW_TEXTURES(VELMORROW_FLAT_PICTURE)
#undef VELMORROW_FLAT_PICTURE
}

}  // namespace testsupport
