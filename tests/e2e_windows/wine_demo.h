#pragma once
// The Windows demo under Wine, for the end-to-end tests: its command line (through scripts/wine-run,
// with the Windows build's Wine prefix), and pictures of an Xvfb screen.

#include "tests/support/process.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// The demo in a Wine prefix of the Windows build's folder (made on first use). Also ends any Wine
// program still running in that prefix (see wine_demo.cpp): tests that share a prefix run one at a time.
std::vector<std::string> windowsDemoCommand(const std::string& prefixName = "wine-prefix");

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  std::array<int, 3> at(int x, int y) const;
};

// The window's area of the screen (empty if it could not be taken).
Screenshot captureWindow(const testsupport::Xvfb& x, const std::string& window);

}  // namespace e2e
