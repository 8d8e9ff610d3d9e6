#include "tools/content/lettering.h"

#include "tools/content/content_error.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

namespace content {

struct Fonts::Face {
  FT_Face handle = nullptr;
  std::string name;  // family and style, for messages
  ~Face() {
    if (handle) FT_Done_Face(handle);
  }
};

namespace {

FT_Library library(void* handle) { return static_cast<FT_Library>(handle); }

// 26.6 fixed point (what FreeType measures in) to pixels and back.
double fromFixed(FT_Pos value) { return static_cast<double>(value) / 64.0; }
FT_Pos toFixed(double pixels) { return static_cast<FT_Pos>(std::lround(pixels * 64.0)); }

std::string describe(char32_t letter) {
  char buffer[32];
  if (letter >= 0x20 && letter < 0x7f) {
    std::snprintf(buffer, sizeof buffer, "`%c`", static_cast<char>(letter));
  } else {
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(letter));
  }
  return buffer;
}

// Adds a rendered glyph bitmap (8-bit coverage) to the canvas and the ink box.
void place(const FT_Bitmap& bitmap, int left, int top, GreyCanvas* canvas, InkBox& ink) {
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (unsigned column = 0; column < bitmap.width; ++column) {
      if (line[column] == 0) continue;
      const int x = left + static_cast<int>(column);
      const int y = top + static_cast<int>(row);
      if (ink.empty()) ink = {x, y, x, y};
      ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x), std::max(ink.bottom, y)};
      if (canvas) canvas->lighten(x, y, line[column] / 255.0f);
    }
  }
}

}  // namespace

std::u32string decodeUtf8(std::string_view text, const std::string& where) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t code = lead;
    if ((lead & 0xe0) == 0xc0) {
      extra = 1, code = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
      extra = 2, code = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
      extra = 3, code = lead & 0x07;
    } else if (lead >= 0x80) {
      throw ContentError(where, "the text is not UTF-8");
    }
    if (i + extra >= text.size() && extra > 0) throw ContentError(where, "the text is not UTF-8");
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80) throw ContentError(where, "the text is not UTF-8");
      code = (code << 6) | (next & 0x3f);
    }
    out.push_back(code);
    i += 1 + extra;
  }
  return out;
}

Fonts::Fonts(std::filesystem::path folder) : folder_(std::move(folder)) {
  FT_Library handle = nullptr;
  if (FT_Init_FreeType(&handle) != 0) throw ContentError("FreeType", "cannot be started");
  library_ = handle;
}

Fonts::~Fonts() {
  faces_.clear();
  FT_Done_FreeType(library(library_));
}

void Fonts::require(const std::string& fontFile) { face(fontFile); }

Fonts::Face& Fonts::face(const std::string& fontFile) {
  if (auto found = faces_.find(fontFile); found != faces_.end()) return *found->second;
  const std::string path = (folder_ / fontFile).string();
  auto opened = std::make_unique<Face>();
  if (FT_New_Face(library(library_), path.c_str(), 0, &opened->handle) != 0) {
    opened->handle = nullptr;
    throw ContentError(path, "cannot open the font (Debian's fonts-dejavu-core installs DejaVu Sans)");
  }
  opened->name = std::string(opened->handle->family_name ? opened->handle->family_name : fontFile);
  return *faces_.emplace(fontFile, std::move(opened)).first->second;
}

InkBox Fonts::draw(const TextLook& look, std::string_view text, double x, double baseline, GreyCanvas* canvas,
                   const std::string& where) {
  Face& f = face(look.fontFile);
  FT_Face handle = f.handle;
  FT_Set_Char_Size(handle, 0, toFixed(look.size), 72, 72);
  FT_Matrix squeeze{static_cast<FT_Fixed>(std::lround(look.squeeze * 65536.0)), 0, 0, 0x10000};
  FT_Set_Transform(handle, &squeeze, nullptr);

  InkBox ink;
  double pen = x;
  FT_UInt previous = 0;
  for (char32_t letter : decodeUtf8(text, where)) {
    const FT_UInt glyph = FT_Get_Char_Index(handle, letter);
    if (glyph == 0) throw ContentError(where, f.name + " has no letter " + describe(letter));
    if (previous != 0 && FT_HAS_KERNING(handle)) {
      FT_Vector kerning{};
      FT_Get_Kerning(handle, previous, glyph, FT_KERNING_UNFITTED, &kerning);
      pen += fromFixed(kerning.x) * look.squeeze;
    }
    if (FT_Load_Glyph(handle, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) {
      throw ContentError(where, f.name + " cannot draw the letter " + describe(letter));
    }
    // Render at the pen's exact position: whole pixels by placement, the fraction by moving the outline.
    const double whole = std::floor(pen);
    const double baseWhole = std::floor(baseline);
    FT_Outline_Translate(&handle->glyph->outline, toFixed(pen - whole), -toFixed(baseline - baseWhole));
    if (FT_Render_Glyph(handle->glyph, FT_RENDER_MODE_NORMAL) != 0) {
      throw ContentError(where, f.name + " cannot draw the letter " + describe(letter));
    }
    const FT_GlyphSlot slot = handle->glyph;
    place(slot->bitmap, static_cast<int>(whole) + slot->bitmap_left, static_cast<int>(baseWhole) - slot->bitmap_top,
          canvas, ink);
    pen += slot->linearHoriAdvance / 65536.0 * look.squeeze + look.tracking;
    previous = glyph;
  }
  FT_Set_Transform(handle, nullptr, nullptr);
  return ink;
}

}  // namespace content
