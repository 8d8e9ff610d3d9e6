#pragma once
// The engine's texture module ("lmxTexture" in error reports): HWL pictures decoded into memory and
// turned into OpenGL textures, and the two pixel operations that give a colour picture an alpha
// channel taken from a mask.
//
// Pixels: an Image always holds four bytes per pixel, blue, green, red, alpha, rows in file order (as
// GL_BGRA / GL_UNSIGNED_BYTE wants them); `components` (3 or 4) only selects how OpenGL stores the
// texture. A 24-bit file decodes with alpha 0; an 8-bit (grey) file is widened to grey blue, green and
// red with alpha 0.
//
// Parameters: without mipmaps min and mag filter GL_LINEAR; with mipmaps (gluBuild2DMipmaps after the
// level-0 upload) min GL_LINEAR_MIPMAP_NEAREST and mag GL_NEAREST; wrap GL_REPEAT both ways.
//
// Failures: a decoded width or height of 0, or a picture that is neither 8- nor 24-bit, ends the demo
// through fatalError("lmxTexture", "Could not load Texture"). A file that cannot be opened or is cut
// short, or a picture too large for the memory there is, is an input error (inputError): one line on
// standard error naming the file and the problem, exit status 1.
//
// Ownership: the shell creates Textures with initTexture and frees them with doneTexture, which deletes
// the OpenGL name and the object with its pixels. All calls need the current OpenGL context except
// decodePicture, setImageAlpha and copyImageAlpha, which touch only memory.

#include "hwl/hwl.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::int32_t components = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes: blue, green, red, alpha
};

struct Texture {
  hwl::HwlHeader header{};
  bool mipmapped = false;
  Image image{};
  std::uint32_t glName = 0;
};

// A picture decoded ahead of its upload: its header and four-byte pixels, or why it cannot be used.
// decodePicture needs no OpenGL context and never ends the process, so any thread may call it; the
// failure is reported when the picture is handed to initTexture, on the thread that uploads.
struct DecodedPicture {
  enum class Failure { none, unusable, input };
  hwl::HwlHeader header{};
  std::vector<std::uint8_t> pixels;  // blue, green, red, alpha
  Failure failure = Failure::none;
  std::string problem;  // for an input failure: "FILE: PROBLEM"
};
DecodedPicture decodePicture(const std::string& fileName);

// Loads fileName into `texture` (a new Texture when null), uploads it and leaves it bound.
Texture* initTexture(Texture* texture, const std::string& fileName, std::int32_t components, bool mipmapped);
// The same with the picture already decoded (fileName names it in reports).
Texture* initTexture(Texture* texture, DecodedPicture picture, const std::string& fileName, std::int32_t components,
                     bool mipmapped);
void setImageAlpha(Image& image, std::uint8_t alpha);
// Each destination pixel's alpha := the source pixel's first (blue) byte; destination and source may
// be the same image. Stops at the last pixel the source holds.
void copyImageAlpha(Image& destination, const Image& source);
// Replaces the OpenGL texture with one made from the (edited) pixels: a new name, the old one deleted.
void uploadTexture(Texture* texture);
void doneTexture(Texture* texture);

}  // namespace engine
