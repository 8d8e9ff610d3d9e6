#include "engine/music.h"

#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using ::testing::ExitedWithCode;
using testsupport::readFile;
using testsupport::TempDir;

std::string report(const std::string& message) {
  return "Sorry, but the following module had something to say:\r\n\r\nFMOD\r\n" + message + "\r\n";
}

// initMusic in a child process whose current directory is `dir`, with SDL's audio driver `driver`;
// returns what error.txt says.
std::string failingInitMusic(const TempDir& dir, const char* fileName, bool musicOn, const char* driver = "dummy") {
  EXPECT_EXIT(
      {
        if (::chdir(dir.path().c_str()) != 0) std::_Exit(99);
        ::setenv("SDL_AUDIODRIVER", driver, 1);
        engine::initMusic(fileName, musicOn);
        std::_Exit(98);
      },
      ExitedWithCode(0), "");
  return readFile(dir / "error.txt");
}

TEST(FmodErrorString, GivesTheTextOfEachCodeAndUnknownErrorOutside) {
  EXPECT_STREQ(engine::fmodErrorString(0), "No errors");
  EXPECT_STREQ(engine::fmodErrorString(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first");
  EXPECT_STREQ(engine::fmodErrorString(9), "File not found");
  EXPECT_STREQ(engine::fmodErrorString(18), "Required Mediaplayer codec is not installed");
  EXPECT_STREQ(engine::fmodErrorString(19), "Unknown error");
  EXPECT_STREQ(engine::fmodErrorString(-1), "Unknown error");
  std::set<std::string> texts;
  for (int code = 0; code <= 18; ++code) texts.insert(engine::fmodErrorString(code));
  EXPECT_EQ(texts.size(), 19u);
}

TEST(InitMusic, ReportsAMissingFileAnUnknownFormatAndAMissingDevice) {
  TempDir dir;
  EXPECT_EQ(failingInitMusic(dir, "data/music.mp3", false), report("File not found"));
  std::filesystem::create_directories(dir / "data");
  testsupport::writeFile(dir / "data" / "music.mp3", "RIFF....WAVEfmt this is no MP3");
  EXPECT_EQ(failingInitMusic(dir, "data/music.mp3", false), report("Unknown file format"));
  std::filesystem::remove(dir / "data" / "music.mp3");
  std::filesystem::create_directories(dir / "data" / "music.mp3");
  EXPECT_EQ(failingInitMusic(dir, "data/music.mp3", false), report("Error loading file"));
  EXPECT_EQ(failingInitMusic(dir, "data/music.mp3", true, "no-such-driver"),
            report("Error initializing output device"));
}

TEST(MusicTime, StartsNearZeroAndRunsInRealTimeWithMusicOff) {
  TempDir dir;
  const auto file = dir / "music.mp3";
  testsupport::writeMp3(file, testsupport::silence(0.5));
  engine::initMusic(file.c_str(), false);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_LE(engine::musicTime(), 10);
  std::this_thread::sleep_for(1200ms);  // past the end of the file: the clock loops on
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  EXPECT_NEAR(engine::musicTime(), wall, 30);
  engine::doneMusic();
}

}  // namespace
