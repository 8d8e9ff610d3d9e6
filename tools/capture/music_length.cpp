#include "tools/capture/music_length.h"

#include "platform/mp3_decoder.h"

#include <array>
#include <vector>

namespace capture {

std::optional<double> musicSeconds(const std::filesystem::path& music) {
  constexpr int rate = 44100;
  std::vector<unsigned char> bytes;
  if (platform::readSoundFile(music.c_str(), 0, 0, bytes) != platform::SoundError::none) return std::nullopt;
  platform::SoundError error = platform::SoundError::none;
  const auto decoder = platform::openMp3Decoder(std::move(bytes), rate, false, error);
  if (!decoder) return std::nullopt;
  std::array<std::int16_t, 2 * 4096> stereo{};
  std::size_t frames = 0;
  while (!decoder->ended()) {
    const std::size_t read = decoder->read(stereo.data(), stereo.size() / 2);
    frames += read;
    if (read == 0) break;
  }
  if (frames == 0) return std::nullopt;
  return static_cast<double>(frames) / rate;
}

}  // namespace capture
