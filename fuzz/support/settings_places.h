// Every registry value the settings load reads: the settings_values target
// feeds them, and the seed writer stores seeds in the same order.
#pragma once

#include "platform/registry.h"
#include "platform/system_names.h"
#include "res/registry_names.h"

namespace fuzz {

struct Place {
  HKEY root;
  LPCWSTR path;
  LPCWSTR name;
};

inline const Place kSettingsPlaces[] = {
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonMethod"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonActiveSync"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"RandPictoOrder"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"PictoSymbolset"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"MaxFalseLogonRetries"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"MaxFalseLogonRetriesValue"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ActionAfterMaxFalseLogons"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"AlarmSound"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"DisplayOwnerInfo"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"WelcomeText1"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"WelcomeText2"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ShowQuickAccess"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ActivationDelay"},
    {HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ActivationDelayValue"},
    {HKEY_CURRENT_USER, kOwnerKeyPath, u"Owner"},
    {HKEY_CURRENT_USER, kOwnerKeyPath, u"PowrPass"},
    {HKEY_CURRENT_USER, kShellPolicyKeyPath, u"ActivePeriod"},
};

}  // namespace fuzz
