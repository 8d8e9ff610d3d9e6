#include "platform/mp3_layout.h"

#include <array>
#include <cstring>

namespace platform {

namespace {

constexpr std::array<int, 15> mpeg1Bitrates{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> mpeg2Bitrates{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr std::array<int, 3> mpeg1Rates{44100, 48000, 32000};
constexpr std::size_t searchBytes = 64 * 1024;

std::uint32_t bigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// An ID3v2 tag's whole length (header, body and footer), 0 if there is none.
std::size_t id3v2Length(std::span<const unsigned char> bytes) {
  if (bytes.size() < 10 || std::memcmp(bytes.data(), "ID3", 3) != 0) return 0;
  std::size_t size = 0;
  for (int i = 6; i < 10; ++i) size = (size << 7) | (bytes[static_cast<std::size_t>(i)] & 0x7F);
  const bool footer = (bytes[5] & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

// The LAME/Info tag in the first frame, if it is one: the frame count and the delay and padding.
bool readInfoTag(std::span<const unsigned char> frame, const Mp3FrameHeader& header, Mp3Layout& layout) {
  std::size_t at = 4 + static_cast<std::size_t>(header.sideInfoBytes);
  if (frame.size() < at + 8) return false;
  const bool xing = std::memcmp(&frame[at], "Xing", 4) == 0 || std::memcmp(&frame[at], "Info", 4) == 0;
  if (!xing) return false;
  const std::uint32_t flags = bigEndian32(&frame[at + 4]);
  at += 8;
  if (flags & 1) {
    if (frame.size() < at + 4) return true;
    layout.audioFrames = bigEndian32(&frame[at]);
    at += 4;
  }
  if (flags & 2) at += 4;    // byte count
  if (flags & 4) at += 100;  // seek table
  if (flags & 8) at += 4;    // quality
  // The encoder's extension: a 9-byte version, then at byte 21 the delay and padding, 12 bits each.
  if (!(flags & 1) || frame.size() < at + 24) return true;
  const unsigned char* lame = &frame[at];
  const bool known =
      std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lavc", 4) == 0 || std::memcmp(lame, "Lavf", 4) == 0;
  if (!known) return true;
  layout.encoderDelay = (lame[21] << 4) | (lame[22] >> 4);
  layout.encoderPadding = ((lame[22] & 0x0F) << 8) | lame[23];
  layout.gapless = true;
  return true;
}

}  // namespace

bool parseMp3FrameHeader(std::span<const unsigned char> bytes, Mp3FrameHeader& header) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return false;
  const int versionBits = (bytes[1] >> 3) & 3;
  const int layerBits = (bytes[1] >> 1) & 3;
  const int bitrateIndex = bytes[2] >> 4;
  const int rateIndex = (bytes[2] >> 2) & 3;
  if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  Mp3FrameHeader h;
  h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
  h.layer = 3;
  const bool mpeg1 = h.version == 1;
  h.bitrateKbps = (mpeg1 ? mpeg1Bitrates : mpeg2Bitrates)[static_cast<std::size_t>(bitrateIndex)];
  h.sampleRate = mpeg1Rates[static_cast<std::size_t>(rateIndex)] / (mpeg1 ? 1 : h.version == 2 ? 2 : 4);
  h.padding = ((bytes[2] >> 1) & 1) != 0;
  h.channels = (bytes[3] >> 6) == 3 ? 1 : 2;
  h.samplesPerFrame = mpeg1 ? 1152 : 576;
  h.length = (mpeg1 ? 144000 : 72000) * h.bitrateKbps / h.sampleRate + (h.padding ? 1 : 0);
  h.sideInfoBytes = mpeg1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
  header = h;
  return true;
}

bool findMp3Layout(std::span<const unsigned char> bytes, Mp3Layout& layout) {
  const std::size_t tag = id3v2Length(bytes);
  if (tag >= bytes.size()) return false;
  const std::size_t end = std::min(bytes.size(), tag + searchBytes);
  for (std::size_t at = tag; at + 4 <= end; ++at) {
    Mp3FrameHeader header;
    if (!parseMp3FrameHeader(bytes.subspan(at), header)) continue;
    layout = Mp3Layout{};
    layout.first = header;
    layout.audioStart = at;
    const std::size_t frameEnd = std::min(bytes.size(), at + static_cast<std::size_t>(header.length));
    if (readInfoTag(bytes.subspan(at, frameEnd - at), header, layout)) layout.audioStart = frameEnd;
    return true;
  }
  return false;
}

}  // namespace platform
