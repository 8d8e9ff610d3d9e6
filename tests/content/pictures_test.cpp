// The content tool's table of pictures against the demo's (scenes/texture_list.h): the tool makes every
// picture the demo loads and nothing else, each once, in loading order, as the loader needs it.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scenes/texture_list.h"
#include "tools/content/pictures.h"

namespace {

// What the loader needs of one file it reads: colour, or grey for a mask or a picture that is its own
// alpha; a mask at the size of the picture it masks.
struct Loaded {
  std::string file;
  int channels;
  std::string maskOf;  // the picture this file is the mask of, or empty
};

enum class Alpha { none, mask, own };

void addRow(std::vector<Loaded>& files, const char* file, Alpha alpha, const char* maskFile) {
  files.push_back({file, alpha == Alpha::own ? 1 : 3, ""});
  if (alpha == Alpha::mask) files.push_back({maskFile, 1, file});
}

// Every file the demo reads, in the order it reads them (a picture shared by several rows once a row).
std::vector<Loaded> loadedByTheDemo() {
  std::vector<Loaded> files{{scenes::loadingPicture, 3, ""}};
#define VELMORROW_ADD_ROW(global, file, components, mipmaps, alpha, maskFile, ...) \
  addRow(files, file, Alpha::alpha, maskFile);
  VELMORROW_TEXTURES(VELMORROW_ADD_ROW)
#undef VELMORROW_ADD_ROW
  return files;
}

const content::DataPicture* made(const std::string& file) {
  const auto& pictures = content::demoPictures();
  const auto found = std::find_if(pictures.begin(), pictures.end(), [&](const auto& p) { return p.file == file; });
  return found == pictures.end() ? nullptr : &*found;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

TEST(DemoPictures, AreTheFilesTheDemoLoadsEachOnceInLoadingOrder) {
  std::vector<std::string> loaded, pictures;
  for (const Loaded& file : loadedByTheDemo()) {
    if (std::find(loaded.begin(), loaded.end(), file.file) == loaded.end()) loaded.push_back(file.file);
  }
  for (const content::DataPicture& entry : content::demoPictures()) pictures.push_back(entry.file);
  EXPECT_EQ(pictures, loaded);
}

TEST(DemoPictures, HaveTheKindAndSizeTheirLoaderNeeds) {
  for (const Loaded& file : loadedByTheDemo()) {
    SCOPED_TRACE(file.file);
    const content::DataPicture* entry = made(file.file);
    const content::DataPicture* masked = file.maskOf.empty() ? entry : made(file.maskOf);
    if (!entry || !masked) {
      ADD_FAILURE() << "not made";
      continue;
    }
    EXPECT_EQ(entry->channels, file.channels);
    EXPECT_TRUE(isPowerOfTwo(entry->width) && isPowerOfTwo(entry->height));  // OpenGL 1.1 textures
    EXPECT_EQ(entry->width, masked->width);
    EXPECT_EQ(entry->height, masked->height);
  }
}

}  // namespace
