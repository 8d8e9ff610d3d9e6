#pragma once
// The Windows demo under Wine, for the end-to-end tests: its command line (through scripts/wine-run,
// with the Windows build's Wine prefix), and pictures of an Xvfb screen.

#include "tests/support/process.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

// The demo in a Wine prefix of the Windows build's folder (made on first use), the build's own or
// `program`. Also ends any Wine program still running in that prefix (see wine_demo.cpp): tests that
// share a prefix run one at a time.
std::vector<std::string> windowsDemoCommand(const std::string& prefixName = "wine-prefix",
                                            const std::filesystem::path& program = {},
                                            const std::vector<std::string>& arguments = {});

// Another Windows program (a path, or a program of Wine's own such as "reg") in that prefix, beside
// whatever runs there.
std::vector<std::string> wineCommand(const std::string& prefixName, const std::string& program,
                                     const std::vector<std::string>& arguments);

std::filesystem::path windowsBuildDir();
std::string windowsPath(const std::filesystem::path& path);  // as Wine's Windows programs see it (Z:\\...)

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  std::array<int, 3> at(int x, int y) const;
};

// The window's area of the screen (empty if it could not be taken).
Screenshot captureWindow(const testsupport::Xvfb& x, const std::string& window);

// The message box the Windows demo shows a failure in: waits for a window titled "Velmorrow" other
// than `besides` (the demo's own window, gone by then), photographs it and closes it with Return.
// An empty picture if none appeared in time.
Screenshot closeFailureBox(const testsupport::Xvfb& x, const std::string& besides = "",
                           std::chrono::milliseconds timeout = std::chrono::seconds(60));

}  // namespace e2e
