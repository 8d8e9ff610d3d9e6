// velmorrow-content as a user runs it: its help, one file at a time, and one clear line for every
// kind of mistake in its sources, with nothing written.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "tests/support/process.h"

namespace {

using namespace testsupport;
using namespace std::chrono_literals;

std::string tool() { return (binaryDir() / "velmorrow-content").string(); }

// A copy of the project's content/ folder to break things in.
struct ContentCopy {
  TempDir dir;
  ContentCopy() {
    std::filesystem::copy(sourceDir() / "content", dir / "content", std::filesystem::copy_options::recursive);
  }
  std::filesystem::path content() const { return dir / "content"; }
  std::filesystem::path out() const { return dir / "data"; }
  ProcessResult build(std::vector<std::string> extra = {}) const {
    std::vector<std::string> argv{tool(), "--content", content().string(), "--out", out().string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return run(argv, {}, 240s);
  }
  // Replaces the first occurrence of `from` in a content file.
  void edit(const std::string& file, const std::string& from, const std::string& to) const {
    std::string text = readFile(content() / file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    writeFile(content() / file, text.replace(at, from.size(), to));
  }
  int lineOf(const std::string& file, const std::string& text) const {
    std::ifstream in(content() / file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      if (line.find(text) != std::string::npos) return number;
    }
    return 0;
  }
  // Builds after replacing `from` with `to` in a content file, expecting the one-line failure: its
  // result, and the start the line must have ("velmorrow-content: FILE:LINE: ", the line holding `to`).
  std::pair<ProcessResult, std::string> buildAfterEdit(const std::string& file, const std::string& from,
                                                       const std::string& to) const {
    edit(file, from, to);
    const int line = lineOf(file, to);
    ProcessResult result = build();
    EXPECT_EQ(result.exitCode, 1);
    return {result, "velmorrow-content: " + (content() / file).string() + ":" + std::to_string(line) + ": "};
  }
};

TEST(ContentTool, ExplainsItselfWithHelp) {
  const ProcessResult result = run({tool(), "--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"--content", "--out", "--fonts", "--only", "--contact-sheet", "--jobs", "captions.txt",
                           "music.score", "background99.hwl", "music.mp3"}) {
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
  }
}

TEST(ContentTool, BuildsOneFileOnRequestWithTheBytesOfTheBuild) {
  ContentCopy copy;
  const ProcessResult result = copy.build({"--only", "flare_big.hwl", "--only", "butterfly_shape.hwl"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("flare_big.hwl"), std::string::npos) << result.err;
  EXPECT_EQ(readFile(copy.out() / "flare_big.hwl"), readFile(binaryDir() / "data" / "flare_big.hwl"));
  EXPECT_EQ(readFile(copy.out() / "butterfly_shape.hwl"), readFile(binaryDir() / "data" / "butterfly_shape.hwl"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(copy.out()), {}), 2);

  const ProcessResult unknown = copy.build({"--only", "flare_small.hwl"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_EQ(unknown.err,
            "velmorrow-content: flare_small.hwl: is no file of the data folder (see velmorrow-content --help)\n");
}

// The build hands its list of data files to --expect: a list that differs stops it before any work.
TEST(ContentTool, StopsWhenTheExpectedFilesAreNotTheOnesItMakes) {
  ContentCopy copy;
  const ProcessResult result = copy.build({"--expect", "flare.hwl", "flare_small.hwl"});
  EXPECT_EQ(result.exitCode, 1);
  const std::string start =
      "velmorrow-content: --expect: the list differs from the files this tool makes; made but "
      "not listed: background1.hwl ";
  EXPECT_EQ(result.err.substr(0, start.size()), start) << result.err;
  EXPECT_NE(result.err.find(" music.mp3 "), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(" flare.hwl"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("; listed but not made: flare_small.hwl\n"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(copy.out()));
}

TEST(ContentTool, StopsAtABrokenRecipeWithOneLineNamingItsFileAndLine) {
  ContentCopy copy;
  const auto [result, start] =
      copy.buildAfterEdit("pictures/glare.txt", "tunnelDistort(0, 0, 64)", "tunnelDistort(0, 7, 64)");
  EXPECT_EQ(result.err, start + "tunnelDistort: dst is 7, must be a layer 0 to 4\n");
  EXPECT_FALSE(std::filesystem::exists(copy.out()));  // nothing written, not even the folder

  std::filesystem::remove(copy.content() / "pictures" / "glare.txt");
  const ProcessResult missing = copy.build();
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("glare.txt: cannot be read"), std::string::npos) << missing.err;
}

TEST(ContentTool, StopsAtAMissingFontWithOneLineNamingIt) {
  ContentCopy copy;
  const ProcessResult result = copy.build({"--fonts", (copy.dir / "no-fonts").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "velmorrow-content: " + (copy.dir / "no-fonts" / "DejaVuSans-Bold.ttf").string() +
                            ": cannot open the font (Debian's fonts-dejavu-core installs DejaVu Sans)\n");
  EXPECT_FALSE(std::filesystem::exists(copy.out()));
}

TEST(ContentTool, StopsAtACaptionThatDoesNotFitItsRow) {
  ContentCopy copy;
  const auto [result, place] =
      copy.buildAfterEdit("captions.txt", "it learns to burn", "it learns to burn, and burn, and burn");
  const std::string start = place + "`it learns to burn, and burn, and burn` is ";
  EXPECT_EQ(result.err.substr(0, start.size()), start) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
}

TEST(ContentTool, StopsAtABrokenScoreWithOneLineNamingItsFileAndLine) {
  ContentCopy copy;
  const auto [result, start] = copy.buildAfterEdit("music.score", "wave saw", "wave pink");
  EXPECT_EQ(result.err, start + "unknown wave `pink` (sine, saw, square, triangle or noise)\n");
  EXPECT_FALSE(std::filesystem::exists(copy.out()));
}

TEST(ContentTool, CommandLineMistakesAreOneLineWithStatusOne) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--jobs", "0"}, {"--jobs", "abc"}, {"--frobnicate"}, {"--out"}}) {
    std::vector<std::string> argv{tool()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProcessResult result = run(argv);
    SCOPED_TRACE(arguments.front());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("velmorrow-content: ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
}

TEST(ContentTool, AFailedWriteIsOneLineWithTheReason) {
  ContentCopy copy;
  std::filesystem::create_directories(copy.out());
  std::filesystem::create_symlink("/dev/full", copy.out() / "flare.hwl");
  const ProcessResult result = copy.build({"--quiet", "--only", "flare.hwl"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "velmorrow-content: cannot write /dev/full: No space left on device\n");
}

// A small filesystem of its own (tmpfs), filled up: the reason, the earlier file as it was and no
// temporary left. Needs the right to mount; skipped where the sandbox denies it.
TEST(ContentTool, AFullFilesystemKeepsTheEarlierFileAndLeavesNoTemporary) {
  ContentCopy copy;
  std::filesystem::create_directories(copy.out());
  if (run({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", copy.out().string()}, {}, 10s).exitCode != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  }
  writeFile(copy.out() / "flare_big.hwl", "the earlier file");
  {
    std::ofstream filler(copy.out() / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size())) filler.flush();
  }
  const ProcessResult result = copy.build({"--quiet", "--only", "flare_big.hwl"});
  const std::string earlier = readFile(copy.out() / "flare_big.hwl");
  const auto entries = std::distance(std::filesystem::directory_iterator(copy.out()), {});
  run({"umount", copy.out().string()}, {}, 10s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "velmorrow-content: cannot write " + (copy.out() / "flare_big.hwl").string() +
                            ": No space left on device\n");
  EXPECT_EQ(earlier, "the earlier file");
  EXPECT_EQ(entries, 2);  // the earlier file and the filler
}

}  // namespace
