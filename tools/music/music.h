#pragma once
// The demo's music: reads a score, plays it through the synthesizer and writes it as an MP3 file.
// The one entry point for tools that build the demo's data; the pieces (score reader, sequencer,
// synthesizer, effects, encoder) have headers of their own beside this one.
//
// The result is deterministic: the same score and the same build give the same bytes. The file is
// written under a temporary name beside the target and renamed into place once complete, so a failed
// run never leaves a partial file behind. A bad score throws ScoreError ("FILE:LINE: what"); a file
// that cannot be written throws common::OutputError ("cannot write FILE: REASON"), an encoder failure
// std::runtime_error.

#include "tools/music/score.h"

#include <filesystem>
#include <functional>
#include <string_view>

namespace music {

// Reports the stage ("rendering", "encoding") and the fraction of it done, 0 to 1.
using MusicProgress = std::function<void(std::string_view stage, double fraction)>;

void renderMusic(const std::filesystem::path& scorePath, const std::filesystem::path& mp3Path,
                 const MusicProgress& progress = {});

}  // namespace music
