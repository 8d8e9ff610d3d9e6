#pragma once
// Building the demo's data folder from content/: every picture made (pictures.h) and encoded as HWL at
// its least PSNR or better, and the music rendered from content/music.score and encoded as MP3. The
// work runs on a few threads; the files are the same bytes whatever the number of threads or the
// order the work finishes in. Each file is written under a temporary name and renamed into place when
// complete.
//
// Everything is checked before any work starts (recipes, captions, fonts, the score, the expected
// files), so a mistake stops the build with one ContentError and leaves the data folder as it was.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace content {

struct BuildOptions {
  std::filesystem::path contentDir;
  std::filesystem::path outDir;
  std::filesystem::path fontDir = "/usr/share/fonts/truetype/dejavu";
  std::filesystem::path contactSheet;  // empty: none
  std::vector<std::string> only;       // file names in the data folder; empty: all of them
  // When set: the files the caller takes the data folder to hold (the build's list of its outputs). The
  // build stops before any work unless they are the files of dataFiles(), in any order.
  std::optional<std::vector<std::string>> expected;
  int jobs = 2;
  std::function<void(const std::string& line)> progress;  // one line at a time; may be empty
};

struct BuiltFile {
  std::string file;
  std::size_t bytes = 0;
  double psnr = 0;  // pictures only
  double seconds = 0;
};

// Every file of the data folder, in the demo's loading order, the music last.
std::vector<std::string> dataFiles();

std::vector<BuiltFile> buildContent(const BuildOptions& options);

}  // namespace content
