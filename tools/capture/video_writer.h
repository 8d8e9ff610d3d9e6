#pragma once
// Frames into a video file: an ffmpeg process reads raw RGB frames (top row first) on its standard
// input, with the pixel format, size and rate spelled out, and encodes H.264 (yuv420p, -crf 18) with
// the music muxed from 0 ms, cut to the length of the picture. Throws std::runtime_error when ffmpeg
// cannot be started, stops taking frames or fails.

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace capture {

class VideoWriter {
 public:
  // music: an audio file to mux in (none if empty).
  VideoWriter(const std::filesystem::path& path, int width, int height, double fps,
              const std::filesystem::path& music);
  ~VideoWriter();  // kills ffmpeg if finish was not reached
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  void write(const std::vector<std::uint8_t>& rgb);
  // Closes the stream and waits for ffmpeg; throws if it failed.
  void finish();

  // The ffmpeg command line used (for messages and tests).
  static std::vector<std::string> command(const std::filesystem::path& path, int width, int height, double fps,
                                          const std::filesystem::path& music);

 private:
  std::filesystem::path path_;
  std::size_t frameBytes_;
  pid_t pid_ = -1;
  int input_ = -1;
};

}  // namespace capture
