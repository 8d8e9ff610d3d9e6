#pragma once
// The one way out for a failure the demo cannot continue from. fatalError writes "error.txt" in the
// current directory (four lines ended by CR LF: the apology, an empty line, the module, the message)
// before anything is torn down, then releases the context and window, gives the desktop its mode and
// cursor back if the demo was fullscreen, and ends the process with exit code 0: a fatal stop and a
// normal end look the same to whoever started the demo.
//
// If "error.txt" cannot be written, it says so in one line on standard error and exits with code 1,
// leaving the display to be released with the process.

namespace engine {

[[noreturn]] void fatalError(const char* module, const char* message);

}  // namespace engine
