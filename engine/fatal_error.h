#pragma once
// The one way out for a failure the demo cannot continue from. fatalError writes "error.txt" in the
// current directory (four lines ended by CR LF: the apology, an empty line, the module, the message)
// before anything is torn down, then releases the context and window, gives the desktop its mode and
// cursor back if the demo was fullscreen, and ends the process with exit code 0: a fatal stop and a
// normal end look the same to whoever started the demo.
//
// If "error.txt" cannot be written, it says so in one line on standard error, gives the display back
// and exits with code 1. Lines on standard error also go where the user sees them once the display is
// given back (platform::showFailure: a message box on Windows).
//
// A picture that cannot be read (missing, cut short, too large for the memory there is) is an input
// error: inputError prints "velmorrow: cannot read FILE: PROBLEM" on standard error, gives the display
// back and exits with code 1.
//
// Other hosts: the capture tool runs the same start-up and frames but is not the demo and writes no
// error.txt. It installs a reporter of its own with setFailureReporter; the reporter's functions must
// not return (they end the process or throw). `file` names the file a report is about, where there is
// one ("" otherwise); error.txt does not show it, its four lines are fixed.

#include <string>

namespace engine {

struct FailureReporter {
  void (*fatal)(const char* module, const char* message, const std::string& file);
  void (*input)(const std::string& fileAndProblem);  // "FILE: PROBLEM"
};

[[noreturn]] void fatalError(const char* module, const char* message);
[[noreturn]] void fatalError(const char* module, const char* message, const std::string& file);
[[noreturn]] void inputError(const std::string& fileAndProblem);

// Replaces the demo's reporter for the rest of the process.
void setFailureReporter(const FailureReporter& reporter);

}  // namespace engine
