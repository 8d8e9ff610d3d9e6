// velmorrow-content: builds the demo's data folder from content/: the pictures (texture recipes,
// lettering, the butterfly's wing) encoded as HWL, and the music rendered and encoded as MP3.

#include "tools/common/command_line.h"
#include "tools/content/content_build.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <thread>

namespace {

// The data folder's files, a few to a line.
std::string fileList() {
  std::string list, line;
  for (const std::string& file : content::dataFiles()) {
    if (line.size() + file.size() > 94) list += "  " + line + "\n", line.clear();
    line += (line.empty() ? "" : " ") + file;
  }
  return list + "  " + line;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Builds Velmorrow's data folder from content/: every picture the demo loads, made with the\n"
      "texture generator (content/pictures/NAME.txt is the recipe of NAME.hwl), lettered with\n"
      "FreeType (content/captions.txt) or drawn in code, and encoded as HWL at 38 dB PSNR or\n"
      "better; and music.mp3, rendered from content/music.score. The same sources always give\n"
      "the same bytes. A mistake in a source stops it with one line naming the file and line,\n"
      "before anything is written.\n\n"
      "The files:\n" +
      fileList()};
  content::BuildOptions options;
  options.contentDir = VELMORROW_CONTENT_DIR;
  options.outDir = "data";
  options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string contentDir = options.contentDir.string(), outDir = "data", fontDir = options.fontDir.string();
  std::string contactSheet;
  bool quiet = false;
  app.add_option("--content", contentDir, "the sources: recipes, captions, score")->capture_default_str();
  app.add_option("--out", outDir, "the data folder to write")->capture_default_str();
  app.add_option("--fonts", fontDir, "where the captions' fonts are")->capture_default_str();
  app.add_option("--only", options.only, "build only these files of the data folder, e.g. --only flare.hwl");
  std::vector<std::string> expected;
  CLI::Option* expect = app.add_option(
      "--expect", expected, "stop, before any work, unless these are exactly the files it makes (the build's check)");
  app.add_option("--contact-sheet", contactSheet, "also write a PNG of every picture and caption row here");
  app.add_option("-j,--jobs", options.jobs, "how many threads work at once, 1 to 64")->capture_default_str();
  app.add_flag("-q,--quiet", quiet, "no progress on standard error");
  if (const auto status = common::parseCommandLine(app, argc, argv, "velmorrow-content")) return *status;
  if (options.jobs < 1 || options.jobs > 64) {
    return common::reportFailure("velmorrow-content", "--jobs must be 1 to 64, not " + std::to_string(options.jobs));
  }

  options.contentDir = contentDir;
  options.outDir = outDir;
  options.fontDir = fontDir;
  options.contactSheet = contactSheet;
  if (*expect) options.expected = expected;
  if (!quiet) {
    options.progress = [](const std::string& line) { std::fprintf(stderr, "velmorrow-content: %s\n", line.c_str()); };
  }
  const auto started = std::chrono::steady_clock::now();
  try {
    const auto built = content::buildContent(options);
    if (!quiet) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      std::fprintf(stderr, "velmorrow-content: %zu files in %s, %.1f s\n", built.size(), outDir.c_str(), seconds);
    }
  } catch (const std::bad_alloc&) {
    return common::reportFailure("velmorrow-content", "out of memory");
  } catch (const std::exception& error) {
    return common::reportFailure("velmorrow-content", error.what());
  }
  return 0;
}
