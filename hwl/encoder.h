#pragma once
// The HWL encoder: the pieces that make the files hwl.h describes, and whole-picture encoding on top.
//
// A caller chains the pieces in the order forward transform (hwlForward, or hwlForwardYuv for colour),
// optional threshold (hwlThreshold), quantisation (hwlQuantise, hwlQuantise3) and writing
// (hwlWriteFile, hwlWriteStream); hwlEncode does all of it for a picture in memory. The arithmetic is
// the decoder's: extended precision, rounded to binary64 wherever a value is stored, so the same
// input always gives the same bytes.
//
// Conventions: real and integer planes are row-major with the row stride given (width for whole
// planes). Pictures in memory (HwlImage) are 8-bit samples, grey or red, green, blue interleaved, rows
// top to bottom. A level's unpaired last column (row), for sizes not divisible by 2^(L + 1), passes
// through that direction's transform unchanged, as the decoder expects.
//
// Failures: a value width outside 1 to 8, a lastLevel above 16, a size above 65,535 or below 0, a
// bitsPerPixel other than 8 or 24 and every failed write throw HwlError (naming the file or stream);
// so does an image of more than hwlMaxPixels pixels given to hwlEncode or hwlEncodeForPsnr.
// Files are assembled in memory and written in one piece; a failed write leaves a partial file.

#include "hwl/stages.h"

#include <functional>
#include <ostream>

namespace hwl {

// ---------------------------------------------------------------------------------------------------
// Pieces.

// Forward Haar transform of the w x h region (row stride W, H rows), levels 0 to L, finest first, rows
// before columns; the result lands in the nested quadrant layout. Source and destination may be the
// same plane.
void hwlForward(std::span<const double> source, std::span<double> destination, int w, int h, int W, int H, int L);
// Red, green and blue planes (0 to 255) to Y, U, V and their transforms.
void hwlForwardYuv(std::span<const double> red, std::span<const double> green, std::span<const double> blue,
                   std::span<double> destination1, std::span<double> destination2, std::span<double> destination3,
                   int w, int h, int W, int H, int L);

// Sets every detail coefficient v with v != 0 and |v| <= threshold to 0; returns how many. The
// approximation block is never touched.
std::size_t hwlThreshold(std::span<double> plane, double threshold, int width, int height, int L);

// Zero entries among the width * height integers.
std::size_t hwlCountZeros(std::span<const std::int32_t> plane, int width, int height);

// Scales every group (detail levels 0 to L, then the approximation) so its largest magnitude becomes
// 2^k - 1, rounds to integers (ties to even) and records the scale in the table (0 for an all-zero
// group).
void hwlQuantise(std::span<const double> reals, std::span<std::int32_t> integers, int width, int height, int L,
                 int valueBits, HwlTable& table);
void hwlQuantise3(std::span<const double> reals1, std::span<const double> reals2, std::span<const double> reals3,
                  std::span<std::int32_t> integers1, std::span<std::int32_t> integers2,
                  std::span<std::int32_t> integers3, int width, int height, int L, int valueBits1, int valueBits2,
                  int valueBits3, HwlTable& table1, HwlTable& table2, HwlTable& table3);

// Appends one plane's symbols (0 to 3) and values (the lowest 8 bits of each magnitude), one per
// byte. A zero followed by more than (k + 4) / 2 zeros starts a run of at most 4 * 2^k; no run covers
// the plane's last coefficient. L is not used.
void hwlEncodePlane(std::span<const std::int32_t> plane, std::vector<std::uint8_t>& symbols,
                    std::vector<std::uint8_t>& values, int width, int height, int L, int valueBits);

// A complete file, to a named file, a stream or memory. An 8-bit file uses plane 1 and table 1 (the
// others may be empty and null) and writes 0 into the header fields of planes 2 and 3.
void hwlWriteFile(const std::string& fileName, std::span<const std::int32_t> plane1,
                  std::span<const std::int32_t> plane2, std::span<const std::int32_t> plane3, int width, int height,
                  int bitsPerPixel, int L, const HwlTable* table1, const HwlTable* table2, const HwlTable* table3,
                  int valueBits1, int valueBits2, int valueBits3);
void hwlWriteStream(std::ostream& stream, std::span<const std::int32_t> plane1, std::span<const std::int32_t> plane2,
                    std::span<const std::int32_t> plane3, int width, int height, int bitsPerPixel, int L,
                    const HwlTable* table1, const HwlTable* table2, const HwlTable* table3, int valueBits1,
                    int valueBits2, int valueBits3);
std::vector<std::uint8_t> hwlWriteBytes(std::span<const std::int32_t> plane1, std::span<const std::int32_t> plane2,
                                        std::span<const std::int32_t> plane3, int width, int height, int bitsPerPixel,
                                        int L, const HwlTable* table1, const HwlTable* table2, const HwlTable* table3,
                                        int valueBits1, int valueBits2, int valueBits3);

// hwlReadPlanes from a stream positioned at the header.
void hwlReadPlanesFromStream(std::istream& stream, std::span<std::int32_t> plane1, std::span<std::int32_t> plane2,
                             std::span<std::int32_t> plane3, HwlTable* table1, HwlTable* table2, HwlTable* table3);

// ---------------------------------------------------------------------------------------------------
// Whole pictures.

struct HwlImage {
  int width = 0;
  int height = 0;
  int channels = 0;                   // 1: grey (an 8-bit file); 3: red, green, blue (24-bit)
  std::vector<std::uint8_t> samples;  // width * height * channels
};

struct HwlEncodeOptions {
  int levels = -1;                        // lastLevel; -1: hwlDefaultLevel
  std::array<int, 3> valueBits{8, 8, 8};  // k per plane (a grey picture uses the first)
  double threshold = 0;                   // detail coefficients up to this magnitude become 0
};

// The most levels the size allows, up to 5: the largest L <= 5 with 2^(L + 1) <= width and height.
int hwlDefaultLevel(int width, int height);

std::vector<std::uint8_t> hwlEncode(const HwlImage& image, const HwlEncodeOptions& options);

// Peak signal-to-noise ratio in dB of a decoded picture against the image it was made from (all
// samples of all channels; infinity when they are equal). Throws std::invalid_argument when the two
// do not match in size or channels.
double hwlPsnr(const HwlImage& reference, const HwlPicture& decoded);

struct HwlSearchResult {
  HwlEncodeOptions options;
  std::vector<std::uint8_t> file;
  double psnr = 0;
  bool reached = false;  // false: no setting reached the target; the file is the closest one
};
// Searches the value widths and the threshold for the smallest file whose decoded picture reaches
// targetDb; progress (may be empty) is told each trial's share of the search done, 0 to 1.
HwlSearchResult hwlEncodeForPsnr(const HwlImage& image, double targetDb, int levels = -1,
                                 const std::function<void(double)>& progress = {});

}  // namespace hwl
