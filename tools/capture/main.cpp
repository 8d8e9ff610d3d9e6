// velmorrow-capture: renders the demo offscreen, frame by frame at a fixed rate, and writes the
// frames it is asked for as PNG files. Needs no display and no sound.

#include "shell/demo.h"
#include "shell/settings.h"
#include "tools/capture/frame_plan.h"
#include "tools/capture/offscreen_context.h"
#include "tools/capture/png_writer.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

namespace {

struct Options {
  std::string data = "data";
  std::string size = "800x600";
  std::string out = ".";
  capture::FrameRequest request;
  int width = 800;
  int height = 600;
};

bool parseSize(const std::string& text, int& width, int& height) {
  std::smatch match;
  if (!std::regex_match(text, match, std::regex(R"((\d{1,5})x(\d{1,5}))"))) return false;
  width = std::stoi(match[1]);
  height = std::stoi(match[2]);
  return width > 0 && height > 0;
}

std::string frameName(std::int32_t clock) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06d.png", static_cast<int>(clock));
  return name;
}

// One progress line on standard error, rewritten in place about twice a second.
class Progress {
 public:
  void show(std::int32_t clock, std::int32_t last, int written, bool final = false) {
    const auto now = std::chrono::steady_clock::now();
    if (!final && now - shown_ < std::chrono::milliseconds(500)) return;
    shown_ = now;
    std::fprintf(stderr, "\rvelmorrow-capture: %6d / %6d ms, %d frame%s written", static_cast<int>(clock),
                 static_cast<int>(last), written, written == 1 ? "" : "s");
    if (final) std::fputc('\n', stderr);
  }

 private:
  std::chrono::steady_clock::time_point shown_{};
};

// The frame being presented, so the present step can write it out.
struct CaptureState {
  const capture::OffscreenContext* context = nullptr;
  std::filesystem::path out;
  capture::PlannedFrame frame{};
  int written = 0;
};
CaptureState state;

void writeRequestedFrame() {
  if (!state.frame.write) return;
  capture::writePng(state.out / frameName(state.frame.clock), state.context->width(), state.context->height(),
                    state.context->readRgb());
  ++state.written;
}

int captureFrames(const Options& options) {
  const auto frames = capture::planFrames(options.request);
  std::filesystem::create_directories(options.out);
  shell::screenWidth = options.width;
  shell::screenHeight = options.height;
  capture::OffscreenContext context(options.width, options.height);
  state = CaptureState{&context, options.out, {}, 0};
  shell::dataDirectory = options.data;
  shell::presentFrame = writeRequestedFrame;
  shell::startDemo();
  Progress progress;
  const std::int32_t last = frames.empty() ? 0 : frames.back().clock;
  for (const capture::PlannedFrame& frame : frames) {
    state.frame = frame;
    shell::runFrame([] { return state.frame.clock; });
    progress.show(frame.clock, last, state.written);
  }
  progress.show(last, last, state.written, true);
  shell::stopDemo();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Renders the Velmorrow demo offscreen at a fixed frame rate and writes frames as PNG files "
               "(frame_TTTTTT.png, the clock in milliseconds). Needs no display and no sound."};
  Options options;
  std::vector<std::int32_t> at;
  std::int32_t from = 0, to = 0;
  app.add_option("--data", options.data, "the folder holding the demo's pictures")->capture_default_str();
  app.add_option("--size", options.size, "frame size WIDTHxHEIGHT")->capture_default_str();
  app.add_option("--fps", options.request.fps, "frames per second: the clock steps by 1000/FPS ms from 0")
      ->capture_default_str()
      ->check(CLI::Range(0.001, 1000.0));
  app.add_option("--at", at, "write the frames at these clocks (ms), e.g. --at 2000,9000")->delimiter(',');
  app.add_option("--from", from, "write every frame from this clock (ms)")->check(CLI::NonNegativeNumber);
  app.add_option("--to", to, "write every frame up to this clock (ms)")->check(CLI::NonNegativeNumber);
  app.add_option("--out", options.out, "the folder the frames go to")->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  if (!parseSize(options.size, options.width, options.height)) {
    std::fprintf(stderr, "velmorrow-capture: --size must be WIDTHxHEIGHT, e.g. 800x600, not '%s'\n",
                 options.size.c_str());
    return 1;
  }
  options.request.at = at;
  if (app.count("--from")) options.request.from = from;
  if (app.count("--to")) options.request.to = to;
  try {
    return captureFrames(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "\nvelmorrow-capture: %s\n", error.what());
    return 1;
  }
}
