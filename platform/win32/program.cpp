// The program's surroundings on Windows: velmorrow.exe is a GUI program, so standard error reaches
// nobody and failures also go into a message box; Explorer and shortcuts may start it in any folder, so
// its data folder is also looked for beside the program (GetModuleFileNameW).

#include "platform/program.h"

#include <windows.h>

#include <string>

namespace platform {

namespace {

// The program's narrow strings are in the ANSI code page, as the C library's and the "A" functions'
// file names are: UTF-8 where the manifest's activeCodePage is honoured (Windows 10 1903 and later).
std::wstring wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
  return result;
}

std::string narrow(const std::wstring& text) {
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr, nullptr);
  return result;
}

bool isFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring fullPath(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring result(length, L'\0');
  result.resize(GetFullPathNameW(path.c_str(), length, result.data(), nullptr));
  return result;
}

// The folder "data" beside the running program.
std::wstring dataBesideProgram() {
  std::wstring program(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length == 0) return L"";
    if (length < program.size()) {
      program.resize(length);
      break;
    }
    program.resize(program.size() * 2);
  }
  return program.substr(0, program.find_last_of(L"\\/") + 1) + L"data";
}

}  // namespace

std::string findDataFolder(std::string& looked) {
  const std::wstring inWorkingFolder = fullPath(L"data");
  if (isFolder(inWorkingFolder)) return "data";  // relative, as the reports name the files
  const std::wstring besideProgram = dataBesideProgram();
  if (!besideProgram.empty() && isFolder(besideProgram)) return narrow(besideProgram);
  looked = narrow(inWorkingFolder);
  if (!besideProgram.empty() &&
      CompareStringOrdinal(inWorkingFolder.c_str(), -1, besideProgram.c_str(), -1, TRUE) != CSTR_EQUAL) {
    looked += " and " + narrow(besideProgram);
  }
  return "";
}

// A quit message still queued (the dialog's Go! leaves one) would end the box's modal loop at once: the
// process ends after the box, so it is taken off first.
void showFailure(const std::string& text) {
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  MessageBoxW(nullptr, wide(text).c_str(), L"Velmorrow", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace platform
