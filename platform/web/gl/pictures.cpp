#include "platform/web/gl/pictures.h"

#include <algorithm>
#include <cstddef>

namespace gllayer {

namespace {

// Bytes per pixel and where red, green, blue and alpha sit (-1: absent).
struct Layout {
  int bytes;
  int red, green, blue, alpha;
};

std::optional<Layout> layoutOf(GLenum format) {
  switch (format) {
    case GL_BGRA:
      return Layout{4, 2, 1, 0, 3};
    case GL_RGBA:
      return Layout{4, 0, 1, 2, 3};
    case GL_RGB:
      return Layout{3, 0, 1, 2, -1};
    case GL_BGR:
      return Layout{3, 2, 1, 0, -1};
    case GL_LUMINANCE:
      return Layout{1, 0, 0, 0, -1};
    default:
      return std::nullopt;
  }
}

std::size_t paddedRow(int width, int bytes, int alignment) {
  const std::size_t row = std::size_t(width) * bytes;
  const std::size_t a = alignment > 0 ? std::size_t(alignment) : 1;
  return (row + a - 1) / a * a;
}

}  // namespace

bool keepsAlpha(GLint internalFormat) {
  switch (internalFormat) {
    case 2:
    case 4:
    case GL_RGBA:
    case GL_RGBA8:
    case GL_LUMINANCE_ALPHA:
    case GL_ALPHA:
      return true;
    default:
      return false;
  }
}

std::optional<Picture> toRgba(int width, int height, GLenum format, GLenum type, const void* pixels,
                              int unpackAlignment, GLint internalFormat) {
  const std::optional<Layout> layout = layoutOf(format);
  if (!layout || type != GL_UNSIGNED_BYTE || width < 0 || height < 0) return std::nullopt;
  Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 255)};
  if (!pixels) return picture;
  const bool alpha = keepsAlpha(internalFormat) && layout->alpha >= 0;
  const auto* in = static_cast<const std::uint8_t*>(pixels);
  const std::size_t row = paddedRow(width, layout->bytes, unpackAlignment);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = in + std::size_t(y) * row;
    std::uint8_t* q = &picture.rgba[std::size_t(y) * width * 4];
    for (int x = 0; x < width; ++x, p += layout->bytes, q += 4) {
      q[0] = p[layout->red];
      q[1] = p[layout->green];
      q[2] = p[layout->blue];
      if (alpha) q[3] = p[layout->alpha];
    }
  }
  return picture;
}

Picture halve(const Picture& in) {
  Picture out{std::max(in.width / 2, 1), std::max(in.height / 2, 1), {}};
  out.rgba.resize(std::size_t(out.width) * out.height * 4);
  const int dx = in.width > 1 ? 1 : 0, dy = in.height > 1 ? 1 : 0;
  const auto texel = [&](int x, int y, int c) { return int(in.rgba[(std::size_t(y) * in.width + x) * 4 + c]); };
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const int x0 = x * (dx + 1), y0 = y * (dy + 1);
      for (int c = 0; c < 4; ++c) {
        int value;
        if (dx && dy) {
          value = (texel(x0, y0, c) + texel(x0 + 1, y0, c) + texel(x0, y0 + 1, c) + texel(x0 + 1, y0 + 1, c) + 2) / 4;
        } else {
          value = (texel(x0, y0, c) + texel(x0 + dx, y0 + dy, c)) / 2;
        }
        out.rgba[(std::size_t(y) * out.width + x) * 4 + c] = static_cast<std::uint8_t>(value);
      }
    }
  }
  return out;
}

void packPixels(const std::uint8_t* rgba, int width, int height, GLenum format, int packAlignment, std::uint8_t* out) {
  const int bytes = format == GL_RGB ? 3 : 4;
  const std::size_t row = paddedRow(width, bytes, packAlignment);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = rgba + std::size_t(y) * width * 4;
    std::uint8_t* q = out + std::size_t(y) * row;
    for (int x = 0; x < width; ++x, p += 4, q += bytes) {
      const bool swap = format == GL_BGRA;
      q[0] = p[swap ? 2 : 0];
      q[1] = p[1];
      q[2] = p[swap ? 0 : 2];
      if (bytes == 4) q[3] = p[3];
    }
  }
}

}  // namespace gllayer
