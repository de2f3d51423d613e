// Scenario tests of the module's entry points: a temporary device with the
// shell's windows, the virtual clock, Password.cpl loaded as the shell
// loads it and coredll's password calls. A person is played by the
// scripted user (run_scripted.h).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/system_names.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/windef.h"
#include "res/registry_names.h"
#include "tests/support/module_under_test.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace testing_support {

inline constexpr const char16_t* kZentrakKey = kSettingsKeyPath;
inline constexpr const char16_t* kOwnerKey = kOwnerKeyPath;
inline constexpr const char16_t* kPasswordKey = kPasswordKeyPath;

// How a device configured by the tests is set up (as the wizard leaves it,
// plus the settings a scenario needs).
struct DeviceSetup {
  std::u16string master = u"Master#1";
  std::u16string user = u"user1234";
  bool powerOnLogon = true;
  DWORD logonMethod = 0;
  DWORD maxFalseLogons = 0;  // 0: the limit is off
  DWORD actionAfterMax = 1;  // 1 alarm, 0 hard reset
  DWORD displayOwnerInfo = 0;
  std::u16string welcome1{};
  std::u16string welcome2{};
  std::u16string symbols{};  // the symbol password, digits
  DWORD symbolSet = 1;
  DWORD randomOrder = 0;
};

// A script built from lines of the script language and steps of the
// test's own, in order.
class Script {
 public:
  Script() = default;
  explicit Script(std::string_view lines) { Lines(lines); }
  Script& Lines(std::string_view lines);
  Script& Then(std::function<void()> step);
  platform::ui::ScriptedUser& User() { return user_; }

 private:
  platform::ui::ScriptedUser user_;
};

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Stores settings, secrets, the system password and the OS switches the
  // way a completed wizard leaves them (through the test program's own
  // copy of the store code, which shares the device).
  void Configure(const DeviceSetup& setup);

  // Deciphers the credential record with the test program's own store
  // code: {master, user}, or nothing when there is no record.
  std::optional<std::pair<std::u16string, std::u16string>> StoredPasswords();
  static std::optional<std::pair<std::u16string, std::u16string>> Passwords(std::u16string master,
                                                                            std::u16string user) {
    return std::make_pair(std::move(master), std::move(user));
  }
  // The stored symbol password, or nothing when there is no record.
  std::optional<std::u16string> StoredSymbols();

  static std::optional<Bytes> RegBytes(HKEY root, const char16_t* path, const char16_t* name) {
    return testing_support::RegBytes(root, path, name);
  }

  // The module's string `id` (the same table the loaded module uses).
  static std::u16string Text(UINT id);
  // A DWORD value, or nothing.
  static std::optional<DWORD> RegDword(HKEY root, const char16_t* path, const char16_t* name);
  // "Retry", and the "PwDelay" record's fields; nothing when absent.
  struct DelayFields {
    DWORD time = 0;
    DWORD count = 0;
    DWORD pending = 0;
    bool wellFormed = false;  // 36 bytes: tag "LRU0", zero reserved bytes
  };
  static std::optional<DWORD> Retry();
  static std::optional<DelayFields> DelayRecord();

  // Runs a job on the module under a script (a failed script fails the
  // test).
  void Run(std::string_view script, const std::function<void()>& job);
  void Run(Script& script, const std::function<void()>& job);
  // PromptForPasswd(caller) under a script; its result.
  std::optional<std::u16string> PromptUnder(std::string_view script, HWND caller = nullptr);
  std::optional<std::u16string> PromptUnder(Script& script, HWND caller = nullptr);

  std::optional<TempDevice> device_;
  std::optional<ModuleUnderTest> module_;
  std::optional<SystemPassword> system_;
};

// The template id of the topmost window and whether it is a message box,
// for Then steps.
UINT TopmostTemplate();
// What a person does to reach buttons under the input panel: taps the
// menu bar's input-panel button when the panel is up.
void LowerInputPanel();
// Stops the script with `message` when `condition` is false.
void Require(bool condition, const std::string& message);

}  // namespace testing_support
