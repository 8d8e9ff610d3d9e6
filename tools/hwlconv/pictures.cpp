#include "tools/hwlconv/pictures.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace hwlconv {

Picture readPicture(const std::string& path, bool forceGrey) {
  int width = 0, height = 0, channels = 0;
  if (!stbi_info(path.c_str(), &width, &height, &channels)) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) throw ToolError(path + ": cannot open: " + std::strerror(errno));
    std::fclose(probe);
    throw ToolError(path + ": not a picture hwlconv can read (" + stbi_failure_reason() + ")");
  }
  const int wanted = forceGrey || channels <= 2 ? 1 : 3;
  std::unique_ptr<stbi_uc, void (*)(void*)> data(
      stbi_load(path.c_str(), &width, &height, &channels, wanted), stbi_image_free);
  if (!data) throw ToolError(path + ": cannot read the picture (" + stbi_failure_reason() + ")");
  Picture picture{width, height, wanted, {}};
  picture.samples.assign(data.get(), data.get() + std::size_t(width) * height * wanted);
  return picture;
}

void writePng(const std::string& path, const Picture& picture) {
  if (!stbi_write_png(path.c_str(), picture.width, picture.height, picture.channels,
                      picture.samples.data(), picture.width * picture.channels)) {
    throw ToolError(path + ": cannot write the PNG");
  }
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw ToolError(path + ": cannot write: " + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) throw ToolError(path + ": cannot write: " + std::strerror(errno));
}

}  // namespace hwlconv
