// velmorrow-capture: renders the demo offscreen, frame by frame at a fixed rate, and writes frames as
// PNG files, a whole video with the music, or frame-time statistics. Needs no display and no sound.
// --scenes prints the timeline's scenes instead and renders nothing.
//
// The capture tool is not the demo: a failure the demo would report in error.txt (a picture it cannot
// load, too many particles) is one line on standard error naming the module, the problem and the file,
// and the tool ends with status 1, like every other failure. It never writes error.txt.

#include "engine/fatal_error.h"
#include "shell/demo.h"
#include "shell/settings.h"
#include "shell/timeline.h"
#include "tools/capture/frame_layout.h"
#include "tools/capture/frame_plan.h"
#include "tools/capture/frame_stats.h"
#include "tools/capture/music_length.h"
#include "tools/capture/offscreen_context.h"
#include "tools/capture/options.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/progress.h"
#include "tools/capture/video_writer.h"
#include "tools/common/command_line.h"
#include "tools/common/output_file.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using capture::Options;

#ifdef VELMORROW_CAPTURE_ON_GLES
// velmorrow-capture-gles: the same program drawing through our own OpenGL 1.1 layer on OpenGL ES 3.
constexpr const char* tool = "velmorrow-capture-gles";
constexpr capture::ClientApi clientApi = capture::ClientApi::openGlEs3;
#else
constexpr const char* tool = "velmorrow-capture";
constexpr capture::ClientApi clientApi = capture::ClientApi::openGl;
#endif

// The engine's reports, turned into exceptions that end the run with one line.
[[noreturn]] void throwFatalReport(const char* module, const char* message, const std::string& file) {
  throw std::runtime_error(std::string(module) + ": " + message + (file.empty() ? "" : " (" + file + ")"));
}

[[noreturn]] void throwInputError(const std::string& fileAndProblem) {
  throw std::runtime_error("cannot read " + fileAndProblem);
}

std::string frameName(std::int32_t clock) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06d.png", static_cast<int>(clock));
  return name;
}

// Where the frames go, and the frame being drawn.
struct Capture {
  const capture::OffscreenContext* context = nullptr;
  capture::FrameLayout layout;
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
  const std::vector<std::uint8_t> rgb = capture::composeFrame(current.layout, current.context->readRgb());
  if (current.video) current.video->write(rgb);
  if (current.pngFolder) {
    capture::writePng(*current.pngFolder / frameName(current.frame.clock), current.layout.frameWidth,
                      current.layout.frameHeight, rgb);
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

// A cut-short music file gives a video whose sound stops early: say so before the long run.
void warnIfMusicEndsEarly(const fs::path& music, const std::vector<capture::PlannedFrame>& frames) {
  const std::optional<double> seconds = capture::musicSeconds(music);
  const double needed = frames.back().clock / 1000.0;
  if (seconds && *seconds + 0.05 < needed) {
    std::fprintf(stderr, "%s: warning: the music %s lasts %.1f s, the video %.1f s: its sound stops early\n", tool,
                 music.string().c_str(), *seconds, needed);
  }
}

std::unique_ptr<capture::VideoWriter> startVideo(const Options& options,
                                                 const std::vector<capture::PlannedFrame>& frames) {
  if (options.video.empty()) return nullptr;
  const fs::path music = options.music.empty() ? fs::path(options.data) / "music.mp3" : fs::path(options.music);
  capture::VideoSettings settings{options.width, options.height, options.request.fps, music};
  const auto written = std::count_if(frames.begin(), frames.end(), [](const auto& frame) { return frame.write; });
  const auto first = std::find_if(frames.begin(), frames.end(), [](const auto& frame) { return frame.write; });
  settings.musicStart = first == frames.end() ? 0 : first->clock;
  settings.seconds = static_cast<double>(written) / options.request.fps;
  settings.reencodeAudio = options.reencodeAudio;
  settings.crf = options.crf;
  settings.x264Preset = options.x264Preset;
  auto video = std::make_unique<capture::VideoWriter>(options.video, settings);
  warnIfMusicEndsEarly(music, frames);
  return video;
}

// How long a capture takes on a machine like ours (two cores, Mesa's software renderer), from a
// measured time per frame and per million pixels rendered; said before a long preset run starts.
void announceRenderingTime(const capture::FrameLayout& layout, const std::vector<capture::PlannedFrame>& frames) {
  constexpr double secondsPerFrame = 0.02, secondsPerMegapixel = 0.035;
  const double megapixels = layout.renderWidth() * double(layout.renderHeight()) / 1e6;
  const double seconds = static_cast<double>(frames.size()) * (secondsPerFrame + secondsPerMegapixel * megapixels);
  std::fprintf(stderr, "%s: %zu frames rendered at %dx%d: about %s on two cores with software OpenGL\n", tool,
               frames.size(), layout.renderWidth(), layout.renderHeight(), capture::minutesAndSeconds(seconds).c_str());
}

// --scenes: the timeline's scenes, one line each: number, first clock, the next scene's first clock.
int printScenes() {
  for (const shell::SceneSpan& span : shell::sceneSpans()) {
    std::printf("%d %ld %ld\n", span.number, static_cast<long>(span.from), static_cast<long>(span.to));
  }
  common::finishStandardOutput();
  return 0;
}

int runCapture(const Options& options) {
  if (options.scenes) return printScenes();
  const auto frames = capture::planFrames(options.request);
  // PNG frames when asked for (--at, --out) or when nothing else is: a range alone gives PNGs too.
  const bool wantsPngs = !options.request.at.empty() || options.outGiven || (options.video.empty() && !options.stats);
  const capture::FrameLayout layout =
      capture::layoutFrame(options.width, options.height, options.supersample, options.stretch);
  shell::screenWidth = layout.renderWidth();  // the demo draws the picture without its bars
  shell::screenHeight = layout.renderHeight();
  engine::setFailureReporter({throwFatalReport, throwInputError});
  capture::OffscreenContext context(layout.renderWidth(), layout.renderHeight(), clientApi);
  if (!options.preset.empty()) announceRenderingTime(layout, frames);
  const std::unique_ptr<capture::VideoWriter> video = startVideo(options, frames);
  capture::FrameStats stats;
  current = Capture{&context, layout, std::nullopt, video.get(), nullptr, {}, {}, 0};
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
    std::fprintf(stderr, "%s: wrote %s\n", tool, options.video.c_str());
  }
  if (options.stats) stats.print(stdout, options.width, options.height);
  common::finishStandardOutput();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto read = capture::readOptions(argc, argv);
  if (const int* status = std::get_if<int>(&read)) return *status;
  try {
    return runCapture(std::get<Options>(read));
  } catch (const std::bad_alloc&) {
    return common::reportFailure(tool, "out of memory");
  } catch (const std::exception& error) {
    return common::reportFailure(tool, error.what());
  }
}
