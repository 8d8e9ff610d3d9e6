// Writes a handful of small HWL files (grey and colour, several levels and value widths, one with
// uneven sizes) into the folder given, as the starting corpus of the reader's fuzz target.

#include "tests/hwl/file_builder.h"

#include <fstream>
#include <string>

struct Seed {
  int w, h, bits, L, k;
};

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::mt19937 random(1);
  int index = 0;
  for (const auto& [w, h, bits, L, k] :
       std::vector<Seed>{{8, 8, 8, 0, 8}, {16, 8, 24, 1, 5}, {13, 7, 24, 2, 3}, {32, 32, 8, 3, 1}, {4, 4, 24, 0, 8}}) {
    testhwl::FileSpec spec{w, h, bits, L, {}, "HWL"};
    for (int p = 0; p < (bits == 24 ? 3 : 1); ++p) {
      spec.planes.push_back(testhwl::pictureLikePlane(w, h, L, k, random));
    }
    const std::vector<std::uint8_t> file = testhwl::buildFile(spec);
    std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(index++) + ".hwl", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out) return 1;
  }
  return 0;
}
