#pragma once
// HWL: Velmorrow's own lossy image format and its decoder.
//
// A picture is one plane (8 bits per pixel, grey) or three planes (24 bits per pixel: Y, U, V). Each
// plane is a multi-level two-dimensional Haar wavelet transform whose coefficients were scaled per
// level, rounded to integers and written as a stream of 2-bit symbols plus a stream of k-bit values.
// The decoder turns a file into the pixel buffer the engine hands to OpenGL; encoder.h makes files.
//
// ---------------------------------------------------------------------------------------------------
// File layout. Every multi-byte field is little-endian; nothing is padded.
//
//   header         36 bytes, below
//   scale tables   one table (8-bit file) or three (24-bit file, planes 1, 2, 3), each lastLevel + 2
//                  IEEE-754 binary64 values; all tables come before any stream
//   plane streams  per plane (1; then 2 and 3 for a 24-bit file): its symbol stream, then its value
//                  stream. Nothing follows the last value stream; trailing bytes are never read.
//
// Header (HwlHeader):
//   offset size field
//        0    3 magic          "HWL" (not checked when decoding)
//        3    2 width          pixels per row, unsigned 16-bit
//        5    2 height         rows, unsigned 16-bit
//        7    1 bitsPerPixel   8: one grey plane; 24: three planes Y, U, V; any other value: a picture
//                              this decoder returns the header of and no pixels
//        8    1 lastLevel      L: the transform has L + 1 levels (0 = one); at most 16
//        9   12 symbolCount    N for planes 1, 2, 3 (offsets 9, 13, 17), unsigned 32-bit each
//       21   12 valueCount     M for planes 1, 2, 3 (offsets 21, 25, 29), unsigned 32-bit each
//       33    3 valueBits      k for planes 1, 2, 3 (offsets 33, 34, 35), 1 to 8
//   In an 8-bit file only the plane-1 entries of the last three fields mean anything.
//
// Scale table of a plane: entry l (0 <= l <= L) is the factor the detail coefficients of transform
// level l were multiplied by before rounding (level 0 is the finest, full-size level), entry L + 1 the
// factor of the approximation block left after the coarsest level; 0 means the group is all zero.
//
// Symbol stream: N 2-bit symbols, four per byte, the first in the two lowest bits; ceil(N / 4) bytes.
//   0  one zero coefficient
//   1  a run of 1 + v + e * 2^k zero coefficients, e being the next symbol (0 to 3, read as a number)
//   2  the coefficient +v
//   3  the coefficient -v
//   where v is the next unread value of the plane's value stream.
// Value stream: M values of k bits each. k = 8: one byte per value, M bytes. k < 8: packed least
//   significant bit first, value j starting at bit j * k of the stream, ceil(M * k / 8) bytes, with
//   M * k taken as an unsigned 32-bit product (wrapping around; the next stream starts where that
//   size says, and values past the stream's end are not there).
//
// Coefficient plane: width x height values, row-major, element (x, y) at y * width + x; the symbols
// describe the elements in that order. Level l works on the top-left (width >> l) x (height >> l)
// region; the top-left quadrant of that region, ((width >> l) / 2) x ((height >> l) / 2), is the region
// of level l + 1 (after level L: the approximation block), the rest of the region is level l's detail.
//
// ---------------------------------------------------------------------------------------------------
// Decoding. Coefficients are multiplied by 1 / (table entry) of their group, the planes go through the
// inverse transform (coarsest level first, within a level columns before rows, with the zero-detail
// smoothing that keeps gradients smooth), a 24-bit picture is converted from Y, U, V to red, green and
// blue, and every sample is stored as a byte: not above 0 gives 0, not below 255 gives 255, anything
// else rounds to the nearest integer with ties to even. All real arithmetic is evaluated in x87
// extended precision (64-bit significand) and rounded to binary64 wherever a value is stored; the
// bytes are exactly those of that arithmetic, on every decode path below and on every processor (the
// x87's own long double where the compiler has it, an emulation of it elsewhere: arithmetic.h).
//
// Decode paths. A decode takes the best path the processor has: on x86 (32- and 64-bit) avx512
// (AVX-512 F, DQ, BW, VL and FMA), avx2 (AVX2 and FMA) or sse2; on aarch64 neon; in WebAssembly built
// with SIMD simd128; anywhere stages (the plain extended-precision pipeline). The vector paths give the
// stage path's bytes exactly; a picture whose scale factors are too large or too small for their
// binary64 error bounds goes by stages. The environment variable HWL_DECODE_PATH (auto, avx512, avx2,
// sse2, neon, simd128 or stages; read on every decode) forces a path, for comparisons and for machines
// where one misbehaves; naming a path the processor or the build lacks, or any other value, makes the
// decode throw HwlError saying so. A build with HWL_NO_SIMD (the CMake option of that name; set by
// default for other processors and other compilers than GCC and Clang) has the stage path only.
//
// Pixel buffer (the result):
//   24-bit file: width * height * 4 bytes, pixel (x, y) at byte 4 * (y * width + x) in the order blue,
//                green, red, alpha; alpha is written as 0 (ready for GL_BGRA / GL_UNSIGNED_BYTE).
//   8-bit file:  width * height bytes, one grey byte per pixel.
//   Rows are in file order: row 0 comes first.
//
// Sizes that do not halve evenly: when a level's region has an odd width (height), its last column
// (row) is not paired and passes through that direction's transform unchanged, so every size decodes
// to defined pixels. Width and height divisible by 2^(L + 1) never meet the case.
//
// Limits: the format holds up to 65,535 x 65,535 pixels (a 36-byte header can promise 17 GB of
// pixels), but the decoder takes pictures of at most hwlMaxPixels = 2^26 = 67,108,864 pixels: 8192 x
// 8192 (the largest picture the generator makes), a 50-megapixel photograph or a 65,535 x 1,024 strip
// fit; the demo's own pictures are at most 1024 x 1024. Decoding a 24-bit picture takes about 11 bytes
// per pixel on the vectorised path and 84 by stages (0.7 and 5.6 GB at the limit; 8-bit: 4 and 25).
// The limit is checked with the other header checks, before anything is allocated, and the whole body
// (tables and streams) is read before the pixel buffer is allocated, so a file that is cut short costs
// no more memory than its own size. The encoder refuses larger images (encoder.h), so every picture
// it makes decodes.
//
// Failures: every problem is reported by throwing HwlError, naming the file and what was wrong: a file
// that cannot be opened, a file that ends before a header, table or stream is complete, a decoded
// picture of more than hwlMaxPixels pixels, a lastLevel above 16, a value width of 0 or above 8 on a
// plane that is decoded. A stream that runs out before its plane is full leaves the rest of the plane
// zero, a zero run never passes the end of the plane and nothing is read past either stream. A picture
// with bitsPerPixel other than 8 or 24, or with a width or height of 0, is not an error: its header is
// returned and no pixels are produced (a height of 0 is how the engine learns that a texture could not
// be loaded). Nothing is kept between calls; every work buffer lives inside one call.

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace hwl {

constexpr std::size_t hwlHeaderSize = 36;
constexpr int hwlMaxLastLevel = 16;
constexpr int hwlTableSize = hwlMaxLastLevel + 2;               // entries of a table buffer
constexpr std::uint64_t hwlMaxPixels = std::uint64_t{1} << 26;  // width * height of a decoded picture

struct HwlHeader {
  std::array<char, 3> magic{};
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint8_t bitsPerPixel = 0;
  std::uint8_t lastLevel = 0;
  std::array<std::uint32_t, 3> symbolCount{};
  std::array<std::uint32_t, 3> valueCount{};
  std::array<std::uint8_t, 3> valueBits{};

  bool operator==(const HwlHeader&) const = default;
};

// The 36 bytes of a header and back.
std::array<std::uint8_t, hwlHeaderSize> packHeader(const HwlHeader& header);
HwlHeader unpackHeader(std::span<const std::uint8_t, hwlHeaderSize> bytes);

// Planes a header describes that are decoded (1 or 3), 0 when nothing is decoded (bitsPerPixel other
// than 8 or 24, or an empty picture).
int decodedPlaneCount(const HwlHeader& header);

// Bytes of the pixel buffer a header's picture decodes to (0 when nothing is decoded).
std::size_t pixelBufferSize(const HwlHeader& header);

// Bytes of a plane's symbol and value streams in the file, from its counts and value width.
std::size_t symbolStreamSize(std::uint32_t symbolCount);
std::size_t valueStreamSize(std::uint32_t valueCount, int valueBits);

// A problem with a file or stream: what() reads "FILE: PROBLEM".
class HwlError : public std::runtime_error {
 public:
  HwlError(const std::string& fileName, const std::string& problem);
  const std::string& fileName() const { return fileName_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string fileName_;
  std::string problem_;
};

using HwlTable = std::array<double, hwlTableSize>;

// ---------------------------------------------------------------------------------------------------
// Whole pictures.

struct HwlPicture {
  HwlHeader header;
  std::vector<std::uint8_t> pixels;  // the pixel buffer above; empty when nothing was decoded
};

// Decodes a file. When allocate is set, pixels is resized to the picture's buffer size; otherwise it
// must already hold at least that many bytes. A picture that is not decoded leaves pixels as it was.
// A caller that decodes again into the same buffer pays for no allocation.
void hwlDecode(std::vector<std::uint8_t>& pixels, HwlHeader& header, const std::string& fileName, bool allocate);
HwlPicture hwlDecode(const std::string& fileName);
// The same from bytes in memory (a whole file) or from a stream positioned at the header; name is used
// in error messages.
void hwlDecodeBytes(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& pixels, HwlHeader& header,
                    bool allocate, const std::string& name = "<memory>");
HwlPicture hwlDecodeBytes(std::span<const std::uint8_t> file, const std::string& name = "<memory>");
HwlPicture hwlDecodeStream(std::istream& stream, const std::string& name = "<stream>");

}  // namespace hwl
