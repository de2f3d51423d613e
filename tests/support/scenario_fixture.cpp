#include "tests/support/scenario_fixture.h"

#include <algorithm>
#include <cstring>

#include "platform/beeps.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/faults.h"
#include "platform/message_box.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/input.h"
#include "platform/wave_out.h"
#include "store/credential_set.h"
#include "store/credential_store.h"
#include "store/os_password_api.h"
#include "store/settings_model.h"
#include "store/settings_record.h"
#include "tests/support/run_scripted.h"

namespace testing_support {

namespace {
// The virtual clock starts well after boot, as a device that has run a while.
constexpr DWORD kStartTick = 3'600'000;
}  // namespace

void ScenarioTest::SetUp() {
  device_.emplace();
  platform::clock::UseVirtual(kStartTick);
  platform::ui::shell::Start();
  platform::message_box::SetAnswer(IDOK);
  platform::message_box::ClearRecorded();
  platform::beeps::Clear();
  waveOutSetVolume(nullptr, 0xFFFFFFFF);
  g_Settings = SettingsRecord{};
  WipeAllSecrets();
  module_.emplace();
  system_.emplace();
}

void ScenarioTest::TearDown() {
  system_.reset();
  module_.reset();
  // The next test's device loads its own copy of a component library, which
  // must find the window class names free.
  CoFreeUnusedLibraries();
  platform::faults::Clear();
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
  platform::ui::shell::Stop();
  platform::message_box::SetAnswer(IDOK);
  platform::clock::UseReal();
  device_.reset();
}

void ScenarioTest::Configure(const DeviceSetup& setup) {
  ASSERT_TRUE(system_->Set(u"", setup.user));
  g_Settings = SettingsRecord{};
  g_Settings.LogonMethod = setup.logonMethod;
  g_Settings.MaxFalseLogonRetries = setup.maxFalseLogons != 0 ? 1 : 0;
  if (setup.maxFalseLogons != 0) g_Settings.MaxFalseLogonRetriesValue = setup.maxFalseLogons;
  g_Settings.ActionAfterMaxFalseLogons = setup.actionAfterMax;
  g_Settings.DisplayOwnerInfo = setup.displayOwnerInfo;
  g_Settings.WelcomeText1 = setup.welcome1;
  g_Settings.WelcomeText2 = setup.welcome2;
  AssignSecret(g_strMasterPassword, setup.master);
  AssignSecret(g_strUserPassword, setup.user);
  AssignSecret(g_strSymbolPassword, setup.symbols);
  g_Settings.PictoSymbolset = setup.symbolSet;
  g_Settings.RandPictoOrder = setup.randomOrder;
  ASSERT_TRUE(SaveSettings(true, true));
  ASSERT_TRUE(WritePowerOnLogon(setup.powerOnLogon ? 1 : 0));
  ASSERT_TRUE(WritePasswordRedirect(u"\\Windows\\Password.cpl"));
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
}

std::optional<std::pair<std::u16string, std::u16string>> ScenarioTest::StoredPasswords() {
  WipeAllSecrets();
  if (!LoadCredentials()) return std::nullopt;
  auto result = std::make_pair(g_strMasterPassword, g_strUserPassword);
  WipeAllSecrets();
  return result;
}

std::optional<std::u16string> ScenarioTest::StoredSymbols() {
  WipeAllSecrets();
  if (!LoadCredentials()) return std::nullopt;
  std::u16string result = g_strSymbolPassword;
  WipeAllSecrets();
  return result;
}

std::u16string ScenarioTest::Text(UINT id) {
  LPCWSTR text = nullptr;
  const int length = LoadString(GetModuleHandle(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::u16string(text, static_cast<std::size_t>(length))
                                       : std::u16string();
}

std::optional<DWORD> ScenarioTest::RegDword(HKEY root, const char16_t* path, const char16_t* name) {
  DWORD type = 0;
  const auto bytes = testing_support::RegBytes(root, path, name, &type);
  if (!bytes || bytes->size() != 4 || type != REG_DWORD) return std::nullopt;
  DWORD value = 0;
  std::memcpy(&value, bytes->data(), 4);
  return value;
}

std::optional<DWORD> ScenarioTest::Retry() {
  return RegDword(HKEY_CURRENT_USER, kZentrakKey, u"Retry");
}

std::optional<ScenarioTest::DelayFields> ScenarioTest::DelayRecord() {
  DWORD type = 0;
  const auto bytes = testing_support::RegBytes(HKEY_CURRENT_USER, kZentrakKey, u"PwDelay", &type);
  if (!bytes) return std::nullopt;
  DelayFields fields;
  if (bytes->size() != 36 || type != REG_BINARY) return fields;
  std::memcpy(&fields.time, bytes->data() + 4, 4);
  std::memcpy(&fields.count, bytes->data() + 8, 4);
  std::memcpy(&fields.pending, bytes->data() + 12, 4);
  fields.wellFormed = std::memcmp(bytes->data(), "LRU0", 4) == 0 &&
                      std::all_of(bytes->begin() + 16, bytes->end(), [](BYTE b) { return b == 0; });
  return fields;
}

void ScenarioTest::Run(std::string_view script, const std::function<void()>& job) {
  RunScripted(script, job);
}

void ScenarioTest::Run(Script& script, const std::function<void()>& job) {
  RunScripted(script.User(), job);
}

std::optional<std::u16string> ScenarioTest::PromptUnder(std::string_view lines, HWND caller) {
  Script script(lines);
  return PromptUnder(script, caller);
}

std::optional<std::u16string> ScenarioTest::PromptUnder(Script& script, HWND caller) {
  std::optional<std::u16string> result;
  Run(script, [&] { result = module_->Prompt(caller); });
  return result;
}

Script& Script::Lines(std::string_view lines) {
  std::string error;
  if (!platform::ui::ParseScript(lines, &user_, &error))
    ADD_FAILURE() << "the script does not parse: " << error;
  return *this;
}

Script& Script::Then(std::function<void()> step) {
  user_.Then(std::move(step));
  return *this;
}

UINT TopmostTemplate() {
  return platform::ui::scripted_user::TemplateIdOf(platform::ui::scripted_user::TopmostWindow());
}

void LowerInputPanel() {
  namespace shell = platform::ui::shell;
  if (!shell::PanelUp()) return;
  const RECT button = shell::SipButtonRect();
  Require(button.right > button.left, "the input panel is up without its button");
  platform::ui::input::Tap((button.left + button.right) / 2, (button.top + button.bottom) / 2);
}

void Require(bool condition, const std::string& message) {
  if (!condition) platform::ui::FailScript(message);
}

}  // namespace testing_support
