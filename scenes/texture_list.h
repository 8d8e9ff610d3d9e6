#pragma once
// The demo's pictures, in loading order: the loading screen's picture, then one row each. demo_state.h
// declares a global per row and the table that the shell loads and frees them from. The build takes the
// data folder's list of pictures from this file (every quoted .hwl name), and velmorrow-content, which
// makes them (tools/content/pictures.cpp), stops if its own table differs from that list.
//
//   X(global, file, components, mipmaps, alpha, maskFile, progressAfter, shutdownPlace)
//
// alpha: none (the file as it is), mask (loaded opaque, then alpha from maskFile's first channel) or own
// (loaded opaque, then alpha from its own first channel). progressAfter: the loading screen's fraction
// shown once the row is loaded (0: no step after it). shutdownPlace: when stopDemo frees it (0 first).
#define VELMORROW_TEXTURES(X)                                                   \
  X(texText1, "text0.hwl", 4, false, mask, "text1.hwl", 0.3, 3)                 \
  X(texText2, "text0.hwl", 4, false, mask, "text2.hwl", 0.4, 4)                 \
  X(texText3, "text0.hwl", 4, false, mask, "text3.hwl", 0.5, 5)                 \
  X(texFivebox1, "fivebox1.hwl", 3, true, none, nullptr, 0, 6)                  \
  X(texFivebox2, "fivebox2.hwl", 3, true, none, nullptr, 0, 7)                  \
  X(texFivebox3, "fivebox3.hwl", 3, true, none, nullptr, 0.6, 8)                \
  X(texFlare, "flare.hwl", 3, true, none, nullptr, 0, 10)                       \
  X(texFlareBig, "flare_big.hwl", 3, true, none, nullptr, 0, 11)                \
  X(texGlare, "glare.hwl", 3, true, none, nullptr, 0.7, 12)                     \
  X(texCircle1, "circle1.hwl", 3, false, none, nullptr, 0, 9)                   \
  X(texCloud, "cloud.hwl", 3, true, none, nullptr, 0, 0)                        \
  X(texButterfly, "butterfly.hwl", 4, false, mask, "butterfly_alpha.hwl", 0, 1) \
  X(texButterflyShape, "butterfly_shape.hwl", 4, false, own, nullptr, 0.8, 2)   \
  X(texBackground1, "background1.hwl", 3, false, none, nullptr, 0, 13)          \
  X(texBackground2, "background2.hwl", 3, false, none, nullptr, 0, 14)          \
  X(texBackground3, "background3.hwl", 3, false, none, nullptr, 0, 15)          \
  X(texBackground4, "background4.hwl", 3, false, none, nullptr, 0, 16)          \
  X(texBackground99, "background99.hwl", 3, false, none, nullptr, 0.9, 17)

namespace scenes {

// The loading screen's picture, read before every row above.
inline constexpr const char* loadingPicture = "loading.hwl";

}  // namespace scenes
