// MP3 decoding through the Audio Compression Manager: Windows' own MP3 decoder (MPEGLAYER3WAVEFORMAT
// in, 16-bit PCM out), fed from memory a chunk at a time while the stream plays. The decoder knows
// nothing of gapless playback, so the LAME/Info tag frame is not fed to it, and its output is trimmed
// here as mpg123 trims it: the encoder's delay plus the synthesis filter's own 529 samples are
// dropped at the start, and the output stops after the music's samples (the padding is never played).
// Mono is doubled onto both channels; another rate than the output's is resampled linearly.
//
// Not heard (the silent output), nothing is decoded: the pass is silence as long as the music, measured
// from the tag's delay, padding and frame count, or from the file's frames where the tag lacks them.

#include "platform/mp3_decoder.h"
#include "platform/mp3_layout.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <span>

namespace platform {

namespace {

constexpr std::int64_t synthesisDelay = 529;  // samples the decoder's filter bank adds before the music
constexpr DWORD inputChunk = 2048;            // MP3 bytes given to the decoder per conversion (a few frames)
constexpr DWORD outputBytes = 256 * 1024;     // room for all they decode to, with the decoder's backlog

// The frames of audio from the first to the first byte that does not start one.
std::int64_t countMp3Frames(std::span<const unsigned char> bytes, std::size_t at) {
  std::int64_t frames = 0;
  Mp3FrameHeader header;
  while (at < bytes.size() && parseMp3FrameHeader(bytes.subspan(at), header)) {
    ++frames;
    at += static_cast<std::size_t>(header.length);
  }
  return frames;
}

// The music's length in frames at the output rate, from the file's layout alone.
std::int64_t measuredFrames(std::span<const unsigned char> bytes, Mp3Layout layout, int outputRate) {
  if (layout.audioFrames == 0) layout.audioFrames = countMp3Frames(bytes, layout.audioStart);
  const std::int64_t samples =
      layout.gapless ? layout.musicSamples() : layout.audioFrames * layout.first.samplesPerFrame;
  return std::max<std::int64_t>(samples, 0) * outputRate / layout.first.sampleRate;
}

}  // namespace

struct Mp3Decoder::Codec {
  std::vector<unsigned char> bytes;
  Mp3Layout layout;
  int outputRate = 44100;
  std::int64_t silentFrames = -1;  // not heard: the music's length in output frames; -1 when decoding
  std::int64_t silentLeft = 0;     // of the current pass

  HACMSTREAM stream = nullptr;
  ACMSTREAMHEADER header{};
  std::vector<BYTE> input;
  std::vector<BYTE> output;
  std::size_t inputPosition = 0;  // next file byte to feed
  bool flushed = false;           // the input is used up and the decoder has given everything it held

  std::int64_t toSkip = 0;                 // decoder samples (per channel) still to drop at the start of the pass
  std::int64_t toKeep = -1;                // music samples still to deliver in this pass; -1: all there are
  std::vector<std::int16_t> pending;       // stereo frames at the output rate, ready to be read
  std::size_t pendingRead = 0;             // frames of pending already read
  std::vector<std::int16_t> resampleFrom;  // stereo frames at the file's rate not yet resampled
  double resamplePosition = 0;             // in frames of resampleFrom

  ~Codec() { close(); }

  void close() {
    if (!stream) return;
    header.cbSrcLength = static_cast<DWORD>(input.size());
    header.cbDstLength = static_cast<DWORD>(output.size());
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    stream = nullptr;
  }

  SoundError open() {
    const Mp3FrameHeader& first = layout.first;
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(first.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(first.sampleRate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(first.bitrateKbps * 1000 / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = static_cast<WORD>(first.length);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(first.channels);
    pcm.nSamplesPerSec = static_cast<DWORD>(first.sampleRate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(2 * first.channels);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    if (acmStreamOpen(&stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
      stream = nullptr;
      return SoundError::mediaPlayer;  // no MP3 decoder is installed
    }
    input.assign(inputChunk, 0);
    output.assign(outputBytes, 0);
    header = ACMSTREAMHEADER{};
    header.cbStruct = sizeof(ACMSTREAMHEADER);
    header.pbSrc = input.data();
    header.cbSrcLength = static_cast<DWORD>(input.size());
    header.pbDst = output.data();
    header.cbDstLength = static_cast<DWORD>(output.size());
    if (acmStreamPrepareHeader(stream, &header, 0) != 0) {
      acmStreamClose(stream, 0);
      stream = nullptr;
      return SoundError::memory;
    }
    return SoundError::none;
  }

  // The start of a pass: a fresh decoder at the first frame of audio, so every pass gives the same.
  bool startPass() {
    close();
    inputPosition = layout.audioStart;
    flushed = false;
    toSkip = layout.gapless ? layout.encoderDelay + synthesisDelay : 0;
    toKeep = layout.gapless ? std::max<std::int64_t>(layout.musicSamples(), 0) : -1;
    return open() == SoundError::none;
  }

  // One conversion: more decoded samples into pending. False when the decoder has nothing more.
  bool decodeMore() {
    if (!stream) return false;
    const std::size_t left = bytes.size() - inputPosition;
    if (left == 0 && flushed) return false;
    const auto take = static_cast<DWORD>(std::min<std::size_t>(left, input.size()));
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(inputPosition), take, input.begin());
    header.cbSrcLength = take;
    header.cbDstLength = static_cast<DWORD>(output.size());
    header.cbSrcLengthUsed = 0;
    header.cbDstLengthUsed = 0;
    const DWORD flags = take > 0 ? ACM_STREAMCONVERTF_BLOCKALIGN : ACM_STREAMCONVERTF_END;
    if (acmStreamConvert(stream, &header, flags) != 0) return false;
    inputPosition += header.cbSrcLengthUsed;
    if (take == 0 && header.cbDstLengthUsed == 0) flushed = true;
    if (take > 0 && header.cbSrcLengthUsed == 0 && header.cbDstLengthUsed == 0) {
      inputPosition = bytes.size();  // a tail the decoder will not take: only the flush is left
    }
    deliver(reinterpret_cast<const std::int16_t*>(output.data()), header.cbDstLengthUsed / (2 * layout.first.channels));
    return !flushed;
  }

  // Trims the decoder's samples to the music, makes them stereo and brings them to the output rate.
  void deliver(const std::int16_t* samples, std::size_t frames) {
    const int channels = layout.first.channels;
    const auto skip = static_cast<std::size_t>(std::min<std::int64_t>(toSkip, static_cast<std::int64_t>(frames)));
    toSkip -= static_cast<std::int64_t>(skip);
    std::size_t count = frames - skip;
    if (toKeep >= 0) {
      count = static_cast<std::size_t>(std::min<std::int64_t>(toKeep, static_cast<std::int64_t>(count)));
      toKeep -= static_cast<std::int64_t>(count);
    }
    const std::int16_t* from = samples + skip * static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < count; ++i) {
      const std::int16_t left = from[i * static_cast<std::size_t>(channels)];
      const std::int16_t right = channels == 2 ? from[i * 2 + 1] : left;
      resampleFrom.push_back(left);
      resampleFrom.push_back(right);
    }
    resample();
  }

  void resample() {
    if (layout.first.sampleRate == outputRate) {
      pending.insert(pending.end(), resampleFrom.begin(), resampleFrom.end());
      resampleFrom.clear();
      return;
    }
    const double step = static_cast<double>(layout.first.sampleRate) / outputRate;
    const std::size_t available = resampleFrom.size() / 2;
    while (resamplePosition + 1 < static_cast<double>(available)) {
      const auto index = static_cast<std::size_t>(resamplePosition);
      const double weight = resamplePosition - static_cast<double>(index);
      for (std::size_t c = 0; c < 2; ++c) {
        const double a = resampleFrom[2 * index + c];
        const double b = resampleFrom[2 * index + 2 + c];
        pending.push_back(static_cast<std::int16_t>(a + (b - a) * weight));
      }
      resamplePosition += step;
    }
    const auto used = std::min(static_cast<std::size_t>(resamplePosition), available);
    resampleFrom.erase(resampleFrom.begin(), resampleFrom.begin() + static_cast<std::ptrdiff_t>(2 * used));
    resamplePosition -= static_cast<double>(used);
  }

  // Frames of pending into out; compacts pending once it is read through.
  std::size_t take(std::int16_t* out, std::size_t frames) {
    const std::size_t available = pending.size() / 2 - pendingRead;
    const std::size_t n = std::min(frames, available);
    std::copy_n(pending.begin() + static_cast<std::ptrdiff_t>(2 * pendingRead), 2 * n, out);
    pendingRead += n;
    if (pendingRead * 2 == pending.size()) {
      pending.clear();
      pendingRead = 0;
    }
    return n;
  }

  bool passDone() const { return toKeep == 0 || (inputPosition >= bytes.size() && flushed); }
};

SoundError readSoundFile(const char* fileName, std::int64_t offset, std::int64_t length,
                         std::vector<unsigned char>& bytes) {
  if (!fileName || offset < 0 || length < 0) return SoundError::invalidParam;
  HANDLE file =
      CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SoundError::fileNotFound
                                                                          : SoundError::fileBad;
  }
  LARGE_INTEGER size{};
  SoundError result = SoundError::none;
  if (!GetFileSizeEx(file, &size) || GetFileType(file) != FILE_TYPE_DISK) {
    result = SoundError::fileBad;
  } else if (offset > size.QuadPart || length > size.QuadPart - offset) {
    result = SoundError::invalidParam;
  } else {
    const std::int64_t take = length > 0 ? length : size.QuadPart - offset;
    if (take > maxFileBytes) {
      result = SoundError::memory;
    } else {
      bytes.assign(static_cast<std::size_t>(take), 0);
      LARGE_INTEGER start{};
      start.QuadPart = offset;
      std::size_t done = 0;
      bool ok = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
      while (ok && done < bytes.size()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        ok = ReadFile(file, bytes.data() + done, want, &got, nullptr) != FALSE;
        if (ok && got == 0) break;  // the file shrank since it was measured: keep what is there
        done += got;
      }
      bytes.resize(done);
      if (!ok) result = SoundError::fileBad;
    }
  }
  CloseHandle(file);
  return result;
}

Mp3Decoder::Mp3Decoder() : codec_(std::make_unique<Codec>()) {}

Mp3Decoder::~Mp3Decoder() = default;

std::unique_ptr<Mp3Decoder> openMp3Decoder(std::vector<unsigned char> bytes, int rate, bool loop, SoundError& error,
                                           bool heard) {
  std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder);
  Mp3Decoder::Codec& codec = *decoder->codec_;
  codec.bytes = std::move(bytes);
  codec.outputRate = rate;
  decoder->loop_ = loop;
  error = SoundError::fileFormat;
  if (codec.bytes.empty() || !findMp3Layout(codec.bytes, codec.layout)) return nullptr;
  if (rate <= 0) {
    error = SoundError::invalidParam;
    return nullptr;
  }
  if (!heard) {
    codec.silentFrames = codec.silentLeft = measuredFrames(codec.bytes, codec.layout, rate);
    error = SoundError::none;
    return decoder;
  }
  codec.inputPosition = codec.layout.audioStart;
  error = codec.open();
  if (error != SoundError::none) return nullptr;
  codec.close();
  if (!codec.startPass()) {
    error = SoundError::mediaPlayer;
    return nullptr;
  }
  return decoder;
}

// Not heard: silence as long as the music, pass after pass.
std::size_t Mp3Decoder::readSilence(std::int16_t* stereo, std::size_t frames) {
  std::size_t done = 0;
  while (done < frames && !ended_) {
    const auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(codec_->silentLeft, static_cast<std::int64_t>(frames - done)));
    std::fill_n(stereo + 2 * done, 2 * n, std::int16_t{0});
    done += n;
    codec_->silentLeft -= static_cast<std::int64_t>(n);
    if (codec_->silentLeft > 0) break;
    ended_ = !loop_ || codec_->silentFrames == 0;
    codec_->silentLeft = codec_->silentFrames;
  }
  return done;
}

std::size_t Mp3Decoder::read(std::int16_t* stereo, std::size_t frames) {
  if (codec_->silentFrames >= 0) return readSilence(stereo, frames);
  std::size_t done = 0;
  while (done < frames && !ended_) {
    const std::size_t got = codec_->take(stereo + 2 * done, frames - done);
    done += got;
    passFrames_ += got;
    if (done == frames) break;
    if (codec_->passDone() || !codec_->decodeMore()) {
      if (codec_->pending.size() / 2 > codec_->pendingRead) continue;  // what the last conversion gave
      endPass();
    }
  }
  return done;
}

// The end of the music: start again at its first sample, or stop.
void Mp3Decoder::endPass() {
  codec_->pending.clear();
  codec_->pendingRead = 0;
  codec_->resampleFrom.clear();
  codec_->resamplePosition = 0;
  if (!loop_ || passFrames_ == 0 || !codec_->startPass()) {
    codec_->close();
    ended_ = true;
    return;
  }
  passFrames_ = 0;
}

}  // namespace platform
