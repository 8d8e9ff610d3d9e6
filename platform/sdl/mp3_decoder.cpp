// MP3 decoding on libmpg123, which reads the file's bytes from memory, trims the encoder's delay and
// padding itself (MPG123_GAPLESS), doubles mono and resamples other rates to the output's.

#include "platform/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform {

struct Mp3Decoder::Codec {
  struct Memory {
    std::vector<unsigned char> bytes;
    std::size_t position = 0;
  };
  Memory memory;
  mpg123_handle* handle = nullptr;
};

namespace {

constexpr std::size_t bytesPerFrame = 2 * sizeof(std::int16_t);
constexpr int maxIdleReads = 4;  // reads in a row that give nothing before a pass counts as ended

// mpg123 reads the file from memory through these.
template <typename Memory>
mpg123_ssize_t readMemory(void* handle, void* buffer, size_t count) {
  auto& memory = *static_cast<Memory*>(handle);
  const std::size_t n = std::min(count, memory.bytes.size() - memory.position);
  std::memcpy(buffer, memory.bytes.data() + memory.position, n);
  memory.position += n;
  return static_cast<mpg123_ssize_t>(n);
}

template <typename Memory>
off_t seekMemory(void* handle, off_t offset, int whence) {
  auto& memory = *static_cast<Memory*>(handle);
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  const auto size = static_cast<off_t>(memory.bytes.size());
  const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<off_t>(memory.position) : size;
  if (offset < -base || offset > size - base) return -1;
  memory.position = static_cast<std::size_t>(base + offset);
  return base + offset;
}

void initialiseMpg123Once() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

Mp3Decoder::Mp3Decoder() : codec_(std::make_unique<Codec>()) {}

Mp3Decoder::~Mp3Decoder() {
  if (!codec_->handle) return;
  mpg123_close(codec_->handle);
  mpg123_delete(codec_->handle);
}

std::unique_ptr<Mp3Decoder> openMp3Decoder(std::vector<unsigned char> bytes, int rate, bool loop, SoundError& error,
                                           bool) {
  initialiseMpg123Once();
  std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder);
  decoder->codec_->memory.bytes = std::move(bytes);
  decoder->loop_ = loop;
  error = SoundError::fileFormat;
  if (decoder->codec_->memory.bytes.empty()) return nullptr;
  int status = MPG123_OK;
  mpg123_handle* handle = decoder->codec_->handle = mpg123_new(nullptr, &status);
  if (!handle) {
    error = SoundError::memory;
    return nullptr;
  }
  // Only 16-bit signed stereo at the output's rate: mpg123 doubles mono and resamples other rates.
  if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0) != MPG123_OK ||
      mpg123_format_none(handle) != MPG123_OK ||
      mpg123_format(handle, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) {
    error = SoundError::invalidParam;
    return nullptr;
  }
  using Memory = Mp3Decoder::Codec::Memory;
  if (mpg123_replace_reader_handle(handle, readMemory<Memory>, seekMemory<Memory>, nullptr) != MPG123_OK ||
      mpg123_open_handle(handle, &decoder->codec_->memory) != MPG123_OK) {
    return nullptr;
  }
  long foundRate = 0;
  int channels = 0;
  int encoding = 0;
  mpg123_frameinfo info{};
  if (mpg123_getformat(handle, &foundRate, &channels, &encoding) != MPG123_OK ||
      mpg123_info(handle, &info) != MPG123_OK || info.layer != 3) {
    return nullptr;
  }
  error = SoundError::none;
  return decoder;
}

std::size_t Mp3Decoder::read(std::int16_t* stereo, std::size_t frames) {
  std::size_t done = 0;
  int idleReads = 0;
  while (done < frames && !ended_) {
    std::size_t bytes = 0;
    const int status = mpg123_read(codec_->handle, stereo + 2 * done, (frames - done) * bytesPerFrame, &bytes);
    done += bytes / bytesPerFrame;
    passFrames_ += bytes / bytesPerFrame;
    idleReads = bytes > 0 ? 0 : idleReads + 1;
    const bool going = status == MPG123_OK || status == MPG123_NEW_FORMAT;
    if (!going || idleReads > maxIdleReads) endPass();
  }
  return done;
}

// The end of the file, or an error inside it: start again at the first sample, or stop. The file is
// opened afresh rather than sought to its start, so that every pass decodes from the same state and
// gives the same samples.
void Mp3Decoder::endPass() {
  mpg123_close(codec_->handle);
  codec_->memory.position = 0;
  if (!loop_ || passFrames_ == 0 || mpg123_open_handle(codec_->handle, &codec_->memory) != MPG123_OK) {
    ended_ = true;
    return;
  }
  passFrames_ = 0;
}

}  // namespace platform
