#include "tests/support/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> childEnvironment(const ProcessOptions& options) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const auto equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& name : options.unsetEnvironment) variables.erase(name);
  for (const auto& [name, value] : options.environment) variables[name] = value;
  std::vector<std::string> result;
  for (const auto& [name, value] : variables) result.push_back(name + "=" + value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (auto& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

void redirect(const fs::path& file, int target) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd >= 0) {
    ::dup2(fd, target);
    ::close(fd);
  }
}

int decodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

Process::Process(const std::vector<std::string>& argv, const ProcessOptions& options) {
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = childEnvironment(options);
  std::vector<char*> argp = pointers(arguments);
  std::vector<char*> envp = pointers(environment);
  const fs::path out = outputs_ / "stdout";
  const fs::path err = outputs_ / "stderr";
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::setpgid(0, 0);
    redirect(out, STDOUT_FILENO);
    redirect(err, STDERR_FILENO);
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
    if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0) ::_exit(126);
    ::execvpe(argp[0], argp.data(), envp.data());
    std::fprintf(stderr, "cannot run %s: %s\n", argp[0], std::strerror(errno));
    ::_exit(127);
  }
}

Process::~Process() {
  if (running()) {
    kill(SIGKILL);
    wait(5s);
  }
}

bool Process::running() {
  if (status_ || pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
  return !status_;
}

void Process::kill(int signal) {
  if (running()) ::kill(-pid_, signal);  // the whole process group
}

ProcessResult Process::wait(std::chrono::milliseconds timeout) {
  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (running() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  if (running()) {
    result.timedOut = true;
    kill(SIGKILL);
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_) status_ = status;
  }
  result.exitCode = status_ ? decodeStatus(*status_) : -1;
  result.out = readFile(outputs_ / "stdout");
  result.err = readFile(outputs_ / "stderr");
  return result;
}

ProcessResult run(const std::vector<std::string>& argv, const ProcessOptions& options,
                  std::chrono::milliseconds timeout) {
  Process process(argv, options);
  return process.wait(timeout);
}

Xvfb::Xvfb(const std::string& screen)
    : Xvfb(Server{{"Xvfb", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}}) {}

Xvfb::Xvfb(const Server& server) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> args = server.argv;
  args.insert(args.end(), {"-displayfd", std::to_string(fds[1])});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::close(fds[0]);
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, STDIN_FILENO);
    ::dup2(devnull, STDOUT_FILENO);
    ::dup2(devnull, STDERR_FILENO);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) {
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    throw std::runtime_error(server.argv.front() + " did not start");
  }
  display_ = ":" + number;
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

ProcessResult Xvfb::xdotool(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return run(argv, ProcessOptions{{}, {{"DISPLAY", display_}}, {}}, timeout);
}

std::string Xvfb::waitForWindow(const std::string& namePattern, std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const ProcessResult found = xdotool({"search", "--onlyvisible", "--name", namePattern}, 5s);
    std::istringstream ids(found.out);
    std::string id;
    if (found.exitCode == 0 && (ids >> id)) return id;
    std::this_thread::sleep_for(100ms);
  }
  return {};
}

void Xvfb::sendKeys(const std::string& window, const std::vector<std::string>& keys) const {
  xdotool({"windowfocus", "--sync", window});
  for (const std::string& key : keys) xdotool({"key", "--clearmodifiers", key});
}

}  // namespace testsupport
