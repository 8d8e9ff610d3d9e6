#include "tools/capture/video_writer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace capture {

namespace {

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

[[noreturn]] void fail(const std::filesystem::path& path, const std::string& what) {
  throw std::runtime_error("cannot write " + path.string() + ": " + what);
}

// How much music before the start is handed to the muxer: an MP3 frame leans on the frames before it
// (the bit reservoir, the overlapping transform), so a copy that starts exactly at the start would
// decode its first 50 ms wrongly. Those frames get negative times and the MP4's edit list skips them.
constexpr std::int32_t musicPrerollMs = 100;

std::vector<std::string> musicInput(const VideoSettings& settings) {
  const std::int32_t preroll = settings.reencodeAudio ? 0 : std::min(settings.musicStart, musicPrerollMs);
  std::vector<std::string> args;
  if (settings.musicStart > 0) args.insert(args.end(), {"-ss", number((settings.musicStart - preroll) / 1000.0)});
  if (preroll > 0) args.insert(args.end(), {"-itsoffset", number(-preroll / 1000.0)});
  args.insert(args.end(), {"-t", number(settings.seconds + preroll / 1000.0), "-i", settings.music.string()});
  return args;
}

}  // namespace

std::vector<std::string> VideoWriter::command(const std::filesystem::path& path, const VideoSettings& settings) {
  std::vector<std::string> args{"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                                "-pixel_format", "rgb24", "-video_size",
                                std::to_string(settings.width) + "x" + std::to_string(settings.height),
                                "-framerate", number(settings.fps), "-i", "-"};
  const bool music = !settings.music.empty();
  if (music) {
    const std::vector<std::string> input = musicInput(settings);
    args.insert(args.end(), input.begin(), input.end());
  }
  args.insert(args.end(), {"-map", "0:v"});
  if (music) {
    args.insert(args.end(), {"-map", "1:a"});
    if (settings.reencodeAudio) {
      args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    } else {
      args.insert(args.end(), {"-c:a", "copy"});
    }
  }
  args.insert(args.end(), {"-c:v", "libx264", "-preset", settings.x264Preset, "-pix_fmt", "yuv420p", "-crf",
                           std::to_string(settings.crf), "-movflags", "+faststart", path.string()});
  return args;
}

VideoWriter::VideoWriter(const std::filesystem::path& path, const VideoSettings& settings)
    : path_(path), frameBytes_(std::size_t(settings.width) * settings.height * 3) {
  const std::filesystem::path& music = settings.music;
  if (!music.empty() && !std::filesystem::exists(music)) fail(path, "the music " + music.string() + " is missing");
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) fail(path, std::strerror(errno));
  std::vector<std::string> args = command(path, settings);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
  const int spawned = ::posix_spawnp(&pid_, "ffmpeg", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[0]);
  input_ = pipeFds[1];
  if (spawned != 0) {
    ::close(input_);
    pid_ = -1;
    fail(path, std::string("cannot start ffmpeg: ") + std::strerror(spawned));
  }
  std::signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a failed write, not a killed capture
}

VideoWriter::~VideoWriter() {
  if (input_ >= 0) ::close(input_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

void VideoWriter::write(const std::vector<std::uint8_t>& rgb) {
  if (rgb.size() != frameBytes_) fail(path_, "a frame has the wrong size");
  std::size_t done = 0;
  while (done < rgb.size()) {
    const ssize_t n = ::write(input_, rgb.data() + done, rgb.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(path_, "ffmpeg stopped taking frames");
    done += static_cast<std::size_t>(n);
  }
}

void VideoWriter::finish() {
  ::close(input_);
  input_ = -1;
  int status = 0;
  const pid_t waited = ::waitpid(pid_, &status, 0);
  pid_ = -1;
  if (waited < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(path_, "ffmpeg failed");
}

}  // namespace capture
