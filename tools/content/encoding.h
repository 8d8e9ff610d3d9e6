#pragma once
// Encoding a picture as HWL at a least PSNR: a search over the encoder's value widths and threshold
// for a small file whose decoded picture reaches it. Deterministic: the same picture and target always
// give the same bytes. A picture that cannot reach the target even at full width throws ContentError
// naming it.

#include "hwl/encoder.h"

#include <string>
#include <vector>

namespace content {

struct Encoded {
  std::vector<std::uint8_t> file;  // the whole .hwl file
  double psnr = 0;                 // of its decoded picture against the picture, in dB
};

Encoded encodeToPsnr(const hwl::HwlImage& image, double leastPsnr, const std::string& name);

}  // namespace content
