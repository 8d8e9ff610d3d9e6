// The maths library (maths/) against MPFR: for each function, random inputs over the ranges its callers
// use, counting results that are not correctly rounded and the largest error in ulps; then its speed as a
// ratio to the C library's function on the same inputs, in the same run.
//
//   maths_accuracy [--count N] [--seed S] [--no-speed] [function...]
//   maths_accuracy --reference
//
// N inputs per function (default 10^6; the library's guarantee is measured with 10^8, for instance as ten
// runs of 10^7 with seeds 1 to 10). Prints one line per function; the exit status is 1 when any result
// was not correctly rounded. --no-speed leaves out the timing. --reference prints the hashes of MPFR's
// results for the unit test's inputs (tests/maths/reference_inputs.h), which that test pins.
#include "maths/maths.h"
#include "tests/maths/reference_inputs.h"

#include <mpfr.h>

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// splitmix64: a small, fixed random generator, so a run can be repeated.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
  }
  double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
};

// Where a function's inputs come from: a share of the samples, uniform in [from, to] or with a
// log-uniform magnitude in [from, to] and either sign.
struct Range {
  double share;
  double from;
  double to;
  bool logarithmic;
  double fixedSecond = NAN;  // for pow: a fixed exponent
};

double sample(Random& random, const Range& r) {
  if (!r.logarithmic) return r.from + (r.to - r.from) * random.unit();
  const double magnitude = std::exp2(std::log2(r.from) + (std::log2(r.to) - std::log2(r.from)) * random.unit());
  return random.next() & 1 ? -magnitude : magnitude;
}

using Unary = double (*)(double);
using Binary = double (*)(double, double);
using MpfrUnary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);
using MpfrBinary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);

struct Function {
  const char* name;
  Unary ours;
  Unary library;
  MpfrUnary reference;
  Binary ours2;
  Binary library2;
  MpfrBinary reference2;
  std::vector<Range> first;
  std::vector<Range> second;   // binary functions: the second argument's ranges
  bool absoluteFirst = false;  // hypot, pow: only the magnitude of the first argument
};

int mpfrHypot(mpfr_ptr y, mpfr_srcptr a, mpfr_srcptr b, mpfr_rnd_t r) { return mpfr_hypot(y, a, b, r); }
int mpfrPow(mpfr_ptr y, mpfr_srcptr a, mpfr_srcptr b, mpfr_rnd_t r) { return mpfr_pow(y, a, b, r); }

double stdSin(double x) { return std::sin(x); }
double stdCos(double x) { return std::cos(x); }
double stdAtan(double x) { return std::atan(x); }
double stdExp(double x) { return std::exp(x); }
double stdLog(double x) { return std::log(x); }
double stdLog10(double x) { return std::log10(x); }
double stdHypot(double x, double y) { return std::hypot(x, y); }
double stdPow(double x, double y) { return std::pow(x, y); }

// The callers' ranges: scene clocks over periods (t / 45 up to t / 8000 for t up to 200 s), generator
// angles (fx x, k t^2 angle, k x), the synthesizer's phases and filters, blur kernels, PSNR, pixel
// distances, sRGB's power 2.4; and beyond them, to cover what recipes may ask for.
std::vector<Function> functions() {
  const std::vector<Range> angles = {{0.4, 0, 6.2831853, false},
                                     {0.4, -5000, 5000, false},
                                     {0.15, 0x1p-26, 0x1p30, true},
                                     {0.05, 0x1p30, 0x1p1023, true}};
  return {
      {"sin", maths::sin, stdSin, mpfr_sin, nullptr, nullptr, nullptr, angles, {}},
      {"cos", maths::cos, stdCos, mpfr_cos, nullptr, nullptr, nullptr, angles, {}},
      {"atan",
       maths::atan,
       stdAtan,
       mpfr_atan,
       nullptr,
       nullptr,
       nullptr,
       {{0.5, -4, 4, false}, {0.5, 0x1p-30, 0x1p40, true}},
       {}},
      {"exp",
       maths::exp,
       stdExp,
       mpfr_exp,
       nullptr,
       nullptr,
       nullptr,
       {{0.5, -50, 7, false}, {0.3, -708, 709, false}, {0.2, 0x1p-40, 0.5, true}},
       {}},
      {"log",
       maths::log,
       stdLog,
       mpfr_log,
       nullptr,
       nullptr,
       nullptr,
       {{0.5, 0.5, 2, false}, {0.5, 0x1p-1000, 0x1p1000, true}},
       {},
       true},
      {"log10",
       maths::log10,
       stdLog10,
       mpfr_log10,
       nullptr,
       nullptr,
       nullptr,
       {{0.3, 0.5, 2, false}, {0.5, 0x1p-20, 0x1p60, true}, {0.2, 0x1p-1000, 0x1p1000, true}},
       {},
       true},
      {"hypot",
       nullptr,
       nullptr,
       nullptr,
       maths::hypot,
       stdHypot,
       mpfrHypot,
       {{0.7, -4096, 4096, false}, {0.3, 0x1p-500, 0x1p500, true}},
       {{0.7, -4096, 4096, false}, {0.3, 0x1p-500, 0x1p500, true}}},
      {"pow",
       nullptr,
       nullptr,
       nullptr,
       maths::pow,
       stdPow,
       mpfrPow,
       {{0.5, 0.03, 1, false, 2.4}, {0.5, 0x1p-10, 0x1p10, true}},
       {{0.5, 0.03, 1, false, 2.4}, {0.5, -8, 8, false}},
       true},
  };
}

struct Inputs {
  std::vector<double> first;
  std::vector<double> second;
};

Inputs inputsFor(const Function& f, std::size_t count, std::uint64_t seed) {
  Random random{seed};
  Inputs in;
  in.first.reserve(count);
  if (!f.second.empty()) in.second.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    double pick = random.unit();
    std::size_t r = 0;
    while (r + 1 < f.first.size() && pick >= f.first[r].share) pick -= f.first[r++].share;
    double x = sample(random, f.first[r]);
    if (f.absoluteFirst) x = std::fabs(x);
    in.first.push_back(x);
    if (f.second.empty()) continue;
    const Range& second = f.second[std::min(r, f.second.size() - 1)];
    in.second.push_back(std::isnan(f.first[r].fixedSecond) ? sample(random, second) : f.first[r].fixedSecond);
  }
  return in;
}

struct Accuracy {
  std::uint64_t wrong = 0;
  double worstUlps = 0;
  double worstInput = 0;
  double worstSecond = 0;
};

// |value - exact| in units of the last place of the exact value's binade.
double errorInUlps(double value, mpfr_srcptr exact) {
  mpfr_t difference;
  mpfr_init2(difference, 256);
  mpfr_sub_d(difference, exact, value, MPFR_RNDN);
  mpfr_abs(difference, difference, MPFR_RNDN);
  const long exponent = mpfr_get_exp(exact);  // exact = m 2^exponent, m in [0.5, 1)
  mpfr_mul_2si(difference, difference, 53 - std::max(exponent, -1021L), MPFR_RNDN);
  const double ulps = mpfr_get_d(difference, MPFR_RNDN);
  mpfr_clear(difference);
  return ulps;
}

Accuracy measure(const Function& f, const Inputs& in) {
  mpfr_t x, y, rounded, exact;
  mpfr_inits2(53, x, y, rounded, static_cast<mpfr_ptr>(nullptr));
  mpfr_init2(exact, 256);
  Accuracy a;
  for (std::size_t i = 0; i < in.first.size(); ++i) {
    mpfr_set_d(x, in.first[i], MPFR_RNDN);
    double ours = 0;
    int inexact = 0;
    if (f.ours) {
      ours = f.ours(in.first[i]);
      inexact = f.reference(rounded, x, MPFR_RNDN);
    } else {
      mpfr_set_d(y, in.second[i], MPFR_RNDN);
      ours = f.ours2(in.first[i], in.second[i]);
      inexact = f.reference2(rounded, x, y, MPFR_RNDN);
    }
    inexact = mpfr_subnormalize(rounded, inexact, MPFR_RNDN);
    const double expected = mpfr_get_d(rounded, MPFR_RNDN);
    if (std::memcmp(&ours, &expected, sizeof ours) == 0 || (std::isnan(ours) && std::isnan(expected))) continue;
    ++a.wrong;
    if (f.ours) {
      f.reference(exact, x, MPFR_RNDN);
    } else {
      f.reference2(exact, x, y, MPFR_RNDN);
    }
    const double ulps = errorInUlps(ours, exact);
    if (ulps > a.worstUlps) a = {a.wrong, ulps, in.first[i], f.ours ? 0.0 : in.second[i]};
  }
  mpfr_clears(x, y, rounded, exact, static_cast<mpfr_ptr>(nullptr));
  return a;
}

// Seconds for one pass of `unary` or `binary` over the inputs; the sum keeps the calls alive.
template <class Call>
double secondsFor(const Inputs& in, Call call, double& sink) {
  const auto start = std::chrono::steady_clock::now();
  double sum = 0;
  for (std::size_t i = 0; i < in.first.size(); ++i) sum += call(i);
  sink += sum;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Ours over the C library's time on the same (at most 10^6) inputs, best of three passes each.
double speedRatio(const Function& f, const Inputs& all) {
  Inputs in = all;
  const std::size_t n = std::min<std::size_t>(in.first.size(), 1000000);
  in.first.resize(n);
  if (!in.second.empty()) in.second.resize(n);
  double sink = 0;
  double ours = 1e30;
  double library = 1e30;
  for (int pass = 0; pass < 3; ++pass) {
    if (f.ours) {
      ours = std::min(ours, secondsFor(
                                in, [&](std::size_t i) { return f.ours(in.first[i]); }, sink));
      library = std::min(library, secondsFor(
                                      in, [&](std::size_t i) { return f.library(in.first[i]); }, sink));
    } else {
      ours = std::min(ours, secondsFor(
                                in, [&](std::size_t i) { return f.ours2(in.first[i], in.second[i]); }, sink));
      library = std::min(library, secondsFor(
                                      in, [&](std::size_t i) { return f.library2(in.first[i], in.second[i]); }, sink));
    }
  }
  if (sink == 12345.678) std::puts("");  // keeps the sums from being optimised away
  return ours / library;
}

// MPFR's hash for the unit test's inputs of each function, beside ours.
int printReferenceHashes() {
  mpfr_t x, y, r;
  mpfr_inits2(53, x, y, r, static_cast<mpfr_ptr>(nullptr));
  for (const Function& f : functions()) {
    for (const maths_test::ReferenceRange& range : maths_test::referenceRanges) {
      if (std::strcmp(range.function, f.name) != 0) continue;
      maths_test::ResultHash reference;
      maths_test::ResultHash ours;
      for (const auto& [a, b] : maths_test::referenceInputs(range)) {
        mpfr_set_d(x, a, MPFR_RNDN);
        mpfr_set_d(y, b, MPFR_RNDN);
        const int inexact = f.ours ? f.reference(r, x, MPFR_RNDN) : f.reference2(r, x, y, MPFR_RNDN);
        mpfr_subnormalize(r, inexact, MPFR_RNDN);
        reference.add(mpfr_get_d(r, MPFR_RNDN));
        ours.add(f.ours ? f.ours(a) : f.ours2(a, b));
      }
      std::printf("{\"%s\", 0x%016" PRIx64 "},  // ours: 0x%016" PRIx64 "\n", f.name, reference.value, ours.value);
    }
  }
  mpfr_clears(x, y, r, static_cast<mpfr_ptr>(nullptr));
  return 0;
}

bool wanted(const char* name, int argc, char** argv, int first) {
  if (first >= argc) return true;
  for (int i = first; i < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 1000000;
  std::uint64_t seed = 1;
  bool speed = true;
  int first = 1;
  while (first < argc && argv[first][0] == '-' && std::strcmp(argv[first], "--reference") != 0) {
    if (std::strcmp(argv[first], "--no-speed") == 0) {
      speed = false;
      first += 1;
      continue;
    }
    if (first + 1 >= argc) break;
    if (std::strcmp(argv[first], "--count") == 0) count = std::strtoull(argv[first + 1], nullptr, 10);
    if (std::strcmp(argv[first], "--seed") == 0) seed = std::strtoull(argv[first + 1], nullptr, 10);
    first += 2;
  }
  mpfr_set_emin(-1073);  // double's exponent range, so that mpfr_subnormalize rounds as doubles do
  mpfr_set_emax(1024);
  if (first < argc && std::strcmp(argv[first], "--reference") == 0) return printReferenceHashes();
  bool allRight = true;
  std::printf("%-6s %12s %10s %14s %26s %10s %12s\n", "name", "inputs", "wrong", "worst ulps", "worst wrong input",
              "seconds", "time ratio");
  for (const Function& f : functions()) {
    if (!wanted(f.name, argc, argv, first)) continue;
    const auto start = std::chrono::steady_clock::now();
    const Inputs in = inputsFor(f, count, seed);
    const Accuracy a = measure(f, in);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double ratio = speed ? speedRatio(f, in) : NAN;
    std::printf("%-6s %12zu %10" PRIu64 " %14.3f %13a,%12a %10.1f %12.2f\n", f.name, in.first.size(), a.wrong,
                a.worstUlps, a.worstInput, a.worstSecond, seconds, ratio);
    std::fflush(stdout);
    allRight = allRight && a.wrong == 0;
  }
  return allRight ? 0 : 1;
}
