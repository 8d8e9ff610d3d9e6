#include "tools/music/music.h"

#include "tools/music/mp3_encoder.h"
#include "tools/music/renderer.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace music {

namespace {

void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::filesystem::path temporary = path;
  temporary += ".part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw std::runtime_error(path.string() + ": cannot write the file");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) throw std::runtime_error(path.string() + ": cannot write the file (" + error.message() + ")");
}

}  // namespace

void renderMusic(const std::filesystem::path& scorePath, const std::filesystem::path& mp3Path,
                 const MusicProgress& progress) {
  const Score score = readScore(scorePath);
  const Song song = renderScore(score, [&](double fraction) {
    if (progress) progress("rendering", fraction);
  });
  const std::vector<unsigned char> mp3 = encodeMp3(song.left, song.right, [&](double fraction) {
    if (progress) progress("encoding", fraction);
  });
  writeFile(mp3Path, mp3);
}

}  // namespace music
