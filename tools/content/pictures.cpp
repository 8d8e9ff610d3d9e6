#include "tools/content/pictures.h"

#include <optional>

#include "generator/recipe.h"
#include "scenes/texture_list.h"
#include "tools/content/captions.h"
#include "tools/content/content_error.h"
#include "tools/content/wing.h"

namespace content {

namespace {

DataPicture recipe(const std::string& file, int size, double leastPsnr = 40) {
  return {file, size, size, 3, leastPsnr, Source::recipe};
}

DataPicture mask(const std::string& file, int size, Source source, double leastPsnr = 38) {
  return {file, size, size, 1, leastPsnr, source};
}

// Large, smooth pictures that fill much of the screen keep more of their fine detail.
constexpr double detailed = 44;

// The glare is the quarter of a bigger fan of rays below its centre: apex at the top middle.
DataPicture glare() {
  DataPicture entry = recipe("glare.hwl", 512);
  entry.renderWidth = entry.renderHeight = 1024;
  entry.cropX = 256;
  entry.cropY = 512;
  return entry;
}

// The loading picture is shown at 4:3, so its square picture's letters are drawn three quarters wide.
constexpr double loadingSqueeze = 0.75;

hwl::HwlImage fromRgb(int width, int height, std::vector<std::uint8_t> rgb) {
  return {width, height, 3, std::move(rgb)};
}
hwl::HwlImage fromGrey(const GreyCanvas& canvas) { return {canvas.width, canvas.height, 1, greyBytes(canvas)}; }

std::vector<std::uint8_t> crop(const std::vector<std::uint8_t>& rgb, int fullWidth, const DataPicture& entry) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(entry.width) * entry.height * 3);
  for (int y = 0; y < entry.height; ++y) {
    const auto from = rgb.begin() + (static_cast<std::ptrdiff_t>(y + entry.cropY) * fullWidth + entry.cropX) * 3;
    std::copy(from, from + entry.width * 3, out.begin() + static_cast<std::ptrdiff_t>(y) * entry.width * 3);
  }
  return out;
}

std::vector<std::uint8_t> renderFromRecipe(const DataPicture& entry, const ContentSources& sources) {
  const int width = entry.renderWidth ? entry.renderWidth : entry.width;
  const int height = entry.renderHeight ? entry.renderHeight : entry.height;
  std::vector<std::uint8_t> rgb = generator::renderRecipe(sources.recipes.at(entry.file), width, height);
  return width == entry.width && height == entry.height ? rgb : crop(rgb, width, entry);
}

// Warm letters with a cool glow around them, added over the picture.
hwl::HwlImage loadingPicture(const DataPicture& entry, const ContentSources& sources) {
  RgbPicture picture{entry.width, entry.height, renderFromRecipe(entry, sources)};
  const GreyCanvas& title = sources.lettering.at(entry.file);
  addTinted(picture, blurred(title, 5.0), 0.35f, 0.4f, 0.75f);
  addTinted(picture, title, 1.0f, 0.95f, 0.86f);
  return fromRgb(entry.width, entry.height, std::move(picture.rgb));
}

}  // namespace

const std::vector<DataPicture>& demoPictures() {
  static const std::vector<DataPicture> pictures{
      {scenes::loadingPicture, 512, 512, 3, detailed, Source::loadingPicture},
      recipe("text0.hwl", 1024),
      mask("text1.hwl", 1024, Source::captions, 40),
      mask("text2.hwl", 1024, Source::captions, 40),
      mask("text3.hwl", 1024, Source::captions, 40),
      recipe("fivebox1.hwl", 256),
      recipe("fivebox2.hwl", 256),
      recipe("fivebox3.hwl", 256),
      recipe("flare.hwl", 256),
      recipe("flare_big.hwl", 256),
      glare(),
      recipe("circle1.hwl", 512),
      recipe("cloud.hwl", 256),
      {"butterfly.hwl", 256, 256, 3, 40, Source::wingColour},
      mask("butterfly_alpha.hwl", 256, Source::wingSilhouette),
      mask("butterfly_shape.hwl", 256, Source::wingPattern),
      recipe("background1.hwl", 512, detailed),
      recipe("background2.hwl", 256),
      recipe("background3.hwl", 256),
      recipe("background4.hwl", 512, detailed),
      recipe("background99.hwl", 512, detailed),
  };
  return pictures;
}

std::filesystem::path recipePath(const std::filesystem::path& contentDir, const DataPicture& picture) {
  return contentDir / "pictures" / (picture.stem() + ".txt");
}

ContentSources loadSources(const std::filesystem::path& contentDir, Fonts& fonts,
                           const std::vector<DataPicture>& pictures) {
  ContentSources sources;
  std::optional<Captions> captions;
  const auto needCaptions = [&]() -> const Captions& {
    if (!captions) {
      captions = readCaptionsFile((contentDir / "captions.txt").string());
      requireFonts(*captions, fonts);
    }
    return *captions;
  };
  for (const DataPicture& picture : pictures) {
    if (picture.source == Source::recipe || picture.source == Source::loadingPicture ||
        picture.source == Source::wingColour) {
      try {
        sources.recipes[picture.file] = generator::readRecipeFile(recipePath(contentDir, picture).string());
      } catch (const generator::RecipeError& error) {
        throw ContentError(error.source(), error.problem());
      }
    }
    if (picture.source == Source::captions) {
      sources.lettering[picture.file] = drawCaptionTexture(needCaptions(), fonts, picture.stem());
    }
    if (picture.source == Source::loadingPicture) {
      sources.lettering[picture.file] =
          drawLoadingTitle(needCaptions(), fonts, picture.width, picture.height, loadingSqueeze);
    }
  }
  return sources;
}

hwl::HwlImage makePicture(const DataPicture& picture, const ContentSources& sources) {
  switch (picture.source) {
    case Source::recipe:
      return fromRgb(picture.width, picture.height, renderFromRecipe(picture, sources));
    case Source::loadingPicture:
      return loadingPicture(picture, sources);
    case Source::captions:
      return fromGrey(sources.lettering.at(picture.file));
    case Source::wingColour: {
      RgbPicture wing{picture.width, picture.height, renderFromRecipe(picture, sources)};
      addTinted(wing, drawWingSpots(picture.width), 1.0f, 1.0f, 0.9f);
      return fromRgb(picture.width, picture.height, std::move(wing.rgb));
    }
    case Source::wingSilhouette:
      return fromGrey(drawWingSilhouette(picture.width));
    case Source::wingPattern:
      return fromGrey(drawWingPattern(picture.width));
  }
  throw ContentError(picture.file, "has no way to be made");
}

}  // namespace content
