// The demo's start-up, from an OpenGL context to the first frame, with a full data set: the loading
// screen, the display lists and every picture decoded, uploaded and (where asked) mipmapped. Beside it,
// in the same run: decoding the same files alone (the share of the start-up spent decoding), and
// decoding the same pictures stored as PNG with stb_image (what the start-up would cost with PNG data).
// The start-up and the decoding run once per decode path the machine has (HWL_DECODE_PATH set as a
// user would), named startToFirstFrame/PATH and decodeEveryFile/PATH.
//
// The data set is a folder given with --data DIR (the built build-test/data, say) or, by default,
// pictures made here at the sizes the demo's pictures have. Before timing, the start-up is run once
// and every texture checked to be loaded. Run: build-test/bench/startup_bench [--data DIR]

#include "bench/decode_paths.h"
#include "hwl/encoder.h"
#include "hwl/fast/paths.h"
#include "scenes/demo_state.h"
#include "shell/demo.h"
#include "shell/settings.h"
#include "tools/capture/offscreen_context.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

namespace fs = std::filesystem;

struct Picture {
  const char* name;
  int size;
  int channels;
};

// Every file the start-up reads, at the sizes of the demo's own pictures.
const Picture pictures[] = {
    {"loading", 512, 3},      {"text0", 1024, 3},      {"text1", 1024, 1},          {"text2", 1024, 1},
    {"text3", 1024, 1},       {"fivebox1", 256, 3},    {"fivebox2", 256, 3},        {"fivebox3", 256, 3},
    {"flare", 256, 3},        {"flare_big", 512, 3},   {"glare", 256, 3},           {"circle1", 256, 3},
    {"cloud", 256, 3},        {"butterfly", 256, 3},   {"butterfly_alpha", 256, 1}, {"butterfly_shape", 256, 3},
    {"background1", 512, 3},  {"background2", 512, 3}, {"background3", 256, 3},     {"background4", 512, 3},
    {"background99", 512, 3},
};

// The decodes the start-up makes: text0 is read once for each of the three text textures.
const char* const decodedFiles[] = {"loading",     "text0",           "text1",           "text0",       "text2",
                                    "text0",       "text3",           "fivebox1",        "fivebox2",    "fivebox3",
                                    "flare",       "flare_big",       "glare",           "circle1",     "cloud",
                                    "butterfly",   "butterfly_alpha", "butterfly_shape", "background1", "background2",
                                    "background3", "background4",     "background99"};

fs::path dataDir;
fs::path pngDir;

// Soft shapes with some grain, like the generated pictures.
hwl::HwlImage makePicture(const Picture& picture, std::mt19937& random) {
  const int n = picture.size;
  hwl::HwlImage image{n, n, picture.channels, std::vector<std::uint8_t>(std::size_t(n) * n * picture.channels)};
  std::uniform_real_distribution<double> grain(-12, 12);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      for (int c = 0; c < picture.channels; ++c) {
        const double u = double(x) / n, v = double(y) / n;
        const double value = 128 + 90 * std::sin(7 * u + 3 * c) * std::cos(5 * v - c) + grain(random);
        image.samples[(std::size_t(y) * n + x) * picture.channels + c] =
            static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
      }
    }
  }
  return image;
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void makeDataSet(const fs::path& hwlDir, const fs::path& pngOut, bool writeHwl) {
  fs::create_directories(hwlDir);
  fs::create_directories(pngOut);
  std::mt19937 random(7);
  for (const Picture& picture : pictures) {
    hwl::HwlImage image;
    if (writeHwl) {
      image = makePicture(picture, random);
      hwl::HwlEncodeOptions options;
      options.valueBits = {7, 6, 6};
      options.threshold = 1;
      writeBytes(hwlDir / (std::string(picture.name) + ".hwl"), hwl::hwlEncode(image, options));
    } else {
      const hwl::HwlPicture decoded = hwl::hwlDecode((hwlDir / (std::string(picture.name) + ".hwl")).string());
      image = {decoded.header.width, decoded.header.height, decoded.header.bitsPerPixel / 8, {}};
      for (std::size_t i = 0; i < std::size_t(image.width) * image.height; ++i) {
        for (int c = 0; c < image.channels; ++c) {
          image.samples.push_back(decoded.pixels[image.channels == 1 ? i : 4 * i + 2 - c]);
        }
      }
    }
    const std::string png = (pngOut / (std::string(picture.name) + ".png")).string();
    stbi_write_png(png.c_str(), image.width, image.height, image.channels, image.samples.data(),
                   image.width * image.channels);
  }
}

using bench::DecodePath;
using bench::PathChoice;

// Context, start-up and the first frame, as the capture tool does it; the shutdown is not timed.
void startToFirstFrame(benchmark::State& state, DecodePath path) {
  const PathChoice choice(path);
  for (auto _ : state) {
    capture::OffscreenContext context(800, 600);
    shell::startDemo({.dataDirectory = dataDir.string()});
    shell::runFrame([] { return std::int32_t{0}; });
    glFinish();
    state.PauseTiming();
    if (!scenes::texBackground99 || scenes::texText1->image.width == 0) state.SkipWithError("a texture is missing");
    shell::stopDemo();
    state.ResumeTiming();
  }
}

void decodeEveryFile(benchmark::State& state, DecodePath path) {
  const PathChoice choice(path);
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const char* name : decodedFiles) {
      const hwl::HwlPicture picture = hwl::hwlDecode((dataDir / (std::string(name) + ".hwl")).string());
      bytes += picture.pixels.size();
      benchmark::DoNotOptimize(picture.pixels.data());
    }
  }
  state.counters["pixel bytes"] = double(bytes) / double(state.iterations());
}

void decodeEveryFileAsPng(benchmark::State& state) {
  for (auto _ : state) {
    for (const char* name : decodedFiles) {
      int w = 0, h = 0, n = 0;
      stbi_uc* pixels = stbi_load((pngDir / (std::string(name) + ".png")).c_str(), &w, &h, &n, 0);
      if (!pixels) state.SkipWithError("a PNG did not load");
      benchmark::DoNotOptimize(pixels);
      stbi_image_free(pixels);
    }
  }
}

// Every benchmark once per decode path this machine has, best first, the stage path last.
void registerBenchmarks() {
  const std::vector<DecodePath> paths = bench::decodePaths();
  using Measure = void (*)(benchmark::State&, DecodePath);
  const std::pair<const char*, Measure> measures[] = {{"startToFirstFrame/", startToFirstFrame},
                                                      {"decodeEveryFile/", decodeEveryFile}};
  for (const auto& [prefix, measure] : measures) {
    for (DecodePath path : paths) {
      benchmark::RegisterBenchmark((prefix + std::string(hwl::detail::pathName(path))).c_str(), measure, path)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(5)
          ->UseRealTime();
    }
  }
  benchmark::RegisterBenchmark("decodeEveryFileAsPng", decodeEveryFileAsPng)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(5)
      ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = fs::temp_directory_path() / "velmorrow-startup-bench";
  dataDir = work / "data";
  pngDir = work / "png";
  if (argc >= 3 && std::strcmp(argv[1], "--data") == 0) {
    dataDir = argv[2];
    argv[2] = argv[0];
    argc -= 2;
    argv += 2;
    makeDataSet(dataDir, pngDir, false);
  } else {
    makeDataSet(dataDir, pngDir, true);
  }
  shell::screenWidth = 800;
  shell::screenHeight = 600;
  benchmark::Initialize(&argc, argv);
  registerBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(work / "png");
  return 0;
}
