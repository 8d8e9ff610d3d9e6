// The audible output on waveOut: the default wave device (WAVE_MAPPER) plays 16-bit stereo from a few
// buffers; a thread of ours waits for each one to come back done, mixes the next block into it and
// queues it again. The buffers start out silent, so while one is mixed the others are still queued:
// a block sounds (bufferCount - 1) blocks after the moment it was asked for.

#include "platform/sound_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr int bufferCount = 4;

struct Device {
  HWAVEOUT handle = nullptr;
  HANDLE bufferDone = nullptr;  // signalled by the device whenever a buffer comes back
  std::array<WAVEHDR, bufferCount> headers{};
  std::array<std::vector<std::int16_t>, bufferCount> buffers;
  int blockFrames = 0;
  MixCallback mix = nullptr;
  std::thread feeder;
  std::atomic<bool> stop{false};
};

Device device;

void queue(int index) {
  WAVEHDR& header = device.headers[static_cast<std::size_t>(index)];
  header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
  waveOutWrite(device.handle, &header, sizeof(WAVEHDR));
}

// Refills the buffers in the order they were queued, as each comes back.
void feed() {
  int next = 0;
  while (!device.stop) {
    WaitForSingleObject(device.bufferDone, 50);
    while (!device.stop && (device.headers[static_cast<std::size_t>(next)].dwFlags & WHDR_DONE)) {
      const SoundTime now = std::chrono::steady_clock::now();
      device.mix(device.buffers[static_cast<std::size_t>(next)].data(), device.blockFrames, now);
      queue(next);
      next = (next + 1) % bufferCount;
    }
  }
}

}  // namespace

bool openAudioDevice(int rate, int blockFrames, MixCallback mix) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  device.bufferDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!device.bufferDone) return false;
  if (waveOutOpen(&device.handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(device.bufferDone), 0,
                  CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    CloseHandle(device.bufferDone);
    device.handle = nullptr;
    device.bufferDone = nullptr;
    return false;
  }
  device.blockFrames = blockFrames;
  device.mix = mix;
  for (int i = 0; i < bufferCount; ++i) {
    auto& buffer = device.buffers[static_cast<std::size_t>(i)];
    buffer.assign(static_cast<std::size_t>(2 * blockFrames), 0);
    WAVEHDR& header = device.headers[static_cast<std::size_t>(i)];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(buffer.data());
    header.dwBufferLength = static_cast<DWORD>(buffer.size() * sizeof(std::int16_t));
    waveOutPrepareHeader(device.handle, &header, sizeof(WAVEHDR));
  }
  return true;
}

void startAudioDevice() {
  if (!device.handle || device.feeder.joinable()) return;
  device.stop = false;
  for (int i = 0; i < bufferCount; ++i) queue(i);  // silence first
  device.feeder = std::thread(feed);
}

void closeAudioDevice() {
  if (!device.handle) return;
  device.stop = true;
  SetEvent(device.bufferDone);
  if (device.feeder.joinable()) device.feeder.join();
  waveOutReset(device.handle);
  for (WAVEHDR& header : device.headers) waveOutUnprepareHeader(device.handle, &header, sizeof(WAVEHDR));
  waveOutClose(device.handle);
  CloseHandle(device.bufferDone);
  device.handle = nullptr;
  device.bufferDone = nullptr;
  device.mix = nullptr;
}

std::int64_t audioDeviceLatencyFrames() { return std::int64_t{bufferCount - 1} * device.blockFrames; }

}  // namespace platform
