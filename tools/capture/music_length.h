#pragma once
// How long a music file really plays: MP3 decoded to its end (libmpg123, gapless), so a cut-short file
// counts only what is left of it, whatever its header promised. The capture tool warns when the music
// ends before the frames of a video do.

#include <filesystem>
#include <optional>

namespace capture {

// Seconds of sound, or nothing when the file cannot be read or holds no MP3 audio (ffmpeg then has its
// say about it).
std::optional<double> musicSeconds(const std::filesystem::path& music);

}  // namespace capture
