#pragma once
// The music and the demo clock: the demo's one MP3 stream, played looping through the sound library
// (platform/sound.h), and its playback position in milliseconds, which is the demo clock. With music
// on the stream plays on the audible output; with music off on the silent output, where the position
// runs in real time all the same, so the demo runs and ends exactly as with music.
//
// The clock starts at or near 0 when initMusic returns, never runs backwards and keeps counting when
// the music loops, so a music file shorter than the demo still takes the demo to its end.
//
// Failures: initMusic either plays or ends the process through fatalError with module "FMOD" and
// fmodErrorString of the sound library's last error code ("Error initializing output device" when the
// audible output has no device, "File not found", "Unknown file format", "Error loading file", ...).
// It is called once, after loading; doneMusic once at shutdown.

#include <cstdint>

namespace engine {

void initMusic(const char* fileName, bool musicOn);
std::int32_t musicTime();  // the stream position in milliseconds
void doneMusic();

// The text for a sound library error code; "Unknown error" outside 0 to 18.
const char* fmodErrorString(std::int32_t code);

}  // namespace engine
