#include "tools/common/command_line.h"
#include "tools/common/output_file.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutputFile, ReplacesTheTargetOnlyOnCommitAndLeavesNoTemporary) {
  TempDir dir;
  writeFile(dir / "a.png", "old");
  {
    common::OutputFile file(dir / "a.png");
    EXPECT_EQ(file.temporary().parent_path(), dir.path());
    EXPECT_EQ(file.temporary().extension(), ".png");  // ffmpeg and friends pick the format from it
    file.write(std::string_view("new contents"));
    EXPECT_EQ(readFile(dir / "a.png"), "old");
    file.commit();
  }
  EXPECT_EQ(readFile(dir / "a.png"), "new contents");
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.png"});
}

TEST(OutputFile, AnAbandonedFileKeepsTheOldTargetAndRemovesTheTemporary) {
  TempDir dir;
  writeFile(dir / "keep.hwl", "good");
  {
    common::OutputFile file(dir / "keep.hwl");
    file.write(std::string_view("half"));
  }
  EXPECT_EQ(readFile(dir / "keep.hwl"), "good");
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"keep.hwl"});
}

TEST(OutputFile, ADeviceIsWrittenInPlaceAndAFullOneIsAnErrorWithItsReason) {
  try {
    common::writeFileAtomically("/dev/full", std::string_view("bytes"));
    FAIL() << "a write to /dev/full succeeded";
  } catch (const common::OutputError& error) {
    EXPECT_STREQ(error.what(), "cannot write /dev/full: No space left on device");
  }
  EXPECT_NO_THROW(common::writeFileAtomically("/dev/null", std::string_view("bytes")));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(OutputFile, AMissingFolderOrAFolderAsTargetIsAnErrorWithItsReason) {
  TempDir dir;
  EXPECT_THROW(
      {
        try {
          common::OutputFile file(dir / "no" / "such.png");
        } catch (const common::OutputError& error) {
          EXPECT_THAT(error.what(), HasSubstr("No such file or directory"));
          throw;
        }
      },
      common::OutputError);
  std::filesystem::create_directory(dir / "folder.png");
  EXPECT_THROW(common::OutputFile file(dir / "folder.png"), common::OutputError);
}

TEST(OutputFile, ALinkIsFollowedSoItsFileGetsTheContents) {
  TempDir dir;
  writeFile(dir / "real.txt", "old");
  std::filesystem::create_symlink("real.txt", dir / "link.txt");
  common::writeFileAtomically(dir / "link.txt", std::string_view("new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(readFile(dir / "real.txt"), "new");
}

TEST(OutputFile, AnInterruptedRunRemovesItsTemporariesAndKeepsTheOldTarget) {
  for (int signalNumber : {SIGINT, SIGTERM}) {
    TempDir dir;
    writeFile(dir / "video.mp4", "old video");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      common::OutputFile first(dir / "video.mp4");
      common::OutputFile second(dir / "frame.png");
      first.write(std::string_view("partial"));
      std::raise(signalNumber);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber);
    EXPECT_EQ(readFile(dir / "video.mp4"), "old video");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"video.mp4"});
  }
}

TEST(CommandLine, AMistakeIsOneLineNamingTheToolWithStatusOne) {
  CLI::App app{"test"};
  int count = 0;
  app.add_option("--count", count)->check(CLI::Range(1, 9));
  std::vector<std::string> arguments{"tool", "--count", "12", "--what"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  ::testing::internal::CaptureStderr();
  const std::optional<int> status = common::parseCommandLine(app, int(argv.size()), argv.data(), "tool");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_THAT(err, StartsWith("tool: "));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

}  // namespace
