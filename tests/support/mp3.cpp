#include "tests/support/mp3.h"

#include "tests/support/process.h"

#include <lame.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace testsupport {

namespace {

std::size_t frameCount(double seconds, int rate) { return static_cast<std::size_t>(std::llround(seconds * rate)); }

struct Encoder {
  lame_global_flags* flags = lame_init();
  ~Encoder() { lame_close(flags); }
};

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("LAME: ") + what);
}

}  // namespace

Pcm sweep(double seconds, int rate, int channels) {
  Pcm pcm{rate, channels, {}};
  const std::size_t frames = frameCount(seconds, rate);
  const double from = 200, to = 4000;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double phase = 2 * std::numbers::pi * (from * t + (to - from) * t * t / (2 * seconds));
    const auto sample = static_cast<std::int16_t>(std::lround(16000 * std::cos(phase)));
    for (int c = 0; c < channels; ++c) pcm.samples.push_back(sample);
  }
  return pcm;
}

Pcm silence(double seconds, int rate, int channels) {
  return Pcm{rate, channels, std::vector<std::int16_t>(frameCount(seconds, rate) * channels, 0)};
}

Pcm join(const Pcm& first, const Pcm& second) {
  Pcm pcm = first;
  pcm.samples.insert(pcm.samples.end(), second.samples.begin(), second.samples.end());
  return pcm;
}

std::string encodeMp3(const Pcm& pcm, int kbps) {
  Encoder encoder;
  lame_global_flags* flags = encoder.flags;
  check(flags != nullptr, "lame_init");
  lame_set_in_samplerate(flags, pcm.rate);
  lame_set_out_samplerate(flags, pcm.rate);
  lame_set_num_channels(flags, pcm.channels);
  lame_set_mode(flags, pcm.channels == 1 ? MONO : JOINT_STEREO);
  lame_set_VBR(flags, vbr_off);
  lame_set_brate(flags, kbps);
  lame_set_quality(flags, 5);
  lame_set_bWriteVbrTag(flags, 1);
  lame_set_write_id3tag_automatic(flags, 0);
  check(lame_init_params(flags) >= 0, "lame_init_params");

  const int frames = static_cast<int>(pcm.frames());
  std::vector<unsigned char> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 16384);
  int size = 0;
  if (frames > 0) {
    size = pcm.channels == 2 ? lame_encode_buffer_interleaved(flags, const_cast<short*>(pcm.samples.data()), frames,
                                                              out.data(), static_cast<int>(out.size()))
                             : lame_encode_buffer(flags, pcm.samples.data(), nullptr, frames, out.data(),
                                                  static_cast<int>(out.size()));
    check(size >= 0, "lame_encode_buffer");
  }
  const int tail = lame_encode_flush(flags, out.data() + size, static_cast<int>(out.size()) - size);
  check(tail >= 0, "lame_encode_flush");
  out.resize(static_cast<std::size_t>(size + tail));
  // The first frame was left empty for the tag, which is only known now.
  std::vector<unsigned char> tag(4096);
  const std::size_t tagSize = lame_get_lametag_frame(flags, tag.data(), tag.size());
  check(tagSize > 0 && tagSize <= tag.size() && tagSize <= out.size(), "lame_get_lametag_frame");
  std::copy(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(tagSize), out.begin());
  return std::string(out.begin(), out.end());
}

void writeMp3(const std::filesystem::path& path, const Pcm& pcm, int kbps) { writeFile(path, encodeMp3(pcm, kbps)); }

void writeSilentMusic(const std::filesystem::path& dir, double seconds) {
  std::filesystem::create_directories(dir / "data");
  writeMp3(dir / "data" / "music.mp3", silence(seconds, 44100, 1), 64);
}

}  // namespace testsupport
