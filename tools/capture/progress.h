#pragma once
// The capture tool's progress line on standard error, rewritten in place about twice a second: a bar,
// the demo clock against the last clock to render, the frames written and the time left, estimated
// from the pace so far.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace capture {

// "1:05" style minutes and seconds.
std::string minutesAndSeconds(double seconds);

class Progress {
 public:
  Progress(std::int32_t first, std::int32_t last, std::FILE* out = stderr);
  void show(std::int32_t clock, int written);
  void finish(int written);

 private:
  void print(std::int32_t clock, int written);
  std::int32_t first_;
  std::int32_t last_;
  std::FILE* out_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point shown_{};
};

}  // namespace capture
