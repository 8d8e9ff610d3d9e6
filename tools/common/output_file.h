// Files a tool writes, whole or not at all.
//
// An OutputFile writes to a temporary file in the target's folder (".NAME.XXXXXX.EXT", so a program
// that picks a format by extension, such as ffmpeg, can write it too) and renames it over the target
// only in commit(), after every write and the close have been checked. Until then the target keeps its
// old contents. A temporary that is not committed is removed: by the destructor on an error, and by
// a handler for SIGINT, SIGTERM and SIGHUP when the run is interrupted.
//
// A target that exists and is not a plain file (a device such as /dev/null, a pipe) is written in
// place. Failures throw OutputError with one line: the path and the reason (strerror).

#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace common {

struct OutputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class OutputFile {
 public:
  explicit OutputFile(std::filesystem::path target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::filesystem::path& target() const { return target_; }
  // Where the bytes go until commit(); another program may write this path instead of write().
  const std::filesystem::path& temporary() const { return temporary_; }

  void write(const void* data, std::size_t size);
  void write(std::span<const std::uint8_t> bytes) { write(bytes.data(), bytes.size()); }
  void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }

  // Closes the temporary and renames it over the target.
  void commit();

 private:
  void openInPlace();

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::intptr_t file_ = -1;  // the open file: a descriptor, or a HANDLE on Windows
  int slot_ = -1;            // the temporary's entry in the interrupt handler's list
  bool committed_ = false;
  bool inPlace_ = false;
};

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Flushes standard output and throws OutputError ("standard output: REASON") if any write to it failed.
void finishStandardOutput();

}  // namespace common
