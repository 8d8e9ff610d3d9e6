// The captions file and the lettering drawn from it, with DejaVu Sans from Debian's fonts.

#include "tools/content/captions.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/messages.h"
#include "tools/content/content_error.h"

namespace {

using namespace content;

const char* fontDir = "/usr/share/fonts/truetype/dejavu";

const std::string header =
    "# a comment\n"
    "font regular DejaVuSans.ttf\n"
    "style caption font=regular size=38 baseline=44 tracking=1.5\n";

std::string errorOf(const std::string& text) {
  return testsupport::messageOf<ContentError>([&] { parseCaptions(text, "c.txt"); }, "");
}

// The columns of row `row` (1 to 16) of a caption texture that hold any ink.
std::pair<int, int> inkColumns(const GreyCanvas& canvas, int row) {
  int left = canvas.width, right = -1;
  for (int y = (row - 1) * captionRowHeight; y < row * captionRowHeight; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      if (canvas.at(x, y) > 0) left = std::min(left, x), right = std::max(right, x);
    }
  }
  return {left, right};
}

TEST(Captions, ReadsFontsStylesRowsAndLoadingLines) {
  const Captions captions = parseCaptions(header +
                                              "text2  3  caption  20-480   a line,  with  its spaces\n"
                                              "loading caption 228 Velmorrow\n",
                                          "c.txt");
  EXPECT_EQ(captions.fonts.at("regular"), "DejaVuSans.ttf");
  EXPECT_DOUBLE_EQ(captions.styles.at("caption").tracking, 1.5);
  ASSERT_EQ(captions.rows.size(), 1u);
  const CaptionRow& row = captions.rows[0];
  EXPECT_EQ(row.texture, "text2");
  EXPECT_EQ(row.row, 3);
  EXPECT_EQ(row.from, 20);
  EXPECT_EQ(row.to, 480);
  EXPECT_EQ(row.text, "a line,  with  its spaces");
  EXPECT_EQ(row.where, "c.txt:4");
  ASSERT_EQ(captions.loading.size(), 1u);
  EXPECT_DOUBLE_EQ(captions.loading[0].baseline, 228);
}

TEST(Captions, NamesTheLineOfEveryMistake) {
  EXPECT_EQ(errorOf(header + "txt1 1 caption 20-400 hello\n"),
            "c.txt:4: unknown line `txt1` (font, style, text1, text2, text3 or loading)");
  EXPECT_EQ(errorOf(header + "text1 17 caption 20-400 hello\n"), "c.txt:4: rows are numbered 1 to 16");
  EXPECT_EQ(errorOf(header + "text1 1 bold 20-400 hello\n"), "c.txt:4: no style is called `bold`");
  EXPECT_EQ(errorOf(header + "text1 1 caption 400-20 hello\n"),
            "c.txt:4: the part of the row must lie within 0-1023, FROM before TO");
  EXPECT_EQ(errorOf(header + "text1 1 caption 20-400 a\ntext1 1 caption 20-400 b\n"),
            "c.txt:5: row 1 of text1 is already given (c.txt:4)");
  EXPECT_EQ(errorOf("style s font=none size=3\n"), "c.txt:1: no font is called `none`");
  EXPECT_EQ(errorOf(header + "style t font=regular size=big\n"), "c.txt:4: size must be a number of pixels, not `big`");
  EXPECT_EQ(errorOf(header + "text1 1 caption 20-400\n"),
            "c.txt:4: a caption line reads `text1 ROW STYLE FROM-TO TEXT`");
}

TEST(Lettering, StartsEachRowAtItsFromPixelWithinTheRow) {
  Fonts fonts(fontDir);
  const Captions captions = parseCaptions(header +
                                              "text1 2 caption 20-490 it learns to burn\n"
                                              "text1 9 caption 300-1000 and grows\n",
                                          "c.txt");
  const GreyCanvas canvas = drawCaptionTexture(captions, fonts, "text1");
  const auto [left2, right2] = inkColumns(canvas, 2);
  EXPECT_EQ(left2, 20);
  EXPECT_GT(right2, 300);
  EXPECT_LE(right2, 490);
  EXPECT_EQ(inkColumns(canvas, 9).first, 300);
  EXPECT_EQ(inkColumns(canvas, 1).second, -1);  // nothing in rows without a caption
  EXPECT_EQ(*std::max_element(canvas.values.begin(), canvas.values.end()), 1.0f);
  EXPECT_EQ(drawCaptionTexture(captions, fonts, "text2").values, std::vector<float>(1024 * 1024, 0.0f));
}

TEST(Lettering, RefusesATextWiderThanItsPartOfTheRowOrTallerThanTheRow) {
  Fonts fonts(fontDir);
  const Captions tooWide = parseCaptions(header + "text1 2 caption 20-200 it learns to burn\n", "c.txt");
  try {
    drawCaptionTexture(tooWide, fonts, "text1");
    FAIL() << "no error";
  } catch (const ContentError& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("c.txt:4: `it learns to burn` is ")) << error.what();
    EXPECT_TRUE(std::string(error.what()).ends_with("pixels wide; the row shows 181 (20-200)")) << error.what();
  }
  const Captions tooTall =
      parseCaptions("font r DejaVuSans.ttf\nstyle huge font=r size=90 baseline=70\ntext3 1 huge 20-1000 Ag\n", "c.txt");
  EXPECT_THROW(drawCaptionTexture(tooTall, fonts, "text3"), ContentError);
}

TEST(Lettering, ReportsAMissingFontByItsPathAndAMissingLetter) {
  Fonts nowhere("/nonexistent/fonts");
  const Captions captions = parseCaptions(header, "c.txt");
  try {
    requireFonts(captions, nowhere);
    FAIL() << "no error";
  } catch (const ContentError& error) {
    EXPECT_EQ(
        std::string(error.what()),
        "/nonexistent/fonts/DejaVuSans.ttf: cannot open the font (Debian's fonts-dejavu-core installs DejaVu Sans)");
  }
  Fonts fonts(fontDir);
  const Captions odd = parseCaptions(header + "text1 1 caption 20-900 one \xE4\xB8\x80\n", "c.txt");
  EXPECT_THROW(
      {
        try {
          drawCaptionTexture(odd, fonts, "text1");
        } catch (const ContentError& error) {
          EXPECT_EQ(std::string(error.what()), "c.txt:4: DejaVu Sans has no letter U+4E00");
          throw;
        }
      },
      ContentError);
  const Captions broken = parseCaptions(header + "text1 1 caption 20-900 caf\xC3\n", "c.txt");
  EXPECT_THROW(drawCaptionTexture(broken, fonts, "text1"), ContentError);
}

TEST(Lettering, CentresTheLoadingLinesAndSqueezesThem) {
  Fonts fonts(fontDir);
  const Captions captions = parseCaptions(header + "loading caption 200 Velmorrow\n", "c.txt");
  const GreyCanvas wide = drawLoadingTitle(captions, fonts, 512, 512, 1.0);
  const GreyCanvas narrow = drawLoadingTitle(captions, fonts, 512, 512, 0.75);
  const auto columns = [](const GreyCanvas& canvas) {
    int left = canvas.width, right = -1;
    for (int y = 0; y < canvas.height; ++y) {
      for (int x = 0; x < canvas.width; ++x) {
        if (canvas.at(x, y) > 0) left = std::min(left, x), right = std::max(right, x);
      }
    }
    return std::pair{left, right};
  };
  const auto [l1, r1] = columns(wide);
  const auto [l2, r2] = columns(narrow);
  EXPECT_NEAR(l1 + r1, 511, 2);  // centred
  EXPECT_NEAR(l2 + r2, 511, 2);
  EXPECT_NEAR(static_cast<double>(r2 - l2) / (r1 - l1), 0.75, 0.03);
}

}  // namespace
