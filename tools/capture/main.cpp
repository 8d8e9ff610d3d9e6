// velmorrow-capture: renders the demo offscreen, frame by frame at a fixed rate, and writes frames as
// PNG files, a whole video with the music, or frame-time statistics. Needs no display and no sound.

#include "shell/demo.h"
#include "shell/settings.h"
#include "tools/capture/frame_plan.h"
#include "tools/capture/frame_stats.h"
#include "tools/capture/offscreen_context.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/progress.h"
#include "tools/capture/video_writer.h"

#include <CLI/CLI.hpp>
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
  std::string data = "data";
  std::string size = "800x600";
  std::string out = ".";
  std::string video;
  std::string music;  // default: DATA/music.mp3
  bool stats = false;
  bool outGiven = false;  // PNG frames were asked for with --out
  capture::FrameRequest request;
  int width = 800;
  int height = 600;
};

bool parseSize(const std::string& text, int& width, int& height) {
  std::smatch match;
  if (!std::regex_match(text, match, std::regex(R"((\d{1,5})x(\d{1,5}))"))) return false;
  width = std::stoi(match[1]);
  height = std::stoi(match[2]);
  return width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

std::string frameName(std::int32_t clock) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06d.png", static_cast<int>(clock));
  return name;
}

// Where the frames go, and the frame being drawn.
struct Capture {
  const capture::OffscreenContext* context = nullptr;
  std::optional<fs::path> pngFolder;
  capture::VideoWriter* video = nullptr;
  capture::FrameStats* stats = nullptr;
  capture::PlannedFrame frame{};
  Clock::time_point frameStarted{};
  int written = 0;
};
Capture current;

// The present step of a captured frame: wait for the renderer, note the time, write the frame out.
void presentCapturedFrame() {
  glFinish();
  if (current.stats) {
    current.stats->add(current.frame.clock,
                       std::chrono::duration<double, std::milli>(Clock::now() - current.frameStarted).count());
  }
  if (!current.frame.write || (!current.pngFolder && !current.video)) return;
  const std::vector<std::uint8_t> rgb = current.context->readRgb();
  if (current.video) current.video->write(rgb);
  if (current.pngFolder) {
    capture::writePng(*current.pngFolder / frameName(current.frame.clock), current.context->width(),
                      current.context->height(), rgb);
  }
  ++current.written;
}

void runFrames(const std::vector<capture::PlannedFrame>& frames) {
  capture::Progress progress(frames.front().clock, frames.back().clock);
  for (const capture::PlannedFrame& frame : frames) {
    current.frame = frame;
    current.frameStarted = Clock::now();
    shell::runFrame([] { return current.frame.clock; });
    progress.show(frame.clock, current.written);
  }
  progress.finish(current.written);
}

int runCapture(const Options& options) {
  const auto frames = capture::planFrames(options.request);
  if (frames.empty()) return 0;
  // PNG frames when asked for (--at, --out) or when nothing else is: a range alone gives PNGs too.
  const bool wantsPngs =
      !options.request.at.empty() || options.outGiven || (options.video.empty() && !options.stats);
  shell::screenWidth = options.width;
  shell::screenHeight = options.height;
  capture::OffscreenContext context(options.width, options.height);
  std::unique_ptr<capture::VideoWriter> video;
  if (!options.video.empty()) {
    const fs::path music = options.music.empty() ? fs::path(options.data) / "music.mp3" : fs::path(options.music);
    video = std::make_unique<capture::VideoWriter>(options.video, options.width, options.height,
                                                   options.request.fps, music);
  }
  capture::FrameStats stats;
  current = Capture{&context, std::nullopt, video.get(), nullptr, {}, {}, 0};
  if (wantsPngs) {
    fs::create_directories(options.out);
    current.pngFolder = fs::path(options.out);
  }
  // The loading frames are presented too, but not timed or written.
  shell::startDemo({.presentFrame = presentCapturedFrame, .dataDirectory = options.data});
  if (options.stats) current.stats = &stats;
  runFrames(frames);
  shell::stopDemo();
  if (video) {
    video->finish();
    std::fprintf(stderr, "velmorrow-capture: wrote %s\n", options.video.c_str());
  }
  if (options.stats) stats.print(stdout, options.width, options.height);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Renders the Velmorrow demo offscreen at a fixed frame rate: frames as PNG files (frame_TTTTTT.png, the "
      "clock in milliseconds), the whole demo as a video with its music (--video), or frame times per scene "
      "(--stats). Needs no display and no sound."};
  Options options;
  std::vector<std::int32_t> at;
  std::int32_t from = 0, to = 0;
  app.add_option("--data", options.data, "the folder holding the demo's pictures and music")->capture_default_str();
  app.add_option("--size", options.size, "frame size WIDTHxHEIGHT")->capture_default_str();
  app.add_option("--fps", options.request.fps, "frames per second: the clock steps by 1000/FPS ms from 0")
      ->capture_default_str()
      ->check(CLI::Range(0.001, 1000.0));
  auto* atOption =
      app.add_option("--at", at, "write the frames at these clocks (ms), e.g. --at 2000,9000")->delimiter(',');
  app.add_option("--from", from, "write every frame from this clock (ms)")->check(CLI::NonNegativeNumber);
  app.add_option("--to", to, "write every frame up to this clock (ms)")->check(CLI::NonNegativeNumber);
  app.add_option("--out", options.out, "the folder PNG frames go to")->capture_default_str();
  app.add_option("--video", options.video,
                 "write the frames (the whole demo, or --from/--to) as an H.264 video with the music, e.g. demo.mp4")
      ->excludes(atOption);
  app.add_option("--music", options.music, "the music for --video (default: DATA/music.mp3)");
  app.add_flag("--stats", options.stats, "print the frame times of every scene: min, median, 95th percentile, max");
  CLI11_PARSE(app, argc, argv);

  if (!parseSize(options.size, options.width, options.height)) {
    std::fprintf(stderr, "velmorrow-capture: --size must be WIDTHxHEIGHT, e.g. 800x600, not '%s'\n",
                 options.size.c_str());
    return 1;
  }
  options.request.at = at;
  options.outGiven = app.count("--out") > 0;
  if (app.count("--from")) options.request.from = from;
  if (app.count("--to")) options.request.to = to;
  try {
    return runCapture(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "\nvelmorrow-capture: %s\n", error.what());
    return 1;
  }
}
