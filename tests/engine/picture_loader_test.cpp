#include "engine/picture_loader.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace {

using engine::DecodedPicture;
using engine::PictureLoader;
using testsupport::FlatHwl;
using testsupport::TempDir;

// Pictures of different sizes, one unusable (height 0) and one missing, so each result is told apart.
std::vector<std::string> mixedFiles(const TempDir& dir) {
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    const std::string file = (dir / "p").string() + std::to_string(i) + ".hwl";
    testsupport::writeFlatHwl(file, FlatHwl{4 + i, 2 + i, i % 3 == 0 ? 8 : 24});
    files.push_back(file);
  }
  testsupport::writeFlatHwl(dir / "empty.hwl", FlatHwl{4, 0, 24});
  files.push_back((dir / "empty.hwl").string());
  files.push_back((dir / "missing.hwl").string());
  return files;
}

TEST(PictureLoader, GivesEachFileWhatDecodingItAloneGivesWhateverTheWorkers) {
  TempDir dir;
  const std::vector<std::string> files = mixedFiles(dir);
  for (unsigned workers : {1u, 2u, 4u, 64u}) {
    PictureLoader loader(files, workers);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const DecodedPicture expected = engine::decodePicture(files[i]);
      const DecodedPicture got = loader.take(i);
      EXPECT_EQ(got.header.width, expected.header.width) << files[i];
      EXPECT_EQ(got.pixels, expected.pixels) << files[i];
      EXPECT_EQ(got.failure, expected.failure) << files[i];
      EXPECT_EQ(got.problem, expected.problem) << files[i];
    }
  }
}

TEST(PictureLoader, FailuresComeBackToBeReportedByTheUploaderNotOnTheWorker) {
  TempDir dir;
  const std::vector<std::string> files = mixedFiles(dir);
  PictureLoader loader(files, 2);
  EXPECT_EQ(loader.take(files.size() - 2).failure, DecodedPicture::Failure::unusable);
  const DecodedPicture missing = loader.take(files.size() - 1);
  EXPECT_EQ(missing.failure, DecodedPicture::Failure::input);
  EXPECT_NE(missing.problem.find("missing.hwl"), std::string::npos) << missing.problem;
}

TEST(PictureLoader, StopsEarlyWhenTheUploaderGivesUpAfterAFailure) {
  TempDir dir;
  const std::vector<std::string> files = mixedFiles(dir);
  { PictureLoader loader(files, 3); }  // nothing taken: the workers stop and are joined
  PictureLoader loader(files, 1);
  EXPECT_EQ(loader.take(0).failure, DecodedPicture::Failure::none);
  EXPECT_THROW(loader.take(0), std::future_error);  // each picture is handed over once
  EXPECT_GE(PictureLoader::workersForThisMachine(), 1u);
}

}  // namespace
