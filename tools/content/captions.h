#pragma once
// The demo's lettering as written in content/captions.txt, and the pictures made from it: the three
// caption textures (white letters on black, sixteen rows of 1024 x 64 pixels each) and the title of
// the loading picture.
//
// The file, one item per line, "#" starting a comment line:
//   font NAME FILE                          a font file in the fonts folder
//   style NAME font=NAME size=PX baseline=PX [tracking=PX]
//                                           size: the em in pixels; baseline: pixels below the row's
//                                           top; tracking: extra pixels after each letter
//   text1 ROW STYLE FROM-TO TEXT            one row (1 to 16) of text1, text2 or text3: the text starts
//                                           at pixel FROM and must end by pixel TO (the part of the row
//                                           its scene shows)
//   loading STYLE BASELINE TEXT             a line of the loading picture, centred, its baseline
//                                           BASELINE pixels from the top
//
// Failures throw ContentError naming the file and line: an unknown keyword, style or font, a bad
// number, a row given twice, and (when drawing) a text that does not fit its part of the row.

#include "tools/content/canvas.h"
#include "tools/content/lettering.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace content {

constexpr int captionTextureSize = 1024;  // the caption textures are square
constexpr int captionRows = 16;
constexpr int captionRowHeight = captionTextureSize / captionRows;

struct CaptionStyle {
  std::string font;  // a font's NAME
  double size = 0;
  double baseline = 0;
  double tracking = 0;
};

struct CaptionRow {
  std::string texture;  // "text1", "text2" or "text3"
  int row = 0;          // 1 to 16
  std::string style;
  int from = 0, to = 0;  // the pixels the letters may cover, inclusive
  std::string text;
  std::string where;  // "FILE:LINE"
};

struct TitleLine {
  std::string style;
  double baseline = 0;
  std::string text;
  std::string where;
};

struct Captions {
  std::map<std::string, std::string> fonts;  // NAME -> file
  std::map<std::string, CaptionStyle> styles;
  std::vector<CaptionRow> rows;
  std::vector<TitleLine> loading;
};

inline const std::vector<std::string> captionTextures{"text1", "text2", "text3"};

Captions parseCaptions(std::string_view text, const std::string& source);
Captions readCaptionsFile(const std::string& path);

// Opens every font the captions name (so a missing one stops the build before anything is drawn).
void requireFonts(const Captions& captions, Fonts& fonts);

// The rows of one caption texture drawn onto a 1024 x 1024 canvas; checks that every text fits its
// part of its row.
GreyCanvas drawCaptionTexture(const Captions& captions, Fonts& fonts, const std::string& texture);

// The loading picture's lines drawn onto a canvas of the given size, each centred; `squeeze` narrows
// the letters for a picture that is shown wider than it is.
GreyCanvas drawLoadingTitle(const Captions& captions, Fonts& fonts, int width, int height, double squeeze);

}  // namespace content
