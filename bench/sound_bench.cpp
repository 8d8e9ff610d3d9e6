// The sound library: how fast a stream decodes, against libmpg123 on its own, and how smooth and true
// the position clock is while the music plays, against the raw count of frames the device consumed.
//
//   build-test/bench/sound_bench                 (SDL_AUDIODRIVER defaults to dummy here)
//
// Decoding: a 158-second stereo MP3 made at start-up; the counter realtime_factor is seconds of music
// per second of decoding, ratio_to_peer our decoder's time over plain libmpg123's.
// Clock: 10 s of playback, the position read every ~2 ms; step_sd_ms and step_max_ms are the standard
// deviation and largest step between successive readings (for the library's streamTime and for the
// raw consumed-frame count, raw_...), step_off_wall_max_ms the largest difference between a step and
// the wall time between its readings (the reader's own sleep is not the clock's fault; the dummy
// device's rate is), backward_steps counts readings below the one before, and drift_ms is the
// position minus the consumed frames (plus the time since their callback), averaged over the last
// second; drift_max_ms the largest such one-second average during the run.

#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "tests/support/mp3.h"
#include "tests/support/process.h"

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double musicSeconds = 158.0;

// The 158-s music, made once: a sweep under a quieter, slower one, so every frame has content.
const std::string& music() {
  static const std::string file = [] {
    testsupport::Pcm pcm = testsupport::sweep(musicSeconds, 44100, 2);
    const testsupport::Pcm slow = testsupport::sweep(musicSeconds / 7, 44100, 2);
    for (std::size_t i = 0; i < pcm.samples.size(); ++i)
      pcm.samples[i] = static_cast<std::int16_t>(pcm.samples[i] / 2 + slow.samples[i % slow.samples.size()] / 3);
    return testsupport::encodeMp3(pcm, 160);
  }();
  return file;
}

constexpr std::size_t musicFrames = static_cast<std::size_t>(musicSeconds * 44100);

std::size_t decodeWithTheLibrary() {
  platform::SoundError error = platform::SoundError::none;
  auto decoder = platform::openMp3Decoder({music().begin(), music().end()}, 44100, false, error);
  if (!decoder) throw std::runtime_error("the music does not open");
  std::vector<std::int16_t> block(2 * platform::outputBlockFrames);
  std::size_t frames = 0;
  while (const std::size_t got = decoder->read(block.data(), platform::outputBlockFrames)) frames += got;
  return frames;
}

std::size_t decodeWithMpg123() {
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_open_feed(handle);
  mpg123_feed(handle, reinterpret_cast<const unsigned char*>(music().data()), music().size());
  std::vector<unsigned char> block(4 * platform::outputBlockFrames);
  std::size_t bytes = 0;
  for (;;) {
    std::size_t got = 0;
    const int status = mpg123_read(handle, block.data(), block.size(), &got);
    bytes += got;
    if (status != MPG123_OK && status != MPG123_NEW_FORMAT) break;
  }
  mpg123_delete(handle);
  return bytes / 4;
}

double secondsOf(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Each iteration decodes the music with the library's decoder (the timed part) and with plain
// libmpg123, the peer.
void BM_DecodeStream(benchmark::State& state) {
  if (decodeWithTheLibrary() != musicFrames) state.SkipWithError("the decoder does not give back the music's frames");
  if (decodeWithMpg123() + 4096 < musicFrames) state.SkipWithError("libmpg123 does not give back the music");
  double ours = 0, peer = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    benchmark::DoNotOptimize(decodeWithTheLibrary());
    const auto middle = Clock::now();
    benchmark::DoNotOptimize(decodeWithMpg123());
    ours += secondsOf(middle - start);
    peer += secondsOf(Clock::now() - middle);
    state.SetIterationTime(secondsOf(middle - start));
  }
  const double music = musicSeconds * static_cast<double>(state.iterations());
  state.counters["realtime_factor"] = music / ours;
  state.counters["peer_realtime_factor"] = music / peer;
  state.counters["ratio_to_peer"] = ours / peer;
}

// Readings of a clock in milliseconds, with the wall time they were taken at.
struct Steps {
  std::vector<std::pair<double, double>> readings;  // (wall ms, clock ms)
  void add(double wall, double value) { readings.emplace_back(wall, value); }
  void report(benchmark::State& state, const std::string& prefix) const {
    double sum = 0, squares = 0, largest = 0, offWall = 0;
    int backward = 0;
    for (std::size_t i = 1; i < readings.size(); ++i) {
      const double step = readings[i].second - readings[i - 1].second;
      sum += step;
      squares += step * step;
      largest = std::max(largest, step);
      offWall = std::max(offWall, std::abs(step - (readings[i].first - readings[i - 1].first)));
      backward += step < 0;
    }
    const double n = static_cast<double>(readings.size() - 1);
    state.counters[prefix + "step_sd_ms"] = std::sqrt(squares / n - (sum / n) * (sum / n));
    state.counters[prefix + "step_max_ms"] = largest;
    state.counters[prefix + "step_off_wall_max_ms"] = offWall;
    state.counters[prefix + "backward_steps"] = backward;
  }
};

// Plays the music for 10 s on the output and reads the clock every ~2 ms.
void BM_ClockWhilePlaying(benchmark::State& state) {
  const auto output = static_cast<platform::SoundOutput>(state.range(0));
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "music.mp3", music());
  for (auto _ : state) {
    platform::setSoundOutput(output);
    if (!platform::initSound(44100, 16, 0)) {
      state.SkipWithError("no audio output");
      return;
    }
    platform::SoundStream* stream = platform::openStream((dir / "music.mp3").c_str(), platform::streamLoopNormal, 0, 0);
    platform::playStream(platform::freeChannel, stream);
    Steps position, raw;
    std::vector<std::pair<double, double>> offsets;  // (time, position minus consumed)
    const auto start = Clock::now();
    for (double t = 0; t < 10; t = std::chrono::duration<double>(Clock::now() - start).count()) {
      std::this_thread::sleep_for(std::chrono::microseconds(2000));
      const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      position.add(wall, platform::streamTime(stream));
      const platform::StreamClockProbe probe = platform::probeStreamClock(stream);
      raw.add(wall, probe.consumedMs);
      if (probe.callbacks > 0) offsets.emplace_back(t, probe.positionMs - probe.consumedMs - probe.sinceCallbackMs);
    }
    platform::closeSound();
    position.report(state, "");
    raw.report(state, "raw_");
    double driftMax = 0, drift = 0;
    for (int second = 1; second < 10; ++second) {
      double sum = 0;
      int count = 0;
      for (const auto& [t, offset] : offsets) {
        if (t >= second && t < second + 1) sum += offset, ++count;
      }
      drift = count ? sum / count : 0;
      driftMax = std::max(driftMax, std::abs(drift));
    }
    state.counters["drift_ms"] = drift;
    state.counters["drift_max_ms"] = driftMax;
  }
}

BENCHMARK(BM_DecodeStream)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockWhilePlaying)
    ->ArgName("audible")
    ->Arg(static_cast<int>(platform::SoundOutput::audible))
    ->Arg(static_cast<int>(platform::SoundOutput::silent))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
