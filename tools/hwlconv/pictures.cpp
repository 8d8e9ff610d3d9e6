#include "tools/hwlconv/pictures.h"

#include "hwl/hwl.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace hwlconv {

namespace {

// stb_image reading from bytes in memory through callbacks, noting whether the decoder wanted bytes
// past the end of the file. stb fills its own small buffer with reads that may come back short near
// the end (it refills only when it needs the next byte, so a refill that gets nothing means a byte
// was needed), and reads blocks of pixels straight into the picture (where every byte asked for is
// needed). The first read of a load is always the buffer's, which tells the two apart.
class WatchedInput {
 public:
  explicit WatchedInput(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  const stbi_io_callbacks* callbacks() const {
    static const stbi_io_callbacks functions{read, skip, atEnd};
    return &functions;
  }
  bool wentPastEnd() const { return wentPastEnd_; }

 private:
  static int read(void* user, char* data, int size) {
    auto& input = *static_cast<WatchedInput*>(user);
    if (!input.buffer_) input.buffer_ = data;
    const std::size_t left = input.bytes_.size() - input.at_;
    const std::size_t n = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
    std::memcpy(data, input.bytes_.data() + input.at_, n);
    input.at_ += n;
    if (size > 0 && (n == 0 || (n < static_cast<std::size_t>(size) && data != input.buffer_))) {
      input.wentPastEnd_ = true;
    }
    return static_cast<int>(n);
  }
  // Skipping past the end reads nothing, so it is not a loss by itself (a BMP without its last row's
  // padding has all its pixels).
  static void skip(void* user, int n) {
    auto& input = *static_cast<WatchedInput*>(user);
    input.at_ = n < 0 ? input.at_ : std::min(input.bytes_.size(), input.at_ + static_cast<std::size_t>(n));
  }
  static int atEnd(void* user) {
    const auto& input = *static_cast<const WatchedInput*>(user);
    return input.at_ >= input.bytes_.size();
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
  const char* buffer_ = nullptr;
  bool wentPastEnd_ = false;
};

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  if (std::error_code error; std::filesystem::is_directory(path, error)) throw ToolError(path + ": is a directory");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ToolError(path + ": cannot open: " + std::strerror(errno));
  std::vector<std::uint8_t> bytes;
  std::vector<char> chunk(std::size_t{1} << 20);
  while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + file.gcount());
  }
  if (file.bad()) throw ToolError(path + ": cannot read: " + std::strerror(errno));
  if (bytes.empty()) throw ToolError(path + ": is empty");
  return bytes;
}

std::uint32_t bigEndian32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

// The size a PNG's header gives, for the one case stb_image cannot tell: it refuses very large PNGs
// already when asked for their size, and then names no reason.
bool pngSize(const std::vector<std::uint8_t>& bytes, std::uint64_t& width, std::uint64_t& height) {
  static const char signature[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
  if (bytes.size() < 24 || std::memcmp(bytes.data(), signature, 16) != 0) return false;
  width = bigEndian32(&bytes[16]);
  height = bigEndian32(&bytes[20]);
  return true;
}

[[noreturn]] void tooLarge(const std::string& path, std::uint64_t width, std::uint64_t height) {
  throw ToolError(path + ": too large to load (" + std::to_string(width) + " x " + std::to_string(height) +
                  "; an HWL picture holds at most " + std::to_string(hwl::hwlMaxPixels) + " pixels)");
}

[[noreturn]] void cutShort(const PictureFile& file) {
  throw ToolError(file.path + ": the file is cut short (its " + std::to_string(file.bytes.size()) +
                  " bytes end before the picture does)");
}

std::unique_ptr<stbi_uc, void (*)(void*)> load(const PictureFile& file, int channels) {
  WatchedInput input(file.bytes);
  int width = 0, height = 0, stored = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> data(
      stbi_load_from_callbacks(input.callbacks(), &input, &width, &height, &stored, channels), stbi_image_free);
  if (input.wentPastEnd()) cutShort(file);
  if (!data) throw ToolError(file.path + ": cannot read the picture (" + stbi_failure_reason() + ")");
  if (width != file.width || height != file.height) {
    throw ToolError(file.path + ": cannot read the picture (its size changed between reads)");
  }
  return data;
}

}  // namespace

PictureFile openPicture(const std::string& path) {
  PictureFile file{path, readWholeFile(path), 0, 0, 0};
  WatchedInput input(file.bytes);
  if (!stbi_info_from_callbacks(input.callbacks(), &input, &file.width, &file.height, &file.channels)) {
    std::uint64_t width = 0, height = 0;
    if (pngSize(file.bytes, width, height) && width * height > hwl::hwlMaxPixels) tooLarge(path, width, height);
    throw ToolError(path + ": not a picture hwlconv can read (" + stbi_failure_reason() + ")");
  }
  if (input.wentPastEnd()) cutShort(file);
  if (std::uint64_t(file.width) * std::uint64_t(file.height) > hwl::hwlMaxPixels) {
    tooLarge(path, file.width, file.height);
  }
  return file;
}

Picture decodePicture(const PictureFile& file, bool forceGrey) {
  const int channels = forceGrey || file.channels <= 2 ? 1 : 3;
  const auto data = load(file, channels);
  Picture picture{file.width, file.height, channels, {}};
  picture.samples.assign(data.get(), data.get() + std::size_t(file.width) * file.height * channels);
  return picture;
}

Picture decodeAlpha(const PictureFile& file) {
  const auto data = load(file, file.channels);
  const std::size_t pixels = std::size_t(file.width) * file.height;
  Picture alpha{file.width, file.height, 1, std::vector<std::uint8_t>(pixels)};
  for (std::size_t i = 0; i < pixels; ++i) alpha.samples[i] = data.get()[i * file.channels + file.channels - 1];
  return alpha;
}

std::vector<std::uint8_t> pngBytes(const Picture& picture, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const auto append = [](void* context, void* data, int size) {
    const auto* at = static_cast<const std::uint8_t*>(data);
    static_cast<std::vector<std::uint8_t>*>(context)->insert(static_cast<std::vector<std::uint8_t>*>(context)->end(),
                                                             at, at + size);
  };
  if (!stbi_write_png_to_func(append, &bytes, picture.width, picture.height, picture.channels, picture.samples.data(),
                              picture.width * picture.channels)) {
    throw ToolError(path + ": not enough memory to make the PNG");
  }
  return bytes;
}

}  // namespace hwlconv
