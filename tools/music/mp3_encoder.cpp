#include "tools/music/mp3_encoder.h"

#include "tools/music/dsp.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

namespace music {

namespace {

constexpr int chunk = 8192;

struct LameCloser {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using Lame = std::unique_ptr<lame_global_flags, LameCloser>;

void check(int result, const char* what) {
  if (result < 0)
    throw std::runtime_error(std::string("MP3 encoder: ") + what + " failed (" + std::to_string(result) + ")");
}

Lame openEncoder() {
  Lame lame(lame_init());
  if (!lame) throw std::runtime_error("MP3 encoder: cannot start LAME");
  check(lame_set_in_samplerate(lame.get(), sampleRate), "setting the sample rate");
  check(lame_set_out_samplerate(lame.get(), sampleRate), "setting the output rate");
  check(lame_set_num_channels(lame.get(), 2), "setting two channels");
  check(lame_set_mode(lame.get(), JOINT_STEREO), "setting joint stereo");
  check(lame_set_VBR(lame.get(), vbr_default), "choosing variable bit rate");
  check(lame_set_VBR_quality(lame.get(), 2.0f), "setting the quality");
  check(lame_set_bWriteVbrTag(lame.get(), 1), "asking for the LAME tag");
  lame_set_write_id3tag_automatic(lame.get(), 0);
  check(lame_init_params(lame.get()), "setting up");
  return lame;
}

}  // namespace

std::vector<unsigned char> encodeMp3(const std::vector<float>& left, const std::vector<float>& right,
                                     const EncodeProgress& progress) {
  if (left.size() != right.size()) throw std::invalid_argument("MP3 encoder: channels of different lengths");
  Lame lame = openEncoder();
  std::vector<unsigned char> mp3;
  // Worst case per call, from LAME's documentation: 1.25 * samples + 7200 bytes.
  std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
  const std::size_t total = left.size();
  for (std::size_t at = 0; at < total; at += chunk) {
    const int count = static_cast<int>(std::min<std::size_t>(chunk, total - at));
    const int written = lame_encode_buffer_ieee_float(lame.get(), left.data() + at, right.data() + at, count,
                                                      buffer.data(), static_cast<int>(buffer.size()));
    check(written, "encoding");
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    if (progress && (at / chunk) % 32 == 0) progress(static_cast<double>(at) / static_cast<double>(total));
  }
  const int flushed = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
  check(flushed, "finishing");
  mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + flushed);

  // The first frame was left empty for the tag, which is known only now.
  std::vector<unsigned char> tag(8192);
  const std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
  if (tagSize == 0 || tagSize > tag.size() || tagSize > mp3.size()) {
    throw std::runtime_error("MP3 encoder: LAME gave no tag frame");
  }
  std::copy_n(tag.begin(), tagSize, mp3.begin());
  if (progress) progress(1.0);
  return mp3;
}

}  // namespace music
