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
    return reportFailure(tool, std::string(error.what()) + " (see " + tool + " --help)");
  }
  try {
    finishStandardOutput();
  } catch (const OutputError& error) {
    return reportFailure(tool, error.what());
  }
  return 0;
}

}  // namespace common
