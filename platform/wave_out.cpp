// Wave output over SDL2 audio. One device ("the sound card"); a buffer
// written with the loop flags repeats until the loop is broken or the
// device is reset. The SDL callback mixes the buffer at the device and
// master volumes.
#include "platform/wave_out.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/faults.h"
#include "platform/kernel.h"

namespace {

constexpr DWORD kEndless = 0xFFFFFFFF;

struct Device {
  std::mutex lock;
  bool sdlReady = false;
  bool sdlTried = false;
  SDL_AudioDeviceID sdl = 0;
  bool open = false;
  WAVEFORMATEX format{};
  HANDLE doneEvent = nullptr;
  WAVEHDR* current = nullptr;
  DWORD offset = 0;
  DWORD loopsLeft = 0;
  DWORD deviceVolume = 0xFFFFFFFF;
  DWORD masterVolume = 0xFFFFFFFF;
  std::uint64_t bytesPlayed = 0;
};

Device& TheDevice() {
  static Device device;
  return device;
}

// The opaque handle of the one device.
HWAVEOUT DeviceHandle() {
  return reinterpret_cast<HWAVEOUT>(std::uintptr_t{0x5A5A0001});
}

bool EnsureSdlAudio(Device& d) {
  if (d.sdlTried) return d.sdlReady;
  d.sdlTried = true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    d.sdlReady = true;
    return true;
  }
  // A machine without a sound card still plays, silently, so the alarm
  // logic behaves the same everywhere.
  SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
  d.sdlReady = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  return d.sdlReady;
}

bool UsingSilentDriver() {
  const char* driver = SDL_GetCurrentAudioDriver();
  return driver != nullptr && std::string_view(driver) == "dummy";
}

bool FaultHit(const char* call, MMRESULT* result) {
  DWORD error = 0;
  if (!platform::faults::Check(call, &error)) return false;
  *result = error == 0 ? MMSYSERR_ERROR : static_cast<MMRESULT>(error);
  return true;
}

bool SupportedFormat(const WAVEFORMATEX* f) {
  if (f == nullptr || f->wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f->nChannels < 1 || f->nChannels > 2) return false;
  if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
  if (f->nSamplesPerSec < 4000 || f->nSamplesPerSec > 96000) return false;
  return f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

// Scales one channel's sample by the 16-bit volume of that channel.
int Scale(int sample, DWORD volume, bool right) {
  const int level = static_cast<int>(right ? (volume >> 16) : (volume & 0xFFFF));
  return static_cast<int>(static_cast<std::int64_t>(sample) * level / 0xFFFF);
}

void Finish(Device& d) {
  if (d.current != nullptr) {
    d.current->dwFlags = (d.current->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    d.current = nullptr;
  }
  if (d.doneEvent != nullptr) SetEvent(d.doneEvent);
}

void AudioCallback(void*, Uint8* stream, int length) {
  Device& d = TheDevice();
  std::lock_guard guard(d.lock);
  const bool eightBit = d.format.wBitsPerSample == 8;
  std::fill(stream, stream + length, eightBit ? 0x80 : 0);
  int at = 0;
  while (at < length && d.current != nullptr && d.current->dwBufferLength > 0) {
    const DWORD available = d.current->dwBufferLength - d.offset;
    const int take = static_cast<int>(std::min<DWORD>(available, static_cast<DWORD>(length - at)));
    const BYTE* source = d.current->lpData + d.offset;
    const DWORD volume = d.deviceVolume;
    const DWORD master = d.masterVolume;
    const int channels = d.format.nChannels;
    if (eightBit) {
      for (int i = 0; i < take; ++i) {
        const bool right = channels == 2 && (i % 2) == 1;
        const int centred = static_cast<int>(source[i]) - 128;
        stream[at + i] =
            static_cast<Uint8>(Scale(Scale(centred, volume, right), master, right) + 128);
      }
    } else {
      for (int i = 0; i + 1 < take; i += 2) {
        const bool right = channels == 2 && ((i / 2) % 2) == 1;
        const auto sample = static_cast<std::int16_t>(source[i] | (source[i + 1] << 8));
        const auto scaled =
            static_cast<std::int16_t>(Scale(Scale(sample, volume, right), master, right));
        stream[at + i] = static_cast<Uint8>(scaled & 0xFF);
        stream[at + i + 1] = static_cast<Uint8>((scaled >> 8) & 0xFF);
      }
    }
    at += take;
    d.offset += static_cast<DWORD>(take);
    d.bytesPlayed += static_cast<std::uint64_t>(take);
    if (d.offset < d.current->dwBufferLength) continue;
    d.offset = 0;
    if (d.loopsLeft == kEndless) continue;
    if (d.loopsLeft > 0) {
      --d.loopsLeft;
      continue;
    }
    Finish(d);
  }
}

MMRESULT CheckHandle(HWAVEOUT waveOut, Device& d) {
  if (waveOut != DeviceHandle() || !d.open) return MMSYSERR_INVALHANDLE;
  return MMSYSERR_NOERROR;
}

// Runs `body` on the open device under its lock. An injected fault for
// `call` or a handle that is not the open device's is returned instead.
template <class Body>
MMRESULT OnOpenDevice(const char* call, HWAVEOUT waveOut, Body body) {
  MMRESULT fault = 0;
  if (FaultHit(call, &fault)) return fault;
  Device& d = TheDevice();
  std::lock_guard guard(d.lock);
  if (const MMRESULT r = CheckHandle(waveOut, d); r != MMSYSERR_NOERROR) return r;
  return body(d);
}

}  // namespace

UINT waveOutGetNumDevs() {
  MMRESULT ignored = 0;
  if (FaultHit("waveOutGetNumDevs", &ignored)) return 0;
  Device& d = TheDevice();
  std::lock_guard guard(d.lock);
  return EnsureSdlAudio(d) ? 1 : 0;
}

MMRESULT waveOutOpen(HWAVEOUT* waveOut, UINT deviceId, const WAVEFORMATEX* format,
                     std::uintptr_t callback, std::uintptr_t, DWORD flags) {
  MMRESULT fault = 0;
  if (FaultHit("waveOutOpen", &fault)) return fault;
  Device& d = TheDevice();
  std::unique_lock guard(d.lock);
  if (!EnsureSdlAudio(d)) return MMSYSERR_NODRIVER;
  if (deviceId != 0 && deviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
  if (!SupportedFormat(format)) return WAVERR_BADFORMAT;
  if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  if (waveOut == nullptr) return MMSYSERR_INVALPARAM;
  if (d.open) return MMSYSERR_ALLOCATED;

  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(format->nSamplesPerSec);
  wanted.format = format->wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  wanted.channels = static_cast<Uint8>(format->nChannels);
  wanted.samples = 1024;
  wanted.callback = AudioCallback;
  SDL_AudioSpec obtained{};
  d.format = *format;
  guard.unlock();
  SDL_AudioDeviceID sdl = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (sdl == 0 && !UsingSilentDriver()) {
    // A driver that initialises but has no card to open: play silently.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
      sdl = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  }
  guard.lock();
  if (sdl == 0) return MMSYSERR_ALLOCATED;
  d.sdl = sdl;
  d.open = true;
  d.current = nullptr;
  d.offset = 0;
  d.doneEvent =
      (flags & CALLBACK_EVENT) == CALLBACK_EVENT ? reinterpret_cast<HANDLE>(callback) : nullptr;
  *waveOut = DeviceHandle();
  guard.unlock();
  SDL_PauseAudioDevice(sdl, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT waveOut) {
  SDL_AudioDeviceID sdl = 0;
  const MMRESULT r = OnOpenDevice("waveOutClose", waveOut, [&](Device& d) -> MMRESULT {
    if (d.current != nullptr) return WAVERR_STILLPLAYING;
    sdl = d.sdl;
    d.sdl = 0;
    d.open = false;
    d.doneEvent = nullptr;
    return MMSYSERR_NOERROR;
  });
  if (r != MMSYSERR_NOERROR) return r;
  // Outside the lock: closing waits for the audio callback, which takes it.
  SDL_CloseAudioDevice(sdl);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT waveOut, WAVEHDR* header, UINT size) {
  return OnOpenDevice("waveOutPrepareHeader", waveOut, [&](Device&) -> MMRESULT {
    if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT waveOut, WAVEHDR* header, UINT size) {
  return OnOpenDevice("waveOutUnprepareHeader", waveOut, [&](Device&) -> MMRESULT {
    if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutWrite(HWAVEOUT waveOut, WAVEHDR* header, UINT size) {
  return OnOpenDevice("waveOutWrite", waveOut, [&](Device& d) -> MMRESULT {
    if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (d.current != nullptr) return WAVERR_STILLPLAYING;  // one buffer at a time
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    const bool looped =
        (header->dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) == (WHDR_BEGINLOOP | WHDR_ENDLOOP);
    // dwLoops counts plays; the loop counter here counts repeats after the first.
    d.loopsLeft = !looped                       ? 0
                  : header->dwLoops == kEndless ? kEndless
                                                : (header->dwLoops > 0 ? header->dwLoops - 1 : 0);
    d.offset = 0;
    d.current = header;
    if (header->dwBufferLength == 0) Finish(d);
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutBreakLoop(HWAVEOUT waveOut) {
  return OnOpenDevice("waveOutBreakLoop", waveOut, [&](Device& d) -> MMRESULT {
    d.loopsLeft = 0;
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutReset(HWAVEOUT waveOut) {
  return OnOpenDevice("waveOutReset", waveOut, [&](Device& d) -> MMRESULT {
    Finish(d);
    d.offset = 0;
    d.loopsLeft = 0;
    return MMSYSERR_NOERROR;
  });
}

MMRESULT waveOutGetVolume(HWAVEOUT waveOut, DWORD* volume) {
  MMRESULT fault = 0;
  if (FaultHit("waveOutGetVolume", &fault)) return fault;
  if (volume == nullptr) return MMSYSERR_INVALPARAM;
  Device& d = TheDevice();
  std::lock_guard guard(d.lock);
  if (waveOut == nullptr) {
    *volume = d.masterVolume;
    return MMSYSERR_NOERROR;
  }
  if (const MMRESULT r = CheckHandle(waveOut, d); r != MMSYSERR_NOERROR) return r;
  *volume = d.deviceVolume;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT waveOut, DWORD volume) {
  MMRESULT fault = 0;
  if (FaultHit("waveOutSetVolume", &fault)) return fault;
  Device& d = TheDevice();
  std::lock_guard guard(d.lock);
  if (waveOut == nullptr) {
    d.masterVolume = volume;
    return MMSYSERR_NOERROR;
  }
  if (const MMRESULT r = CheckHandle(waveOut, d); r != MMSYSERR_NOERROR) return r;
  d.deviceVolume = volume;
  return MMSYSERR_NOERROR;
}

namespace platform::wave_out {

Status CurrentStatus() {
  Device& d = TheDevice();
  std::lock_guard guard(d.lock);
  Status s;
  s.open = d.open;
  s.playing = d.current != nullptr;
  s.looping = d.current != nullptr && d.loopsLeft == kEndless;
  s.format = d.format;
  s.deviceVolume = d.deviceVolume;
  s.masterVolume = d.masterVolume;
  s.bytesPlayed = d.bytesPlayed;
  return s;
}

}  // namespace platform::wave_out
