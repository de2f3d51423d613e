#include "store/os_password_api.h"

#include <array>
#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/errors.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/secret_buffer.h"
#include "platform/system_names.h"

namespace {

// Largest "PowrPass" value that is still read.
constexpr DWORD kMaxPowerOnBytes = 1000;
// The redirect path: 259 characters and the terminator.
constexpr std::size_t kRedirectBufferBytes = 520;

// A password as the OS wants it: a writable, terminated copy, or null when
// it is empty. The copy is wiped when the argument goes away. A copy the
// heap had no room for is not ready: it must not be passed on as null,
// which would stand for the empty password.
class OsPasswordArg {
 public:
  explicit OsPasswordArg(std::u16string_view password) {
    if (password.empty()) return;
    m_bReady = m_text.Allocate((password.size() + 1) * sizeof(WCHAR));
    if (m_bReady) std::memcpy(m_text.Data(), password.data(), password.size() * sizeof(WCHAR));
  }

  bool IsReady() const { return m_bReady; }
  LPWSTR get() { return reinterpret_cast<LPWSTR>(m_text.Data()); }

 private:
  CSecretBuffer m_text;
  bool m_bReady = true;
};

// Loads the library at `path`, calls its registration entry `entry` and
// releases it again; true when the entry returned S_OK.
bool CallRegistrationEntry(std::u16string_view path, const char* entry) {
  const std::u16string file(path);
  HMODULE library = LoadLibrary(file.c_str());
  if (library == nullptr) return false;
  using PFN_DllRegistration = HRESULT (*)();
  auto call = reinterpret_cast<PFN_DllRegistration>(GetProcAddress(library, entry));
  if (call == nullptr) {
    FreeLibrary(library);
    return false;
  }
  const HRESULT result = call();
  FreeLibrary(library);
  return result == S_OK;
}

// The OS's own keys are opened where they are and made where they are not.
bool OpenOrCreate(CRegistryKey& key, HKEY root, LPCWSTR path) {
  return OpenRegistryKey(key, root, path, KEY_ALL_ACCESS) == ERROR_SUCCESS ||
         CreateRegistryKey(key, root, path, KEY_ALL_ACCESS) == ERROR_SUCCESS;
}

}  // namespace

OsPasswordApi::OsPasswordApi() {
  m_hCoreDll = LoadLibrary(u"coredll.dll");
  if (m_hCoreDll == nullptr) return;
  m_pfnSetPassword = reinterpret_cast<PFN_SetPassword>(GetProcAddress(m_hCoreDll, "SetPassword"));
  m_pfnSetPasswordActive =
      reinterpret_cast<PFN_SetPasswordActive>(GetProcAddress(m_hCoreDll, "SetPasswordActive"));
}

OsPasswordApi::~OsPasswordApi() {
  if (m_hCoreDll != nullptr) FreeLibrary(m_hCoreDll);
}

BOOL VerifyOsPassword(const OsPasswordApi& api, std::u16string_view password) {
  return ChangeOsPassword(api, password, password);
}

BOOL ChangeOsPassword(const OsPasswordApi& api, std::u16string_view oldPassword,
                      std::u16string_view newPassword) {
  if (api.m_pfnSetPassword == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  // Each text in its own copy (the same text twice, too): the OS may write
  // into either.
  OsPasswordArg oldArg(oldPassword);
  OsPasswordArg newArg(newPassword);
  if (!oldArg.IsReady() || !newArg.IsReady()) return FALSE;
  return api.m_pfnSetPassword(oldArg.get(), newArg.get());
}

bool SetOsPasswordActive(const OsPasswordApi& api, std::u16string_view password, BOOL active) {
  if (api.m_pfnSetPasswordActive == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  OsPasswordArg arg(password);
  if (!arg.IsReady()) return false;
  return api.m_pfnSetPasswordActive(active, arg.get()) != FALSE;
}

DWORD ReadPowerOnLogon() {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kOwnerKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return 0;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueEx(key.Get(), u"PowrPass", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return 0;
  if (size == 0 || size > kMaxPowerOnBytes) return 0;
  std::array<BYTE, kMaxPowerOnBytes> buffer{};
  if (RegQueryValueEx(key.Get(), u"PowrPass", nullptr, &type, buffer.data(), &size) !=
      ERROR_SUCCESS)
    return 0;
  return buffer[0] != 0 ? 1 : 0;
}

bool WritePowerOnLogon(DWORD on) {
  CRegistryKey key;
  if (!OpenOrCreate(key, HKEY_CURRENT_USER, kOwnerKeyPath)) return false;
  const BYTE value = on != 0 ? 2 : 0;
  return RegSetValueEx(key.Get(), u"PowrPass", 0, REG_BINARY, &value, 1) == ERROR_SUCCESS;
}

bool WritePasswordRedirect(std::u16string_view path) {
  // A longer path would have to be cut, and a cut path names some other
  // file: refuse it rather than redirect the shell there.
  if (path.size() + 1 > kRedirectBufferBytes / sizeof(WCHAR)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::array<WCHAR, kRedirectBufferBytes / sizeof(WCHAR)> buffer{};
  path.copy(buffer.data(), path.size());
  const DWORD bytes = static_cast<DWORD>((path.size() + 1) * sizeof(WCHAR));

  CRegistryKey key;
  if (!OpenOrCreate(key, HKEY_LOCAL_MACHINE, kPasswordKeyPath)) return false;
  if (path.empty()) {
    // Removing the redirect succeeds whether or not it was there.
    RegDeleteValue(key.Get(), u"Redirect");
    WriteRegistryDword(key.Get(), u"Group", 0);
    return true;
  }
  if (RegSetValueEx(key.Get(), u"Redirect", 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer.data()),
                    bytes) != ERROR_SUCCESS)
    return false;
  return WriteRegistryDword(key.Get(), u"Group", 1);
}

bool ReadActivePeriod(DWORD* field) {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kShellPolicyKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return false;
  return ReadRegistryDword(key.Get(), u"ActivePeriod", field);
}

bool WriteActivePeriod(DWORD minutes) {
  CRegistryKey key;
  if (!OpenOrCreate(key, HKEY_CURRENT_USER, kShellPolicyKeyPath)) return false;
  return WriteRegistryDword(key.Get(), u"ActivePeriod", minutes);
}

bool RegisterSignatureControl(std::u16string_view path) {
  return CallRegistrationEntry(path, "DllRegisterServer");
}

bool UnregisterSignatureControl(std::u16string_view path) {
  const bool result = CallRegistrationEntry(path, "DllUnregisterServer");
  // The control may have left component objects behind; let the runtime go
  // of them, whether or not the library could be loaded.
  CoUninitialize();
  CoFreeUnusedLibraries();
  return result;
}
