#include "tools/common/output_file.h"

#include "tools/common/pending_temporaries.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace common {

namespace detail {

namespace {

constexpr int slotCount = 64;
std::array<std::atomic<char*>, slotCount> pendingTemporaries{};

}  // namespace

int registerTemporary(const std::string& path) {
  static std::once_flag once;
  std::call_once(once, installInterruptHandler);
  char* copy = static_cast<char*>(std::malloc(path.size() + 1));
  if (!copy) return -1;
  std::memcpy(copy, path.c_str(), path.size() + 1);
  for (int i = 0; i < slotCount; ++i) {
    char* empty = nullptr;
    if (pendingTemporaries[i].compare_exchange_strong(empty, copy)) return i;
  }
  std::free(copy);
  return -1;
}

void forgetTemporary(int slot) {
  if (slot >= 0) std::free(pendingTemporaries[slot].exchange(nullptr));
}

void forEachPendingTemporary(void (*remove)(const char* path)) {
  for (auto& slot : pendingTemporaries) {
    if (char* path = slot.load()) remove(path);
  }
}

bool writtenInPlace(const std::filesystem::path& target) {
  std::error_code error;
  const auto status = std::filesystem::status(target, error);
  return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

}  // namespace detail

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
