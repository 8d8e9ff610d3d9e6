#pragma once
// The pictures of the demo's data folder: which files there are, at what size, and what each is made
// from. Most are recipes of the texture generator (content/pictures/NAME.txt for data/NAME.hwl); the
// caption textures and the loading picture's title are lettering (content/captions.txt); the
// butterfly's silhouette, pattern and spots are drawn in code (wing.h).
//
// Everything a picture needs is read and checked by loadSources before any picture is made, so a
// broken recipe, caption or font stops the build with one ContentError before anything is written.
// Making a picture is then pure computation and may run on several threads at once.

#include "generator/generator.h"
#include "hwl/encoder.h"
#include "tools/content/canvas.h"
#include "tools/content/lettering.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace content {

enum class Source {
  recipe,          // the picture's recipe
  loadingPicture,  // its recipe with the loading title written over it
  captions,        // one caption texture, white letters on black
  wingColour,      // its recipe with the wing's pale spots added
  wingSilhouette,  // the butterfly's wing, white on black
  wingPattern,     // the wing's dark pattern, as white on black
};

struct DataPicture {
  std::string file;  // in data/
  int width = 0, height = 0;
  int channels = 3;       // 3: colour (a 24-bit file); 1: grey (an 8-bit file)
  double leastPsnr = 40;  // the encoded file must reach this PSNR in dB
  Source source = Source::recipe;
  // For a recipe: the size it is rendered at and the part of that kept (0: the picture's own size).
  int renderWidth = 0, renderHeight = 0, cropX = 0, cropY = 0;

  std::string stem() const { return file.substr(0, file.rfind('.')); }
};

// Every picture the demo loads (scenes/texture_list.h, masks included), each once, in the order of its
// start-up. The build's list of data files comes from the demo's table and is checked against this one.
const std::vector<DataPicture>& demoPictures();

// content/pictures/NAME.txt for a recipe picture.
std::filesystem::path recipePath(const std::filesystem::path& contentDir, const DataPicture& picture);

// What the pictures are made from, read and checked.
struct ContentSources {
  std::map<std::string, generator::Recipe> recipes;  // by picture file
  std::map<std::string, GreyCanvas> lettering;       // by picture file: caption textures, loading title
};

ContentSources loadSources(const std::filesystem::path& contentDir, Fonts& fonts,
                           const std::vector<DataPicture>& pictures);

// The picture's pixels, ready for the encoder.
hwl::HwlImage makePicture(const DataPicture& picture, const ContentSources& sources);

}  // namespace content
