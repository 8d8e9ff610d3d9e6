// The command line of every tool, read the same way: a mistake is one line on standard error that starts
// with the tool's name, and the exit status is 1; --help prints the help to standard output (checked)
// and ends the run with 0. A tool with commands (texgen render ...) names a word that is none of them.

#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace common {

// Reads the command line into APP's options. Returns the exit status when the run is over (after
// --help, or a mistake already reported), and nothing when the tool should go on.
std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv, const std::string& tool);

// One line on standard error: "TOOL: MESSAGE". Returns 1, the status of every failure.
int reportFailure(const std::string& tool, const std::string& message);

}  // namespace common
