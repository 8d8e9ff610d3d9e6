// The demo's data folder as the build makes it (data/ in the build tree): every file the start-up
// loads, at its size; masks white on black; caption rows inside the part of their strip their scene
// shows; every picture within 38 dB of what its sources make; and the demo starting on it.

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "hwl/hwl.h"
#include "tests/support/process.h"
#include "tools/content/pictures.h"

namespace {

using namespace testsupport;
using namespace std::chrono_literals;

std::filesystem::path data() { return binaryDir() / "data"; }

const hwl::HwlPicture& picture(const std::string& file) {
  static std::map<std::string, hwl::HwlPicture> decoded;
  auto found = decoded.find(file);
  if (found == decoded.end()) found = decoded.emplace(file, hwl::hwlDecode((data() / file).string())).first;
  return found->second;
}

// A sample of a decoded picture: grey for 8-bit files, else the largest of blue, green and red.
int sample(const hwl::HwlPicture& p, int x, int y) {
  const std::size_t i = static_cast<std::size_t>(y) * p.header.width + x;
  if (p.header.bitsPerPixel == 8) return p.pixels[i];
  return std::max({p.pixels[4 * i], p.pixels[4 * i + 1], p.pixels[4 * i + 2]});
}

// The pictures as the content tool's table describes them (a unit test holds that table to what the
// start-up loads).
TEST(DemoData, HoldsEveryFileTheStartUpLoadsAtItsSize) {
  for (const content::DataPicture& entry : content::demoPictures()) {
    const hwl::HwlHeader& header = picture(entry.file).header;
    EXPECT_EQ(header.width, static_cast<unsigned>(entry.width)) << entry.file;
    EXPECT_EQ(header.height, static_cast<unsigned>(entry.height)) << entry.file;
    EXPECT_EQ(header.bitsPerPixel, 8 * entry.channels) << entry.file;
    EXPECT_EQ(header.width % (2u << header.lastLevel), 0u) << entry.file;  // divisible by 2^(L + 1)
  }
  EXPECT_GT(std::filesystem::file_size(data() / "music.mp3"), 1000000u);
}

// Every grey picture is a mask (or a picture that is its own alpha).
TEST(DemoData, MasksAreWhiteOnBlack) {
  for (const content::DataPicture& entry : content::demoPictures()) {
    if (entry.channels != 1) continue;
    const hwl::HwlPicture& mask = picture(entry.file);
    const int size = static_cast<int>(mask.header.width);
    EXPECT_EQ(sample(mask, size - 1, size - 1), 0) << entry.file;
    EXPECT_EQ(*std::max_element(mask.pixels.begin(), mask.pixels.end()), 255) << entry.file;
  }
  // The wing: white in the middle of the fore wing, black beyond its tip's lower edge.
  EXPECT_EQ(sample(picture("butterfly_alpha.hwl"), 64, 96), 255);
  EXPECT_EQ(sample(picture("butterfly_alpha.hwl"), 250, 200), 0);
}

// Pictures added over the scene: their edges must be black, or the square would show.
TEST(DemoData, AddedPicturesFadeToBlackAtTheirEdges) {
  for (const char* file : {"flare.hwl", "flare_big.hwl", "circle1.hwl", "background1.hwl", "background3.hwl",
                           "background4.hwl", "background99.hwl"}) {
    const hwl::HwlPicture& p = picture(file);
    const int size = static_cast<int>(p.header.width);
    int brightest = 0;
    for (int i = 0; i < size; ++i) {
      for (int edge : {0, 1, size - 2, size - 1})
        brightest = std::max({brightest, sample(p, i, edge), sample(p, edge, i)});
    }
    EXPECT_LE(brightest, 12) << file;
  }
}

// How each caption row moves: x = x0 + rate * t from the start of its window (static rows have rate 0).
// A strip reaches 3 units left and 2 right of x; the caption view ends at x = -4 and 4.
struct Caption {
  const char* texture;
  int row;
  double x0, rate, start;
};
constexpr double drift = 1.0 / 12000;
const Caption captions[] = {
    {"text1.hwl", 1, 1.68, 0, 0},
    {"text1.hwl", 2, 6, -drift, 16510},
    {"text1.hwl", 3, 6, -drift, 21600},
    {"text1.hwl", 4, 6, -drift, 26690},
    {"text1.hwl", 5, 6, -drift, 31780},
    {"text1.hwl", 6, 6, -drift, 36870},
    {"text1.hwl", 7, 6, -drift, 42960},
    {"text1.hwl", 8, -4.8, drift, 45730},
    {"text1.hwl", 9, -5.2, drift, 50820},
    {"text1.hwl", 10, -5.6, drift, 55910},
    {"text1.hwl", 11, -6, drift, 61000},
    {"text2.hwl", 1, 10.2, -drift, 75700},
    {"text2.hwl", 2, 10.2, -drift, 80790},
    {"text2.hwl", 3, -7.5, drift, 90970},
    {"text2.hwl", 4, -8, drift, 96060},
    {"text2.hwl", 5, -9.5, drift, 102150},
    {"text2.hwl", 6, -9.75, drift, 107240},
    {"text2.hwl", 7, -10, drift, 112330},
    {"text2.hwl", 8, 14, -drift, 116830},
    {"text3.hwl", 1, 4.1, 0, 0},
    {"text3.hwl", 2, 4.55, 0, 0},
    {"text3.hwl", 3, 2.8, 0, 0},
    {"text3.hwl", 4, 3, 0, 0},
    {"text3.hwl", 5, 3, 0, 0},
    {"text3.hwl", 6, 3, 0, 0},
    {"text3.hwl", 7, 2.8, 0, 0},
    {"text3.hwl", 8, 3, 0, 0},
    {"text3.hwl", 9, 3, 0, 0},
    {"text3.hwl", 10, 3, 0, 0},
    {"text3.hwl", 11, 3, 0, 0},
};

// The columns of the 1024-pixel row in view while the caption is at least half faded in (its alpha
// sin((t - start) / 1500) is 0.5 or more): the columns in view at both ends of that time.
std::pair<int, int> columnsInView(const Caption& caption) {
  const double half = std::asin(0.5);
  int left = 0, right = 1023;
  for (double t : {caption.start + 1500 * half, caption.start + 1500 * (M_PI - half)}) {
    const double x = caption.x0 + caption.rate * t;
    left = std::max(left, static_cast<int>(std::ceil(1024 * (-1 - x) / 5)));
    right = std::min(right, static_cast<int>(std::floor(1024 * (7 - x) / 5)) - 1);
  }
  return {left, right};
}

// The ink of rows [top, bottom) of a caption texture: columns and rows holding anything brighter than
// the encoder's faint traces.
struct Ink {
  int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
};
Ink inkOf(const hwl::HwlPicture& mask, int top, int bottom) {
  Ink ink;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < 1024; ++x) {
      if (sample(mask, x, y) <= 24) continue;
      ink = {std::min(ink.left, x), std::max(ink.right, x), std::min(ink.top, y - top), std::max(ink.bottom, y - top)};
    }
  }
  return ink;
}

TEST(DemoData, EveryCaptionLiesInThePartOfItsStripItsSceneShows) {
  for (const Caption& caption : captions) {
    const Ink ink = inkOf(picture(caption.texture), (caption.row - 1) * 64, caption.row * 64);
    const auto [left, right] = columnsInView(caption);
    ASSERT_GE(ink.right, 0) << caption.texture << " row " << caption.row << " is empty";
    EXPECT_GE(ink.left, left) << caption.texture << " row " << caption.row;
    EXPECT_LE(ink.right, right) << caption.texture << " row " << caption.row;
  }
  // Rows no scene shows are black.
  for (const auto& [texture, firstUnused] : {std::pair{"text1.hwl", 12}, {"text2.hwl", 9}, {"text3.hwl", 12}}) {
    EXPECT_LT(inkOf(picture(texture), (firstUnused - 1) * 64, 1024).right, 0) << texture;
  }
}

// The title's two rows overlap on the screen (row 2 is drawn 0.2 units, 41 pixels of a row, below row
// 1): the title keeps to the part of row 1 above row 2's strip, the line under it to the part of row 2
// below row 1's strip.
TEST(DemoData, TheTitleAndTheLineUnderItDoNotRunIntoEachOther) {
  const hwl::HwlPicture& text3 = picture("text3.hwl");
  EXPECT_LT(inkOf(text3, 0, 64).bottom, 41);
  EXPECT_GT(inkOf(text3, 64, 128).top, 64 - 41);
}

TEST(DemoData, EveryPictureIsWithin38DecibelsOfWhatItsSourcesMake) {
  content::Fonts fonts("/usr/share/fonts/truetype/dejavu");
  const auto& pictures = content::demoPictures();
  const content::ContentSources sources = content::loadSources(sourceDir() / "content", fonts, pictures);
  for (const content::DataPicture& entry : pictures) {
    const double psnr = hwl::hwlPsnr(content::makePicture(entry, sources), picture(entry.file));
    EXPECT_GE(psnr, std::max(38.0, entry.leastPsnr)) << entry.file;
  }
}

TEST(DemoData, ComesWithItsContactSheet) {
  int width = 0, height = 0, channels = 0;
  ASSERT_TRUE(stbi_info((binaryDir() / "contact-sheet.png").c_str(), &width, &height, &channels));
  EXPECT_GT(width, 1000);
  EXPECT_GT(height, 1000);
}

TEST(DemoData, StartsTheDemo) {
  TempDir dir;
  const ProcessResult result = run({(binaryDir() / "velmorrow-capture").string(), "--data", data().string(), "--size",
                                    "320x240", "--at", "100", "--out", dir.path().string()},
                                   {}, 120s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "frame_000100.png"));
}

}  // namespace
