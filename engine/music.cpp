#include "engine/music.h"

#include "engine/fatal_error.h"
#include "platform/sound.h"

#include <array>

namespace engine {

namespace {

platform::SoundStream* stream = nullptr;  // the music; null before initMusic and after doneMusic
std::int32_t channel = -1;                // the channel it plays on; kept, not used again

constexpr int mixRate = 44100;
constexpr int mixChannels = 16;
constexpr int streamBufferMs = 800;
constexpr unsigned musicMode =
    platform::streamLoopNormal | platform::stream16Bits | platform::streamMono | platform::streamSigned;

constexpr std::array<const char*, 19> errorTexts{
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first",
    "This command failed because FSOUND_Init was not called",
    "Error initializing output device",
    "The output device is already in use and cannot be reused",
    "Playing the sound failed",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware",
    "Error creating hardware sound buffer",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory or resources",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output",
    "Failed to allocate a new channel",
    "Recording is not supported on this machine",
    "Required Mediaplayer codec is not installed",
};

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
  if (code < 0 || code >= static_cast<std::int32_t>(errorTexts.size())) return "Unknown error";
  return errorTexts[static_cast<std::size_t>(code)];
}

}  // namespace engine
