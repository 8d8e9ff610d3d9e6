#include "tests/music/mp3_decode.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

namespace musictest {

Decoded decodeMp3(const std::filesystem::path& path) {
  int error = MPG123_OK;
  std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> handle(mpg123_new(nullptr, &error), mpg123_delete);
  if (!handle) throw std::runtime_error("mpg123_new failed");
  mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_FLOAT | MPG123_QUIET, 0.0);
  mpg123_format_none(handle.get());
  mpg123_format(handle.get(), 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
  if (mpg123_open(handle.get(), path.c_str()) != MPG123_OK) throw std::runtime_error("cannot open " + path.string());
  Decoded decoded;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(handle.get(), &decoded.rate, &channels, &encoding) != MPG123_OK || channels != 2) {
    throw std::runtime_error("unexpected format in " + path.string());
  }
  std::vector<float> buffer(16384);
  for (;;) {
    std::size_t bytes = 0;
    const int result = mpg123_read(handle.get(), reinterpret_cast<unsigned char*>(buffer.data()),
                                   buffer.size() * sizeof(float), &bytes);
    for (std::size_t i = 0; i + 1 < bytes / sizeof(float); i += 2) {
      decoded.left.push_back(buffer[i]);
      decoded.right.push_back(buffer[i + 1]);
    }
    if (result == MPG123_DONE) break;
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
      throw std::runtime_error("decoding " + path.string() + ": " + mpg123_strerror(handle.get()));
    }
  }
  mpg123_close(handle.get());
  return decoded;
}

double levelDb(const Decoded& audio, double fromMs, double toMs) {
  const auto index = [&](double ms) {
    return static_cast<std::size_t>(
        std::clamp(std::llround(ms * audio.rate / 1000.0), 0LL, static_cast<long long>(audio.left.size())));
  };
  const std::size_t from = index(fromMs), to = index(toMs);
  if (to <= from) return -200.0;
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i)
    sum += 0.5 * (audio.left[i] * audio.left[i] + audio.right[i] * audio.right[i]);
  const double mean = sum / static_cast<double>(to - from);
  return mean > 1e-20 ? 10.0 * std::log10(mean) : -200.0;
}

}  // namespace musictest
