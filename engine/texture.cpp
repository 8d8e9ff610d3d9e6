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

// The checks the demo makes of a decoded picture before it becomes a texture.
bool usable(const hwl::HwlHeader& header, const std::vector<std::uint8_t>& pixels) {
  const int bits = header.bitsPerPixel;
  return header.height != 0 && (bits == 8 || bits == 24) && !pixels.empty();
}

// A failure reported on the uploading thread, in loading order: a picture the demo cannot use ends it
// through the fatal reporter, a file the codec cannot read (or too large for the memory there is) is
// an input error.
void reportFailure(const DecodedPicture& picture, const std::string& fileName) {
  if (picture.failure == DecodedPicture::Failure::unusable) {
    fatalError("lmxTexture", "Could not load Texture", fileName);
  }
  if (picture.failure == DecodedPicture::Failure::input) inputError(picture.problem);
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

DecodedPicture decodePicture(const std::string& fileName) {
  DecodedPicture picture;
  try {
    hwl::hwlDecode(picture.pixels, picture.header, fileName, true);
    if (!usable(picture.header, picture.pixels)) {
      picture.failure = DecodedPicture::Failure::unusable;
    } else if (picture.header.bitsPerPixel == 8) {
      picture.pixels = widenGrey(picture.pixels);
    }
  } catch (const hwl::HwlError& error) {
    picture = {picture.header, {}, DecodedPicture::Failure::input, error.what()};
  } catch (const std::bad_alloc&) {
    picture = {picture.header,
               {},
               DecodedPicture::Failure::input,
               fileName + ": not enough memory for its " + std::to_string(picture.header.width) + " x " +
                   std::to_string(picture.header.height) + " pixels"};
  }
  return picture;
}

Texture* initTexture(Texture* texture, const std::string& fileName, std::int32_t components, bool mipmapped) {
  return initTexture(texture, decodePicture(fileName), fileName, components, mipmapped);
}

Texture* initTexture(Texture* texture, DecodedPicture picture, const std::string& fileName, std::int32_t components,
                     bool mipmapped) {
  reportFailure(picture, fileName);
  if (!texture) texture = new Texture{};
  texture->header = picture.header;
  texture->image.pixels = std::move(picture.pixels);
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
  const std::size_t count = std::min(
      {std::size_t(destination.width) * destination.height, destination.pixels.size() / 4, source.pixels.size() / 4});
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
