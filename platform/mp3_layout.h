#pragma once
// Where an MP3 file's audio is and how long it is meant to be: the first frame's header (after an
// ID3v2 tag, if any), and the LAME/Info tag frame with the encoder's delay and padding. Pure byte
// reading, for the backends whose decoders leave the gapless trim to us (the Audio Compression Manager on
// Windows; the browser's decoder, checked against it).

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

struct Mp3FrameHeader {
  int version = 1;  // 1: MPEG-1; 2: MPEG-2; 25: MPEG-2.5
  int layer = 3;
  int bitrateKbps = 0;
  int sampleRate = 0;
  int channels = 2;
  bool padding = false;
  int length = 0;           // bytes, header included
  int samplesPerFrame = 0;  // per channel
  int sideInfoBytes = 0;
};

// A valid header at `bytes` (free-format and reserved values are not).
bool parseMp3FrameHeader(std::span<const unsigned char> bytes, Mp3FrameHeader& header);

struct Mp3Layout {
  std::size_t audioStart = 0;  // the first frame of audio (after the tag frame, if there is one)
  Mp3FrameHeader first;        // the header of the first frame (the format of the stream)
  bool gapless = false;        // the tag gives the delay and padding:
  std::int64_t encoderDelay = 0;
  std::int64_t encoderPadding = 0;
  std::int64_t audioFrames = 0;  // frames of audio after the tag frame
  // Samples per channel the music holds (the decoder's output less delay and padding).
  std::int64_t musicSamples() const { return audioFrames * first.samplesPerFrame - encoderDelay - encoderPadding; }
};

// False if no layer 3 frame starts the audio (within the first 64 KiB after an ID3v2 tag).
bool findMp3Layout(std::span<const unsigned char> bytes, Mp3Layout& layout);

}  // namespace platform
