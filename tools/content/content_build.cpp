#include "tools/content/content_build.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "hwl/hwl.h"
#include "tools/common/output_file.h"
#include "tools/content/contact_sheet.h"
#include "tools/content/content_error.h"
#include "tools/content/encoding.h"
#include "tools/content/pictures.h"
#include "tools/music/music.h"

namespace content {

namespace {

constexpr const char* musicFile = "music.mp3";

using Clock = std::chrono::steady_clock;

// One piece of work: a picture, or the music when `picture` is null.
struct Job {
  const DataPicture* picture = nullptr;
};

class Builder {
 public:
  Builder(const BuildOptions& options, std::vector<Job> jobs, const ContentSources& sources)
      : options_(options), jobs_(std::move(jobs)), sources_(sources), results_(jobs_.size()), failures_(jobs_.size()) {}

  std::vector<BuiltFile> run() {
    const int threads = std::clamp(options_.jobs, 1, static_cast<int>(std::max<std::size_t>(jobs_.size(), 1)));
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i) workers.emplace_back([this] { work(); });
    work();
    for (std::thread& worker : workers) worker.join();
    for (const std::exception_ptr& failure : failures_) {
      if (failure) std::rethrow_exception(failure);  // the first in job order, whatever finished first
    }
    return results_;
  }

 private:
  void work() {
    for (std::size_t i = next_++; i < jobs_.size() && !failed_; i = next_++) {
      try {
        results_[i] = jobs_[i].picture ? buildPicture(*jobs_[i].picture) : buildMusic();
        report(results_[i]);
      } catch (...) {
        failures_[i] = std::current_exception();
        failed_ = true;
      }
    }
  }

  BuiltFile buildPicture(const DataPicture& entry) {
    const auto started = Clock::now();
    const hwl::HwlImage image = makePicture(entry, sources_);
    const Encoded encoded = encodeToPsnr(image, entry.leastPsnr, entry.file);
    common::writeFileAtomically(options_.outDir / entry.file, encoded.file);
    return {entry.file, encoded.file.size(), encoded.psnr, seconds(started)};
  }

  BuiltFile buildMusic() {
    const auto started = Clock::now();
    const std::filesystem::path out = options_.outDir / musicFile;
    music::renderMusic(options_.contentDir / "music.score", out, {});
    return {musicFile, std::filesystem::file_size(out), 0, seconds(started)};
  }

  void report(const BuiltFile& built) {
    if (!options_.progress) return;
    char line[160];
    const int done = ++done_;
    if (built.psnr > 0) {
      std::snprintf(line, sizeof line, "[%2d/%zu] %-20s %8.1f KiB  %5.2f dB  %5.1f s", done, jobs_.size(),
                    built.file.c_str(), built.bytes / 1024.0, built.psnr, built.seconds);
    } else {
      std::snprintf(line, sizeof line, "[%2d/%zu] %-20s %8.1f KiB            %5.1f s", done, jobs_.size(),
                    built.file.c_str(), built.bytes / 1024.0, built.seconds);
    }
    const std::lock_guard lock(reportLock_);
    options_.progress(line);
  }

  static double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

  const BuildOptions& options_;
  const std::vector<Job> jobs_;
  const ContentSources& sources_;
  std::vector<BuiltFile> results_;
  std::vector<std::exception_ptr> failures_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> failed_{false};
  std::atomic<int> done_{0};
  std::mutex reportLock_;
};

// The files of `from` that `in` lacks, each after a space.
std::string filesMissing(std::vector<std::string> from, const std::vector<std::string>& in) {
  std::string missing;
  std::sort(from.begin(), from.end());
  from.erase(std::unique(from.begin(), from.end()), from.end());
  for (const std::string& file : from) {
    if (std::find(in.begin(), in.end(), file) == in.end()) missing += " " + file;
  }
  return missing;
}

void checkExpected(const std::optional<std::vector<std::string>>& expected) {
  if (!expected) return;
  const std::vector<std::string> files = dataFiles();
  const std::string unlisted = filesMissing(files, *expected), unmade = filesMissing(*expected, files);
  if (unlisted.empty() && unmade.empty()) return;
  throw ContentError("--expect", "the list differs from the files this tool makes" +
                                     (unlisted.empty() ? "" : "; made but not listed:" + unlisted) +
                                     (unmade.empty() ? "" : "; listed but not made:" + unmade));
}

std::vector<Job> plan(const BuildOptions& options) {
  checkExpected(options.expected);
  for (const std::string& file : options.only) {
    const std::vector<std::string> files = dataFiles();
    if (std::find(files.begin(), files.end(), file) == files.end()) {
      throw ContentError(file, "is no file of the data folder (see velmorrow-content --help)");
    }
  }
  const auto wanted = [&](const std::string& file) {
    return options.only.empty() || std::find(options.only.begin(), options.only.end(), file) != options.only.end();
  };
  std::vector<Job> jobs;
  if (wanted(musicFile)) jobs.push_back({nullptr});  // the longest piece of work goes first
  for (const DataPicture& entry : demoPictures()) {
    if (wanted(entry.file)) jobs.push_back({&entry});
  }
  return jobs;
}

std::vector<DataPicture> picturesOf(const std::vector<Job>& jobs) {
  std::vector<DataPicture> pictures;
  for (const Job& job : jobs) {
    if (job.picture) pictures.push_back(*job.picture);
  }
  return pictures;
}

// Reads the score once before any work starts, so a broken score stops everything at once.
void checkScore(const std::filesystem::path& contentDir) { music::readScore(contentDir / "music.score"); }

}  // namespace

std::vector<std::string> dataFiles() {
  std::vector<std::string> files;
  for (const DataPicture& entry : demoPictures()) files.push_back(entry.file);
  files.push_back(musicFile);
  return files;
}

std::vector<BuiltFile> buildContent(const BuildOptions& options) {
  const std::vector<Job> jobs = plan(options);
  Fonts fonts(options.fontDir);
  const ContentSources sources = loadSources(options.contentDir, fonts, picturesOf(jobs));
  if (std::any_of(jobs.begin(), jobs.end(), [](const Job& job) { return !job.picture; }))
    checkScore(options.contentDir);

  std::filesystem::create_directories(options.outDir);
  std::vector<BuiltFile> built = Builder(options, jobs, sources).run();
  if (!options.contactSheet.empty()) writeContactSheet(options.contactSheet, options.outDir, options.contentDir, fonts);
  return built;
}

}  // namespace content
