#pragma once
// The capture tool's command line: what to render, at which size and rate, and where the frames go.
// readOptions reads it with CLI11 and then checks what CLI11 cannot: the size (and, for a video, an
// even width and height), the frame rate as a number, the clocks (--at not negative, --from not after
// --to, a range that holds at least one frame of the demo) and --music only with --video. A --preset
// gives the size, rate and supersampling that were not typed. A mistake is
// one line on standard error starting with "velmorrow-capture:", and the run ends with status 1.

#include "tools/capture/frame_plan.h"

#include <string>
#include <variant>
#include <vector>

namespace capture {

constexpr int maxFrameSide = 16384;

struct Options {
  std::string data = "data";
  std::string out = ".";
  std::string video;
  std::string music;  // default: DATA/music.mp3
  bool stats = false;
  bool scenes = false;    // print the scenes' spans and end
  bool outGiven = false;  // PNG frames were asked for with --out
  FrameRequest request;
  int width = 800;
  int height = 600;
  bool stretch = false;        // render at the frame's own shape instead of 4:3 with black bars
  int supersample = 1;         // render N x N times the pixels and average them down
  bool reencodeAudio = false;  // --audio aac
  int crf = 18;
  std::string x264Preset = "medium";
  std::string preset;  // "1080p" or "4k": named settings for publishing, else empty
};

// What was typed, before checking.
struct OptionTexts {
  std::string size = "800x600";
  std::string fps = "60";
  std::optional<int> supersample;
  std::vector<std::int32_t> at;
  std::optional<std::int32_t> from;
  std::optional<std::int32_t> to;
};

// Checks the typed values and fills them into options. Returns "" when they are fine, else the reason
// (one line, without the tool's name).
std::string completeOptions(const OptionTexts& texts, Options& options);

// The whole command line: the options, or the exit status when the run is over (--help, or a mistake
// already reported).
std::variant<Options, int> readOptions(int argc, char** argv);

}  // namespace capture
