#include "tools/capture/video_writer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
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

// A file without a name for ffmpeg's messages: it goes with the descriptor.
int unnamedTemporary() {
  std::FILE* file = std::tmpfile();
  if (!file) return -1;
  const int fd = ::dup(::fileno(file));
  std::fclose(file);
  return fd;
}

std::string lastLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  const auto start = text.find_last_of("\r\n");
  return start == std::string::npos ? text : text.substr(start + 1);
}

std::string describeStatus(int status) {
  if (WIFSIGNALED(status)) return std::string("ffmpeg was killed (") + strsignal(WTERMSIG(status)) + ")";
  return "ffmpeg failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

bool nonEmptyFile(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

// How much music before the start goes into the file: an MP3 frame leans on the frames before it (the
// bit reservoir, the overlapping transform), so a copy that began exactly at the start would decode its
// first 50 ms wrongly. Those frames get negative times, and the MP4's edit list skips them.
constexpr std::int32_t musicPrerollMs = 100;

std::vector<std::string> musicInput(const VideoSettings& settings) {
  const std::int32_t preroll = settings.reencodeAudio ? 0 : std::min(settings.musicStart, musicPrerollMs);
  std::vector<std::string> args;
  if (settings.musicStart > 0) args.insert(args.end(), {"-ss", number((settings.musicStart - preroll) / 1000.0)});
  if (preroll > 0) args.insert(args.end(), {"-itsoffset", number(-preroll / 1000.0)});
  // -t counts from the shifted start, so the preroll is not added to it.
  args.insert(args.end(), {"-t", number(settings.seconds), "-i", settings.music.string()});
  return args;
}

}  // namespace

std::vector<std::string> VideoWriter::command(const std::filesystem::path& path, const VideoSettings& settings) {
  std::vector<std::string> args{"ffmpeg",
                                "-hide_banner",
                                "-loglevel",
                                "error",
                                "-y",
                                "-f",
                                "rawvideo",
                                "-pixel_format",
                                "rgb24",
                                "-video_size",
                                std::to_string(settings.width) + "x" + std::to_string(settings.height),
                                "-framerate",
                                number(settings.fps),
                                "-i",
                                "-"};
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
    : output_(path), frameBytes_(std::size_t(settings.width) * settings.height * 3) {
  const std::filesystem::path& music = settings.music;
  if (!music.empty() && !std::filesystem::exists(music)) fail("the music " + music.string() + " is missing");
  messages_ = unnamedTemporary();
  int pipeFds[2];
  if (messages_ < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) fail(std::strerror(errno));
  std::vector<std::string> args = command(output_.temporary(), settings);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, messages_, STDERR_FILENO);
  const int spawned = ::posix_spawnp(&pid_, "ffmpeg", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[0]);
  input_ = pipeFds[1];
  if (spawned != 0) {
    pid_ = -1;
    fail(std::string("cannot start ffmpeg: ") + std::strerror(spawned));
  }
  std::signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a failed write, not a killed capture
}

VideoWriter::~VideoWriter() {
  stopFfmpeg();
  if (messages_ >= 0) ::close(messages_);
}

void VideoWriter::stopFfmpeg() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
}

// What ffmpeg said last, if anything.
std::string VideoWriter::ffmpegSaid() const {
  if (messages_ < 0) return "";
  std::string text;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(messages_, buffer, sizeof buffer, at);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  return lastLine(text);
}

void VideoWriter::fail(const std::string& what) const {
  const std::string said = ffmpegSaid();
  throw std::runtime_error("cannot write " + output_.target().string() + ": " + what +
                           (said.empty() ? "" : ": " + said));
}

// ffmpeg closed its input: it is ending (or has ended) with a reason of its own, given a moment.
std::string VideoWriter::whyFfmpegStopped() {
  for (int tries = 0; tries < 100; ++tries) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return describeStatus(status);
    }
    ::usleep(50000);
  }
  return "ffmpeg stopped taking frames";
}

void VideoWriter::write(const std::vector<std::uint8_t>& rgb) {
  if (rgb.size() != frameBytes_) fail("a frame has the wrong size");
  std::size_t done = 0;
  while (done < rgb.size()) {
    const ssize_t n = ::write(input_, rgb.data() + done, rgb.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(whyFfmpegStopped());
    done += static_cast<std::size_t>(n);
  }
}

void VideoWriter::finish() {
  ::close(input_);
  input_ = -1;
  int status = 0;
  const pid_t waited = ::waitpid(pid_, &status, 0);
  pid_ = -1;
  if (waited < 0) fail(std::strerror(errno));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(describeStatus(status));
  if (!nonEmptyFile(output_.temporary())) fail("ffmpeg wrote nothing");
  output_.commit();
}

}  // namespace capture
