#include "tools/capture/progress.h"

#include <algorithm>
#include <cmath>

namespace capture {

std::string minutesAndSeconds(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

Progress::Progress(std::int32_t first, std::int32_t last, std::FILE* out)
    : first_(first), last_(last), out_(out), started_(std::chrono::steady_clock::now()) {}

void Progress::show(std::int32_t clock, int written) {
  const auto now = std::chrono::steady_clock::now();
  if (now - shown_ < std::chrono::milliseconds(500)) return;
  shown_ = now;
  print(clock, written);
}

void Progress::finish(int written) {
  print(last_, written);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void Progress::print(std::int32_t clock, int written) {
  constexpr int barWidth = 30;
  const double span = std::max<double>(1, last_ - first_);
  const double done = std::clamp((clock - first_) / span, 0.0, 1.0);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const std::string left = done > 0.001 ? minutesAndSeconds(elapsed * (1 - done) / done) : "?";
  const int filled = static_cast<int>(done * barWidth);
  std::fprintf(out_, "\r[%s%s] %3d%%  %7.1f / %.1f s  %d frame%s written  %s left ", std::string(filled, '#').c_str(),
               std::string(barWidth - filled, ' ').c_str(), static_cast<int>(done * 100), clock / 1000.0,
               last_ / 1000.0, written, written == 1 ? "" : "s", left.c_str());
  std::fflush(out_);
}

}  // namespace capture
