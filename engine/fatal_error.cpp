#include "engine/fatal_error.h"

#include "engine/window.h"
#include "platform/program.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace engine {

namespace {

constexpr const char* reportFile = "error.txt";

// One line on standard error; once the display is given back, the same line where the user sees it
// (platform::showFailure).
void reportOnStandardError(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  giveDisplayBack();
  platform::showFailure(line);
}

[[noreturn]] void reportUnwritable() {
  reportOnStandardError(std::string("velmorrow: cannot write ") + reportFile + ": " + std::strerror(errno));
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

// The demo's own reports: error.txt for a fatal error, one line on standard error for an input error.
[[noreturn]] void reportInErrorTxt(const char* module, const char* message, const std::string&) {
  writeReport(module, message);
  giveDisplayBack();
  std::exit(0);
}

[[noreturn]] void reportUnreadable(const std::string& fileAndProblem) {
  reportOnStandardError("velmorrow: cannot read " + fileAndProblem);
  std::exit(1);
}

FailureReporter reporter{reportInErrorTxt, reportUnreadable};

}  // namespace

void fatalError(const char* module, const char* message) { fatalError(module, message, ""); }

void fatalError(const char* module, const char* message, const std::string& file) {
  reporter.fatal(module, message, file);
  std::abort();  // a host's reporter that returned broke its promise
}

void inputError(const std::string& fileAndProblem) {
  reporter.input(fileAndProblem);
  std::abort();
}

void setFailureReporter(const FailureReporter& replacement) { reporter = replacement; }

}  // namespace engine
