#pragma once
// Test support: MP3 files the tests make themselves. Sound is generated as 16-bit PCM and encoded with
// LAME (constant bit rate, with the LAME/Info tag that tells decoders the encoder's delay and padding,
// so a gapless decoder gives back exactly the frames that went in).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct Pcm {
  int rate = 44100;
  int channels = 1;
  std::vector<std::int16_t> samples;  // interleaved
  std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

// A sine sweep from 200 Hz to 4 kHz at half scale that starts at full amplitude (cosine phase): no two
// stretches of it look alike, so a shifted copy never matches.
Pcm sweep(double seconds, int rate = 44100, int channels = 1);
Pcm silence(double seconds, int rate = 44100, int channels = 1);
Pcm join(const Pcm& first, const Pcm& second);

// The encoded file; kbps a standard MP3 bit rate, at least 64 (lower rates leave no room for the tag).
std::string encodeMp3(const Pcm& pcm, int kbps = 128);
void writeMp3(const std::filesystem::path& path, const Pcm& pcm, int kbps = 128);

// The music file of a demo run: `dir`/data/music.mp3, silent, `seconds` long, at a low bit rate.
void writeSilentMusic(const std::filesystem::path& dir, double seconds);

}  // namespace testsupport
