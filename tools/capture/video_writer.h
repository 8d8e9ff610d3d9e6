#pragma once
// Frames into a video file: an ffmpeg process reads raw RGB frames (top row first) on its standard
// input, with the pixel format, size and rate spelled out, and encodes H.264 (yuv420p) with the music
// muxed in step with the picture: the music's sample at the first frame's clock plays with that frame,
// and the music is cut to the picture's length (within one MP3 frame). By default the MP3 goes into the
// MP4 as it is, not encoded again; the MP3 frames before the start that a decoder needs to rebuild the
// first samples are kept, and the file's edit list skips them.
//
// The video is written whole or not at all: ffmpeg writes a temporary file beside the target
// (common::OutputFile), which replaces the target only when ffmpeg has exited with 0 and written a
// non-empty file. A video that was there stays as it was when ffmpeg cannot start, fails (a music file
// it cannot read), is killed, or the capture stops early. ffmpeg's own messages are kept, and the last
// of them ends the one-line failure. Throws std::runtime_error naming the video and the reason.

#include "tools/common/output_file.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace capture {

struct VideoSettings {
  int width = 800;
  int height = 600;
  double fps = 60;
  std::filesystem::path music;  // none if empty
  std::int32_t musicStart = 0;  // ms: the clock of the first frame
  double seconds = 0;           // the picture's length: frames / fps
  bool reencodeAudio = false;   // AAC at 192 kbit/s instead of the MP3 as it is
  int crf = 18;                 // x264's constant rate factor
  std::string x264Preset = "medium";
};

class VideoWriter {
 public:
  VideoWriter(const std::filesystem::path& path, const VideoSettings& settings);
  ~VideoWriter();  // kills ffmpeg if finish was not reached; the temporary file goes with it
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  void write(const std::vector<std::uint8_t>& rgb);
  // Closes the stream, waits for ffmpeg and puts the video in place; throws if it failed.
  void finish();

  // The ffmpeg command line used (for messages and tests).
  static std::vector<std::string> command(const std::filesystem::path& path, const VideoSettings& settings);

 private:
  [[noreturn]] void fail(const std::string& what) const;
  std::string ffmpegSaid() const;
  std::string whyFfmpegStopped();
  void stopFfmpeg();

  common::OutputFile output_;
  std::size_t frameBytes_;
  pid_t pid_ = -1;
  int input_ = -1;
  int messages_ = -1;  // ffmpeg's standard error, an unnamed temporary file
};

}  // namespace capture
