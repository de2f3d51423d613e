// What the logon benchmarks share: a temporary device configured as a
// finished installation wizard leaves it, Password.cpl loaded from it as
// the shell loads it, and the clocks and quantiles the figures are made of.
#pragma once

#include <openssl/crypto.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/cpu_clocks.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "res/resource_module.h"
#include "store/credential_set.h"
#include "store/os_password_api.h"
#include "store/settings_model.h"
#include "store/settings_record.h"

namespace logon_bench {

inline constexpr char16_t kUserPassword[] = u"user1234";
inline constexpr char kUserPasswordUtf8[] = "user1234";
inline constexpr char16_t kMasterPassword[] = u"Master#1";
// The symbol password of a device configured for method 1.
inline constexpr char16_t kSymbols[] = u"4711";
inline constexpr char kSymbolsDigits[] = "4711";

using bench_clocks::Seconds;

inline double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}

// Secrets and settings through the program's own copy of the store code,
// the system password through coredll's SetPassword, the power-on logon on
// and redirected to the module, logging on with `method`. The device must
// be open.
inline bool ConfigureDevice(DWORD method = 0) {
  g_hResourceModule = GetModuleHandle(nullptr);
  const HMODULE coredll = LoadLibrary(u"\\Windows\\coredll.dll");
  if (coredll == nullptr) return false;
  using SetFn = BOOL (*)(LPWSTR, LPWSTR);
  const auto setPassword = reinterpret_cast<SetFn>(GetProcAddress(coredll, "SetPassword"));
  std::u16string password(kUserPassword);
  const bool set = setPassword != nullptr && setPassword(nullptr, password.data()) != FALSE;
  OPENSSL_cleanse(password.data(), password.size() * sizeof(char16_t));
  FreeLibrary(coredll);
  if (!set) return false;

  g_Settings = SettingsRecord{};
  g_Settings.LogonMethod = method;
  AssignSecret(g_strMasterPassword, kMasterPassword);
  AssignSecret(g_strUserPassword, kUserPassword);
  AssignSecret(g_strSymbolPassword, kSymbols);
  const bool saved = SaveSettings(true, true) && WritePowerOnLogon(1) &&
                     WritePasswordRedirect(u"\\Windows\\Password.cpl");
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
  return saved;
}

// PromptForPasswd of the module installed in the device, loaded as the
// shell loads it; released with the object.
class LoadedModule {
 public:
  using PromptFn = LPWSTR (*)(HWND);

  LoadedModule() : module_(LoadLibrary(u"\\Windows\\Password.cpl")) {
    if (module_ != nullptr)
      prompt_ = reinterpret_cast<PromptFn>(GetProcAddress(module_, "PromptForPasswd"));
  }
  ~LoadedModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  PromptFn prompt() const { return prompt_; }

 private:
  HMODULE module_ = nullptr;
  PromptFn prompt_ = nullptr;
};

// True when the block PromptForPasswd returned holds the user password;
// the block is wiped and released either way.
inline bool TakeResult(LPWSTR result) {
  if (result == nullptr) return false;
  std::size_t length = 0;
  while (result[length] != 0) ++length;
  const bool accepted = std::u16string_view(result, length) == kUserPassword;
  OPENSSL_cleanse(result, length * sizeof(char16_t));
  LocalFree(result);
  return accepted;
}

}  // namespace logon_bench
