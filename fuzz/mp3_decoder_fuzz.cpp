// Any bytes as a looping music stream: opening and decoding must neither crash nor spin.
#include "platform/mp3_decoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::SoundError error = platform::SoundError::none;
  auto decoder = platform::openMp3Decoder(std::vector<unsigned char>(data, data + size), 44100, true, error);
  if (!decoder) return 0;
  std::vector<std::int16_t> block(2 * 4096);
  for (int i = 0; i < 32 && !decoder->ended(); ++i) decoder->read(block.data(), 4096);
  return 0;
}
