#include "tests/support/process.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

// The file half of the test support: temporary folders, whole files, the build and source trees.
// Portable (the Windows build's tests use it too); the processes and displays are in process.cpp.

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device device;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("velmorrow-test-" + std::to_string(device()));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path binaryDir() { return VELMORROW_BINARY_DIR; }
fs::path sourceDir() { return VELMORROW_SOURCE_DIR; }

}  // namespace testsupport
