// The audible output on SDL2 audio: the default device, which pulls a block per callback.

#include "platform/sound_device.h"

#include <SDL.h>

namespace platform {

namespace {

SDL_AudioDeviceID device = 0;
MixCallback mixer = nullptr;

void sdlCallback(void*, Uint8* bytes, int length) {
  const SoundTime now = std::chrono::steady_clock::now();
  mixer(reinterpret_cast<std::int16_t*>(bytes), length / 4, now);
}

}  // namespace

bool openAudioDevice(int rate, int blockFrames, MixCallback mix) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  mixer = mix;
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(blockFrames);
  want.callback = sdlCallback;
  SDL_AudioSpec have{};
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts to the device's format
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void startAudioDevice() { SDL_PauseAudioDevice(device, 0); }

void closeAudioDevice() {
  if (device == 0) return;
  SDL_CloseAudioDevice(device);  // waits for a running callback
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  device = 0;
}

// SDL's callback fills the block the device plays next.
std::int64_t audioDeviceLatencyFrames() { return 0; }

}  // namespace platform
