// The README's pictures are committed in docs/pictures/, small, so that a fresh clone shows them before
// anything is built.

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t maxPictureBytes = 150 * 1024;
constexpr std::uintmax_t maxFolderBytes = 2 * 1024 * 1024;

std::vector<std::string> linkedPictures() {
  const std::string readme = testsupport::readFile(testsupport::sourceDir() / "README.md");
  const std::regex image(R"(!\[[^\]]*\]\(([^)\s]+)\))");
  std::vector<std::string> links;
  for (auto it = std::sregex_iterator(readme.begin(), readme.end(), image); it != std::sregex_iterator(); ++it) {
    links.push_back((*it)[1]);
  }
  return links;
}

TEST(ReadmePictures, EveryLinkedPictureIsCommittedInDocsPicturesAndSmall) {
  const std::vector<std::string> links = linkedPictures();
  ASSERT_GE(links.size(), 10u);
  for (const std::string& link : links) {
    SCOPED_TRACE(link);
    EXPECT_EQ(link.rfind("docs/pictures/", 0), 0u) << "only docs/pictures/ is committed";
    const fs::path file = testsupport::sourceDir() / link;
    ASSERT_TRUE(fs::is_regular_file(file)) << "missing: run scripts/readme-pictures and commit the result";
    EXPECT_LE(fs::file_size(file), maxPictureBytes);
  }
}

TEST(ReadmePictures, TheFolderHoldsOnlyLinkedPicturesWithinItsLimit) {
  const std::vector<std::string> linkList = linkedPictures();
  const std::set<std::string> links(linkList.begin(), linkList.end());
  std::uintmax_t total = 0;
  for (const auto& entry : fs::directory_iterator(testsupport::sourceDir() / "docs" / "pictures")) {
    const std::string name = "docs/pictures/" + entry.path().filename().string();
    EXPECT_TRUE(links.count(name)) << name << " is not shown by the README";
    total += entry.file_size();
  }
  EXPECT_LE(total, maxFolderBytes);
}

}  // namespace
