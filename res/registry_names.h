// The module's own registry key and the names of its values that more than
// one part of the system reads. The same key path is used under both roots:
// HKEY_LOCAL_MACHINE holds the settings, HKEY_CURRENT_USER the false-logon
// state (the counter, the delay record and the persisting alarm).
#pragma once

#include "platform/windef.h"

inline constexpr const WCHAR* kSettingsKeyPath = u"Software\\Vexlund\\Zentrak";
// HKEY_CURRENT_USER: false logons since the last accepted one (REG_DWORD).
inline constexpr const WCHAR* kFalseLogonCountName = u"Retry";
// HKEY_CURRENT_USER: the 36-byte delay record of the logon.
inline constexpr const WCHAR* kDelayRecordName = u"PwDelay";
