#pragma once
// The sound library: MP3 streams played on an output, with their playback positions in milliseconds.
// It is the demo's clock, so what matters most is the position; the sound itself is a bonus. The library
// is the same on every backend (sound.cpp); below it each backend has its audio device (sound_device.h)
// and its MP3 decoder (mp3_decoder.h): SDL2 audio and mpg123 in sdl/, waveOut and the Audio Compression
// Manager in win32/.
//
// Use, from one thread: choose the output and driver, initSound, then openStream, playStream,
// streamTime as often as wanted, closeStream, closeSound. Playback runs on the output's own thread
// (the device's own thread, or the silent output's thread), which also decodes: the calling thread never
// waits for decoding and reading a position only takes a short lock.
//
// Outputs:
//  - audible: the backend's default audio device (with SDL2, SDL_AUDIODRIVER picks the driver: "dummy"
//    plays to nowhere at the device's pace, "disk" writes the bytes to SDL_DISKAUDIOFILE). It plays
//    16-bit signed stereo at the mix rate in blocks of outputBlockFrames; it starts with the first
//    stream played.
//  - silent: no device; a thread of the library takes blocks at the mix rate by the steady clock, so
//    positions run in real time. It starts with the first stream played.
//
// Streams: the whole file (or the given byte range) is read when the stream opens; it must be MPEG
// layer 3 audio. Decoding is gapless (LAME/Info tag), so position 0 is the music's first sample; any
// sample rate is resampled to the mix rate and mono is played on both channels. Of the mode bits only
// streamLoopNormal matters: the stream starts again at its first sample after its last. The sample
// format bits (8/16 bits, mono/stereo, signed/unsigned) describe raw sample data, which this library
// does not read; they are accepted and ignored. Several streams can play at once on separate channels
// and are summed (with saturation).
//
// Positions: streamTime is the stream's playback position in milliseconds since its first sample,
// rounded down. It is 0 until the output's first callback after playStream, then advances with the
// output: the output's consumed frames, interpolated between callbacks by the output's clock
// (sound_clock.h), so it is smooth, follows the device's real rate and stays within about a
// millisecond of the frames the device has consumed. It never runs backwards. A looping stream keeps
// counting across its loops (the position does not wrap), so callers can use it as a clock that runs
// as long as the stream plays; a stream that does not loop stops at its length.
//
// Failures: calls return false, nullptr or -1 and remember a code that soundError returns until the
// next failure. The codes are fixed (the numbers are part of the interface):
//   busy (1)           output, driver or init after initSound
//   uninitialised (2)  stream calls before initSound
//   init (3)           the audible output has no device
//   play (5)           the stream was played already (a stream plays once)
//   fileNotFound (9)
//   fileFormat (10)    not MP3, or empty
//   fileBad (11)       the file cannot be read (no permission, a folder, a read error)
//   memory (12)        the file is larger than maxFileBytes
//   invalidParam (14)  null or closed handles (streamTime, which must be cheap, checks only for
//                      null), values out of range
//   channelAlloc (16)  no free channel, or the channel asked for is busy
// Garbage and truncated files never crash: they fail to open or play what they hold.
//
// At process exit the library closes itself (output stopped, streams freed), so a program may end
// with exit() while music plays.

#include <cstdint>

namespace platform {

enum class SoundOutput : int { silent = 0, audible = 1 };

// Every failure code with its number and the text the demo reports it with (engine/music.cpp), one row
// each: X(name, number, text). The numbers run from 0 without gaps.
#define VELMORROW_SOUND_ERRORS(X)                                                                                 \
  X(none, 0, "No errors")                                                                                         \
  X(busy, 1, "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first")                              \
  X(uninitialised, 2, "This command failed because FSOUND_Init was not called")                                   \
  X(init, 3, "Error initializing output device")                                                                  \
  X(allocated, 4, "The output device is already in use and cannot be reused")                                     \
  X(play, 5, "Playing the sound failed")                                                                          \
  X(outputFormat, 6, "Soundcard does not support the features needed for this soundsystem (16bit stereo output)") \
  X(cooperativeLevel, 7, "Error setting cooperative level for hardware")                                          \
  X(createBuffer, 8, "Error creating hardware sound buffer")                                                      \
  X(fileNotFound, 9, "File not found")                                                                            \
  X(fileFormat, 10, "Unknown file format")                                                                        \
  X(fileBad, 11, "Error loading file")                                                                            \
  X(memory, 12, "Not enough memory or resources")                                                                 \
  X(version, 13, "The version number of this file format is not supported")                                       \
  X(invalidParam, 14, "An invalid parameter was passed to this function")                                         \
  X(noEax, 15, "Tried to use an EAX command on a non EAX enabled channel or output")                              \
  X(channelAlloc, 16, "Failed to allocate a new channel")                                                         \
  X(recording, 17, "Recording is not supported on this machine")                                                  \
  X(mediaPlayer, 18, "Required Mediaplayer codec is not installed")

enum class SoundError : int {
#define VELMORROW_SOUND_ERROR_CODE(name, number, text) name = number,
  VELMORROW_SOUND_ERRORS(VELMORROW_SOUND_ERROR_CODE)
#undef VELMORROW_SOUND_ERROR_CODE
};

// The text of each code, indexed by its number.
inline constexpr const char* soundErrorTexts[] = {
#define VELMORROW_SOUND_ERROR_TEXT(name, number, text) text,
    VELMORROW_SOUND_ERRORS(VELMORROW_SOUND_ERROR_TEXT)
#undef VELMORROW_SOUND_ERROR_TEXT
};

// The rows are in number order, so a code's number is its text's index.
constexpr bool soundErrorsInNumberOrder() {
  int expected = 0;
#define VELMORROW_SOUND_ERROR_CHECK(name, number, text) \
  if (number != expected++) return false;
  VELMORROW_SOUND_ERRORS(VELMORROW_SOUND_ERROR_CHECK)
#undef VELMORROW_SOUND_ERROR_CHECK
  return true;
}
static_assert(soundErrorsInNumberOrder());

// Stream mode bits.
constexpr unsigned streamLoopOff = 0x1;
constexpr unsigned streamLoopNormal = 0x2;
constexpr unsigned stream8Bits = 0x8;
constexpr unsigned stream16Bits = 0x10;
constexpr unsigned streamMono = 0x20;
constexpr unsigned streamStereo = 0x40;
constexpr unsigned streamUnsigned = 0x80;
constexpr unsigned streamSigned = 0x100;

constexpr int freeChannel = -1;          // playStream: any free channel
constexpr int outputBlockFrames = 1024;  // frames per output callback
constexpr std::int64_t maxFileBytes = std::int64_t{256} << 20;

struct SoundStream;  // opaque; owned by the library until closeStream or closeSound

// Before initSound. The output defaults to audible, the driver to 0 (the default device, the only
// one offered; others give invalidParam).
bool setSoundOutput(SoundOutput output);
bool setSoundDriver(int driver);

// mixRate: one of the MPEG rates (8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000);
// maxChannels: 1 to 64, how many streams can play at once; flags: none are defined, must be 0.
bool initSound(int mixRate, int maxChannels, unsigned flags);

// Stops the output and closes every stream still open (their handles become invalid). Safe to call
// when not initialised.
void closeSound();

SoundError soundError();

// The disk buffer length for streams opened next, in milliseconds (1 to 60000). Streams hold their
// whole file in memory, so this is only checked and kept.
bool setStreamBufferSize(int milliseconds);

// Opens fileName (offset and length in bytes; length 0 means to the end of the file).
SoundStream* openStream(const char* fileName, unsigned mode, std::int64_t offset, std::int64_t length);

// Starts the stream from its first sample on `channel` (0 to maxChannels - 1, or freeChannel);
// returns the channel, or -1.
int playStream(int channel, SoundStream* stream);

// The position in milliseconds (see above); 0 for a null stream.
std::int32_t streamTime(SoundStream* stream);

// Stops and frees the stream.
bool closeStream(SoundStream* stream);

// What the position is made of, for tests and benchmarks: the interpolated position (what streamTime
// rounds down, before it is held against running backwards), the stream's frames that the output had
// consumed at its last callback, and the time since that callback, all in milliseconds.
struct StreamClockProbe {
  double positionMs = 0;
  double consumedMs = 0;
  double sinceCallbackMs = 0;
  std::int64_t callbacks = 0;  // output callbacks so far
};
StreamClockProbe probeStreamClock(SoundStream* stream);

}  // namespace platform
