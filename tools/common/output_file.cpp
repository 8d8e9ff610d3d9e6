#include "tools/common/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace common {

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  OutputFile file(path);
  file.write(bytes);
  file.commit();
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  OutputFile file(path);
  file.write(bytes);
  file.commit();
}

void finishStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    throw OutputError(std::string("cannot write to standard output: ") + std::strerror(errno != 0 ? errno : EIO));
  }
}

}  // namespace common
