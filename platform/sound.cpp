#include "platform/sound.h"

#include "platform/mp3_decoder.h"
#include "platform/sound_clock.h"
#include "platform/sound_device.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform {

struct SoundStream {
  std::unique_ptr<Mp3Decoder> decoder;  // used under the mix lock
  int channel = -1;                     // under the mix lock; -1 when not playing
  // Under the clock lock:
  bool waiting = false;  // played, but no output callback has taken it yet
  bool started = false;
  std::int64_t startFrame = 0;                                       // the output frame that holds its first sample
  std::int64_t endFrame = std::numeric_limits<std::int64_t>::max();  // the output frame after its last one
  double heldFrames = 0;  // the largest position reported, so that it never runs backwards
};

namespace {

constexpr std::array mpegRates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr int maxChannelCount = 64;

struct Library {
  // Set up by the calling thread, before the output runs.
  SoundOutput output = SoundOutput::audible;
  int driver = 0;
  bool initialised = false;
  int mixRate = 44100;
  int streamBufferMs = 200;
  std::vector<std::unique_ptr<SoundStream>> streams;  // every open stream
  bool outputRunning = false;
  bool deviceOpen = false;
  std::int64_t latencyFrames = 0;  // how far behind the frames counted a new block sounds
  std::thread silentThread;
  std::mutex silentLock;
  std::condition_variable silentWake;
  bool silentStop = false;

  // The output thread mixes under this lock; the calling thread takes it to change the channels.
  std::mutex mixLock;
  std::vector<SoundStream*> channels;  // null: free
  std::vector<std::int32_t> mix;
  std::vector<std::int16_t> decoded;

  // Positions: held briefly by the output at each callback and by every position reading.
  std::mutex clockLock;
  std::optional<OutputClock> clock;

  std::atomic<int> lastError{0};
};

// Never destroyed: the output thread may still run while the process exits (closeSoundAtExit stops it).
Library& library() {
  static Library* const instance = new Library;
  return *instance;
}

// Remembers the failure and returns the call's failure result.
template <typename Result = bool>
Result fail(SoundError error, Result result = Result{}) {
  library().lastError = static_cast<int>(error);
  return result;
}

// One output callback: everything handed over before is consumed; decode and sum the next block.
void mixBlock(std::int16_t* out, std::int64_t frames, SoundTime now) {
  Library& lib = library();
  const std::lock_guard mixing(lib.mixLock);
  std::int64_t blockStart = 0;
  {
    const std::lock_guard timing(lib.clockLock);
    blockStart = lib.clock->onCallback(now, frames);
    for (SoundStream* stream : lib.channels) {
      if (stream && stream->waiting) {
        stream->waiting = false;
        stream->started = true;
        stream->startFrame = blockStart + lib.latencyFrames;
      }
    }
  }
  const auto samples = static_cast<std::size_t>(2 * frames);
  lib.mix.assign(samples, 0);
  lib.decoded.resize(samples);
  for (SoundStream*& stream : lib.channels) {
    if (!stream) continue;
    const std::size_t got = stream->decoder->read(lib.decoded.data(), static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < 2 * got; ++i) lib.mix[i] += lib.decoded[i];
    if (got < static_cast<std::size_t>(frames)) {  // a stream that does not loop has ended
      const std::lock_guard timing(lib.clockLock);
      stream->endFrame = blockStart + lib.latencyFrames + static_cast<std::int64_t>(got);
      stream->channel = -1;
      stream = nullptr;
    }
  }
  for (std::size_t i = 0; i < samples; ++i) out[i] = static_cast<std::int16_t>(std::clamp(lib.mix[i], -32768, 32767));
}

// The silent output: blocks taken on a fixed schedule of the steady clock. A late wake-up takes the
// blocks it missed at once, so the frames taken always match the time passed.
void runSilentOutput() {
  Library& lib = library();
  std::vector<std::int16_t> sink(2 * outputBlockFrames);
  const SoundTime start = std::chrono::steady_clock::now();
  std::unique_lock lock(lib.silentLock);
  for (std::int64_t block = 0;; ++block) {
    const std::int64_t frames = block * outputBlockFrames;
    const auto due = start + std::chrono::seconds(frames / lib.mixRate) +
                     std::chrono::nanoseconds((frames % lib.mixRate) * 1'000'000'000 / lib.mixRate);
    if (lib.silentWake.wait_until(lock, due, [&] { return lib.silentStop; })) return;
    lock.unlock();
    mixBlock(sink.data(), outputBlockFrames, std::chrono::steady_clock::now());
    lock.lock();
  }
}

bool openAudibleOutput() {
  Library& lib = library();
  lib.deviceOpen = openAudioDevice(lib.mixRate, outputBlockFrames, mixBlock);
  lib.latencyFrames = lib.deviceOpen ? audioDeviceLatencyFrames() : 0;
  return lib.deviceOpen;
}

void startOutput() {
  Library& lib = library();
  if (lib.outputRunning) return;
  lib.outputRunning = true;
  if (lib.output == SoundOutput::audible) {
    startAudioDevice();
  } else {
    lib.silentStop = false;
    lib.silentThread = std::thread(runSilentOutput);
  }
}

void stopOutput() {
  Library& lib = library();
  if (lib.deviceOpen) {
    closeAudioDevice();  // waits for a running callback
    lib.deviceOpen = false;
    lib.latencyFrames = 0;
  }
  if (lib.silentThread.joinable()) {
    {
      const std::lock_guard lock(lib.silentLock);
      lib.silentStop = true;
    }
    lib.silentWake.notify_all();
    lib.silentThread.join();
  }
  lib.outputRunning = false;
}

void closeSoundAtExit() { closeSound(); }

// A handle of this library that has not been closed (a null or closed one may be passed by mistake).
bool isOpen(const SoundStream* stream) {
  const auto& streams = library().streams;
  return stream && std::any_of(streams.begin(), streams.end(), [&](const auto& open) { return open.get() == stream; });
}

int findChannel(int channel) {
  const auto& channels = library().channels;
  if (channel != freeChannel) return channels[static_cast<std::size_t>(channel)] ? -1 : channel;
  const auto free = std::find(channels.begin(), channels.end(), nullptr);
  return free == channels.end() ? -1 : static_cast<int>(free - channels.begin());
}

// The stream's position in frames now, unrounded; under the clock lock.
double streamFramesAt(const SoundStream& stream, SoundTime now) {
  const Library& lib = library();
  if (!stream.started || !lib.clock) return 0;
  const double frames = lib.clock->framesAt(now) - static_cast<double>(stream.startFrame);
  return std::clamp(frames, 0.0, static_cast<double>(stream.endFrame - stream.startFrame));
}

double framesToMs(double frames) { return frames * 1000.0 / library().mixRate; }

}  // namespace

bool setSoundOutput(SoundOutput output) {
  Library& lib = library();
  if (lib.initialised) return fail(SoundError::busy);
  if (output != SoundOutput::silent && output != SoundOutput::audible) return fail(SoundError::invalidParam);
  lib.output = output;
  return true;
}

bool setSoundDriver(int driver) {
  Library& lib = library();
  if (lib.initialised) return fail(SoundError::busy);
  if (driver != 0) return fail(SoundError::invalidParam);
  lib.driver = driver;
  return true;
}

bool initSound(int mixRate, int maxChannels, unsigned flags) {
  Library& lib = library();
  if (lib.initialised) return fail(SoundError::busy);
  const bool mpegRate = std::find(mpegRates.begin(), mpegRates.end(), mixRate) != mpegRates.end();
  if (!mpegRate || maxChannels < 1 || maxChannels > maxChannelCount || flags != 0) {
    return fail(SoundError::invalidParam);
  }
  lib.mixRate = mixRate;
  if (lib.output == SoundOutput::audible && !openAudibleOutput()) return fail(SoundError::init);
  static std::once_flag atExit;
  std::call_once(atExit, [] { std::atexit(closeSoundAtExit); });
  lib.clock.emplace(mixRate);
  lib.channels.assign(static_cast<std::size_t>(maxChannels), nullptr);
  lib.initialised = true;
  return true;
}

void closeSound() {
  Library& lib = library();
  if (!lib.initialised) return;
  stopOutput();
  lib.channels.clear();
  lib.streams.clear();
  lib.clock.reset();
  lib.initialised = false;
}

SoundError soundError() { return static_cast<SoundError>(library().lastError.load()); }

bool setStreamBufferSize(int milliseconds) {
  if (milliseconds < 1 || milliseconds > 60000) return fail(SoundError::invalidParam);
  library().streamBufferMs = milliseconds;
  return true;
}

SoundStream* openStream(const char* fileName, unsigned mode, std::int64_t offset, std::int64_t length) {
  Library& lib = library();
  if (!lib.initialised) return fail<SoundStream*>(SoundError::uninitialised);
  std::vector<unsigned char> bytes;
  SoundError error = readSoundFile(fileName, offset, length, bytes);
  if (error != SoundError::none) return fail<SoundStream*>(error);
  auto stream = std::make_unique<SoundStream>();
  stream->decoder = openMp3Decoder(std::move(bytes), lib.mixRate, (mode & streamLoopNormal) != 0, error,
                                   lib.output == SoundOutput::audible);
  if (!stream->decoder) return fail<SoundStream*>(error);
  lib.streams.push_back(std::move(stream));
  return lib.streams.back().get();
}

int playStream(int channel, SoundStream* stream) {
  Library& lib = library();
  if (!lib.initialised) return fail(SoundError::uninitialised, -1);
  const bool channelInRange =
      channel == freeChannel || (channel >= 0 && channel < static_cast<int>(lib.channels.size()));
  if (!isOpen(stream) || !channelInRange) return fail(SoundError::invalidParam, -1);
  {
    const std::lock_guard mixing(lib.mixLock);
    if (stream->channel >= 0 || stream->started || stream->waiting) return fail(SoundError::play, -1);
    channel = findChannel(channel);
    if (channel < 0) return fail(SoundError::channelAlloc, -1);
    lib.channels[static_cast<std::size_t>(channel)] = stream;
    stream->channel = channel;
    const std::lock_guard timing(lib.clockLock);
    stream->waiting = true;
  }
  startOutput();
  return channel;
}

std::int32_t streamTime(SoundStream* stream) {
  if (!stream) return fail<std::int32_t>(SoundError::invalidParam);
  Library& lib = library();
  const SoundTime now = std::chrono::steady_clock::now();
  const std::lock_guard timing(lib.clockLock);
  stream->heldFrames = std::max(stream->heldFrames, streamFramesAt(*stream, now));
  const double ms = std::floor(framesToMs(stream->heldFrames));
  return static_cast<std::int32_t>(std::min(ms, double{std::numeric_limits<std::int32_t>::max()}));
}

bool closeStream(SoundStream* stream) {
  Library& lib = library();
  if (!isOpen(stream)) return fail(SoundError::invalidParam);
  {
    const std::lock_guard mixing(lib.mixLock);
    if (stream->channel >= 0) lib.channels[static_cast<std::size_t>(stream->channel)] = nullptr;
  }
  std::erase_if(lib.streams, [&](const auto& open) { return open.get() == stream; });
  return true;
}

StreamClockProbe probeStreamClock(SoundStream* stream) {
  Library& lib = library();
  StreamClockProbe probe;
  if (!stream) return probe;
  const SoundTime now = std::chrono::steady_clock::now();
  const std::lock_guard timing(lib.clockLock);
  if (!stream->started || !lib.clock) return probe;
  probe.positionMs = framesToMs(streamFramesAt(*stream, now));
  const std::int64_t consumed = std::min(lib.clock->consumedFrames(), stream->endFrame) - stream->startFrame;
  probe.consumedMs = framesToMs(static_cast<double>(std::max<std::int64_t>(consumed, 0)));
  probe.sinceCallbackMs = std::chrono::duration<double, std::milli>(now - lib.clock->lastCallback()).count();
  probe.callbacks = lib.clock->callbacks();
  return probe;
}

}  // namespace platform
