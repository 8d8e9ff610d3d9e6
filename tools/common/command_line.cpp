#include "tools/common/command_line.h"

#include "tools/common/output_file.h"

#include <cstdio>

namespace common {

int reportFailure(const std::string& tool, const std::string& message) {
  std::string line = message;
  for (char& ch : line) {
    if (ch == '\n' || ch == '\r') ch = ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  std::fprintf(stderr, "%s: %s\n", tool.c_str(), line.c_str());
  return 1;
}

namespace {

// The first word that names no command, when APP takes commands and none was given ("texgen bogus").
std::optional<std::string> unknownCommand(const CLI::App& app) {
  const auto any = [](const CLI::App*) { return true; };
  if (app.get_subcommands(any).empty() || !app.get_subcommands().empty()) return std::nullopt;
  for (const std::string& word : app.remaining()) {
    if (!word.empty() && word.front() != '-') return word;
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv, const std::string& tool) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
  } catch (const CLI::CallForAllHelp&) {
    std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stdout);
  } catch (const CLI::CallForVersion& version) {
    std::fputs((std::string(version.what()) + "\n").c_str(), stdout);
  } catch (const CLI::ParseError& error) {
    const std::optional<std::string> command = unknownCommand(app);
    const std::string what = command ? "unknown command '" + *command + "'" : std::string(error.what());
    return reportFailure(tool, what + " (see " + tool + " --help)");
  }
  try {
    finishStandardOutput();
  } catch (const OutputError& error) {
    return reportFailure(tool, error.what());
  }
  return 0;
}

}  // namespace common
