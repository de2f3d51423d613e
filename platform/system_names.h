// Names the module and the host must agree on: the system's own registry
// keys they both read or write, and where the installed libraries live.
// Each is defined here once.
#pragma once

#include "platform/windef.h"

// HKEY_CURRENT_USER: the owner record ("Owner") and the power-on password
// flag ("PowrPass").
inline constexpr const WCHAR* kOwnerKeyPath = u"ControlPanel\\Owner";
// HKEY_LOCAL_MACHINE: the logon module the shell calls ("Redirect") and
// whether the group password is in force ("Group").
inline constexpr const WCHAR* kPasswordKeyPath = u"ControlPanel\\Password";
// HKEY_CURRENT_USER: the idle time after which the shell locks
// ("ActivePeriod", in minutes).
inline constexpr const WCHAR* kShellPolicyKeyPath =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Shell";

// The logon module as installed, and the signature component beside it.
inline constexpr const WCHAR* kInstalledModulePath = u"\\Windows\\Password.cpl";
inline constexpr const WCHAR* kSignatureComponentPath = u"\\Windows\\Panel.ocx";
// The alarm sound every device has in ROM.
inline constexpr const WCHAR* kDefaultAlarmFile = u"\\Windows\\Alarm1.wav";
