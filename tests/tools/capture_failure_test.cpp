// The capture tool when things go wrong: bad pictures, full disks, a failing or killed ffmpeg, and
// command lines it must refuse. Every failure is one line starting with the tool's name, status 1,
// and a file that was there before keeps its contents.

#include "tests/support/flat_hwl.h"
#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
namespace fs = std::filesystem;

std::string captureBinary() { return (binaryDir() / "velmorrow-capture").string(); }

ProcessResult capture(const std::vector<std::string>& arguments, const fs::path& workingDirectory = {},
                      std::chrono::milliseconds timeout = 60s) {
  std::vector<std::string> argv{captureBinary()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return run(argv, ProcessOptions{workingDirectory, {}, {}}, timeout);
}

// Besides the progress lines, standard error is exactly one line starting with the tool's name.
void expectOneLine(const ProcessResult& result) {
  EXPECT_EQ(result.exitCode, 1) << result.err;
  std::istringstream lines(result.err);
  std::vector<std::string> messages;
  for (std::string line; std::getline(lines, line);) {
    if (!std::regex_search(line, std::regex(R"(^velmorrow-capture: +\d+%  )"))) messages.push_back(line);
  }
  ASSERT_EQ(messages.size(), 1u) << result.err;
  EXPECT_EQ(messages[0].rfind("velmorrow-capture: ", 0), 0u) << result.err;
  EXPECT_EQ(result.err.back(), '\n');
}

// Files whose names start with "." beside the target: temporaries left behind.
int temporariesIn(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) count += entry.path().filename().string()[0] == '.';
  return count;
}

// The capture of a data folder in `dir` whose cloud.hwl has a bad header: one line naming the file.
ProcessResult captureWithBadCloud(const TempDir& dir, const FlatHwl& header, std::vector<std::string> arguments) {
  writeFlatDataSet(dir / "data");
  writeFlatHwl(dir / "data" / "cloud.hwl", header);
  arguments.insert(arguments.begin(), {"--data", "data", "--size", "64x48"});
  ProcessResult result = capture(arguments, dir.path());
  expectOneLine(result);
  EXPECT_NE(result.err.find("(data/cloud.hwl)"), std::string::npos) << result.err;
  return result;
}

TEST(CaptureFailures, ABadPictureHeaderIsOneLineNamingModuleProblemAndFileAndNoErrorTxt) {
  for (const FlatHwl& bad : {FlatHwl{4, 0, 24}, FlatHwl{4, 4, 16}}) {
    TempDir dir;
    writeFile(dir / "error.txt", "an earlier report");
    const ProcessResult result = captureWithBadCloud(dir, bad, {"--at", "0", "--out", "frames"});
    EXPECT_NE(result.err.find("lmxTexture: Could not load Texture"), std::string::npos) << result.err;
    EXPECT_EQ(readFile(dir / "error.txt"), "an earlier report");
    EXPECT_FALSE(fs::exists(dir / "frames" / "frame_000000.png"));
  }
}

TEST(CaptureFailures, ABadPictureHeaderKeepsTheEarlierVideo) {
  TempDir dir;
  writeSilentMusic(dir.path(), 1);
  writeFile(dir / "demo.mp4", "the earlier video");
  captureWithBadCloud(dir, FlatHwl{4, 0, 24}, {"--to", "100", "--video", "demo.mp4"});
  EXPECT_EQ(readFile(dir / "demo.mp4"), "the earlier video");
  EXPECT_EQ(temporariesIn(dir.path()), 0);
  EXPECT_FALSE(fs::exists(dir / "error.txt"));
}

TEST(CaptureFailures, AFrameWrittenToAFullDeviceIsOneLineWithTheReason) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  fs::create_directory(dir / "frames");
  fs::create_symlink("/dev/full", dir / "frames" / "frame_000100.png");
  const ProcessResult result = capture(
      {"--data", (dir / "data").string(), "--size", "64x48", "--at", "0,100", "--out", (dir / "frames").string()});
  expectOneLine(result);
  EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("frames written"), std::string::npos) << "reported as a success: " << result.err;
}

// A small filesystem of its own (tmpfs), filled up, where the capture tool must fail and leave the
// frame that was there as it was. Needs the right to mount; skipped where the sandbox denies it.
TEST(CaptureFailures, AFullFilesystemKeepsTheEarlierFrameAndLeavesNoTemporary) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  const fs::path small = dir / "small";
  fs::create_directory(small);
  if (run({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", small.string()}, {}, 10s).exitCode != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  }
  writeFile(small / "frame_000000.png", "the earlier frame");
  {
    std::ofstream filler(small / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size())) filler.flush();
  }
  const ProcessResult result =
      capture({"--data", (dir / "data").string(), "--size", "64x48", "--at", "0", "--out", small.string()});
  const std::string earlier = readFile(small / "frame_000000.png");
  const int temporaries = temporariesIn(small);
  run({"umount", small.string()}, {}, 10s);
  expectOneLine(result);
  EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
  EXPECT_EQ(earlier, "the earlier frame");
  EXPECT_EQ(temporaries, 0);
}

TEST(CaptureFailures, AMusicFileFfmpegCannotReadKeepsTheEarlierVideo) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  writeFile(dir / "bad.mp3", std::string(5000, 'z'));
  writeFile(dir / "demo.mp4", "the earlier video");
  const ProcessResult result =
      capture({"--data", (dir / "data").string(), "--size", "64x48", "--fps", "10", "--to", "1000", "--music",
               (dir / "bad.mp3").string(), "--video", (dir / "demo.mp4").string()});
  expectOneLine(result);
  EXPECT_NE(result.err.find("ffmpeg"), std::string::npos) << result.err;
  EXPECT_EQ(readFile(dir / "demo.mp4"), "the earlier video");
  EXPECT_EQ(temporariesIn(dir.path()), 0);
}

// The ffmpeg the capture tool started, once it runs ("" until then).
std::optional<pid_t> ffmpegChildOf(pid_t parent) {
  const ProcessResult found = run({"pgrep", "-P", std::to_string(parent), "ffmpeg"}, {}, 5s);
  if (found.exitCode != 0 || found.out.empty()) return std::nullopt;
  return static_cast<pid_t>(std::stol(found.out));
}

TEST(CaptureFailures, AKilledFfmpegKeepsTheEarlierVideoAndSaysSo) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  writeSilentMusic(dir.path(), 20);
  writeFile(dir / "demo.mp4", "the earlier video");
  Process capturing({captureBinary(), "--data", (dir / "data").string(), "--size", "64x48", "--fps", "25", "--to",
                     "60000", "--video", (dir / "demo.mp4").string()});
  std::optional<pid_t> ffmpeg;
  for (int tries = 0; tries < 500 && !ffmpeg && capturing.running(); ++tries) {
    ffmpeg = ffmpegChildOf(capturing.pid());
    if (!ffmpeg) std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(ffmpeg) << "no ffmpeg was started";
  std::this_thread::sleep_for(300ms);  // let it take some frames
  ::kill(*ffmpeg, SIGKILL);
  const ProcessResult result = capturing.wait(60s);
  const std::string lastLine = result.err.substr(result.err.rfind("velmorrow-capture: "));
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_NE(lastLine.find("ffmpeg was killed"), std::string::npos) << result.err;
  EXPECT_EQ(readFile(dir / "demo.mp4"), "the earlier video");
  EXPECT_EQ(temporariesIn(dir.path()), 0);
}

TEST(CaptureFailures, MusicShorterThanTheVideoIsAWarning) {
  TempDir dir;
  writeFlatDataSet(dir / "data");
  writeSilentMusic(dir.path(), 1);
  const ProcessResult result = capture({"--data", (dir / "data").string(), "--size", "64x48", "--fps", "10", "--to",
                                        "3000", "--video", (dir / "demo.mp4").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("warning: the music"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("stops early"), std::string::npos) << result.err;
  EXPECT_TRUE(fs::exists(dir / "demo.mp4"));
}

struct Refusal {
  std::vector<std::string> arguments;
  std::string reason;
};

// Refused before anything is rendered: the data folder does not even exist, so a run that went ahead
// would name loading.hwl instead of the reason.
TEST(CaptureFailures, CommandLineMistakesAreOneLineWithStatusOne) {
  const std::vector<Refusal> refusals{
      {{"--from", "2000", "--to", "1000"}, "--from 2000 is after --to 1000"},
      {{"--from", "200000"}, "past the demo's end"},
      {{"--at", "-5"}, "--at -5 is before the demo's start"},
      {{"--from", "-3"}, "--from -3 is before the demo's start"},
      {{"--music", "song.mp3"}, "--music goes with --video"},
      {{"--fps", "abc"}, "'abc' is not a number"},
      {{"--fps", "0"}, "above 0 and at most 1000"},
      {{"--size", "800by600"}, "from 1 to 16384"},
      {{"--size", "321x240", "--video", "odd.mp4"}, "even numbers from 2 to 16384"},
      {{"--video", "v.mp4", "--at", "100"}, "--video"},
      {{"--frobnicate"}, "--frobnicate"},
      {{"--to"}, "--to"},
  };
  TempDir dir;
  for (const Refusal& refusal : refusals) {
    std::vector<std::string> arguments{"--data", "no-data"};
    arguments.insert(arguments.end(), refusal.arguments.begin(), refusal.arguments.end());
    const ProcessResult result = capture(arguments, dir.path(), 20s);
    SCOPED_TRACE(refusal.arguments.front());
    expectOneLine(result);
    EXPECT_NE(result.err.find(refusal.reason), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("loading.hwl"), std::string::npos) << result.err;
  }
  EXPECT_FALSE(fs::exists(dir / "odd.mp4"));
  EXPECT_FALSE(fs::exists(dir / "v.mp4"));
}

}  // namespace
