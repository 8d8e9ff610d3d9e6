#include "engine/texture.h"

#include "tests/support/flat_hwl.h"
#include "tests/support/gl_recorder.h"
#include "tests/support/process.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using glrec::Call;
using ::testing::ExitedWithCode;
using testsupport::FlatHwl;
using testsupport::TempDir;

engine::Image imageOf(std::uint32_t width, std::uint32_t height, std::uint8_t fill) {
  return engine::Image{width, height, 4, std::vector<std::uint8_t>(std::size_t(width) * height * 4, fill)};
}

std::vector<Call> expectedParameters(GLint minFilter, GLint magFilter) {
  return {{"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, double(minFilter)}},
          {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, double(magFilter)}},
          {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}},
          {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}}};
}

TEST(Texture, WithoutMipmapsUploadsOnceWithLinearFilters) {
  TempDir dir;
  testsupport::writeFlatHwl(dir / "p.hwl", FlatHwl{8, 4, 24});
  glrec::reset();
  engine::Texture* texture = engine::initTexture(nullptr, (dir / "p.hwl").string(), 3, false);
  EXPECT_EQ(glrec::names(),
            (std::vector<std::string>{"glGenTextures", "glBindTexture", "glTexImage2D", "glTexParameteri",
                                      "glTexParameteri", "glTexParameteri", "glTexParameteri"}));
  EXPECT_EQ(glrec::callsNamed("glTexImage2D")[0],
            (Call{"glTexImage2D", {GL_TEXTURE_2D, 0, 3, 8, 4, 0, GL_BGRA, GL_UNSIGNED_BYTE}}));
  EXPECT_EQ(glrec::callsNamed("glTexParameteri"), expectedParameters(GL_LINEAR, GL_LINEAR));
  EXPECT_EQ(glrec::state().boundTexture, texture->glName);
  EXPECT_EQ(texture->image.width, 8u);
  EXPECT_EQ(texture->image.height, 4u);
  EXPECT_EQ(texture->image.pixels.size(), 8u * 4u * 4u);
  EXPECT_FALSE(texture->mipmapped);
  engine::doneTexture(texture);
}

TEST(Texture, WithMipmapsBuildsThemAfterLevelZeroWithNearestMagnification) {
  TempDir dir;
  testsupport::writeFlatHwl(dir / "p.hwl");
  glrec::reset();
  engine::Texture* texture = engine::initTexture(nullptr, (dir / "p.hwl").string(), 3, true);
  const auto names = glrec::names();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names[2], "glTexImage2D");
  EXPECT_EQ(names[3], "gluBuild2DMipmaps");
  EXPECT_EQ(glrec::callsNamed("gluBuild2DMipmaps")[0],
            (Call{"gluBuild2DMipmaps", {GL_TEXTURE_2D, 3, 4, 4, GL_BGRA, GL_UNSIGNED_BYTE}}));
  EXPECT_EQ(glrec::callsNamed("glTexParameteri"), expectedParameters(GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST));
  engine::doneTexture(texture);
}

TEST(Texture, UploadReplacesTheNameAndKeepsTheSettings) {
  TempDir dir;
  testsupport::writeFlatHwl(dir / "p.hwl");
  engine::Texture* texture = engine::initTexture(nullptr, (dir / "p.hwl").string(), 4, false);
  const std::uint32_t oldName = texture->glName;
  glrec::clearCalls();
  engine::setImageAlpha(texture->image, 255);
  engine::uploadTexture(texture);
  EXPECT_EQ(glrec::calls().front(), (Call{"glDeleteTextures", {1, double(oldName)}}));
  EXPECT_NE(texture->glName, oldName);
  EXPECT_EQ(glrec::state().boundTexture, texture->glName);
  ASSERT_EQ(glrec::uploads().size(), 1u);
  EXPECT_EQ(glrec::uploads()[0].components, 4);
  EXPECT_EQ(glrec::uploads()[0].pixels[3], 255);
  engine::doneTexture(texture);
}

TEST(Texture, ColourFilesDecodeWithZeroAlphaAndGreyFilesAreWidened) {
  TempDir dir;
  testsupport::writeFlatHwl(dir / "grey.hwl", FlatHwl{4, 2, 8});
  engine::Texture* grey = engine::initTexture(nullptr, (dir / "grey.hwl").string(), 4, false);
  EXPECT_EQ(grey->image.pixels, std::vector<std::uint8_t>(4 * 2 * 4, 0));  // grey 0 -> (0, 0, 0, 0) per pixel
  engine::doneTexture(grey);
}

TEST(ImageAlpha, SetChangesOnlyAlpha) {
  engine::Image image = imageOf(3, 2, 7);
  engine::setImageAlpha(image, 255);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) EXPECT_EQ(image.pixels[i], i % 4 == 3 ? 255 : 7) << i;
}

TEST(ImageAlpha, CopyTakesTheSourceBlueByteUpToTheLastPixel) {
  engine::Image destination = imageOf(3, 2, 0);
  engine::Image mask = imageOf(3, 2, 0);
  for (std::size_t i = 0; i < 6; ++i) mask.pixels[4 * i] = static_cast<std::uint8_t>(10 * (i + 1));
  engine::copyImageAlpha(destination, mask);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(destination.pixels[4 * i + 3], 10 * (i + 1)) << i;
  EXPECT_EQ(destination.pixels[0], 0);
}

TEST(ImageAlpha, CopyOntoItselfUsesEachPixelsBlueByte) {
  engine::Image image = imageOf(2, 2, 0);
  for (std::size_t i = 0; i < 4; ++i) image.pixels[4 * i] = static_cast<std::uint8_t>(i + 100);
  engine::copyImageAlpha(image, image);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(image.pixels[4 * i + 3], i + 100);
}

TEST(ImageAlpha, ASmallerSourceStopsTheCopyAtItsLastPixel) {
  engine::Image destination = imageOf(4, 4, 1);
  const engine::Image mask = imageOf(2, 2, 200);
  engine::copyImageAlpha(destination, mask);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(destination.pixels[4 * i + 3], i < 4 ? 200 : 1) << i;
}

// Loads a file in a child process whose working directory is `dir`.
#define LOAD_IN(dir, file)                                  \
  do {                                                      \
    if (::chdir((dir).path().c_str()) != 0) std::_Exit(99); \
    engine::initTexture(nullptr, file, 3, false);           \
  } while (false)

const std::string couldNotLoad =
    "Sorry, but the following module had something to say:\r\n\r\nlmxTexture\r\nCould not load Texture\r\n";

// A header of zero width or height, or with bits that are neither grey nor colour, is the loader's own
// report in error.txt and a clean exit.
TEST(TextureFailures, ZeroSizesAndOddBitsAreReportedAsCouldNotLoad) {
  for (const FlatHwl header : {FlatHwl{4, 0, 24}, FlatHwl{0, 4, 24}, FlatHwl{4, 4, 16}}) {
    SCOPED_TRACE(std::to_string(header.width) + "x" + std::to_string(header.height) + ", " +
                 std::to_string(header.bitsPerPixel) + " bits");
    TempDir dir;
    testsupport::writeFlatHwl(dir / "flat.hwl", header);
    EXPECT_EXIT(LOAD_IN(dir, "flat.hwl"), ExitedWithCode(0), "");
    EXPECT_EQ(testsupport::readFile(dir / "error.txt"), couldNotLoad);
  }
}

TEST(TextureFailures, MissingOrTruncatedFilesEndWithAMessageNamingTheFile) {
  TempDir dir;
  EXPECT_EXIT(LOAD_IN(dir, "data/missing.hwl"), ExitedWithCode(1), "data/missing.hwl");
  const std::string whole = testsupport::flatHwlBytes(FlatHwl{});
  testsupport::writeFile(dir / "short.hwl", whole.substr(0, whole.size() - 3));
  EXPECT_EXIT(LOAD_IN(dir, "short.hwl"), ExitedWithCode(1), "short.hwl");
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

// A header that declares 65535 x 65535 pixels (17 GB decoded) in a file of a few bytes: under a memory
// limit, whether the codec refuses the size or the allocation fails, it is an input error naming the
// file, never an abort. AddressSanitizer keeps its own reserve of address space, so there is no limit
// to set under it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORROW_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELMORROW_ASAN 1
#endif

void loadUnderTwoGigabytes(const TempDir& dir, const char* file) {
  const rlimit limit{2ull << 30, 2ull << 30};
  if (::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(98);
  LOAD_IN(dir, file);
}

TEST(TextureFailures, APictureTooLargeForMemoryIsAnInputErrorNamingTheFile) {
#ifdef VELMORROW_ASAN
  GTEST_SKIP() << "no address-space limit under AddressSanitizer";
#endif
  TempDir dir;
  std::string huge = testsupport::flatHwlBytes(FlatHwl{});
  huge.replace(3, 4, "\xFF\xFF\xFF\xFF");  // width and height 65535
  testsupport::writeFile(dir / "huge.hwl", huge);
  EXPECT_EXIT(loadUnderTwoGigabytes(dir, "huge.hwl"), ExitedWithCode(1), "velmorrow: cannot read huge.hwl: ");
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

}  // namespace
