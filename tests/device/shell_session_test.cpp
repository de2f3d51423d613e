// The device shell around a password module: the fail-closed unlock with a
// stand-in module, the first boot, reboots and resets, the power cycle with
// the active period; the home screen's date, time, owner and entries.
#include "device/shell_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "device/home_screen.h"
#include "device/script_device_lines.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/ui/script/script.h"
#include "platform/ui/shell/shell_internal.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "tests/support/module_under_test.h"
#include "tests/support/registry_values.h"
#include "tests/support/run_scripted.h"
#include "tests/support/temp_device.h"

namespace {

using namespace testing_support;

constexpr const char16_t* kFixtureKey = u"Fixture\\PasswordModule";
constexpr const char16_t* kFixturePath = u"\\Windows\\Fixture.cpl";
// The keyboard covers the Cancel button; Escape cancels too.
constexpr const char* kCancelInstaller = "expect dialog 778\nkey Escape\nexpect box 658\ntap 1\n";

class ShellSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(0);
    platform::ui::shell::Start();
    testing_support::InstallFixture("fixture_password.cpl", kFixturePath);
    pda::RegisterDeviceLines(session_);
  }
  void TearDown() override {
    for (const char* line : {"power", "cut", "reset"})
      platform::ui::RegisterScriptCommand(line, {});
    platform::ui::shell::Stop();
  }

  // The stand-in module as the system's password provider, with the power-on
  // password on, answering `answer` (null: nothing).
  void UseFixture(const char16_t* answer) {
    ASSERT_TRUE(testing_support::SystemPassword().Set(u"", u"right1234"));
    SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ,
                Utf16Bytes(kFixturePath));
    SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"PowrPass", REG_BINARY, {2});
    if (answer) SetRegBytes(HKEY_LOCAL_MACHINE, kFixtureKey, u"Answer", REG_SZ, Utf16Bytes(answer));
  }
  static DWORD Calls() {
    const auto bytes = RegBytes(HKEY_LOCAL_MACHINE, kFixtureKey, u"Calls");
    return bytes && bytes->size() == 4 ? DWORD((*bytes)[0] | ((*bytes)[1] << 8)) : 0;
  }
  // The shell as pda runs it: the session opens the device itself.
  void OpenThroughSession() {
    platform::device::Close();
    std::string error;
    ASSERT_TRUE(session_.Open(device_.folder(), testing_support::BinDir(), &error)) << error;
  }

  // Plays `script` around `job`; the reason when the run stopped, empty when
  // it ended normally.
  static std::string Play(std::string_view script, const std::function<void()>& job = {}) {
    const auto stop = testing_support::StopOf(script, job);
    return stop ? stop->what() : "";
  }

  testing_support::TempDevice device_;
  pda::ShellSession session_;
};

TEST_F(ShellSessionTest, ReturnedStringsAreCheckedWipedAndReleased) {
  ASSERT_TRUE(testing_support::SystemPassword().Set(u"", u"right1234"));
  auto block = [](std::u16string_view text) {
    auto* copy = static_cast<LPWSTR>(LocalAlloc(LPTR, (text.size() + 1) * sizeof(WCHAR)));
    std::copy(text.begin(), text.end(), copy);
    return copy;
  };
  LPWSTR right = block(u"right1234");
  EXPECT_EQ(pda::TakeReturnedPassword(right), pda::PromptOutcome::kAccepted);
  // Released: the heap no longer knows the block.
  EXPECT_NE(LocalFree(right), nullptr);
  EXPECT_EQ(pda::TakeReturnedPassword(block(u"")), pda::PromptOutcome::kRejected);
  // The shell wipes the text itself and does not count on the heap: a block
  // the heap does not know (a faulty module's own buffer) is left by
  // LocalFree, yet holds no character afterwards, right or wrong.
  for (const std::u16string_view text : {u"right1234", u"wrong"}) {
    std::u16string foreign(text);
    pda::TakeReturnedPassword(foreign.data());
    EXPECT_EQ(foreign, std::u16string(text.size(), u'\0')) << "not wiped";
  }
}

// Each case: the stand-in's answer (none: null), the module in use, the
// script around the unlock, where it stopped (empty: unlocked at its end),
// and how often the module was asked.
TEST_F(ShellSessionTest, TheUnlockOpensTheDeviceOnlyOnTheSystemPassword) {
  const struct {
    const char16_t* answer;
    const char16_t* module;
    std::string script;
    std::string stop;
    DWORD calls;
  } cases[] = {
      // Null: the plain prompt, which only the system password ends.
      {nullptr, kFixturePath, "expect dialog 2\ntype 1202 guess\ntap 1\nexpect dialog 2\n",
       "waits for input; the screen shows dialog 2", 1},
      {nullptr, kFixturePath,
       "expect dialog 2\ntype 1202 guess\ntap 1\ncheck 1203 text Wrong password. Try again.\n"
       "type 1202 right1234\ntap 1\n",
       "", 1},
      // Three wrong strings in a row, then the shell's own prompt.
      {u"wrong", kFixturePath, "expect dialog 2\n", "dialog 2", 3},
      // A module that cannot be loaded answers nothing.
      {u"right1234", u"\\Windows\\Missing.cpl", "expect dialog 2\ntype 1202 right1234\ntap 1\n", "",
       0},
      // Power during the logon leaves it where it is, though the active
      // period is 0; a reset waits for the shell while the logon is up.
      {nullptr, kFixturePath,
       "expect dialog 2\npower 60000\nexpect dialog 2\ntype 1202 right1234\ntap 1\n", "", 1},
      {nullptr, kFixturePath, "expect dialog 2\nreset soft\n", "busy in dialog 2", 1},
  };
  UseFixture(nullptr);
  SetRegDword(HKEY_CURRENT_USER, kShellPolicyKeyPath, u"ActivePeriod", 0);
  for (const auto& c : cases) {
    RegDeleteKey(HKEY_LOCAL_MACHINE, kFixtureKey);
    if (c.answer)
      SetRegBytes(HKEY_LOCAL_MACHINE, kFixtureKey, u"Answer", REG_SZ, Utf16Bytes(c.answer));
    SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ,
                Utf16Bytes(c.module));
    std::optional<pda::ShellSession::Unlocked> result;
    const std::string stop = Play(c.script, [&] { result = session_.Unlock(); });
    if (c.stop.empty()) {
      EXPECT_EQ(stop, "") << c.script;
      EXPECT_EQ(result, pda::ShellSession::Unlocked::kYes) << c.script;
    } else {
      EXPECT_NE(stop.find(c.stop), std::string::npos) << c.script << stop;
      EXPECT_FALSE(result.has_value()) << c.script;
    }
    EXPECT_EQ(Calls(), c.calls) << c.script;
  }
  EXPECT_EQ(session_.Boots(), 0);
}

TEST_F(ShellSessionTest, AnUnreadablePasswordStoreIsNeitherNewNorOpen) {
  UseFixture(u"right1234");
  // The system password is set but not switched on for ActiveSync.
  bool connected = false;
  EXPECT_EQ(Play("", [&] { connected = session_.ConnectActiveSync(); }), "");
  EXPECT_TRUE(connected);
  EXPECT_EQ(Calls(), 0u);

  // When the store can't be read, the connection asks for the password.
  platform::faults::Fail("SystemPasswordLoad", ERROR_READ_FAULT);
  EXPECT_EQ(Play("", [&] { connected = session_.ConnectActiveSync(); }), "");
  EXPECT_TRUE(connected);
  EXPECT_EQ(Calls(), 1u);

  // Nor is such a device taken for a new one, whose boot runs the installer.
  SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ, {0, 0});
  platform::faults::Fail("SystemPasswordLoad", ERROR_READ_FAULT);
  EXPECT_FALSE(pda::NeverConfigured());
  platform::faults::Clear();
}

TEST_F(ShellSessionTest, ResetLinesRebootAndOnlyTheHardOneWipes) {
  ASSERT_NO_FATAL_FAILURE(OpenThroughSession());
  UseFixture(u"right1234");
  SetRegDword(HKEY_CURRENT_USER, u"Marker", u"Kept", 7);
  // A soft reset boots into the power-on logon, and the store stays.
  EXPECT_EQ(Play("reset soft\n"), "");
  EXPECT_EQ(session_.Boots(), 1);
  EXPECT_EQ(Calls(), 1u);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, u"Marker", u"Kept"), DwordBytes(7));

  EXPECT_EQ(Play(std::string("reset hard\n") + kCancelInstaller), "");
  EXPECT_EQ(session_.Boots(), 2);
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, u"Marker", u"Kept").has_value());
  EXPECT_FALSE(testing_support::SystemPassword().IsSet());
}

TEST_F(ShellSessionTest, PowerOnLogsOnAfterTheActivePeriodOrAlwaysWhenItIsZero) {
  UseFixture(u"right1234");
  SetRegDword(HKEY_CURRENT_USER, kShellPolicyKeyPath, u"ActivePeriod", 5);
  EXPECT_EQ(Play("power 299999\n"), "");
  EXPECT_EQ(Calls(), 0u);
  EXPECT_EQ(Play("power 300000\n"), "");
  EXPECT_EQ(Calls(), 1u);
  // Off through the home screen's entry: the dark screen, a tap turns it on.
  session_.PowerOffScreen();
  EXPECT_TRUE(session_.IsOff());
  EXPECT_EQ(Play("wait 600000\ntapxy 120 160\n"), "");
  EXPECT_FALSE(session_.IsOff());
  EXPECT_EQ(Calls(), 2u);

  SetRegDword(HKEY_CURRENT_USER, kShellPolicyKeyPath, u"ActivePeriod", 0);
  EXPECT_EQ(Play("power\n"), "");
  EXPECT_EQ(Calls(), 3u);
  // The power-on password off: no logon however long.
  SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"PowrPass", REG_BINARY, {0});
  EXPECT_EQ(Play("power 3600000\n"), "");
  EXPECT_EQ(Calls(), 3u);
}

void SetOwnerRecord(const testing_support::Bytes& record) {
  testing_support::SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"Owner", REG_BINARY,
                               record);
}

// A record with `name` in its first field and a company in the second.
testing_support::Bytes OwnerRecord(std::u16string_view name) {
  return testing_support::OwnerRecord({{0, name}, {72, u"Vexlund"}});
}

using HomeScreenTest = ShellSessionTest;

TEST_F(HomeScreenTest, ShowsTheDateTheTimeAndTheOwner) {
  SetOwnerRecord(OwnerRecord(u"Jane \u00C5berg"));
  pda::HomeScreen home;
  ASSERT_TRUE(home.Show());
  testing_support::RunScripted(
      "expect dialog 1\ncheck 1001 text Monday, 1 January 2001\ncheck 1002 text 00:00\n"
      "check 1003 text Jane \xC3\x85"
      "berg\nwait 60000\ncheck 1002 text 00:01\n",
      nullptr, [&home](MSG* msg) { return home.PreTranslate(msg); });
  EXPECT_EQ(pda::HomeScreen::DateText(86'399'999u), u"Monday, 1 January 2001");
  EXPECT_EQ(pda::HomeScreen::DateText(86'400'000u), u"Tuesday, 2 January 2001");
  EXPECT_EQ(pda::HomeScreen::DateText(30u * 86'400'000u), u"Wednesday, 31 January 2001");
}

TEST_F(HomeScreenTest, ReadsTheOwnerRecordAsTheSystemWritesIt) {
  EXPECT_EQ(pda::HomeScreen::OwnerName(), u"");
  // A name that fills its field has no terminator of its own.
  SetOwnerRecord(OwnerRecord(std::u16string(40, u'x')));
  EXPECT_EQ(pda::HomeScreen::OwnerName(), std::u16string(36, u'x'));
  // A short record: an odd last byte reads as the lock screen reads it,
  // padded with zero.
  SetOwnerRecord({'A', 0, 'l'});
  EXPECT_EQ(pda::HomeScreen::OwnerName(), u"Al");
}

}  // namespace

// The real module's false-logon limit with the hard-reset action: the wrong
// entry reboots the device at once, before any message or delay, and the
// wiped device asks for its installation.
TEST_F(ShellSessionTest, TheLimitsHardResetRebootsBeforeTheLogonGoesOn) {
  ASSERT_NO_FATAL_FAILURE(OpenThroughSession());
  ASSERT_TRUE(testing_support::SystemPassword().Set(u"", u"user1234"));
  g_Settings = SettingsRecord{};
  g_Settings.MaxFalseLogonRetries = 1;
  g_Settings.MaxFalseLogonRetriesValue = 1;
  g_Settings.ActionAfterMaxFalseLogons = 0;
  AssignSecret(g_strMasterPassword, u"Master#1");
  AssignSecret(g_strUserPassword, u"user1234");
  ASSERT_TRUE(SaveSettings(true, true));
  WipeAllSecrets();
  SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ,
              Utf16Bytes(u"\\Windows\\Password.cpl"));
  SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"PowrPass", REG_BINARY, {2});

  const std::string script =
      std::string("expect dialog 628\ntype 679 wrong\ntap 1\n") + kCancelInstaller;
  EXPECT_EQ(Play(script, [&] { session_.Boot(); }), "");
  EXPECT_EQ(session_.Boots(), 2);
  EXPECT_FALSE(testing_support::SystemPassword().IsSet());
}

// The module's lock screen retitles and restyles the window in front; the
// shell's own window gets its title and style back when the call returns.
TEST_F(ShellSessionTest, TheWindowInFrontGetsItsTitleAndStyleBackAfterAModuleCall) {
  const HWND home = CreateWindowEx(0, u"STATIC", u"Today", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0,
                                   26, 240, 268, nullptr, 0, nullptr, nullptr);
  ASSERT_NE(home, nullptr);
  SetActiveWindow(home);
  const LONG_PTR style = GetWindowLong(home, GWL_STYLE);
  session_.RunModuleCall([&] {
    SetWindowText(home, u"");
    SetWindowLong(home, GWL_STYLE, (style & ~0x00CE0000) | 0x10010000);
  });
  WCHAR title[32] = {};
  GetWindowText(home, title, 32);
  EXPECT_EQ(std::u16string(title), u"Today");
  EXPECT_EQ(GetWindowLong(home, GWL_STYLE), style);
  DestroyWindow(home);
}
