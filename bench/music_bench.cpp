// The music's cost: rendering the demo's score against LAME encoding the same audio (the peer, which
// the build runs right after), both on the first 30 seconds of the score. Run by hand:
// build-test/bench/music_bench.

#include "tools/music/mp3_encoder.h"
#include "tools/music/renderer.h"
#include "tools/music/score.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace {

music::Score firstSeconds(double ms) {
  music::Score score = music::readScore(VELMORROW_SOURCE_DIR "/content/music.score");
  score.lengthMs = ms;
  return score;
}

// Checks the output before anything is timed: full length and actually sounding.
void checkSong(const music::Song& song, double ms) {
  double sum = 0.0;
  for (float sample : song.left) sum += sample * sample;
  if (song.left.size() != static_cast<std::size_t>(std::llround(ms * 44.1)) || sum < 1.0) {
    std::fprintf(stderr, "music_bench: the rendered song is wrong\n");
    std::abort();
  }
}

constexpr double seconds = 30.0;

void BM_RenderScore(benchmark::State& state) {
  const music::Score score = firstSeconds(seconds * 1000.0);
  checkSong(music::renderScore(score), seconds * 1000.0);
  for (auto _ : state) benchmark::DoNotOptimize(music::renderScore(score));
  state.counters["audio_s_per_s"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RenderScore)->Unit(benchmark::kMillisecond);

void BM_EncodeMp3(benchmark::State& state) {
  const music::Song song = music::renderScore(firstSeconds(seconds * 1000.0));
  checkSong(song, seconds * 1000.0);
  for (auto _ : state) benchmark::DoNotOptimize(music::encodeMp3(song.left, song.right));
  state.counters["audio_s_per_s"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EncodeMp3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
