#include "engine/fatal_error.h"

#include "engine/window.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace engine {

namespace {

constexpr const char* reportFile = "error.txt";

[[noreturn]] void reportUnwritable() {
  std::fprintf(stderr, "velmorrow: cannot write %s: %s\n", reportFile, std::strerror(errno));
  std::_Exit(1);
}

void writeLine(std::FILE* file, const char* text) {
  if (std::fputs(text, file) == EOF || std::fputs("\r\n", file) == EOF) reportUnwritable();
}

void writeReport(const char* module, const char* message) {
  std::FILE* file = std::fopen(reportFile, "wb");
  if (!file) reportUnwritable();
  writeLine(file, "Sorry, but the following module had something to say:");
  writeLine(file, "");
  writeLine(file, module);
  writeLine(file, message);
  if (std::fclose(file) != 0) reportUnwritable();
}

}  // namespace

void fatalError(const char* module, const char* message) {
  writeReport(module, message);
  const bool wasFullscreen = windowState.fullscreen;
  releaseDisplay();
  if (wasFullscreen) {
    platform::restoreDesktopMode(windowState.window);
    platform::showCursor(true);
  }
  platform::unregisterWindowClass();
  std::exit(0);
}

}  // namespace engine
