#pragma once
// Inside the sound library: the audible output's device, one per backend (SDL2 audio in
// sdl/sound_device.cpp, waveOut in win32/sound_device.cpp). Not for use outside platform/.
//
// The device plays 16-bit signed stereo at the rate it was opened with and asks for its blocks by
// calling `mix` from a thread of its own, with the time of the request. Each call means that every
// frame handed over before it has been played, except the latencyFrames the device still holds queued
// behind them: the block being mixed starts to sound latencyFrames after the frames counted so far.

#include "platform/sound_clock.h"

#include <cstdint>

namespace platform {

using MixCallback = void (*)(std::int16_t* stereo, std::int64_t frames, SoundTime now);

bool openAudioDevice(int rate, int blockFrames, MixCallback mix);  // false: no device
void startAudioDevice();
void closeAudioDevice();  // waits for a running callback; safe when none is open
std::int64_t audioDeviceLatencyFrames();

}  // namespace platform
