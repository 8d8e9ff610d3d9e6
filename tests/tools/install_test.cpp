#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;

TEST(Install, PutsTheProgramsTheDataAndADesktopEntryThatStartsInTheDataFolder) {
  TempDir prefix;
  const ProcessResult installed =
      run({"cmake", "--install", binaryDir().string(), "--prefix", prefix.path().string()}, {}, 120s);
  ASSERT_EQ(installed.exitCode, 0) << installed.err;
  for (const char* program : {"velmorrow", "velmorrow-capture", "hwlconv", "texgen"}) {
    EXPECT_TRUE(std::filesystem::exists(prefix / "bin" / program)) << program;
  }
  EXPECT_TRUE(std::filesystem::exists(prefix / "share/velmorrow/data/music.mp3"));
  EXPECT_TRUE(std::filesystem::exists(prefix / "share/icons/hicolor/scalable/apps/velmorrow.svg"));
  const std::string entry = readFile(prefix / "share/applications/velmorrow.desktop");
  EXPECT_NE(entry.find("Exec=" + (prefix / "bin/velmorrow").string() + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("Path=" + (prefix / "share/velmorrow").string() + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("Icon=velmorrow\n"), std::string::npos);
}

}  // namespace
