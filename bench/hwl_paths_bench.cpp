// The HWL decode paths against each other on pictures made here (no downloads, no data folder): a
// colour and a grey picture of smooth shading, edges and noise, encoded as the demo's textures are.
// The peer is the avx2 path: each path's time is printed as a ratio to it (the sse2 path's target is at
// most 2). Every path's bytes are checked against the stage pipeline's before anything is timed.
// Run: build-dev/bench/hwl_paths_bench --benchmark_min_time=0.1 --benchmark_repetitions=10
// --benchmark_enable_random_interleaving=true (ratios from each benchmark's fastest repetition).

#include "bench/decode_paths.h"
#include "bench/least_times.h"
#include "hwl/decode_paths.h"
#include "hwl/encoder.h"
#include "hwl/fast/paths.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

namespace {

using bench::DecodePath;

struct Picture {
  std::string name;
  std::vector<std::uint8_t> file;
};

// Smooth shading (a sum of products of line functions, no C library sine), hard edges and a noisy patch.
hwl::HwlImage makeImage(int w, int h, int channels, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-15, 15);
  hwl::HwlImage image{w, h, channels, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < channels; ++c) {
        const double u = double(x) / w, v = double(y) / h;
        double value = 60 + 120 * u * (1 - v) + 60 * (u - 0.5) * (u - 0.5) * (c + 1) + 40 * v * v;
        if ((x / 97 + y / 61 + c) % 5 == 0) value += 50;  // edges
        if (x > w / 2 && y > h / 2) value += noise(random);
        image.samples.push_back(static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0)));
      }
    }
  }
  return image;
}

Picture makePicture(const std::string& name, int w, int h, int channels, int bits) {
  hwl::HwlEncodeOptions options;
  options.levels = hwl::hwlDefaultLevel(w, h);
  options.valueBits = {bits, bits - 1, bits - 1};
  options.threshold = 2;
  return {name, hwl::hwlEncode(makeImage(w, h, channels, 7), options)};
}

std::map<std::string, double> timings;  // benchmark name -> least CPU seconds per iteration

std::string benchmarkName(const Picture& p, DecodePath path) { return p.name + "/" + hwl::detail::pathName(path); }

void registerPicture(const Picture& p) {
  std::vector<std::uint8_t> stages;
  {
    const bench::PathChoice choice(DecodePath::stages);
    stages = hwl::hwlDecodeBytes(p.file).pixels;
  }
  for (DecodePath path : bench::decodePaths()) {
    const bench::PathChoice choice(path);
    if (hwl::hwlDecodeBytes(p.file).pixels != stages) {
      std::fprintf(stderr, "hwl_paths_bench: %s: not the stage pipeline's bytes\n", benchmarkName(p, path).c_str());
      std::exit(1);
    }
    benchmark::RegisterBenchmark(benchmarkName(p, path).c_str(), [&p, path](benchmark::State& state) {
      const bench::PathChoice chosen(path);
      std::vector<std::uint8_t> out;
      hwl::HwlHeader header;
      for (auto _ : state) {
        hwl::hwlDecodeBytes(p.file, out, header, true);
        benchmark::DoNotOptimize(out.data());
      }
    })->Unit(benchmark::kMillisecond);
  }
}

void printRatios(const std::vector<Picture>& pictures) {
  std::printf("\n| picture | path | ms per decode | time / avx2 time |\n|---|---|---|---|\n");
  for (const Picture& p : pictures) {
    const auto peer = timings.find(benchmarkName(p, DecodePath::avx2));
    for (DecodePath path : bench::decodePaths()) {
      const auto found = timings.find(benchmarkName(p, path));
      if (found == timings.end()) continue;  // filtered out
      std::printf("| %s | %s | %.2f | ", p.name.c_str(), hwl::detail::pathName(path), 1e3 * found->second);
      if (peer != timings.end()) {
        std::printf("%.2f |\n", found->second / peer->second);
      } else {
        std::printf("(no avx2 here) |\n");
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::vector<Picture> pictures{makePicture("colour-1024x768", 1024, 768, 3, 8),
                                      makePicture("grey-1024x1024", 1024, 1024, 1, 8)};
  for (const Picture& p : pictures) registerPicture(p);
  bench::LeastTimes recorder(timings);
  benchmark::RunSpecifiedBenchmarks(&recorder);
  printRatios(pictures);
  benchmark::Shutdown();
  return 0;
}
