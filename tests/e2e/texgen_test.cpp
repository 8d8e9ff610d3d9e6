// texgen as a user runs it: rendering, compiling and exporting recipes, and its answers to bad input.

#include <gtest/gtest.h>
#include <stb_image.h>

#include <filesystem>

#include "generator/recipe.h"
#include "tests/support/process.h"

namespace {

using namespace testsupport;

const char* recipeText =
    "# two layers blended\n"
    "layer 0\n"
    "subPlasma(0, 8, 5, 256, true)\n"
    "layer 4\n"
    "blobsLayer(4, 3, 5, true);\n"
    "addLayers(0, 4, 4, 0.5, 0.5);\n";

std::string texgen() { return (binaryDir() / "texgen").string(); }

ProcessResult texgenWith(const std::vector<std::string>& arguments, const TempDir& dir) {
  std::vector<std::string> argv = {texgen()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return run(argv, ProcessOptions{dir.path(), {}, {}});
}

// texgen started by sh with `prelude` before it, which may redirect its output ("exec >/dev/full;
// exec") or set limits: files over a --fsize limit fail to grow with EFBIG, as on a full disk, once
// SIGXFSZ is ignored ("trap '' XFSZ; exec prlimit --fsize=BYTES --").
ProcessResult texgenAfter(const std::string& prelude, const std::vector<std::string>& arguments, const TempDir& dir) {
  std::vector<std::string> argv = {"sh", "-c", prelude + " \"$@\"", "sh", texgen()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return run(argv, ProcessOptions{dir.path(), {}, {}});
}

bool oneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

TEST(Texgen, RendersTextRecipesToPngAndRaw) {
  TempDir dir;
  writeFile(dir / "blend.txt", recipeText);
  ProcessResult result = texgenWith({"render", "blend.txt", "blend.png", "--size", "64x32"}, dir);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::uint8_t> expected =
      generator::renderRecipe(generator::parseRecipeText(recipeText, "t"), 64, 32);
  int w = 0, h = 0, channels = 0;
  stbi_uc* png = stbi_load((dir / "blend.png").c_str(), &w, &h, &channels, 3);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 32);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), png));
  stbi_image_free(png);

  result = texgenWith({"render", "blend.txt", "blend.raw", "--size", "64x32"}, dir);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string raw = readFile(dir / "blend.raw");
  ASSERT_EQ(raw.size(), 64u * 32 * 4);
  for (std::size_t i = 0; i < 64 * 32; ++i) {
    ASSERT_EQ(static_cast<std::uint8_t>(raw[4 * i]), expected[3 * i + 2]);
    ASSERT_EQ(static_cast<std::uint8_t>(raw[4 * i + 1]), expected[3 * i + 1]);
    ASSERT_EQ(static_cast<std::uint8_t>(raw[4 * i + 2]), expected[3 * i]);
    ASSERT_EQ(raw[4 * i + 3], 0);
  }
}

TEST(Texgen, CompilesAndExportsRecipesBothWays) {
  TempDir dir;
  writeFile(dir / "blend.txt", recipeText);
  ProcessResult result = texgenWith({"compile", "blend.txt", "blend.recipe"}, dir);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(readFile(dir / "blend.recipe").size(), 22020u);
  const ProcessResult fromBinary = texgenWith({"export", "blend.recipe"}, dir);
  const ProcessResult fromText = texgenWith({"export", "blend.txt"}, dir);
  ASSERT_EQ(fromBinary.exitCode, 0) << fromBinary.err;
  EXPECT_EQ(fromBinary.out, fromText.out);
  EXPECT_EQ(fromBinary.out,
            "layer 0\nsubPlasma(0,8,5,256,true);\n\nlayer 4\nblobsLayer(4,3,5,true);\naddLayers(0,4,4,0.5,0.5);\n");
  writeFile(dir / "again.txt", fromBinary.out);
  ASSERT_EQ(texgenWith({"compile", "again.txt", "again.recipe"}, dir).exitCode, 0);
  EXPECT_EQ(readFile(dir / "again.recipe"), readFile(dir / "blend.recipe"));
  writeFile(dir / "marked.txt", "\xEF\xBB\xBF" + std::string(recipeText));  // a byte-order mark
  ASSERT_EQ(texgenWith({"compile", "marked.txt", "marked.recipe"}, dir).exitCode, 0);
  EXPECT_EQ(readFile(dir / "marked.recipe"), readFile(dir / "blend.recipe"));
  result = texgenWith({"render", "blend.recipe", "b.png", "--size", "16x16", "--layer", "0"}, dir);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  result = texgenWith({"operations"}, dir);
  EXPECT_NE(result.out.find("7\tmandelBrot(layer, x0, width, y0, height, escape)\tsources\n"), std::string::npos);
}

TEST(Texgen, BadInputGetsOneLineAndExitCodeOne) {
  TempDir dir;
  writeFile(dir / "blend.txt", recipeText);
  writeFile(dir / "broken.txt", "layer 0\nsubPlasma(0, 0, 5, 256, true)\n");
  writeFile(dir / "short.recipe", std::string(100, '\0'));
  writeFile(dir / "empty.txt", "");
  std::filesystem::create_directory(dir / "folder.txt");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"render", "missing.txt", "out.png"}, "texgen: missing.txt: cannot be read: No such file or directory\n"},
      {{"render", "broken.txt", "out.png"}, "texgen: broken.txt:2: subPlasma: step is 0, must be at least 1\n"},
      {{"render", "short.recipe", "out.png"},
       "texgen: short.recipe: holds binary data but is 100 bytes; a binary recipe is exactly 22020 bytes\n"},
      {{"render", "blend.txt", "out.png", "--size", "300x256"},
       "texgen: size: 300x256 is not a size the generator works at (powers of two from 1 to 8192)\n"},
      {{"render", "blend.txt", "out.png", "--size", "big"},
       "texgen: --size must be WIDTHxHEIGHT, as in 256x256, not 'big'\n"},
      {{"render", "blend.txt", "out.jpg"}, "texgen: the output must end in .png or .raw: out.jpg\n"},
      {{"render", "blend.txt", "out.png", "--layer", "5"},
       "texgen: recipe: layer 5 does not exist (layers are 0 to 4)\n"},
      {{"render", "blend.txt", "no/such/dir/out.png"},
       "texgen: cannot write no/such/dir/out.png: No such file or directory\n"},
      {{"compile", "blend.txt", "no/such/dir/out.recipe"},
       "texgen: cannot write no/such/dir/out.recipe: No such file or directory\n"},
      {{"render", "empty.txt", "out.png"}, "texgen: empty.txt: is empty\n"},
      {{"export", "empty.txt"}, "texgen: empty.txt: is empty\n"},
      {{"render", "folder.txt", "out.png"}, "texgen: folder.txt: is a directory\n"},
      {{"bogus", "blend.txt"}, "texgen: unknown command 'bogus' (see texgen --help)\n"},
  };
  for (const auto& [arguments, message] : cases) {
    const ProcessResult result = texgenWith(arguments, dir);
    EXPECT_EQ(result.exitCode, 1) << arguments[1];
    EXPECT_EQ(result.err, message);
  }
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{}, {"paint"}, {"render", "blend.txt"}, {"export", "a", "b"}}) {
    const ProcessResult result = texgenWith(arguments, dir);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(oneLine(result.err)) << result.err;
    EXPECT_EQ(result.err.rfind("texgen: ", 0), 0u) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
  const ProcessResult help = texgenWith({"--help"}, dir);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("render"), std::string::npos);
}

// A write that fails leaves the file that was there as it was, and no temporary beside it; a write
// to standard output that fails is a failure too.
TEST(Texgen, FailedWritesKeepTheOldFileAndSayWhy) {
  TempDir dir;
  writeFile(dir / "blend.txt", recipeText);
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"render", "blend.txt", "out.png", "--size", "64x64"},
                                             {"render", "blend.txt", "out.raw", "--size", "64x64"},
                                             {"compile", "blend.txt", "out.recipe"}}) {
    const std::string& target = arguments[2];
    writeFile(dir / target, "the good file");
    const ProcessResult full = texgenAfter("trap '' XFSZ; exec prlimit --fsize=100 --", arguments, dir);
    EXPECT_EQ(full.exitCode, 1) << target;
    EXPECT_EQ(full.err, "texgen: cannot write " + target + ": File too large\n");
    EXPECT_EQ(readFile(dir / target), "the good file");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files.push_back(entry.path().filename());
    EXPECT_EQ(files.size(), 2u) << target;  // the recipe and the good file: no temporary
    std::filesystem::remove(dir / target);
    std::filesystem::create_symlink("/dev/full", dir / target);  // a device that is always full
    const ProcessResult device = texgenWith(arguments, dir);
    EXPECT_EQ(device.exitCode, 1) << target;
    EXPECT_EQ(device.err, "texgen: cannot write /dev/full: No space left on device\n");
    std::filesystem::remove(dir / target);
  }
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"export", "blend.txt"}, {"operations"}}) {
    const ProcessResult result = texgenAfter("exec >/dev/full; exec", arguments, dir);
    EXPECT_EQ(result.exitCode, 1) << arguments[0];
    EXPECT_EQ(result.err, "texgen: cannot write to standard output: No space left on device\n");
  }
}

}  // namespace
