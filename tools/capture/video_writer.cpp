#include "tools/capture/video_writer.h"

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

}  // namespace

std::vector<std::string> VideoWriter::command(const std::filesystem::path& path, int width, int height, double fps,
                                              const std::filesystem::path& music) {
  std::vector<std::string> args{"ffmpeg",      "-hide_banner", "-loglevel",   "error",  "-y",
                                "-f",          "rawvideo",     "-pixel_format", "rgb24", "-video_size",
                                std::to_string(width) + "x" + std::to_string(height), "-framerate", number(fps),
                                "-i",          "-"};
  if (!music.empty()) args.insert(args.end(), {"-i", music.string()});
  args.insert(args.end(), {"-map", "0:v"});
  if (!music.empty()) args.insert(args.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "192k", "-shortest"});
  args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "18", "-movflags", "+faststart",
                           path.string()});
  return args;
}

VideoWriter::VideoWriter(const std::filesystem::path& path, int width, int height, double fps,
                         const std::filesystem::path& music)
    : path_(path), frameBytes_(std::size_t(width) * height * 3) {
  if (!music.empty() && !std::filesystem::exists(music)) fail(path, "the music " + music.string() + " is missing");
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) fail(path, std::strerror(errno));
  std::vector<std::string> args = command(path, width, height, fps, music);
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
