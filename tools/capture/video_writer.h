#pragma once
// Frames into a video file: an ffmpeg process reads raw RGB frames (top row first) on its standard
// input, with the pixel format, size and rate spelled out, and encodes H.264 (yuv420p) with the music
// muxed in step with the picture: the music's sample at the first frame's clock plays with that frame,
// and the music is cut to the picture's length (within one MP3 frame). By default the MP3 goes into the
// MP4 as it is, not encoded again; the frames before the start that an MP3 decoder needs to rebuild the
// first samples are kept and skipped by the file's edit list. Throws std::runtime_error when ffmpeg
// cannot be started, stops taking frames or fails.

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
  std::filesystem::path music;     // none if empty
  std::int32_t musicStart = 0;     // ms: the clock of the first frame
  double seconds = 0;              // the picture's length: frames / fps
  bool reencodeAudio = false;      // AAC at 192 kbit/s instead of the MP3 as it is
  int crf = 18;                    // x264's constant rate factor
  std::string x264Preset = "medium";
};

class VideoWriter {
 public:
  VideoWriter(const std::filesystem::path& path, const VideoSettings& settings);
  ~VideoWriter();  // kills ffmpeg if finish was not reached
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  void write(const std::vector<std::uint8_t>& rgb);
  // Closes the stream and waits for ffmpeg; throws if it failed.
  void finish();

  // The ffmpeg command line used (for messages and tests).
  static std::vector<std::string> command(const std::filesystem::path& path, const VideoSettings& settings);

 private:
  std::filesystem::path path_;
  std::size_t frameBytes_;
  pid_t pid_ = -1;
  int input_ = -1;
};

}  // namespace capture
