#include "tools/capture/progress.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace capture {

namespace {

std::string framesWritten(int written) { return std::to_string(written) + (written == 1 ? " frame" : " frames"); }

}  // namespace

std::string minutesAndSeconds(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

Progress::Progress(std::int32_t first, std::int32_t last, std::FILE* out)
    : Progress(first, last, out, ::isatty(::fileno(out)) == 1) {}

Progress::Progress(std::int32_t first, std::int32_t last, std::FILE* out, bool inPlace)
    : first_(first), last_(last), out_(out), inPlace_(inPlace), started_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
  if (lineOpen_) std::fputc('\n', out_);
}

void Progress::show(std::int32_t clock, int written) {
  if (!inPlace_) {
    const int tenths = static_cast<int>(fraction(clock) * 10);
    if (tenths <= tenthsShown_ || tenths >= 10) return;
    tenthsShown_ = tenths;
    printLine(clock, written);
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now - shown_ < std::chrono::milliseconds(500)) return;
  shown_ = now;
  printBar(clock, written);
}

void Progress::finish(int written) {
  if (!inPlace_) {
    printLine(last_, written);
    return;
  }
  printBar(last_, written);
  std::fputc('\n', out_);
  lineOpen_ = false;
  std::fflush(out_);
}

double Progress::fraction(std::int32_t clock) const {
  const double span = std::max<double>(1, last_ - first_);
  return std::clamp((clock - first_) / span, 0.0, 1.0);
}

void Progress::printBar(std::int32_t clock, int written) {
  constexpr int barWidth = 30;
  const double done = fraction(clock);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const std::string left = done > 0.001 ? minutesAndSeconds(elapsed * (1 - done) / done) : "?";
  const int filled = static_cast<int>(done * barWidth);
  std::fprintf(out_, "\r[%s%s] %3d%%  %7.1f / %.1f s  %s written  %s left ", std::string(filled, '#').c_str(),
               std::string(barWidth - filled, ' ').c_str(), static_cast<int>(done * 100), clock / 1000.0,
               last_ / 1000.0, framesWritten(written).c_str(), left.c_str());
  lineOpen_ = true;
  std::fflush(out_);
}

void Progress::printLine(std::int32_t clock, int written) {
  const double done = fraction(clock);
  std::fprintf(out_, "velmorrow-capture: %3d%%  %.1f / %.1f s  %s written\n", static_cast<int>(done * 100),
               clock / 1000.0, last_ / 1000.0, framesWritten(written).c_str());
  std::fflush(out_);
}

}  // namespace capture
