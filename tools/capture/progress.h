#pragma once
// The capture tool's progress on standard error: the demo clock against the last clock to render, the
// frames written and the time left, estimated from the pace so far. On a terminal it is one line with
// a bar, rewritten in place about twice a second; elsewhere (a log file, a pipe) it is a plain line at
// about every tenth of the way, so a log gets a dozen lines and no carriage returns.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace capture {

// "1:05" style minutes and seconds.
std::string minutesAndSeconds(double seconds);

class Progress {
 public:
  // inPlace: rewrite one line (a terminal); by default, whether `out` is a terminal.
  Progress(std::int32_t first, std::int32_t last, std::FILE* out = stderr);
  Progress(std::int32_t first, std::int32_t last, std::FILE* out, bool inPlace);
  ~Progress();  // ends a line left open, so a message after a failure starts on a line of its own
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void show(std::int32_t clock, int written);
  void finish(int written);

 private:
  double fraction(std::int32_t clock) const;
  void printBar(std::int32_t clock, int written);
  void printLine(std::int32_t clock, int written);
  std::int32_t first_;
  std::int32_t last_;
  std::FILE* out_;
  bool inPlace_;
  bool lineOpen_ = false;
  int tenthsShown_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point shown_{};
};

}  // namespace capture
