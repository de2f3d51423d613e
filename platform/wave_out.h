// Wave output: PCM playback with looping buffers and volume, over the
// host's sound card.
#pragma once

#include "platform/errors.h"
#include "platform/windef.h"

using MMRESULT = UINT;
struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;

inline constexpr WORD WAVE_FORMAT_PCM = 1;
inline constexpr WORD WAVE_FORMAT_GSM610 = 0x31;

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};

// A buffer handed to the device. On the handheld the record is 32 bytes;
// here the pointer fields are host pointers.
struct WAVEHDR {
  LPBYTE lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  std::uintptr_t dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  std::uintptr_t reserved;
};
inline constexpr DWORD WHDR_DONE = 0x00000001;
inline constexpr DWORD WHDR_PREPARED = 0x00000002;
inline constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
inline constexpr DWORD WHDR_ENDLOOP = 0x00000008;
inline constexpr DWORD WHDR_INQUEUE = 0x00000010;

inline constexpr UINT WAVE_MAPPER = 0xFFFFFFFF;
inline constexpr DWORD WAVE_FORMAT_QUERY = 0x00000001;
inline constexpr DWORD CALLBACK_NULL = 0x00000000;
inline constexpr DWORD CALLBACK_EVENT = 0x00050000;

UINT waveOutGetNumDevs();
// With WAVE_FORMAT_QUERY only asks whether the format is supported
// (`waveOut` may be null). With CALLBACK_EVENT, `callback` is an event
// handle that is signalled when a buffer is done. Only PCM formats open;
// others give WAVERR_BADFORMAT.
MMRESULT waveOutOpen(HWAVEOUT* waveOut, UINT deviceId, const WAVEFORMATEX* format,
                     std::uintptr_t callback, std::uintptr_t instance, DWORD flags);
MMRESULT waveOutClose(HWAVEOUT waveOut);
MMRESULT waveOutPrepareHeader(HWAVEOUT waveOut, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT waveOut, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT waveOut, WAVEHDR* header, UINT size);
MMRESULT waveOutReset(HWAVEOUT waveOut);
MMRESULT waveOutBreakLoop(HWAVEOUT waveOut);
// Volume: low word left, high word right, 0xFFFF full. A null handle means
// the whole wave output (all devices).
MMRESULT waveOutGetVolume(HWAVEOUT waveOut, DWORD* volume);
MMRESULT waveOutSetVolume(HWAVEOUT waveOut, DWORD volume);

namespace platform::wave_out {

// What the device is doing, for tests and the host: the open device's
// format, whether a looping buffer is playing, the device and master
// volumes, and how many sample bytes have been played.
struct Status {
  bool open = false;
  bool playing = false;
  bool looping = false;
  WAVEFORMATEX format{};
  DWORD deviceVolume = 0xFFFFFFFF;
  DWORD masterVolume = 0xFFFFFFFF;
  std::uint64_t bytesPlayed = 0;
};
Status CurrentStatus();

}  // namespace platform::wave_out
