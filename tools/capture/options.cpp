#include "tools/capture/options.h"

#include "tools/common/command_line.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>

namespace capture {

namespace {

namespace fs = std::filesystem;

constexpr const char* tool = "velmorrow-capture";

std::string sizeRule(bool video) {
  return video ? "WIDTHxHEIGHT with even numbers from 2 to " + std::to_string(maxFrameSide) +
                     " (H.264 in yuv420p needs them even), e.g. 800x600"
               : "WIDTHxHEIGHT with numbers from 1 to " + std::to_string(maxFrameSide) + ", e.g. 800x600";
}

bool parseSize(const std::string& text, int& width, int& height) {
  std::smatch match;
  if (!std::regex_match(text, match, std::regex(R"((\d{1,5})x(\d{1,5}))"))) return false;
  width = std::stoi(match[1]);
  height = std::stoi(match[2]);
  return width > 0 && height > 0 && width <= maxFrameSide && height <= maxFrameSide;
}

std::string checkSize(const std::string& text, bool video, Options& options) {
  const bool fits = parseSize(text, options.width, options.height);
  if (fits && (!video || (options.width % 2 == 0 && options.height % 2 == 0))) return "";
  return "--size must be " + sizeRule(video) + ", not '" + text + "'";
}

std::string checkFps(const std::string& text, double& fps) {
  char* end = nullptr;
  fps = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(fps)) {
    return "--fps: '" + text + "' is not a number (frames per second, above 0 and at most 1000)";
  }
  if (!(fps > 0 && fps <= 1000)) return "--fps must be above 0 and at most 1000, not " + text;
  return "";
}

std::string beforeTheStart(const char* option, std::int32_t clock) {
  return std::string(option) + " " + std::to_string(clock) + " is before the demo's start: clocks start at 0 ms";
}

std::string checkClocks(const OptionTexts& texts) {
  for (std::int32_t clock : texts.at) {
    if (clock < 0) return beforeTheStart("--at", clock);
  }
  if (texts.from && *texts.from < 0) return beforeTheStart("--from", *texts.from);
  if (texts.to && *texts.to < 0) return beforeTheStart("--to", *texts.to);
  if (texts.from && texts.to && *texts.from > *texts.to) {
    return "--from " + std::to_string(*texts.from) + " is after --to " + std::to_string(*texts.to);
  }
  return "";
}

std::string checkRangeHoldsAFrame(const FrameRequest& request) {
  if (!request.from && !request.to) return "";
  const std::vector<PlannedFrame> frames = planFrames(request);
  if (!frames.empty()) return "";
  const std::int32_t last = planFrames(FrameRequest{request.fps, {}, {}, {}, request.end}).back().clock;
  if (request.from && *request.from > last) {
    return "--from " + std::to_string(*request.from) + " is past the demo's end (its last frame is at " +
           std::to_string(last) + " ms)";
  }
  return "no frame of the demo falls between --from and --to at this --fps";
}

struct Preset {
  const char* name;
  const char* size;
  const char* fps;
  int supersample;
};
constexpr Preset presets[] = {{"1080p", "1920x1080", "60", 2}, {"4k", "3840x2160", "60", 1}};

// The preset's values for whatever was not typed.
void applyPreset(const std::string& name, bool sizeGiven, bool fpsGiven, OptionTexts& texts) {
  for (const Preset& preset : presets) {
    if (name != preset.name) continue;
    if (!sizeGiven) texts.size = preset.size;
    if (!fpsGiven) texts.fps = preset.fps;
    if (!texts.supersample) texts.supersample = preset.supersample;
  }
}

}  // namespace

std::string completeOptions(const OptionTexts& texts, Options& options) {
  std::string reason = checkSize(texts.size, !options.video.empty(), options);
  if (reason.empty()) reason = checkFps(texts.fps, options.request.fps);
  if (reason.empty()) reason = checkClocks(texts);
  if (reason.empty() && !options.music.empty() && options.video.empty()) {
    reason = "--music goes with --video (PNG frames have no sound)";
  }
  if (!reason.empty()) return reason;
  options.supersample = texts.supersample.value_or(1);
  options.request.at = texts.at;
  options.request.from = texts.from;
  options.request.to = texts.to;
  return checkRangeHoldsAFrame(options.request);
}

std::variant<Options, int> readOptions(int argc, char** argv) {
  CLI::App app{
      "Renders the Velmorrow demo offscreen at a fixed frame rate: frames as PNG files (frame_TTTTTT.png, the "
      "clock in milliseconds), the whole demo as a video with its music (--video), or frame times per scene "
      "(--stats). Needs no display and no sound."};
  Options options;
  OptionTexts texts;
  std::int32_t from = 0, to = 0;
  std::string audio = "copy";
  int supersample = 1;
  app.add_option("--data", options.data, "the folder holding the demo's pictures and music")->capture_default_str();
  app.add_option("--size", texts.size, "frame size WIDTHxHEIGHT, each 1 to 16384 (even for --video)")
      ->capture_default_str();
  app.add_option("--fps", texts.fps, "frames per second, above 0 and at most 1000: the clock steps by 1000/FPS ms")
      ->capture_default_str();
  auto* atOption =
      app.add_option("--at", texts.at, "write the frames at these clocks (ms), e.g. --at 2000,9000")->delimiter(',');
  app.add_option("--from", from, "write every frame from this clock (ms)");
  app.add_option("--to", to, "write every frame up to this clock (ms)");
  app.add_option("--out", options.out, "the folder PNG frames go to")->capture_default_str();
  app.add_option("--video", options.video,
                 "write the frames (the whole demo, or --from/--to) as an H.264 video with the music, e.g. demo.mp4")
      ->excludes(atOption);
  app.add_option("--music", options.music, "the music for --video (default: DATA/music.mp3)");
  app.add_flag("--stats", options.stats, "print the frame times of every scene: min, median, 95th percentile, max");
  app.add_flag("--scenes", options.scenes,
               "print the demo's scenes and end: one line a scene with its number, the clock (ms) it starts at "
               "and the clock the next one starts at (for the last, the demo's end)");
  app.add_option("--preset", options.preset,
                 "settings for publishing: 1080p (1920x1080, 60 fps, --supersample 2) or 4k (3840x2160, 60 fps, "
                 "--supersample 1); options typed beside it win")
      ->check(CLI::IsMember({"1080p", "4k"}));
  app.add_flag("--stretch", options.stretch,
               "fill a frame that is not 4:3 by stretching the picture (default: 4:3 with black bars)");
  app.add_option("--supersample", supersample,
                 "render N x N times the pixels and average them down, for smooth edges (1 to 4; default 1)")
      ->check(CLI::Range(1, 4));
  app.add_option("--audio", audio,
                 "the video's sound: copy (the MP3 as it is) or aac (encoded again, for players that need it)")
      ->check(CLI::IsMember({"copy", "aac"}))
      ->capture_default_str();
  app.add_option("--crf", options.crf, "x264's quality, 0 (lossless) to 51; lower is better and larger")
      ->check(CLI::Range(0, 51))
      ->capture_default_str();
  app.add_option("--x264-preset", options.x264Preset, "x264's speed for its size: ultrafast ... veryslow")
      ->check(CLI::IsMember(
          {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium", "slow", "slower", "veryslow", "placebo"}))
      ->capture_default_str();
  if (const auto status = common::parseCommandLine(app, argc, argv, tool)) return *status;

  options.outGiven = app.count("--out") > 0;
  if (app.count("--from")) texts.from = from;
  if (app.count("--to")) texts.to = to;
  if (app.count("--supersample")) texts.supersample = supersample;
  applyPreset(options.preset, app.count("--size") > 0, app.count("--fps") > 0, texts);
  const bool mp3 = fs::path(options.music).extension() == ".mp3" || options.music.empty();
  options.reencodeAudio = audio == "aac" || !mp3;  // only an MP3 goes into the MP4 as it is
  const std::string reason = completeOptions(texts, options);
  if (!reason.empty()) return common::reportFailure(tool, reason);
  return options;
}

}  // namespace capture
