#include "store/settings_model.h"

#include <cstring>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/store_batch.h"
#include "platform/system_names.h"
#include "platform/wstring.h"
#include "store/credential_store.h"
#include "store/os_password_api.h"

namespace {

constexpr DWORD kOwnerRecordSize = 768;
constexpr std::size_t kOwnerNameOffset = 0;
constexpr std::size_t kOwnerCompanyOffset = 72;
constexpr std::size_t kOwnerAddressOffset = 144;
constexpr std::size_t kOwnerPhoneOffset = 516;
constexpr std::size_t kOwnerEmailOffset = 566;

DWORD DetectPlatformType() {
  OSVERSIONINFO version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionEx(&version) || version.dwMajorVersion != 3) return 1;
  WCHAR type[256] = {};  // 512 bytes
  if (!SystemParametersInfo(SPI_GETPLATFORMTYPE, sizeof(type), type, 0)) return 1;
  type[255] = 0;
  return std::u16string_view(type) == u"PocketPC" ? 2 : 1;
}

// The text of a UTF-16 field at `offset`, up to its first zero character or
// the end of the record.
std::u16string OwnerField(const BYTE* record, std::size_t offset) {
  std::u16string text;
  for (std::size_t at = offset; at + 1 < kOwnerRecordSize; at += 2) {
    WCHAR c = 0;
    std::memcpy(&c, record + at, sizeof(c));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

bool WriteOptionalString(HKEY key, LPCWSTR name, const std::u16string& value) {
  if (value.empty()) {
    // An empty text is stored as no value at all; a missing value is fine.
    RegDeleteValue(key, name);
    return true;
  }
  return WriteRegistryString(key, name, value);
}

}  // namespace

bool ReadOwnerInfo() {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kOwnerKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return false;
  BYTE record[kOwnerRecordSize] = {};
  DWORD size = kOwnerRecordSize;
  DWORD type = 0;
  if (RegQueryValueEx(key.Get(), u"Owner", nullptr, &type, record, &size) != ERROR_SUCCESS)
    return false;
  g_Settings.OwnerName = OwnerField(record, kOwnerNameOffset);
  g_Settings.OwnerCompany = OwnerField(record, kOwnerCompanyOffset);
  g_Settings.OwnerAddress = OwnerField(record, kOwnerAddressOffset);
  g_Settings.OwnerPhone = OwnerField(record, kOwnerPhoneOffset);
  g_Settings.OwnerEmail = OwnerField(record, kOwnerEmailOffset);
  return true;
}

bool LoadSettings(bool withSettings, bool withCredentials) {
  g_Settings.PlatformType = DetectPlatformType();

  if (withSettings) {
    CRegistryKey key;
    if (OpenRegistryKey(key, HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
      return false;
    SettingsRecord& s = g_Settings;
    const HKEY k = key.Get();
    if (!ReadRegistryDword(k, u"LogonMethod", &s.LogonMethod)) return false;
    ReadRegistryDword(k, u"LogonActiveSync", &s.LogonActiveSync);
    ReadRegistryDword(k, u"RandPictoOrder", &s.RandPictoOrder);
    ReadRegistryDword(k, u"PictoSymbolset", &s.PictoSymbolset);
    ReadRegistryDword(k, u"MaxFalseLogonRetries", &s.MaxFalseLogonRetries);
    ReadRegistryDword(k, u"MaxFalseLogonRetriesValue", &s.MaxFalseLogonRetriesValue);
    ReadRegistryDword(k, u"ActionAfterMaxFalseLogons", &s.ActionAfterMaxFalseLogons);
    ReadRegistryString(k, u"AlarmSound", &s.AlarmSound);
    ReadRegistryDword(k, u"DisplayOwnerInfo", &s.DisplayOwnerInfo);
    ReadRegistryString(k, u"WelcomeText1", &s.WelcomeText1);
    ReadRegistryString(k, u"WelcomeText2", &s.WelcomeText2);
    ReadOwnerInfo();
    ReadRegistryDword(k, u"ShowQuickAccess", &s.ShowQuickAccess);
    ReadRegistryDword(k, u"ActivationDelay", &s.ActivationDelay);
    ReadRegistryDword(k, u"ActivationDelayValue", &s.ActivationDelayValue);
    // While the delay is on, the OS's own period is the master copy.
    if (s.ActivationDelay != 0) ReadActivePeriod(&s.ActivationDelayValue);
    s.PowerOnLogon = ReadPowerOnLogon();
  }

  if (withCredentials && !LoadCredentials()) return false;
  return true;
}

bool SaveSettings(bool withSettings, bool withCredentials) {
  // The settings, their OS mirror and the secrets are stored together or
  // not at all: a power cut half way must not leave, say, a limit switched
  // on with the old limit value.
  CStoreBatch batch;
  if (withSettings) {
    CRegistryKey key;
    if (OpenRegistryKey(key, HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_ALL_ACCESS) !=
            ERROR_SUCCESS &&
        CreateRegistryKey(key, HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_ALL_ACCESS) !=
            ERROR_SUCCESS)
      return false;
    const SettingsRecord& s = g_Settings;
    const HKEY k = key.Get();
    // The first failing write ends the save, and the batch undoes the
    // ones before it.
    const bool written =
        WriteRegistryDword(k, u"LogonMethod", s.LogonMethod) &&
        WriteRegistryDword(k, u"LogonActiveSync", s.LogonActiveSync) &&
        WriteRegistryDword(k, u"RandPictoOrder", s.RandPictoOrder) &&
        WriteRegistryDword(k, u"PictoSymbolset", s.PictoSymbolset) &&
        WriteRegistryDword(k, u"MaxFalseLogonRetries", s.MaxFalseLogonRetries) &&
        WriteRegistryDword(k, u"MaxFalseLogonRetriesValue", s.MaxFalseLogonRetriesValue) &&
        WriteRegistryDword(k, u"ActionAfterMaxFalseLogons", s.ActionAfterMaxFalseLogons) &&
        // An empty alarm path keeps whatever path is stored.
        (s.AlarmSound.empty() || WriteRegistryString(k, u"AlarmSound", s.AlarmSound)) &&
        WriteRegistryDword(k, u"DisplayOwnerInfo", s.DisplayOwnerInfo) &&
        WriteOptionalString(k, u"WelcomeText1", s.WelcomeText1) &&
        WriteOptionalString(k, u"WelcomeText2", s.WelcomeText2) &&
        WriteRegistryDword(k, u"ShowQuickAccess", s.ShowQuickAccess) &&
        WriteRegistryDword(k, u"ActivationDelay", s.ActivationDelay) &&
        WriteRegistryDword(k, u"ActivationDelayValue", s.ActivationDelayValue);
    if (!written) return false;
    RegFlushKey(k);
    key.Close();
    WriteActivePeriod(s.ActivationDelay ? s.ActivationDelayValue : 0);
  }

  if (withCredentials && !SaveCredentials()) return false;
  return batch.Commit();
}

bool DeleteRegistryTree(HKEY root, LPCWSTR path) {
  if (path == nullptr) return false;
  CRegistryKey key;
  if (OpenRegistryKey(key, root, path, KEY_ALL_ACCESS) != ERROR_SUCCESS) return false;
  for (;;) {
    // Always subkey 0: each deletion moves the next one into its place.
    WCHAR name[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (RegEnumKeyEx(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (!DeleteRegistryTree(key.Get(), name)) return false;
  }
  key.Close();
  return RegDeleteKey(root, path) == ERROR_SUCCESS;
}
