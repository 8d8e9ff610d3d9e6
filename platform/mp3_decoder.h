#pragma once
// MP3 decoding for the sound library's streams, one implementation per backend (libmpg123 in
// sdl/mp3_decoder.cpp, the Audio Compression Manager in win32/mp3_decoder.cpp). A decoder owns the
// file's bytes (read once, before playback, so decoding never waits on the disk) and turns them into
// 16-bit signed stereo frames (left, right interleaved, native byte order) at the rate it was opened
// with: mono is doubled onto both channels, other sample rates are resampled.
//
// Decoding is gapless: the encoder's delay and padding, as the LAME/Info tag in the first frame gives
// them, are cut, so the first frame read is the music's first sample, and a looping decoder joins the
// last sample to the first without a gap. (Files without that tag keep the codec's delay.)
//
// A looping decoder starts again at the first frame after the last; one that does not loop returns
// fewer frames than asked at its end and nothing after that. A decoding error inside the file ends a
// pass like the end of the file; a pass that yields no frame at all ends a looping decoder too, so
// nothing spins on a file that decodes to nothing.
//
// Heard or not: a decoder whose samples reach nobody (the silent output) may be opened with heard false.
// A backend whose codec can be missing (Windows' Audio Compression Manager: N editions, broken codec
// registrations) then measures the music from the file's frames and LAME/Info tag without decoding and
// reads silence of that length, so music off needs no MP3 codec; mpg123 is always there and decodes.
//
// Failures are SoundError codes: readSoundFile gives fileNotFound, fileBad (cannot be opened or read,
// not a regular file), memory (larger than maxFileBytes); openMp3Decoder gives fileFormat (empty, or no
// MPEG layer 3 audio where the stream starts), memory (the codec cannot start) and invalidParam (a rate
// the codec does not offer). Not thread-safe: one thread at a time per decoder.

#include "platform/sound.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class Mp3Decoder {
 public:
  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  // Decodes up to `frames` frames into `stereo` (2 samples a frame); returns the frames written.
  std::size_t read(std::int16_t* stereo, std::size_t frames);
  bool ended() const { return ended_; }

 private:
  friend std::unique_ptr<Mp3Decoder> openMp3Decoder(std::vector<unsigned char>, int, bool, SoundError&, bool);
  struct Codec;  // the backend's decoder and the file's bytes

  Mp3Decoder();
  void endPass();
  std::size_t readSilence(std::int16_t* stereo, std::size_t frames);  // a backend's decoder that is not heard

  std::unique_ptr<Codec> codec_;
  bool loop_ = false;
  bool ended_ = false;
  std::size_t passFrames_ = 0;  // frames read since the start of the current pass
};

// Reads the file, or `length` bytes of it from `offset` (length 0: to the end). An offset or length
// outside the file gives invalidParam.
SoundError readSoundFile(const char* fileName, std::int64_t offset, std::int64_t length,
                         std::vector<unsigned char>& bytes);

// rate: output frames per second, one of the MPEG rates.
std::unique_ptr<Mp3Decoder> openMp3Decoder(std::vector<unsigned char> bytes, int rate, bool loop, SoundError& error,
                                           bool heard = true);

}  // namespace platform
