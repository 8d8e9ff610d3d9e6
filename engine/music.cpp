#include "engine/music.h"

#include "engine/fatal_error.h"
#include "platform/sound.h"

#include <iterator>

namespace engine {

namespace {

platform::SoundStream* stream = nullptr;  // the music; null before initMusic and after doneMusic
std::int32_t channel = -1;                // the channel it plays on; kept, not used again

constexpr int mixRate = 44100;
constexpr int mixChannels = 16;
constexpr int streamBufferMs = 800;
constexpr unsigned musicMode =
    platform::streamLoopNormal | platform::stream16Bits | platform::streamMono | platform::streamSigned;

[[noreturn]] void reportSoundFailure() {
  fatalError("FMOD", fmodErrorString(static_cast<std::int32_t>(platform::soundError())));
}

}  // namespace

void initMusic(const char* fileName, bool musicOn) {
  // Output, driver and buffer size are settings whose results do not matter: a wrong one shows up as
  // a failure of the three steps that are checked.
  platform::setSoundOutput(musicOn ? platform::SoundOutput::audible : platform::SoundOutput::silent);
  platform::setSoundDriver(0);
  if (!platform::initSound(mixRate, mixChannels, 0)) reportSoundFailure();
  platform::setStreamBufferSize(streamBufferMs);
  stream = platform::openStream(fileName, musicMode, 0, 0);
  if (!stream) reportSoundFailure();
  channel = platform::playStream(platform::freeChannel, stream);
  if (channel < 0) reportSoundFailure();
}

std::int32_t musicTime() { return platform::streamTime(stream); }

void doneMusic() {
  platform::closeStream(stream);
  platform::closeSound();
  stream = nullptr;
}

const char* fmodErrorString(std::int32_t code) {
  if (code < 0 || code >= static_cast<std::int32_t>(std::size(platform::soundErrorTexts))) return "Unknown error";
  return platform::soundErrorTexts[static_cast<std::size_t>(code)];
}

}  // namespace engine
