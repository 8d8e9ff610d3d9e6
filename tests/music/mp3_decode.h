#pragma once
// Test support: decodes an MP3 file with mpg123 (gapless, as the demo's player does) into float
// stereo samples at the file's rate.

#include <filesystem>
#include <vector>

namespace musictest {

struct Decoded {
  long rate = 0;
  std::vector<float> left, right;
};

// Throws std::runtime_error if the file cannot be decoded.
Decoded decodeMp3(const std::filesystem::path& path);

// Mean power of both channels over [fromMs, toMs), in dB relative to full scale (-200 for silence).
double levelDb(const Decoded& audio, double fromMs, double toMs);

}  // namespace musictest
