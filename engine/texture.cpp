#include "engine/texture.h"

#include "engine/fatal_error.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <new>
#include <string>

namespace engine {

namespace {

// Grey bytes become blue, green, red and a zero alpha, so every Image has four bytes per pixel.
std::vector<std::uint8_t> widenGrey(const std::vector<std::uint8_t>& grey) {
  std::vector<std::uint8_t> bgra(grey.size() * 4);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    bgra[4 * i] = bgra[4 * i + 1] = bgra[4 * i + 2] = grey[i];
  }
  return bgra;
}

void decodeAndWiden(Texture& texture, const std::string& fileName) {
  hwl::hwlDecode(texture.image.pixels, texture.header, fileName, true);
  const int bits = texture.header.bitsPerPixel;
  if (texture.header.height == 0 || (bits != 8 && bits != 24) || texture.image.pixels.empty()) {
    fatalError("lmxTexture", "Could not load Texture", fileName);
  }
  if (bits == 8) texture.image.pixels = widenGrey(texture.image.pixels);
}

// A file the codec cannot read, or a picture too large for the memory there is, is an input error.
void decodeInto(Texture& texture, const std::string& fileName) {
  try {
    decodeAndWiden(texture, fileName);
  } catch (const hwl::HwlError& error) {
    inputError(error.what());
  } catch (const std::bad_alloc&) {
    texture.image.pixels = {};
    inputError(fileName + ": not enough memory for its " + std::to_string(texture.header.width) + " x " +
               std::to_string(texture.header.height) + " pixels");
  }
}

void uploadImage(const Texture& texture) {
  const Image& image = texture.image;
  const auto width = static_cast<GLsizei>(image.width);
  const auto height = static_cast<GLsizei>(image.height);
  glTexImage2D(GL_TEXTURE_2D, 0, image.components, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, image.pixels.data());
  if (texture.mipmapped) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, image.components, width, height, GL_BGRA, GL_UNSIGNED_BYTE, image.pixels.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, texture.mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, texture.mipmapped ? GL_NEAREST : GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void generateAndBind(Texture& texture) {
  GLuint name = 0;
  glGenTextures(1, &name);
  texture.glName = name;
  glBindTexture(GL_TEXTURE_2D, name);
}

void deleteName(const Texture& texture) {
  const GLuint name = texture.glName;
  glDeleteTextures(1, &name);
}

}  // namespace

Texture* initTexture(Texture* texture, const std::string& fileName, std::int32_t components, bool mipmapped) {
  if (!texture) texture = new Texture{};
  decodeInto(*texture, fileName);
  texture->image.width = texture->header.width;
  texture->image.height = texture->header.height;
  texture->image.components = components;
  texture->mipmapped = mipmapped;
  generateAndBind(*texture);
  uploadImage(*texture);
  return texture;
}

void setImageAlpha(Image& image, std::uint8_t alpha) {
  const std::size_t count = std::size_t(image.width) * image.height;
  for (std::size_t i = 0; i < count && 4 * i + 3 < image.pixels.size(); ++i) image.pixels[4 * i + 3] = alpha;
}

void copyImageAlpha(Image& destination, const Image& source) {
  const std::size_t count = std::min({std::size_t(destination.width) * destination.height,
                                      destination.pixels.size() / 4, source.pixels.size() / 4});
  for (std::size_t i = 0; i < count; ++i) destination.pixels[4 * i + 3] = source.pixels[4 * i];
}

void uploadTexture(Texture* texture) {
  deleteName(*texture);
  generateAndBind(*texture);
  uploadImage(*texture);
}

void doneTexture(Texture* texture) {
  if (!texture) return;
  deleteName(*texture);
  delete texture;
}

}  // namespace engine
