#include "engine/fatal_error.h"

#include "engine/particles.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using testsupport::readFile;
using testsupport::TempDir;
using ::testing::ExitedWithCode;

namespace {

const std::string apology = "Sorry, but the following module had something to say:";

std::string report(const std::string& module, const std::string& message) {
  return apology + "\r\n\r\n" + module + "\r\n" + message + "\r\n";
}

// Runs the statement in a child process whose current directory is `dir`.
#define IN_DIR(dir, statement)                                    \
  do {                                                            \
    if (::chdir((dir).path().c_str()) != 0) std::_Exit(99);       \
    statement;                                                    \
  } while (false)

TEST(FatalError, WritesTheFourLinesAndExitsWithZero) {
  TempDir dir;
  EXPECT_EXIT(IN_DIR(dir, engine::fatalError("lmxTexture", "Could not load Texture")), ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "error.txt"), report("lmxTexture", "Could not load Texture"));
}

TEST(FatalError, OverwritesAnEarlierReportAndKeepsTheTextsUnchanged) {
  TempDir dir;
  testsupport::writeFile(dir / "error.txt", std::string(500, 'x'));
  EXPECT_EXIT(IN_DIR(dir, engine::fatalError("Startup Dialog", "Can`t create startup dialog")), ExitedWithCode(0),
              "");
  EXPECT_EQ(readFile(dir / "error.txt"), report("Startup Dialog", "Can`t create startup dialog"));
}

TEST(FatalError, UnwritableReportEndsWithAMessageAndNonZeroExit) {
  TempDir dir;
  std::filesystem::create_directory(dir / "error.txt");  // a folder in its place: cannot be opened as a file
  EXPECT_EXIT(IN_DIR(dir, engine::fatalError("FMOD", "File not found")), ExitedWithCode(1), "cannot write error.txt");
}

TEST(ParticleCapacity, AboveFiveThousandIsReported) {
  TempDir dir;
  EXPECT_EXIT(IN_DIR(dir, engine::initParticleSystem(5001)), ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "error.txt"), report("lmxParticle", "Too many Particles initialized"));
}

}  // namespace
