// The data folder is the same bytes on every build: building it again, on one thread instead of the
// build's several, gives exactly the files (and the contact sheet) the build made.

#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;
using namespace std::chrono_literals;

TEST(ContentTool, BuildsTheSameDataFolderEveryTime) {
  TempDir dir;
  const ProcessResult result = run({(binaryDir() / "velmorrow-content").string(), "--out", (dir / "data").string(),
                                    "--contact-sheet", (dir / "sheet.png").string(), "--jobs", "1"},
                                   {}, 540s);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(binaryDir() / "data")) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(readFile(entry.path()) == readFile(dir / "data" / name)) << name;
    ++files;
  }
  EXPECT_EQ(files, 22);
  EXPECT_TRUE(readFile(binaryDir() / "contact-sheet.png") == readFile(dir / "sheet.png"));
}

}  // namespace
