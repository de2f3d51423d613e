// The alarm: a wave file looped at full volume, that can be made to
// resume after a restart until the next accepted logon.
#pragma once

#include "platform/system_names.h"
#include "platform/wave_out.h"
#include "platform/windef.h"

inline constexpr const WCHAR* kStopAlarmMessage = u"WM_STOP_ALARM";
inline constexpr DWORD kFullVolume = 0xFFFFFFFF;

extern HWAVEOUT g_hAlarmWaveOut;
extern DWORD g_dwSavedVolume;
extern bool g_bAlarmPlaying;

// 0 on success or when nothing had to be done, else the wave-output error.
MMRESULT AlarmPlay(LPCWSTR path, DWORD volume);
MMRESULT AlarmStart(bool persist);
void AlarmStop(bool clear);
void AlarmResume();
