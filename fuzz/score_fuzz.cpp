// Fuzz target: the music score reader must turn any text into a score or a ScoreError, nothing else.

#include "tools/music/score.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    music::parseScore(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.score");
  } catch (const music::ScoreError&) {}
  return 0;
}
