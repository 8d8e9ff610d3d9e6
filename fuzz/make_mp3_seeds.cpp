// Writes a few short MP3 files into the folder given, as the starting corpus of the decoder's fuzz target.
#include "tests/support/mp3.h"

#include <filesystem>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  testsupport::writeMp3(dir / "mono.mp3", testsupport::sweep(0.1), 64);
  testsupport::writeMp3(dir / "stereo.mp3", testsupport::sweep(0.1, 44100, 2), 128);
  testsupport::writeMp3(dir / "low-rate.mp3", testsupport::sweep(0.1, 22050), 64);
  return 0;
}
