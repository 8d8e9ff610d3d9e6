#include "tools/music/music.h"

#include "tools/common/output_file.h"
#include "tools/music/mp3_encoder.h"
#include "tools/music/renderer.h"

namespace music {

void renderMusic(const std::filesystem::path& scorePath, const std::filesystem::path& mp3Path,
                 const MusicProgress& progress) {
  const Score score = readScore(scorePath);
  const Song song = renderScore(score, [&](double fraction) {
    if (progress) progress("rendering", fraction);
  });
  const std::vector<unsigned char> mp3 = encodeMp3(song.left, song.right, [&](double fraction) {
    if (progress) progress("encoding", fraction);
  });
  if (mp3Path.has_parent_path()) std::filesystem::create_directories(mp3Path.parent_path());
  common::writeFileAtomically(mp3Path, std::span<const std::uint8_t>(mp3.data(), mp3.size()));
}

}  // namespace music
