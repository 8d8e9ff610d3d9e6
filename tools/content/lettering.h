#pragma once
// Lettering with FreeType: fonts opened once from a fonts folder, lines of text laid out (kerning,
// extra letter spacing, an optional horizontal squeeze) and drawn as anti-aliased coverage onto a grey
// canvas. Text is UTF-8.
//
// Coordinates are canvas pixels: x grows to the right, y downwards; a line is placed by the left end
// of its pen and its baseline. Letters are drawn without hinting, at their exact sub-pixel positions,
// so the same text always gives the same pixels.
//
// Failures throw ContentError: a font file that cannot be opened ("FILE: cannot open the font"), a
// letter the font does not have, text that is not UTF-8.

#include "tools/content/canvas.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace content {

// How a line is set: the font (a file in the fonts folder), its size in pixels (the em square), extra
// space after every letter in pixels, and a horizontal scale (1: as designed; 0.75: three quarters as
// wide, for a picture that is shown stretched).
struct TextLook {
  std::string fontFile;
  double size = 32;
  double tracking = 0;
  double squeeze = 1;
};

// The pixels a drawn line covers, inclusive; empty for a line without ink.
struct InkBox {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool empty() const { return right < left; }
  int width() const { return empty() ? 0 : right - left + 1; }
};

class Fonts {
 public:
  explicit Fonts(std::filesystem::path folder);
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  // Opens the font now (it stays open): so a missing file is found before anything is drawn.
  void require(const std::string& fontFile);

  // Draws the line onto the canvas (when given) and returns its ink; `where` names the line in errors.
  InkBox draw(const TextLook& look, std::string_view text, double x, double baseline, GreyCanvas* canvas,
              const std::string& where);
  InkBox measure(const TextLook& look, std::string_view text, const std::string& where) {
    return draw(look, text, 0, 0, nullptr, where);
  }

 private:
  struct Face;
  Face& face(const std::string& fontFile);

  std::filesystem::path folder_;
  void* library_ = nullptr;  // FT_Library
  std::map<std::string, std::unique_ptr<Face>> faces_;
};

// The code points of a UTF-8 text; throws ContentError naming `where` when it is not UTF-8.
std::u32string decodeUtf8(std::string_view text, const std::string& where);

}  // namespace content
