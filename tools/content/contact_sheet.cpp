#include "tools/content/contact_sheet.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

#include "hwl/hwl.h"
#include "tools/common/output_file.h"
#include "tools/content/captions.h"
#include "tools/content/content_error.h"
#include "tools/content/pictures.h"

namespace content {

namespace {

constexpr int cell = 128;  // a thumbnail's box
constexpr int gap = 18;
constexpr int labelHeight = 34;  // two lines
constexpr int columns = 8;
constexpr int sheetWidth = columns * (cell + gap) + gap;
constexpr std::uint8_t background[3] = {20, 20, 26};

// A decoded picture as RGB bytes (grey pictures as grey).
struct Decoded {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  std::array<std::uint8_t, 3> at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

Decoded decode(const std::filesystem::path& file) {
  hwl::HwlPicture picture;
  try {
    picture = hwl::hwlDecode(file.string());
  } catch (const std::exception& error) {
    throw ContentError(file.string(), std::string("cannot be read for the contact sheet: ") + error.what());
  }
  Decoded out{static_cast<int>(picture.header.width), static_cast<int>(picture.header.height), {}};
  const bool grey = picture.header.bitsPerPixel == 8;
  const std::size_t count = static_cast<std::size_t>(out.width) * out.height;
  out.rgb.resize(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) out.rgb[3 * i + c] = grey ? picture.pixels[i] : picture.pixels[4 * i + 2 - c];
  }
  return out;
}

class Sheet {
 public:
  Sheet(int width, int height) : picture_{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)} {
    for (std::size_t i = 0; i < picture_.rgb.size(); ++i) picture_.rgb[i] = background[i % 3];
  }
  void set(int x, int y, std::array<std::uint8_t, 3> colour) {
    if (x < 0 || y < 0 || x >= picture_.width || y >= picture_.height) return;
    std::copy(colour.begin(), colour.end(), picture_.rgb.begin() + (std::ptrdiff_t(y) * picture_.width + x) * 3);
  }
  // A line of grey letters, its baseline at `baseline`.
  void text(Fonts& fonts, const std::string& font, const std::string& line, int x, int baseline, double size) {
    constexpr int ascent = 32, height = 44;
    GreyCanvas letters(picture_.width, height);
    fonts.draw({font, size, 0, 1}, line, x, ascent, &letters, "the contact sheet");
    for (int y = 0; y < height; ++y) {
      for (int column = 0; column < picture_.width; ++column) {
        const float coverage = letters.at(column, y);
        const int row = baseline - ascent + y;
        if (coverage == 0 || row < 0 || row >= picture_.height) continue;
        std::uint8_t* pixel = &picture_.rgb[(std::size_t(row) * picture_.width + column) * 3];
        for (int c = 0; c < 3; ++c)
          pixel[c] = static_cast<std::uint8_t>(std::lround(pixel[c] + coverage * (210 - pixel[c])));
      }
    }
  }
  // The area's average of each box of `factor` x `factor` pixels, drawn at (x, y), each colour
  // scaled by what `shade` says for the source column.
  template <typename Shade>
  void shrunk(const Decoded& from, int left, int top, int width, int height, int factor, int x, int y, Shade shade) {
    for (int j = 0; j < height / factor; ++j) {
      for (int i = 0; i < width / factor; ++i) {
        int sum[3] = {0, 0, 0};
        for (int dy = 0; dy < factor; ++dy) {
          for (int dx = 0; dx < factor; ++dx) {
            const auto c = from.at(left + i * factor + dx, top + j * factor + dy);
            for (int k = 0; k < 3; ++k) sum[k] += c[k];
          }
        }
        const double s = shade(left + i * factor);
        std::array<std::uint8_t, 3> c{};
        for (int k = 0; k < 3; ++k) c[k] = static_cast<std::uint8_t>(std::lround(s * sum[k] / (factor * factor)));
        set(x + i, y + j, c);
      }
    }
  }
  void write(const std::filesystem::path& png) const {
    std::vector<std::uint8_t> bytes;
    const auto append = [](void* context, void* data, int size) {
      auto& to = *static_cast<std::vector<std::uint8_t>*>(context);
      to.insert(to.end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &bytes, picture_.width, picture_.height, 3, picture_.rgb.data(),
                                picture_.width * 3)) {
      throw ContentError(png.string(), "the PNG could not be encoded");
    }
    common::writeFileAtomically(png, bytes);
  }

 private:
  RgbPicture picture_;
};

int shrinkFactor(int width, int height) {
  int factor = 1;
  while (width / factor > cell || height / factor > cell) factor *= 2;
  return factor;
}

// Caption rows: the text's colour times its texture's alpha, over the sheet's background.
Decoded lettering(const Decoded& colour, const Decoded& alpha) {
  Decoded out{colour.width, colour.height, colour.rgb};
  for (std::size_t i = 0; i < out.rgb.size(); ++i) {
    const double a = alpha.rgb[i - i % 3] / 255.0;
    out.rgb[i] = static_cast<std::uint8_t>(std::lround(a * colour.rgb[i] + (1 - a) * background[i % 3]));
  }
  return out;
}

}  // namespace

void writeContactSheet(const std::filesystem::path& png, const std::filesystem::path& dataDir,
                       const std::filesystem::path& contentDir, Fonts& fonts) {
  const Captions captions = readCaptionsFile((contentDir / "captions.txt").string());
  const std::string font = captions.fonts.begin()->second;
  const std::vector<DataPicture>& pictures = demoPictures();
  const int pictureRows = (static_cast<int>(pictures.size()) + columns - 1) / columns;
  const int stripTop = gap + pictureRows * (cell + labelHeight + gap) + 30;
  constexpr int stripHeight = captionRowHeight / 2 + 10;
  const int captionLines = (static_cast<int>(captions.rows.size()) + 1) / 2;
  Sheet sheet(sheetWidth, stripTop + captionLines * stripHeight + gap);

  for (std::size_t n = 0; n < pictures.size(); ++n) {
    const Decoded picture = decode(dataDir / pictures[n].file);
    const int factor = shrinkFactor(picture.width, picture.height);
    const int x = gap + static_cast<int>(n % columns) * (cell + gap);
    const int y = gap + static_cast<int>(n / columns) * (cell + labelHeight + gap);
    sheet.shrunk(picture, 0, 0, picture.width, picture.height, factor, x + (cell - picture.width / factor) / 2,
                 y + (cell - picture.height / factor) / 2, [](int) { return 1.0; });
    sheet.text(fonts, font, pictures[n].file, x, y + cell + 15, 12);
    sheet.text(fonts, font, std::to_string(picture.width) + " x " + std::to_string(picture.height), x, y + cell + 30,
               11);
  }

  sheet.text(fonts, font, "caption rows, half size; the part a scene does not show is dimmed", gap, stripTop - 10, 14);
  const Decoded colour = decode(dataDir / "text0.hwl");
  std::map<std::string, Decoded> rows;
  for (const std::string& texture : captionTextures)
    rows[texture] = lettering(colour, decode(dataDir / (texture + ".hwl")));
  for (std::size_t n = 0; n < captions.rows.size(); ++n) {
    const CaptionRow& row = captions.rows[n];
    const int x = gap + static_cast<int>(n % 2) * (sheetWidth / 2);
    const int y = stripTop + static_cast<int>(n / 2) * stripHeight;
    sheet.text(fonts, font, row.texture + " " + std::to_string(row.row), x, y + 20, 12);
    sheet.shrunk(rows.at(row.texture), 0, (row.row - 1) * captionRowHeight, captionTextureSize, captionRowHeight, 2,
                 x + 60, y, [&](int column) { return column >= row.from && column <= row.to ? 1.0 : 0.35; });
  }
  sheet.write(png);
}

}  // namespace content
