// OutputFile on POSIX systems: mkostemps beside the target, rename over it, a signal handler for
// interrupted runs.

#include "tools/common/output_file.h"

#include "tools/common/pending_temporaries.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace common {

namespace {

void removeFile(const char* path) { ::unlink(path); }

extern "C" void removeTemporariesAndDie(int signalNumber) {
  detail::forEachPendingTemporary(removeFile);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
  throw OutputError("cannot write " + path.string() + ": " + std::strerror(error));
}

}  // namespace

void detail::installInterruptHandler() {
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    if (::sigaction(signalNumber, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
    action = {};
    action.sa_handler = removeTemporariesAndDie;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, nullptr);
  }
}

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {
  std::error_code error;
  // A link is followed, so that the file it names gets the new contents.
  if (std::filesystem::is_symlink(target_, error)) target_ = std::filesystem::weakly_canonical(target_, error);
  if (detail::writtenInPlace(target_)) {
    openInPlace();
    return;
  }
  std::filesystem::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  const std::string extension = target_.extension().string();
  std::string hidden = ".";  // appended piece by piece: GCC 12 at -O3 warns falsely on "." + string
  hidden += target_.stem().string();
  hidden += ".XXXXXX";
  hidden += extension;
  const std::string pattern = (folder / hidden).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  file_ = ::mkostemps(name.data(), static_cast<int>(extension.size()), O_CLOEXEC);
  if (file_ < 0) fail(target_, errno);
  temporary_ = name.data();
  slot_ = detail::registerTemporary(temporary_.string());
  // mkstemp makes the file 0600; give it the mode an ordinary new file would have.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(file_, 0666 & ~mask);
}

// A device, a pipe or anything else that is not a plain file is written as it is: it cannot be
// replaced, and renaming over it would remove it.
void OutputFile::openInPlace() {
  if (std::filesystem::is_directory(target_)) fail(target_, EISDIR);
  file_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (file_ < 0) fail(target_, errno);
  temporary_ = target_;
  inPlace_ = true;
}

OutputFile::~OutputFile() {
  if (file_ >= 0) ::close(file_);
  if (!committed_ && !inPlace_) ::unlink(temporary_.c_str());
  detail::forgetTemporary(slot_);
}

void OutputFile::write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(file_, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(target_, n < 0 ? errno : EIO);
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

void OutputFile::commit() {
  const int closed = ::close(file_);
  file_ = -1;
  if (closed != 0) fail(target_, errno);
  if (!inPlace_ && std::rename(temporary_.c_str(), target_.c_str()) != 0) fail(target_, errno);
  committed_ = true;
}

}  // namespace common
