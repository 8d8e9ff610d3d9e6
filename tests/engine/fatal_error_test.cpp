#include "engine/fatal_error.h"

#include "engine/particles.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

using ::testing::ExitedWithCode;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

const std::string apology = "Sorry, but the following module had something to say:";

std::string report(const std::string& module, const std::string& message) {
  return apology + "\r\n\r\n" + module + "\r\n" + message + "\r\n";
}

// Runs the statement in a child process whose current directory is `dir`.
#define IN_DIR(dir, statement)                              \
  do {                                                      \
    if (::chdir((dir).path().c_str()) != 0) std::_Exit(99); \
    statement;                                              \
  } while (false)

TEST(FatalError, WritesTheFourLinesAndExitsWithZero) {
  TempDir dir;
  EXPECT_EXIT(IN_DIR(dir, engine::fatalError("lmxTexture", "Could not load Texture")), ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "error.txt"), report("lmxTexture", "Could not load Texture"));
}

TEST(FatalError, OverwritesAnEarlierReportAndKeepsTheTextsUnchanged) {
  TempDir dir;
  testsupport::writeFile(dir / "error.txt", std::string(500, 'x'));
  EXPECT_EXIT(IN_DIR(dir, engine::fatalError("Startup Dialog", "Can`t create startup dialog")), ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "error.txt"), report("Startup Dialog", "Can`t create startup dialog"));
}

TEST(FatalError, UnwritableReportEndsWithAMessageAndNonZeroExit) {
  TempDir dir;
  std::filesystem::create_directory(dir / "error.txt");  // a folder in its place: cannot be opened as a file
  EXPECT_EXIT(IN_DIR(dir, engine::fatalError("FMOD", "File not found")), ExitedWithCode(1), "cannot write error.txt");
}

TEST(InputError, IsOneLineOnStandardErrorWithStatusOneAndNoErrorTxt) {
  TempDir dir;
  EXPECT_EXIT(IN_DIR(dir, engine::inputError("data/cloud.hwl: the file ends inside the header")), ExitedWithCode(1),
              "^velmorrow: cannot read data/cloud.hwl: the file ends inside the header\n$");
  EXPECT_FALSE(std::filesystem::exists(dir / "error.txt"));
}

// Another host (the capture tool) takes the reports itself: nothing reaches error.txt, and the file a
// report is about comes along.
[[noreturn]] void reportToStandardError(const char* module, const char* message, const std::string& file) {
  std::fprintf(stderr, "host: %s / %s / %s\n", module, message, file.c_str());
  std::_Exit(3);
}

[[noreturn]] void reportInputToStandardError(const std::string& fileAndProblem) {
  std::fprintf(stderr, "host input: %s\n", fileAndProblem.c_str());
  std::_Exit(4);
}

TEST(FailureReporter, AHostsReporterTakesFatalAndInputReportsAndNoErrorTxtIsWritten) {
  TempDir dir;
  testsupport::writeFile(dir / "error.txt", "an earlier report");
  const engine::FailureReporter host{reportToStandardError, reportInputToStandardError};
  EXPECT_EXIT(IN_DIR(dir, (engine::setFailureReporter(host),
                           engine::fatalError("lmxTexture", "Could not load Texture", "data/cloud.hwl"))),
              ExitedWithCode(3), "host: lmxTexture / Could not load Texture / data/cloud.hwl");
  EXPECT_EXIT(IN_DIR(dir, (engine::setFailureReporter(host), engine::initParticleSystem(5001))), ExitedWithCode(3),
              "host: lmxParticle / Too many Particles initialized / \n");
  EXPECT_EXIT(IN_DIR(dir, (engine::setFailureReporter(host), engine::inputError("x.hwl: cannot open"))),
              ExitedWithCode(4), "host input: x.hwl: cannot open");
  EXPECT_EQ(readFile(dir / "error.txt"), "an earlier report");
}

TEST(ParticleCapacity, AboveFiveThousandIsReported) {
  TempDir dir;
  EXPECT_EXIT(IN_DIR(dir, engine::initParticleSystem(5001)), ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "error.txt"), report("lmxParticle", "Too many Particles initialized"));
}

}  // namespace
