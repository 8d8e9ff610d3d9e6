// Reading a sound file on a POSIX file system (Linux, and the browser's file system under emscripten).

#include "platform/mp3_decoder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct FileDescriptor {
  int fd;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

SoundError openError(int error) {
  return error == ENOENT || error == ENOTDIR ? SoundError::fileNotFound : SoundError::fileBad;
}

bool readFully(int fd, std::int64_t offset, std::vector<unsigned char>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset) + done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;  // the file shrank since it was measured: keep what is there
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return true;
}

}  // namespace

SoundError readSoundFile(const char* fileName, std::int64_t offset, std::int64_t length,
                         std::vector<unsigned char>& bytes) {
  if (!fileName || offset < 0 || length < 0) return SoundError::invalidParam;
  const FileDescriptor file{::open(fileName, O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return openError(errno);
  struct stat info {};
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return SoundError::fileBad;
  const std::int64_t size = info.st_size;
  if (offset > size || length > size - offset) return SoundError::invalidParam;
  const std::int64_t take = length > 0 ? length : size - offset;
  if (take > maxFileBytes) return SoundError::memory;
  bytes.assign(static_cast<std::size_t>(take), 0);
  return readFully(file.fd, offset, bytes) ? SoundError::none : SoundError::fileBad;
}

}  // namespace platform
