// The sound library in the browser: each stream is decoded whole by the browser (decodeAudioData) and
// played by Web Audio (web/page.js). The encoder's delay and padding, read from the LAME/Info tag as
// the Windows decoder reads them (platform/mp3_layout.h), are cut from what the browser decoded, so
// position 0 is the music's first sample as on the desktop.
//
// Positions come from the audio output's clock: the context time of the sample being heard now
// (getOutputTimestamp), carried forward by the page's high-resolution clock between the output's
// updates, and held so it never runs backwards. The silent output plays the same stream at no volume,
// so the clock is the same audio clock without sound; where the page has no running audio output (no
// user gesture yet, no device) both run by the page's clock in real time.
//
// The page fetches the data folder as it opens; openStream waits for its file to have arrived (or
// failed), then reads it from the program's file system like any other file.

#include "platform/sound.h"
#include "platform/mp3_decoder.h"
#include "platform/mp3_layout.h"

#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace platform {

struct SoundStream {
  int id = 0;  // the page's handle for the decoded music
  bool loop = false;
  int channel = -1;
  bool played = false;
  double heldMs = 0;  // the largest position reported
};

namespace {

constexpr std::array mpegRates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr int maxChannelCount = 64;
// What a layer 3 decoder puts before the first sample of the encoded signal (the encoder's delay
// counts from there).
constexpr std::int64_t decoderDelay = 529;

struct Library {
  SoundOutput output = SoundOutput::audible;
  bool initialised = false;
  int mixRate = 44100;
  std::vector<SoundStream*> channels;
  std::vector<std::unique_ptr<SoundStream>> streams;
  int nextId = 1;
  SoundError lastError = SoundError::none;
};

Library& library() {
  static Library instance;
  return instance;
}

template <typename Result = bool>
Result fail(SoundError error, Result result = Result{}) {
  library().lastError = error;
  return result;
}

EM_ASYNC_JS(void, pageAwaitFile, (const char* path), { await Module.page.awaitFile(UTF8ToString(path)); });
EM_JS(bool, pageOpenAudio, (int rate), { return Module.page.openAudio(rate); });
// The decoded length in frames at the file's own rate, or -1 if the browser cannot decode it.
EM_ASYNC_JS(double, pageDecodeMusic, (int id, const unsigned char* bytes, int size, int fileRate),
            { return await Module.page.decodeMusic(id, HEAPU8.slice(bytes, bytes + size), fileRate); });
EM_JS(void, pageTrimMusic, (int id, double start, double frames, int fileRate),
      { Module.page.trimMusic(id, start, frames, fileRate); });
EM_JS(void, pagePlayMusic, (int id, bool audible, bool loop), { Module.page.playMusic(id, audible, loop); });
EM_JS(double, pageMusicPosition, (int id), { return Module.page.musicPosition(id); });
EM_JS(void, pageCloseMusic, (int id), { Module.page.closeMusic(id); });

// Where the music's first sample is in what the browser decoded, and how many samples it has. A
// decoder that already cut the delay and padding (its length is the music's) needs nothing more.
void trimToMusic(int id, const Mp3Layout& layout, double decodedFrames) {
  if (!layout.gapless) {
    pageTrimMusic(id, 0, decodedFrames, layout.first.sampleRate);
    return;
  }
  const double music = static_cast<double>(layout.musicSamples());
  double start = static_cast<double>(layout.encoderDelay + decoderDelay);
  if (decodedFrames < start + music) start = std::max(0.0, decodedFrames - music);
  pageTrimMusic(id, start, std::min(music, decodedFrames - start), layout.first.sampleRate);
}

}  // namespace

bool setSoundOutput(SoundOutput output) {
  Library& lib = library();
  if (lib.initialised) return fail(SoundError::busy);
  if (output != SoundOutput::silent && output != SoundOutput::audible) return fail(SoundError::invalidParam);
  lib.output = output;
  return true;
}

bool setSoundDriver(int driver) {
  if (library().initialised) return fail(SoundError::busy);
  return driver == 0 ? true : fail(SoundError::invalidParam);
}

bool initSound(int mixRate, int maxChannels, unsigned flags) {
  Library& lib = library();
  if (lib.initialised) return fail(SoundError::busy);
  const bool mpegRate = std::find(mpegRates.begin(), mpegRates.end(), mixRate) != mpegRates.end();
  if (!mpegRate || maxChannels < 1 || maxChannels > maxChannelCount || flags != 0) {
    return fail(SoundError::invalidParam);
  }
  if (!pageOpenAudio(mixRate) && lib.output == SoundOutput::audible) return fail(SoundError::init);
  lib.mixRate = mixRate;
  lib.channels.assign(static_cast<std::size_t>(maxChannels), nullptr);
  lib.initialised = true;
  return true;
}

void closeSound() {
  Library& lib = library();
  if (!lib.initialised) return;
  for (const auto& stream : lib.streams) pageCloseMusic(stream->id);
  lib.streams.clear();
  lib.channels.clear();
  lib.initialised = false;
}

SoundError soundError() { return library().lastError; }

bool setStreamBufferSize(int milliseconds) {
  if (milliseconds < 1 || milliseconds > 60000) return fail(SoundError::invalidParam);
  return true;
}

SoundStream* openStream(const char* fileName, unsigned mode, std::int64_t offset, std::int64_t length) {
  Library& lib = library();
  if (!lib.initialised) return fail<SoundStream*>(SoundError::uninitialised);
  if (!fileName) return fail<SoundStream*>(SoundError::invalidParam);
  pageAwaitFile(fileName);
  std::vector<unsigned char> bytes;
  const SoundError error = readSoundFile(fileName, offset, length, bytes);
  if (error != SoundError::none) return fail<SoundStream*>(error);
  Mp3Layout layout;
  if (bytes.empty() || !findMp3Layout(bytes, layout)) return fail<SoundStream*>(SoundError::fileFormat);
  auto stream = std::make_unique<SoundStream>();
  stream->id = lib.nextId++;
  stream->loop = (mode & streamLoopNormal) != 0;
  const double decoded =
      pageDecodeMusic(stream->id, bytes.data(), static_cast<int>(bytes.size()), layout.first.sampleRate);
  if (decoded <= 0) return fail<SoundStream*>(SoundError::fileFormat);
  trimToMusic(stream->id, layout, decoded);
  lib.streams.push_back(std::move(stream));
  return lib.streams.back().get();
}

int playStream(int channel, SoundStream* stream) {
  Library& lib = library();
  if (!lib.initialised) return fail(SoundError::uninitialised, -1);
  const bool open = std::any_of(lib.streams.begin(), lib.streams.end(), [&](auto& s) { return s.get() == stream; });
  const bool inRange = channel == freeChannel || (channel >= 0 && channel < static_cast<int>(lib.channels.size()));
  if (!open || !inRange) return fail(SoundError::invalidParam, -1);
  if (stream->played) return fail(SoundError::play, -1);
  if (channel == freeChannel) {
    const auto free = std::find(lib.channels.begin(), lib.channels.end(), nullptr);
    channel = free == lib.channels.end() ? -1 : static_cast<int>(free - lib.channels.begin());
  }
  if (channel < 0 || lib.channels[static_cast<std::size_t>(channel)]) return fail(SoundError::channelAlloc, -1);
  lib.channels[static_cast<std::size_t>(channel)] = stream;
  stream->channel = channel;
  stream->played = true;
  pagePlayMusic(stream->id, lib.output == SoundOutput::audible, stream->loop);
  return channel;
}

std::int32_t streamTime(SoundStream* stream) {
  if (!stream) return fail<std::int32_t>(SoundError::invalidParam);
  if (!stream->played) return 0;
  stream->heldMs = std::max(stream->heldMs, pageMusicPosition(stream->id));
  return static_cast<std::int32_t>(
      std::min(std::floor(stream->heldMs), double{std::numeric_limits<std::int32_t>::max()}));
}

bool closeStream(SoundStream* stream) {
  Library& lib = library();
  const auto found = std::find_if(lib.streams.begin(), lib.streams.end(), [&](auto& s) { return s.get() == stream; });
  if (!stream || found == lib.streams.end()) return fail(SoundError::invalidParam);
  if (stream->channel >= 0) lib.channels[static_cast<std::size_t>(stream->channel)] = nullptr;
  pageCloseMusic(stream->id);
  lib.streams.erase(found);
  return true;
}

StreamClockProbe probeStreamClock(SoundStream* stream) {
  StreamClockProbe probe;
  if (!stream || !stream->played) return probe;
  probe.positionMs = pageMusicPosition(stream->id);
  probe.consumedMs = probe.positionMs;
  return probe;
}

}  // namespace platform
