#include "tools/content/encoding.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "tools/content/content_error.h"

namespace content {

namespace {

Encoded trial(const hwl::HwlImage& image, std::array<int, 3> widths, double threshold) {
  hwl::HwlEncodeOptions options;
  options.valueBits = widths;
  options.threshold = threshold;
  Encoded encoded{hwl::hwlEncode(image, options), 0};
  encoded.psnr = hwl::hwlPsnr(image, hwl::hwlDecodeBytes(encoded.file));
  return encoded;
}

// Starting from `best` (these widths at threshold 0, which reaches the target), the largest threshold
// for small detail at which the widths still reach it, searched on a log scale below 64.
Encoded thresholdSearch(const hwl::HwlImage& image, std::array<int, 3> widths, double target, Encoded best) {
  double reached = 0, failed = 64;
  for (int step = 0; step < 7; ++step) {
    const double threshold = reached == 0 ? failed / 8 : std::sqrt(reached * failed);
    Encoded encoded = trial(image, widths, threshold);
    if (encoded.psnr < target) {
      failed = threshold;
      continue;
    }
    reached = threshold;
    if (encoded.file.size() < best.file.size()) best = std::move(encoded);
  }
  return best;
}

}  // namespace

// Two steps of a few trials each, so that even the 1024-pixel pictures take seconds: the narrowest
// equal value width k that reaches the target with nothing thrown away; then, at k + 1, at k, and at k
// with colour planes a bit narrower, the largest threshold that still reaches it. The smallest file
// wins.
Encoded encodeToPsnr(const hwl::HwlImage& image, double target, const std::string& name) {
  const auto equal = [](int k) { return std::array<int, 3>{k, k, k}; };
  std::map<std::array<int, 3>, Encoded> reaching;  // widths that reach the target at threshold 0
  Encoded widest = trial(image, equal(8), 0);
  if (widest.psnr < target) {
    char problem[160];
    std::snprintf(problem, sizeof problem, "reaches only %.2f dB as HWL, not the %.0f dB it needs", widest.psnr,
                  target);
    throw ContentError(name, problem);
  }
  int k = 8;
  reaching.emplace(equal(8), std::move(widest));
  while (k > 1) {
    Encoded narrower = trial(image, equal(k - 1), 0);
    if (narrower.psnr < target) break;
    reaching.emplace(equal(--k), std::move(narrower));
  }
  if (image.channels == 3 && k > 1) {
    Encoded coloursNarrower = trial(image, {k, k - 1, k - 1}, 0);
    if (coloursNarrower.psnr >= target)
      reaching.emplace(std::array<int, 3>{k, k - 1, k - 1}, std::move(coloursNarrower));
  }
  std::optional<Encoded> best;
  for (auto& [widths, atZero] : reaching) {
    if (widths[0] > k + 1) continue;
    Encoded found = thresholdSearch(image, widths, target, std::move(atZero));
    if (!best || found.file.size() < best->file.size()) best = std::move(found);
  }
  return std::move(*best);
}

}  // namespace content
