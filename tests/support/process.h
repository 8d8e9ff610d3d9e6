#pragma once
// Test support for running the built programs as a user would: child processes with their own
// environment and working directory, an Xvfb server on a free display, xdotool, temporary folders.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// A folder under the system's temporary directory, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// The build tree (where the programs are) and the source tree.
std::filesystem::path binaryDir();
std::filesystem::path sourceDir();

struct ProcessOptions {
  std::filesystem::path workingDirectory;          // empty: the test's own
  std::map<std::string, std::string> environment;  // added to (or replacing in) the test's environment
  std::vector<std::string> unsetEnvironment;
};

struct ProcessResult {
  int exitCode = -1;  // the exit status, or 128 + signal if killed by a signal
  bool timedOut = false;
  std::string out;  // standard output
  std::string err;  // standard error
};

// A running child process whose standard output and error go to files read when it ends.
class Process {
 public:
  Process(const std::vector<std::string>& argv, const ProcessOptions& options = {});
  ~Process();  // kills the process if it still runs
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // Waits up to `timeout`; on time-out the process is killed and timedOut is set.
  ProcessResult wait(std::chrono::milliseconds timeout);
  void kill(int signal);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  TempDir outputs_;
};

ProcessResult run(const std::vector<std::string>& argv, const ProcessOptions& options = {},
                  std::chrono::milliseconds timeout = std::chrono::seconds(60));

// An X server without a screen, on a free display, for as long as the object lives.
class Xvfb {
 public:
  explicit Xvfb(const std::string& screen = "1024x768x24");
  // Another X server in Xvfb's place: its program and arguments ("-displayfd N" is added). Throws
  // std::runtime_error if it does not start.
  struct Server {
    std::vector<std::string> argv;
  };
  explicit Xvfb(const Server& server);
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  const std::string& display() const { return display_; }  // ":N"
  // Runs xdotool with these arguments on this display; returns its standard output.
  ProcessResult xdotool(const std::vector<std::string>& arguments,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  // Waits until a window whose name matches the regular expression exists; returns its id ("" if none
  // appeared in time).
  std::string waitForWindow(const std::string& namePattern,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  // Focuses the window and sends the keys to it (xdotool names: "Escape", "Return", "space", "alt+f").
  void sendKeys(const std::string& window, const std::vector<std::string>& keys) const;

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace testsupport
