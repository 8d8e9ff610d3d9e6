// OutputFile on Windows: a new file beside the target (CreateFileA with CREATE_NEW), moved over it with
// MoveFileExA, and a console handler that removes the temporaries of a run stopped with Ctrl+C.

#include "tools/common/output_file.h"

#include "tools/common/pending_temporaries.h"

#include <windows.h>

#include <atomic>

namespace common {

namespace {

void removeFile(const char* path) { ::DeleteFileA(path); }

BOOL WINAPI removeTemporariesOnStop(DWORD) {
  detail::forEachPendingTemporary(removeFile);
  return FALSE;  // the process ends as it would have
}

std::string describe(DWORD error) {
  char text[512] = {};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = std::string("error ").append(std::to_string(error));
  return message;
}

[[noreturn]] void fail(const std::filesystem::path& path, DWORD error) {
  throw OutputError("cannot write " + path.string() + ": " + describe(error));
}

HANDLE handleOf(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

void detail::installInterruptHandler() { ::SetConsoleCtrlHandler(removeTemporariesOnStop, TRUE); }

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {
  std::error_code error;
  if (std::filesystem::is_directory(target_, error)) fail(target_, ERROR_DIRECTORY);
  if (detail::writtenInPlace(target_)) {
    openInPlace();
    return;
  }
  std::filesystem::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string hidden = ".";
    hidden += target_.stem().string();
    hidden += '.';  // appended piece by piece: GCC 12 at -O3 warns falsely on "." + string
    hidden += std::to_string(::GetCurrentProcessId());
    hidden += '-';
    hidden += std::to_string(counter++);
    hidden += target_.extension().string();
    temporary_ = folder / hidden;
    const HANDLE handle = ::CreateFileA(temporary_.string().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      file_ = reinterpret_cast<std::intptr_t>(handle);
      slot_ = detail::registerTemporary(temporary_.string());
      return;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) fail(target_, ::GetLastError());
  }
  fail(target_, ERROR_FILE_EXISTS);
}

// A device (NUL, a console) is written as it is: it cannot be replaced.
void OutputFile::openInPlace() {
  const HANDLE handle = ::CreateFileA(target_.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) fail(target_, ::GetLastError());
  file_ = reinterpret_cast<std::intptr_t>(handle);
  temporary_ = target_;
  inPlace_ = true;
}

OutputFile::~OutputFile() {
  if (file_ != -1) ::CloseHandle(handleOf(file_));
  if (!committed_ && !inPlace_ && !temporary_.empty()) ::DeleteFileA(temporary_.string().c_str());
  detail::forgetTemporary(slot_);
}

void OutputFile::write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(handleOf(file_), bytes, chunk, &written, nullptr)) fail(target_, ::GetLastError());
    if (written == 0) fail(target_, ERROR_WRITE_FAULT);
    bytes += written;
    size -= written;
  }
}

void OutputFile::commit() {
  const BOOL closed = ::CloseHandle(handleOf(file_));
  file_ = -1;
  if (!closed) fail(target_, ::GetLastError());
  if (!inPlace_ && !::MoveFileExA(temporary_.string().c_str(), target_.string().c_str(), MOVEFILE_REPLACE_EXISTING)) {
    fail(target_, ::GetLastError());
  }
  committed_ = true;
}

}  // namespace common
