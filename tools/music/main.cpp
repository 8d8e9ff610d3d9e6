// velmorrow-music: renders a music score with the demo's own synthesizer and writes it as an MP3 file.

#include "tools/music/music.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

namespace {

// One progress line on standard error, rewritten in place at most every quarter second.
class Progress {
 public:
  void show(std::string_view stage, double fraction) {
    const auto now = std::chrono::steady_clock::now();
    const bool stageChanged = stage != stage_;
    if (!stageChanged && fraction < 1.0 && now - shown_ < std::chrono::milliseconds(250)) return;
    if (stageChanged && !stage_.empty()) std::fputc('\n', stderr);
    stage_ = stage;
    shown_ = now;
    std::fprintf(stderr, "\rvelmorrow-music: %s %3d%%", stage_.c_str(), static_cast<int>(fraction * 100.0 + 0.5));
  }
  void finish() {
    if (!stage_.empty()) std::fputc('\n', stderr);
    stage_.clear();
  }

 private:
  std::string stage_;
  std::chrono::steady_clock::time_point shown_{};
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Renders a music score (a text file: tempo, instruments, patterns, sections) with "
               "Velmorrow's own synthesizer and writes it as an MP3 file (VBR about 190 kbit/s, gapless)."};
  std::string score;
  std::string out;
  bool quiet = false;
  app.add_option("--score", score, "the score to play, e.g. content/music.score")->required();
  app.add_option("--out", out, "the MP3 file to write, e.g. data/music.mp3")->required();
  app.add_flag("--quiet", quiet, "no progress on standard error");
  CLI11_PARSE(app, argc, argv);

  Progress progress;
  try {
    music::renderMusic(score, out, [&](std::string_view stage, double fraction) {
      if (!quiet) progress.show(stage, fraction);
    });
  } catch (const std::exception& error) {
    progress.finish();
    std::fprintf(stderr, "velmorrow-music: %s\n", error.what());
    return 1;
  }
  progress.finish();
  return 0;
}
