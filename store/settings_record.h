// The one process-wide settings record. Field names are the names of their
// registry values under HKEY_LOCAL_MACHINE kSettingsKeyPath.
#pragma once

#include <string>

#include "platform/system_names.h"
#include "platform/windef.h"

struct SettingsRecord {
  DWORD LogonMethod = 0;  // 0 password, 1 symbols, 2 signature
  DWORD LogonActiveSync = 1;
  DWORD RandPictoOrder = 0;
  DWORD PictoSymbolset = 1;
  DWORD MaxFalseLogonRetries = 1;
  DWORD MaxFalseLogonRetriesValue = 5;
  DWORD ActionAfterMaxFalseLogons = 1;  // 1 alarm, 0 hard reset
  std::u16string AlarmSound = kDefaultAlarmFile;
  DWORD DisplayOwnerInfo = 1;
  std::u16string WelcomeText1;
  std::u16string WelcomeText2;
  DWORD ShowQuickAccess = 1;
  DWORD ActivationDelay = 0;
  DWORD ActivationDelayValue = 5;

  // Not stored under the settings key.
  DWORD PowerOnLogon = 1;  // mirror of the OS "PowrPass" flag
  DWORD PlatformType = 1;  // 2 on a Pocket PC with OS major version 3
  std::u16string OwnerName;
  std::u16string OwnerCompany;
  std::u16string OwnerAddress;
  std::u16string OwnerPhone;
  std::u16string OwnerEmail;

  bool operator==(const SettingsRecord&) const = default;
};

extern SettingsRecord g_Settings;
