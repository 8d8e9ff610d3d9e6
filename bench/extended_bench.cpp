// The HWL codec's extended-precision formulas in our own 80-bit type (hwl/extended.h) against the
// x87's long double, in one run: what the stage path's arithmetic costs where our type is the codec's
// Extended (ARM64, WebAssembly, or x86 with HWL_SOFT_EXTENDED). Each benchmark first checks that both
// types give the same bits on its values, then times one type over them: a column pass's samples
// (plain and smoothed) and a colour conversion, on values like a decoded picture's. At the end it prints
// each formula's time with our type over the x87's (the least CPU time of the repetitions; run with
// --benchmark_repetitions=10 on a shared machine). Built where long double is the x87's.

#include "bench/least_times.h"
#include "hwl/arithmetic.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

namespace d = hwl::detail;
using Soft = d::Extended80;
using X87 = long double;

constexpr int valueCount = 1 << 16;

// Dequantised coefficients (multiples of 1 / entry) and transform samples.
const std::vector<double>& values() {
  static const std::vector<double> v = [] {
    std::mt19937_64 random(1);
    std::uniform_int_distribution<int> coefficient(-255, 255);
    std::uniform_real_distribution<double> sample(-200, 400);
    const double factor = d::dequantisationFactor(37.25);
    std::vector<double> out(valueCount + 1);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = i % 2 ? coefficient(random) * factor : sample(random);
    return out;
  }();
  return v;
}

template <class X>
void samples(const std::vector<double>& v, std::vector<double>& out) {
  for (int i = 0; i < valueCount; ++i) {
    out[i] = i % 4 == 3 ? d::synthesiseSmoothed<X>(v[i], v[i + 1])
             : i % 2    ? d::synthesiseSecond<X>(v[i], v[i + 1])
                        : d::synthesiseFirst<X>(v[i], v[i + 1]);
  }
}

template <class X>
void colours(const std::vector<double>& v, std::vector<double>& out) {
  for (int i = 0; i + 2 < valueCount; i += 3) {
    const d::Rgb rgb = d::colourFromYuv<X>(v[i] + 128, v[i + 1] / 4, v[i + 2] / 4);
    out[i] = rgb.red;
    out[i + 1] = rgb.green;
    out[i + 2] = rgb.blue;
  }
}

using Formula = void (*)(const std::vector<double>&, std::vector<double>&);

void checkSameBits(const char* name, Formula soft, Formula x87) {
  std::vector<double> a(valueCount), b(valueCount);
  soft(values(), a);
  x87(values(), b);
  if (std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) != 0) {
    std::fprintf(stderr, "extended_bench: %s: our type and the x87 differ\n", name);
    std::exit(1);
  }
}

void run(benchmark::State& state, Formula formula) {
  std::vector<double> out(valueCount);
  for (auto _ : state) {
    formula(values(), out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["ns_per_value"] =
      benchmark::Counter(valueCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::map<std::string, double> timings;  // benchmark name -> least CPU seconds per iteration

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::tuple<std::string, Formula, Formula>> formulas{{"samples", samples<Soft>, samples<X87>},
                                                                        {"colours", colours<Soft>, colours<X87>}};
  for (const auto& [name, soft, x87] : formulas) {
    checkSameBits(name.c_str(), soft, x87);
    benchmark::RegisterBenchmark((name + "/x87").c_str(), run, x87);
    benchmark::RegisterBenchmark((name + "/soft").c_str(), run, soft);
  }
  benchmark::Initialize(&argc, argv);
  bench::LeastTimes recorder(timings);
  benchmark::RunSpecifiedBenchmarks(&recorder);
  for (const auto& [name, soft, x87] : formulas) {
    if (timings.count(name + "/soft") && timings.count(name + "/x87")) {
      std::printf("%s: our type / the x87: %.2f\n", name.c_str(), timings[name + "/soft"] / timings[name + "/x87"]);
    }
  }
  benchmark::Shutdown();
}
