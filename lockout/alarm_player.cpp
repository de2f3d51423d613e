#include "lockout/alarm_player.h"

#include <openssl/crypto.h>

#include <string>

#include "lockout/wave_file.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/ui/window/window.h"
#include "res/registry_names.h"
#include "res/string_ids.h"
#include "store/settings_record.h"
#include "store/show_error.h"

HWAVEOUT g_hAlarmWaveOut = nullptr;
DWORD g_dwSavedVolume = 0;
bool g_bAlarmPlaying = false;

namespace {

WAVEHDR g_alarmHeader{};
HANDLE g_hDoneEvent = nullptr;

// Opens the first device that accepts the format. Returns 0 or the last
// error (MMSYSERR_NODRIVER when there is no device).
MMRESULT OpenDevice(const WAVEFORMATEX* format) {
  MMRESULT last = MMSYSERR_NODRIVER;
  for (UINT device = 0; device < waveOutGetNumDevs(); ++device) {
    last = waveOutOpen(nullptr, device, format, 0, 0, WAVE_FORMAT_QUERY);
    if (last != MMSYSERR_NOERROR) continue;
    last = waveOutOpen(&g_hAlarmWaveOut, device, format,
                       reinterpret_cast<std::uintptr_t>(g_hDoneEvent), 0, CALLBACK_EVENT);
    if (last == MMSYSERR_NOERROR) return MMSYSERR_NOERROR;
    g_hAlarmWaveOut = nullptr;
  }
  return last;
}

void ReleaseSampleBuffer() {
  if (g_alarmHeader.lpData != nullptr) {
    OPENSSL_cleanse(g_alarmHeader.lpData, g_alarmHeader.dwBufferLength);
    LocalFree(g_alarmHeader.lpData);
  }
  g_alarmHeader.lpData = nullptr;
}

}  // namespace

MMRESULT AlarmPlay(LPCWSTR path, DWORD volume) {
  if (g_hAlarmWaveOut != nullptr) return MMSYSERR_NOERROR;
  // Nothing waits on the event; it is kept for the process like the
  // handheld keeps it.
  if (g_hDoneEvent == nullptr) g_hDoneEvent = CreateEvent(nullptr, FALSE, FALSE, u"DONE_EVENT");

  CWaveFile wave;
  if (!wave.Open(path) && !wave.Open(kDefaultAlarmFile)) return MMSYSERR_NOERROR;

  const MMRESULT opened = OpenDevice(wave.GetFormat());
  if (opened != MMSYSERR_NOERROR) return opened;

  const MMRESULT volumeRead = waveOutGetVolume(g_hAlarmWaveOut, &g_dwSavedVolume);
  if (volumeRead != MMSYSERR_NOERROR) return volumeRead;
  waveOutSetVolume(nullptr, volume);
  waveOutSetVolume(g_hAlarmWaveOut, volume);

  g_alarmHeader = WAVEHDR{};
  const DWORD size = wave.GetDataSize();
  auto* samples = static_cast<BYTE*>(LocalAlloc(LPTR, size == 0 ? 1 : size));
  if (samples == nullptr) {
    // Without a buffer there is nothing to play: give the device back.
    waveOutClose(g_hAlarmWaveOut);
    g_hAlarmWaveOut = nullptr;
    return MMSYSERR_NOMEM;
  }
  g_alarmHeader.lpData = samples;
  g_alarmHeader.dwBufferLength = size;
  g_alarmHeader.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  g_alarmHeader.dwLoops = 0xFFFFFFFF;
  wave.ReadSamples(samples, size);  // a short file leaves silence
  MMRESULT result = waveOutPrepareHeader(g_hAlarmWaveOut, &g_alarmHeader, sizeof(g_alarmHeader));
  const MMRESULT written = waveOutWrite(g_hAlarmWaveOut, &g_alarmHeader, sizeof(g_alarmHeader));
  if (result == MMSYSERR_NOERROR) result = written;
  return result;
}

MMRESULT AlarmStart(bool persist) {
  const MMRESULT played = AlarmPlay(g_Settings.AlarmSound.c_str(), kFullVolume);
  if (played != MMSYSERR_NOERROR) {
    if (!persist) return played;
    g_Settings.AlarmSound = kDefaultAlarmFile;
    AlarmPlay(g_Settings.AlarmSound.c_str(), kFullVolume);
  }
  g_bAlarmPlaying = true;
  if (!persist) return MMSYSERR_NOERROR;

  LONG error = ERROR_SUCCESS;
  CRegistryKey key;
  error = OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS);
  if (error != ERROR_SUCCESS)
    error = CreateRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS);
  if (error == ERROR_SUCCESS && !g_Settings.AlarmSound.empty() &&
      !WriteRegistryString(key.Get(), u"ContinueAlarm", g_Settings.AlarmSound))
    error = static_cast<LONG>(GetLastError());
  DWORD stored = 0;
  // Only the first persistent start saves the volume to restore.
  if (error == ERROR_SUCCESS && !ReadRegistryDword(key.Get(), u"DefaultVolume", &stored) &&
      !WriteRegistryDword(key.Get(), u"DefaultVolume", g_dwSavedVolume))
    error = static_cast<LONG>(GetLastError());
  key.Close();
  if (error != ERROR_SUCCESS) {
    ShowError(GetActiveWindow(), IDS_GENERAL_ERROR, static_cast<int>(error), MB_ICONHAND);
    return static_cast<MMRESULT>(error);
  }
  return MMSYSERR_NOERROR;
}

void AlarmStop(bool clear) {
  if (clear) {
    CRegistryKey key;
    if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS) ==
        ERROR_SUCCESS) {
      ReadRegistryDword(key.Get(), u"DefaultVolume", &g_dwSavedVolume);
      RegDeleteValue(key.Get(), u"DefaultVolume");
      RegDeleteValue(key.Get(), u"ContinueAlarm");
    }
  }
  if (g_hAlarmWaveOut == nullptr) return;
  waveOutBreakLoop(g_hAlarmWaveOut);
  waveOutReset(g_hAlarmWaveOut);
  waveOutUnprepareHeader(g_hAlarmWaveOut, &g_alarmHeader, sizeof(g_alarmHeader));
  waveOutSetVolume(g_hAlarmWaveOut, g_dwSavedVolume);
  waveOutSetVolume(nullptr, g_dwSavedVolume);
  waveOutClose(g_hAlarmWaveOut);
  ReleaseSampleBuffer();
  g_hAlarmWaveOut = nullptr;
  g_bAlarmPlaying = false;
}

void AlarmResume() {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return;
  std::u16string path;
  if (ReadRegistryString(key.Get(), u"ContinueAlarm", &path)) g_Settings.AlarmSound = path;
  DWORD volume = 0;
  if (ReadRegistryDword(key.Get(), u"DefaultVolume", &volume)) {
    g_dwSavedVolume = volume;
    if (!g_Settings.AlarmSound.empty()) AlarmPlay(g_Settings.AlarmSound.c_str(), kFullVolume);
  }
}
