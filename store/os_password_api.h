// The hooks into the OS's own password state: the system password through
// "coredll.dll", the power-on flag, the password redirect, the activation
// period, and the registration of the signature control library.
#pragma once

#include <string_view>

#include "platform/windef.h"

// The entries of "coredll.dll" that the module calls. Null stands for the
// empty password; nonzero means success.
using PFN_SetPassword = BOOL (*)(LPWSTR oldPassword, LPWSTR newPassword);
using PFN_SetPasswordActive = BOOL (*)(BOOL active, LPWSTR password);

// "coredll.dll" loaded for as long as the object lives. A missing library or
// entry leaves the field null; the operations using it then fail.
class OsPasswordApi {
 public:
  OsPasswordApi();
  ~OsPasswordApi();
  OsPasswordApi(const OsPasswordApi&) = delete;
  OsPasswordApi& operator=(const OsPasswordApi&) = delete;

  HMODULE m_hCoreDll = nullptr;
  PFN_SetPassword m_pfnSetPassword = nullptr;
  PFN_SetPasswordActive m_pfnSetPasswordActive = nullptr;
};

// Nonzero when `password` is the OS password in force (set to itself, so it
// stays as it was). Empty passwords go to the OS as null.
BOOL VerifyOsPassword(const OsPasswordApi& api, std::u16string_view password);
BOOL ChangeOsPassword(const OsPasswordApi& api, std::u16string_view oldPassword,
                      std::u16string_view newPassword);
bool SetOsPasswordActive(const OsPasswordApi& api, std::u16string_view password, BOOL active);

// HKEY_CURRENT_USER "ControlPanel\Owner" "PowrPass": 1 when on, 0 when off,
// missing or unreadable.
DWORD ReadPowerOnLogon();
bool WritePowerOnLogon(DWORD on);
// HKEY_LOCAL_MACHINE "ControlPanel\Password" "Redirect" and "Group". An
// empty path removes the redirect.
bool WritePasswordRedirect(std::u16string_view path);
// HKEY_CURRENT_USER "...\Policies\Shell" "ActivePeriod"; the field is left
// as it was when the value can't be read.
bool ReadActivePeriod(DWORD* field);
bool WriteActivePeriod(DWORD minutes);

// Call the library's DllRegisterServer / DllUnregisterServer; true when it
// returned S_OK. The library is released again in every case.
bool RegisterSignatureControl(std::u16string_view path);
bool UnregisterSignatureControl(std::u16string_view path);
