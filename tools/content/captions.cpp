#include "tools/content/captions.h"

#include "tools/content/content_error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace content {

namespace {

// One line split into its words; rest(n) is the text from word n on, as written.
class Words {
 public:
  explicit Words(std::string_view line) : line_(line) {
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      if (i == line.size()) break;
      const std::size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      starts_.push_back(start);
      words_.emplace_back(line.substr(start, i - start));
    }
  }
  std::size_t size() const { return words_.size(); }
  const std::string& operator[](std::size_t n) const { return words_[n]; }
  std::string rest(std::size_t n) const {
    std::string text(line_.substr(starts_[n]));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.pop_back();
    return text;
  }

 private:
  std::string_view line_;
  std::vector<std::string> words_;
  std::vector<std::size_t> starts_;
};

double number(const std::string& word, const std::string& what, const std::string& where) {
  double value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value) || value < 0) {
    throw ContentError(where, what + " must be a number of pixels, not `" + word + "`");
  }
  return value;
}

int wholeNumber(const std::string& word, const std::string& what, const std::string& where) {
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) {
    throw ContentError(where, what + " must be a whole number, not `" + word + "`");
  }
  return value;
}

void readFont(const Words& words, Captions& captions, const std::string& where) {
  if (words.size() != 3) throw ContentError(where, "a font line reads `font NAME FILE`");
  captions.fonts[words[1]] = words[2];
}

void readStyle(const Words& words, Captions& captions, const std::string& where) {
  if (words.size() < 2) throw ContentError(where, "a style line reads `style NAME font=NAME size=PX baseline=PX`");
  CaptionStyle style;
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    const std::string key = words[i].substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : words[i].substr(equals + 1);
    if (key == "font") {
      if (!captions.fonts.count(value)) throw ContentError(where, "no font is called `" + value + "`");
      style.font = value;
    } else if (key == "size" || key == "baseline" || key == "tracking") {
      (key == "size" ? style.size : key == "baseline" ? style.baseline : style.tracking) = number(value, key, where);
    } else {
      throw ContentError(where, "a style has font=, size=, baseline= and tracking=, not `" + words[i] + "`");
    }
  }
  if (style.font.empty() || style.size <= 0) throw ContentError(where, "a style needs font= and size=");
  captions.styles[words[1]] = style;
}

void checkStyle(const Captions& captions, const std::string& style, const std::string& where) {
  if (!captions.styles.count(style)) throw ContentError(where, "no style is called `" + style + "`");
}

void readRow(const Words& words, Captions& captions, const std::string& where) {
  if (words.size() < 5) throw ContentError(where, "a caption line reads `" + words[0] + " ROW STYLE FROM-TO TEXT`");
  CaptionRow row{words[0], wholeNumber(words[1], "the row", where), words[2], 0, 0, words.rest(4), where};
  if (row.row < 1 || row.row > captionRows) throw ContentError(where, "rows are numbered 1 to 16");
  checkStyle(captions, row.style, where);
  const std::size_t dash = words[3].find('-');
  if (dash == std::string::npos) throw ContentError(where, "the part of the row is written FROM-TO, as in 20-480");
  row.from = wholeNumber(words[3].substr(0, dash), "FROM", where);
  row.to = wholeNumber(words[3].substr(dash + 1), "TO", where);
  if (row.from < 0 || row.from >= row.to || row.to >= captionTextureSize) {
    throw ContentError(where, "the part of the row must lie within 0-1023, FROM before TO");
  }
  for (const CaptionRow& other : captions.rows) {
    if (other.texture == row.texture && other.row == row.row) {
      throw ContentError(where, "row " + words[1] + " of " + row.texture + " is already given (" + other.where + ")");
    }
  }
  captions.rows.push_back(row);
}

void readLoading(const Words& words, Captions& captions, const std::string& where) {
  if (words.size() < 4) throw ContentError(where, "a loading line reads `loading STYLE BASELINE TEXT`");
  checkStyle(captions, words[1], where);
  captions.loading.push_back({words[1], number(words[2], "BASELINE", where), words.rest(3), where});
}

}  // namespace

Captions parseCaptions(std::string_view text, const std::string& source) {
  Captions captions;
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const Words words(line);
    if (words.size() == 0 || words[0][0] == '#') continue;
    const std::string where = source + ":" + std::to_string(number);
    const std::string& keyword = words[0];
    if (keyword == "font") {
      readFont(words, captions, where);
    } else if (keyword == "style") {
      readStyle(words, captions, where);
    } else if (std::find(captionTextures.begin(), captionTextures.end(), keyword) != captionTextures.end()) {
      readRow(words, captions, where);
    } else if (keyword == "loading") {
      readLoading(words, captions, where);
    } else {
      throw ContentError(where, "unknown line `" + keyword + "` (font, style, text1, text2, text3 or loading)");
    }
  }
  return captions;
}

Captions readCaptionsFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ContentError(path, "cannot be read");
  std::ostringstream text;
  text << file.rdbuf();
  return parseCaptions(text.str(), path);
}

void requireFonts(const Captions& captions, Fonts& fonts) {
  for (const auto& [name, file] : captions.fonts) fonts.require(file);
}

namespace {

TextLook lookOf(const Captions& captions, const std::string& style, double squeeze = 1) {
  const CaptionStyle& s = captions.styles.at(style);
  return {captions.fonts.at(s.font), s.size, s.tracking, squeeze};
}

std::string quoted(const std::string& text) { return "`" + text + "`"; }

}  // namespace

GreyCanvas drawCaptionTexture(const Captions& captions, Fonts& fonts, const std::string& texture) {
  GreyCanvas canvas(captionTextureSize, captionTextureSize);
  for (const CaptionRow& row : captions.rows) {
    if (row.texture != texture) continue;
    const TextLook look = lookOf(captions, row.style);
    const int top = (row.row - 1) * captionRowHeight;
    // The pen starts at FROM less the first letter's own margin, so the ink starts at FROM.
    const InkBox measured = fonts.measure(look, row.text, row.where);
    const double x = row.from - measured.left;
    const double baseline = top + captions.styles.at(row.style).baseline;
    const InkBox ink = fonts.draw(look, row.text, x, baseline, nullptr, row.where);
    if (ink.right > row.to) {
      throw ContentError(row.where, quoted(row.text) + " is " + std::to_string(ink.width()) + " pixels wide; " +
                                        "the row shows " + std::to_string(row.to - row.from + 1) + " (" +
                                        std::to_string(row.from) + "-" + std::to_string(row.to) + ")");
    }
    if (ink.top < top || ink.bottom >= top + captionRowHeight) {
      throw ContentError(row.where, quoted(row.text) +
                                        " reaches out of its row: make its style smaller or move "
                                        "its baseline");
    }
    fonts.draw(look, row.text, x, baseline, &canvas, row.where);
  }
  return canvas;
}

GreyCanvas drawLoadingTitle(const Captions& captions, Fonts& fonts, int width, int height, double squeeze) {
  GreyCanvas canvas(width, height);
  for (const TitleLine& line : captions.loading) {
    const TextLook look = lookOf(captions, line.style, squeeze);
    const InkBox measured = fonts.measure(look, line.text, line.where);
    if (measured.width() > width) {
      throw ContentError(line.where, quoted(line.text) + " is wider than the picture");
    }
    const double x = (width - measured.width()) / 2.0 - measured.left;
    fonts.draw(look, line.text, x, line.baseline, &canvas, line.where);
  }
  return canvas;
}

}  // namespace content
