// The module as the shell meets it: Password.cpl loaded from the device's
// \Windows\ folder with its entry points resolved, and coredll's own
// password calls. The loaded module keeps its own globals; tests check its
// work through the registry, the object store, the system password and the
// screen.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/control_panel.h"
#include "platform/windef.h"

namespace testing_support {

class ModuleUnderTest {
 public:
  using PromptFn = LPWSTR (*)(HWND);
  using LockFn = LONG (*)();
  using WizardFn = LONG (*)(HWND);

  // Loads \Windows\Password.cpl; a missing module or entry fails the test.
  ModuleUnderTest();
  ~ModuleUnderTest();
  ModuleUnderTest(const ModuleUnderTest&) = delete;
  ModuleUnderTest& operator=(const ModuleUnderTest&) = delete;

  bool Loaded() const { return prompt_ && lock_ && wizard_ && applet_; }
  HMODULE Handle() const { return module_; }

  // PromptForPasswd as the shell calls it; the returned block is wiped and
  // released here. Nothing when the module returned null.
  std::optional<std::u16string> Prompt(HWND caller = nullptr) const;
  // The entry itself, for a caller that plays the shell's part with the
  // returned block (checks it, wipes it, frees it).
  PromptFn PromptEntry() const { return prompt_; }
  LONG Lock() const { return lock_(); }
  LONG InstallWizard(HWND caller = nullptr) const { return wizard_(caller); }
  LONG Applet(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0) const {
    return applet_(nullptr, message, lParam1, lParam2);
  }

 private:
  HMODULE module_ = nullptr;
  PromptFn prompt_ = nullptr;
  LockFn lock_ = nullptr;
  WizardFn wizard_ = nullptr;
  APPLET_PROC applet_ = nullptr;
};

// The system password through "coredll.dll", as the shell checks it and as
// another program would change it.
class SystemPassword {
 public:
  SystemPassword();
  ~SystemPassword();
  SystemPassword(const SystemPassword&) = delete;
  SystemPassword& operator=(const SystemPassword&) = delete;

  // coredll's CheckPassword; the empty text goes as null.
  bool Check(std::u16string_view password) const;
  // coredll's SetPassword (old, new); empty texts go as null.
  bool Set(std::u16string_view oldPassword, std::u16string_view newPassword) const;
  bool IsSet() const { return !Check(u""); }

 private:
  using SetFn = BOOL (*)(LPWSTR, LPWSTR);
  using CheckFn = BOOL (*)(LPWSTR);
  HMODULE coredll_ = nullptr;
  SetFn set_ = nullptr;
  CheckFn check_ = nullptr;
};

}  // namespace testing_support
