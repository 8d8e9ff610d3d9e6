// HWL against its peers on the scikit-image pictures (bench/fetch-pictures puts them in
// bench/pictures): decode speed against libjpeg-turbo (quality 90, no chroma subsampling), libpng and
// stb_image; encode speed against libjpeg-turbo; the heap each decode takes; and rate against
// distortion: for JPEG qualities 50, 75 and 90, the best HWL file of at most the JPEG's size.
//
// HWL decodes once per decode path the machine has (avx512, avx2, sse2, neon, simd128, stages; chosen
// with HWL_DECODE_PATH as a user would), each row with its speed ratios and peak heap.
//
// Every benchmark checks its output before it times: each HWL path gives exactly the stage pipeline's
// bytes, JPEG and PNG decode to the expected picture. Run: build-test/bench/hwl_bench. On a shared
// machine give it --benchmark_min_time=0.1 --benchmark_repetitions=20
// --benchmark_enable_random_interleaving=true: the ratios then come from each benchmark's fastest
// repetition, taken in turn with its peers', and many short repetitions give every row a quiet one.

#include "bench/decode_paths.h"
#include "bench/heap_meter.h"
#include "bench/least_times.h"
#include "hwl/decode_paths.h"
#include "hwl/encoder.h"
#include "hwl/fast/paths.h"

#include <benchmark/benchmark.h>
#include <png.h>
#include <stb_image.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "hwl_bench: %s\n", message.c_str());
  std::exit(1);
}

hwl::HwlImage loadPicture(const fs::path& path) {
  int w = 0, h = 0, n = 0;
  if (!stbi_info(path.c_str(), &w, &h, &n)) fail(path.string() + " missing: run bench/fetch-pictures");
  const int channels = n >= 3 ? 3 : 1;
  stbi_uc* data = stbi_load(path.c_str(), &w, &h, &n, channels);
  hwl::HwlImage image{w, h, channels, std::vector<std::uint8_t>(data, data + w * h * channels)};
  stbi_image_free(data);
  return image;
}

// PSNR of an interleaved picture with `stride` bytes per pixel (colour in `order`) against the image.
double psnr(const hwl::HwlImage& image, const std::uint8_t* pixels, int stride, const int* order) {
  double sum = 0;
  const std::size_t n = std::size_t(image.width) * image.height;
  for (std::size_t i = 0; i < n; ++i) {
    for (int c = 0; c < image.channels; ++c) {
      const double d = pixels[stride * i + order[c]] - double(image.samples[image.channels * i + c]);
      sum += d * d;
    }
  }
  return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255 * n * image.channels / sum);
}
constexpr int rgbOrder[3] = {0, 1, 2};
constexpr int bgrxOrder[3] = {2, 1, 0};
constexpr int greyOrder[3] = {0, 0, 0};

// libjpeg-turbo, no chroma subsampling.
struct Jpeg {
  std::unique_ptr<void, int (*)(tjhandle)> compressor{tjInitCompress(), tjDestroy};
  std::unique_ptr<void, int (*)(tjhandle)> decompressor{tjInitDecompress(), tjDestroy};

  std::vector<std::uint8_t> encode(const hwl::HwlImage& image, int quality) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int format = image.channels == 3 ? TJPF_RGB : TJPF_GRAY;
    const int sampling = image.channels == 3 ? TJSAMP_444 : TJSAMP_GRAY;
    if (tjCompress2(compressor.get(), image.samples.data(), image.width, 0, image.height, format, &out, &size, sampling,
                    quality, 0) != 0) {
      fail(std::string("tjCompress2: ") + tjGetErrorStr2(compressor.get()));
    }
    std::vector<std::uint8_t> bytes(out, out + size);
    tjFree(out);
    return bytes;
  }
  // To B, G, R, X pixels for colour (the HWL buffer's layout), grey bytes otherwise.
  void decode(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels, int w, int h, int channels) {
    pixels.resize(std::size_t(w) * h * (channels == 3 ? 4 : 1));
    if (tjDecompress2(decompressor.get(), file.data(), file.size(), pixels.data(), w, 0, h,
                      channels == 3 ? TJPF_BGRX : TJPF_GRAY, 0) != 0) {
      fail(std::string("tjDecompress2: ") + tjGetErrorStr2(decompressor.get()));
    }
  }
};

std::vector<std::uint8_t> encodePng(const hwl::HwlImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  png.format = image.channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&png, nullptr, &size, 0, image.samples.data(), 0, nullptr);
  std::vector<std::uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.samples.data(), 0, nullptr)) {
    fail("png_image_write_to_memory failed");
  }
  bytes.resize(size);
  return bytes;
}

void decodeLibpng(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels, int channels) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) fail("libpng: begin read");
  png.format = channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  pixels.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) fail("libpng: finish read");
}

struct Subject {
  std::string name;
  hwl::HwlImage image;
  std::vector<std::uint8_t> jpeg90, png, hwl;
  hwl::HwlEncodeOptions hwlOptions;
  double jpegPsnr = 0, hwlPsnr = 0;
};

// The HWL file (settings searched) of at most `limit` bytes with the best PSNR.
hwl::HwlSearchResult bestWithin(const hwl::HwlImage& image, std::size_t limit) {
  hwl::HwlSearchResult best;
  best.psnr = -1;
  const int L = hwl::hwlDefaultLevel(image.width, image.height);
  for (int k = 8; k >= 2; --k) {
    for (int fewer = 0; fewer <= (image.channels == 3 ? std::min(2, k - 1) : 0); ++fewer) {
      hwl::HwlEncodeOptions options;
      options.levels = L;
      options.valueBits = {k, k - fewer, k - fewer};
      double low = 0, high = 256;  // threshold: low too big a file, high small enough
      for (int step = 0; step < 14; ++step) {
        options.threshold = step == 0 ? high : (low + high) / 2;
        std::vector<std::uint8_t> file = hwl::hwlEncode(image, options);
        if (file.size() > limit) {
          if (step == 0) break;  // not even the largest threshold fits
          low = options.threshold;
          continue;
        }
        high = options.threshold;
        const double p = hwl::hwlPsnr(image, hwl::hwlDecodeBytes(file));
        if (p > best.psnr) best = {options, std::move(file), p, true};
      }
    }
  }
  return best;
}

Subject prepare(const std::string& name) {
  Subject s;
  s.name = name;
  s.image = loadPicture(fs::path(VELMORROW_SOURCE_DIR) / "bench/pictures" / name);
  Jpeg jpeg;
  s.jpeg90 = jpeg.encode(s.image, 90);
  std::vector<std::uint8_t> pixels;
  jpeg.decode(s.jpeg90, pixels, s.image.width, s.image.height, s.image.channels);
  s.jpegPsnr =
      psnr(s.image, pixels.data(), s.image.channels == 3 ? 4 : 1, s.image.channels == 3 ? bgrxOrder : greyOrder);
  s.png = encodePng(s.image);
  // The HWL file of the same quality as JPEG 90: the smallest that reaches its PSNR.
  const hwl::HwlSearchResult found = hwl::hwlEncodeForPsnr(s.image, s.jpegPsnr);
  s.hwl = found.file;
  s.hwlOptions = found.options;
  s.hwlPsnr = found.psnr;
  return s;
}

std::map<std::string, double> timings;  // benchmark name -> CPU seconds per iteration

using bench::DecodePath;
using bench::decodePaths;
using bench::PathChoice;

std::string hwlCodec(DecodePath path) { return std::string("hwl-") + hwl::detail::pathName(path); }

void check(bool ok, const std::string& what) {
  if (!ok) fail("check failed before timing: " + what);
}

void registerDecodes(const Subject& s) {
  const int w = s.image.width, h = s.image.height, ch = s.image.channels;
  const double pixels = double(w) * h;
  // HWL on every path: the bytes must be the stage pipeline's, and the PSNR the one the search reported.
  hwl::detail::MemorySource source(s.hwl, "bench");
  const hwl::detail::HwlContents contents = hwl::detail::readContents(source);
  std::vector<std::uint8_t> stages(hwl::pixelBufferSize(contents.header));
  hwl::detail::decodePixels(contents, stages.data(), DecodePath::stages);
  for (DecodePath path : decodePaths()) {
    const PathChoice choice(path);
    const std::string label = s.name + ", " + hwl::detail::pathName(path) + " path: ";
    const hwl::HwlPicture picture = hwl::hwlDecodeBytes(s.hwl);
    check(picture.pixels == stages, label + "HWL bytes differ from the stage pipeline");
    check(hwl::hwlPsnr(s.image, picture) == s.hwlPsnr, label + "HWL PSNR");
    std::vector<std::uint8_t> reused(7, 0xEE);
    hwl::HwlHeader header;
    for (int round = 0; round < 2; ++round) hwl::hwlDecodeBytes(s.hwl, reused, header, true);
    check(reused == stages, label + "HWL bytes decoded into a reused buffer");
    // Like the peers below, decoding into an output buffer that is kept from one decode to the next.
    benchmark::RegisterBenchmark(
        ("decode/" + s.name + "/" + hwlCodec(path)).c_str(), [&s, pixels, path](benchmark::State& st) {
          const PathChoice chosen(path);
          std::vector<std::uint8_t> out;
          hwl::HwlHeader h;
          for (auto _ : st) {
            hwl::hwlDecodeBytes(s.hwl, out, h, true);
            benchmark::DoNotOptimize(out.data());
          }
          st.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
        });
  }
  {
    Jpeg jpeg;
    std::vector<std::uint8_t> out;
    jpeg.decode(s.jpeg90, out, w, h, ch);
    check(psnr(s.image, out.data(), ch == 3 ? 4 : 1, ch == 3 ? bgrxOrder : greyOrder) == s.jpegPsnr,
          s.name + ": JPEG PSNR");
  }
  benchmark::RegisterBenchmark(
      ("decode/" + s.name + "/jpeg-turbo-q90").c_str(), [&s, w, h, ch, pixels](benchmark::State& st) {
        Jpeg jpeg;
        std::vector<std::uint8_t> out;
        for (auto _ : st) {
          jpeg.decode(s.jpeg90, out, w, h, ch);
          benchmark::DoNotOptimize(out.data());
        }
        st.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
      });
  {
    std::vector<std::uint8_t> out;
    decodeLibpng(s.png, out, ch);
    check(out == s.image.samples, s.name + ": libpng round trip");
    int x, y, n;
    stbi_uc* data = stbi_load_from_memory(s.png.data(), int(s.png.size()), &x, &y, &n, ch);
    check(data && std::equal(data, data + w * h * ch, s.image.samples.begin()), s.name + ": stb_image");
    stbi_image_free(data);
  }
  benchmark::RegisterBenchmark(("decode/" + s.name + "/libpng").c_str(), [&s, ch, pixels](benchmark::State& st) {
    std::vector<std::uint8_t> out;
    for (auto _ : st) {
      decodeLibpng(s.png, out, ch);
      benchmark::DoNotOptimize(out.data());
    }
    st.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  });
  benchmark::RegisterBenchmark(("decode/" + s.name + "/stb_image-png").c_str(), [&s, ch, pixels](benchmark::State& st) {
    for (auto _ : st) {
      int x, y, n;
      stbi_uc* data = stbi_load_from_memory(s.png.data(), int(s.png.size()), &x, &y, &n, ch);
      benchmark::DoNotOptimize(data);
      stbi_image_free(data);
    }
    st.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  });
  check(hwl::hwlEncode(s.image, s.hwlOptions) == s.hwl, s.name + ": HWL encode");
  benchmark::RegisterBenchmark(("encode/" + s.name + "/hwl").c_str(), [&s, pixels](benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(hwl::hwlEncode(s.image, s.hwlOptions));
    st.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  });
  benchmark::RegisterBenchmark(("encode/" + s.name + "/jpeg-turbo-q90").c_str(), [&s, pixels](benchmark::State& st) {
    Jpeg jpeg;
    for (auto _ : st) benchmark::DoNotOptimize(jpeg.encode(s.image, 90));
    st.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  });
}

void printRatios(const Subject& s) {
  auto key = [&](const std::string& kind, const std::string& codec) { return kind + "/" + s.name + "/" + codec; };
  for (const char* codec : {"jpeg-turbo-q90", "libpng", "stb_image-png"}) {
    if (!timings.count(key("decode", codec))) return;  // filtered out
  }
  auto time = [&](const std::string& kind, const std::string& codec) { return timings.at(key(kind, codec)); };
  std::printf(
      "\n%s (%dx%d, %s): HWL %zu bytes, %.2f dB (--bits %d,%d,%d --threshold %.3g); "
      "JPEG q90 %zu bytes, %.2f dB; PNG %zu bytes\n",
      s.name.c_str(), s.image.width, s.image.height, s.image.channels == 3 ? "colour" : "grey", s.hwl.size(), s.hwlPsnr,
      s.hwlOptions.valueBits[0], s.hwlOptions.valueBits[1], s.hwlOptions.valueBits[2], s.hwlOptions.threshold,
      s.jpeg90.size(), s.jpegPsnr, s.png.size());
  const int w = s.image.width, h = s.image.height, ch = s.image.channels;
  auto kib = [](std::size_t bytes) { return double(bytes) / 1024; };
  std::printf(
      "  | HWL path | ms per decode | HWL / libjpeg-turbo q90 | HWL / libpng | HWL / stb_image (PNG) | "
      "peak heap of one decode |\n  |---|---|---|---|---|---|\n");
  for (DecodePath path : {DecodePath::avx512, DecodePath::avx2, DecodePath::sse2, DecodePath::neon, DecodePath::simd128,
                          DecodePath::stages}) {
    const std::string codec = hwlCodec(path);
    if (!hwl::detail::pathAvailable(path)) {
      std::printf("  | %s | skipped: not available on this machine | | | | |\n", hwl::detail::pathName(path));
      continue;
    }
    if (!timings.count(key("decode", codec))) continue;  // filtered out
    const double hwl = time("decode", codec);
    const PathChoice choice(path);
    const std::size_t heap = heapmeter::peakDuring([&] { hwl::hwlDecodeBytes(s.hwl); });
    std::printf("  | %s | %.2f | %.2f | %.2f | %.2f | %.0f KiB |\n", hwl::detail::pathName(path), 1e3 * hwl,
                time("decode", "jpeg-turbo-q90") / hwl, time("decode", "libpng") / hwl,
                time("decode", "stb_image-png") / hwl, kib(heap));
  }
  if (timings.count(key("encode", "hwl")) && timings.count(key("encode", "jpeg-turbo-q90"))) {
    std::printf("  encode speed ratio, HWL / libjpeg-turbo q90: %.2f\n",
                time("encode", "jpeg-turbo-q90") / time("encode", "hwl"));
  }
  Jpeg jpeg;
  std::printf(
      "  peak heap of one decode of the peers: libjpeg-turbo %.0f KiB, libpng %.0f KiB, "
      "stb_image %.0f KiB (the %dx%d pixel buffer included: %.0f KiB)\n",
      kib(heapmeter::peakDuring([&] {
        std::vector<std::uint8_t> o;
        Jpeg j;
        j.decode(s.jpeg90, o, w, h, ch);
      })),
      kib(heapmeter::peakDuring([&] {
        std::vector<std::uint8_t> o;
        decodeLibpng(s.png, o, ch);
      })),
      kib(heapmeter::peakDuring([&] {
        int x, y, n;
        stbi_image_free(stbi_load_from_memory(s.png.data(), int(s.png.size()), &x, &y, &n, ch));
      })),
      w, h, kib(std::size_t(w) * h * (ch == 3 ? 4 : 1)));
}

void printRateDistortion(const Subject& s) {
  std::printf("\nRate and distortion, %s: the best HWL file no larger than the JPEG\n", s.name.c_str());
  std::printf("  | JPEG quality | JPEG bytes | JPEG PSNR | HWL bytes | HWL PSNR | HWL settings |\n");
  std::printf("  |---|---|---|---|---|---|\n");
  Jpeg jpeg;
  const int ch = s.image.channels;
  for (int quality : {50, 75, 90}) {
    const std::vector<std::uint8_t> file = jpeg.encode(s.image, quality);
    std::vector<std::uint8_t> out;
    jpeg.decode(file, out, s.image.width, s.image.height, ch);
    const double jpegPsnr = psnr(s.image, out.data(), ch == 3 ? 4 : 1, ch == 3 ? bgrxOrder : greyOrder);
    const hwl::HwlSearchResult best = bestWithin(s.image, file.size());
    std::printf("  | %d | %zu | %.2f dB | %zu | %.2f dB | --bits %d,%d,%d --threshold %.3g |\n", quality, file.size(),
                jpegPsnr, best.file.size(), best.psnr, best.options.valueBits[0], best.options.valueBits[1],
                best.options.valueBits[2], best.options.threshold);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bool rateDistortion = true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--no-rate-distortion") rateDistortion = false;
  }
  std::vector<std::unique_ptr<Subject>> subjects;
  for (const char* name : {"astronaut.png", "camera.png"}) {
    subjects.push_back(std::make_unique<Subject>(prepare(name)));
    registerDecodes(*subjects.back());
  }
  bench::LeastTimes recorder(timings);
  benchmark::RunSpecifiedBenchmarks(&recorder);
  for (const auto& s : subjects) printRatios(*s);
  if (rateDistortion) {
    for (const auto& s : subjects) printRateDistortion(*s);
  }
  std::string paths;
  for (DecodePath path : decodePaths()) paths += std::string(" ") + hwl::detail::pathName(path);
  std::printf("\nDecode paths on this machine:%s (the first is the one decodes take).\n", paths.c_str());
  benchmark::Shutdown();
  return 0;
}
