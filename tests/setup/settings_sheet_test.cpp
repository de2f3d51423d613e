// The settings as a person meets them: a double-click on the applet, the
// logon that guards them, the four pages with Accept, Default and the
// question when the sheet is closed; checked by what the registry, the
// system password and the screen hold afterwards.
// The change-password dialog asking for a new master password: the typed
// current one must be the stored master, a wrong one is a false logon, and
// the right one forgets the false logons.
#include <gtest/gtest.h>

#include <string>

#include "logonui/change_password_dlg.h"
#include "platform/beeps.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "platform/wave_out.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "tests/support/child_process.h"
#include "tests/support/pda_runner.h"
#include "tests/support/run_scripted.h"
#include "tests/support/scenario_fixture.h"

namespace {

using namespace platform::ui::scripted_user;
using namespace testing_support;

constexpr const char* kLogon = "expect dialog 628\ntype 679 user1234\ntap 1\n";

// The sheet's Done button (OK), as a tap on the taskbar gives it.
void CloseSheet() {
  Require(platform::ui::shell::DoneButtonVisible(), "the sheet shows no OK button");
  platform::ui::shell::detail::PressDone();
}

std::string Tab(int index) {
  return "tap 0x3020 " + std::to_string(index) + "\n";
}

class SettingsSheetTest : public ScenarioTest {
 protected:
  LONG OpenSettings(Script& script) {
    LONG result = -1;
    Run(script, [&] { result = module_->Applet(CPL_DBLCLK); });
    return result;
  }
  static std::optional<DWORD> Setting(const char16_t* name) {
    return RegDword(HKEY_LOCAL_MACHINE, kZentrakKey, name);
  }
  static std::optional<testing_support::Bytes> PowrPass() {
    return RegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass");
  }
};

TEST_F(SettingsSheetTest, GeneralAcceptReachesTheSystemPasswordState) {
  Configure({.powerOnLogon = false});
  Script script(kLogon);
  // Power-on includes ActiveSync: checked and disabled; unchecking it
  // again enables the box but leaves it checked.
  script.Lines("tap 716\ncheck 716 checked 0\ntap 669\ncheck 716 checked 1\ncheck 716 enabled 0\n")
      .Lines("tap 695\ntap 711\n")
      .Then([this] {
        Require(PowrPass() == testing_support::Bytes{2}, "\"PowrPass\" is not on after Accept");
        Require(Setting(u"ShowQuickAccess") == 0u, "the icon setting was not stored");
      })
      .Lines("tap 669\ncheck 716 enabled 1\ncheck 716 checked 1\ntap 716\ntap 711\n")
      .Then(CloseSheet);
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_EQ(PowrPass(), testing_support::Bytes{0});
  EXPECT_EQ(Setting(u"LogonActiveSync"), 0u);
  // Accepted changes are stored: closing asks nothing.
  EXPECT_TRUE(platform::message_box::Recorded().empty());
  // The redirect stays on the module whatever the switches say.
  EXPECT_TRUE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect").has_value());
  EXPECT_TRUE(system_->Check(u"user1234"));
}

TEST_F(SettingsSheetTest, TheCloseQuestionStoresEveryPageOnYesAndNoneOnNo) {
  for (int answer : {6, 7}) {
    SCOPED_TRACE(answer == 6 ? "Yes" : "No");
    system_->Set(u"user1234", u"");
    Configure({.maxFalseLogons = 3, .displayOwnerInfo = 2});
    Script script(kLogon);
    // Default on General, Owner and Advanced; the page values change, the
    // stored ones do not.
    script
        .Lines("tap 710\n" + Tab(2) + "check 758 checked 1\ntap 710\ncheck 756 checked 1\n" +
               Tab(3) + "tap 710\n")
        .Then([] { Require(Setting(u"MaxFalseLogonRetriesValue") == 3u, "Default stored"); })
        .Then(CloseSheet)
        .Lines("expect box 622\ntap " + std::to_string(answer) + "\n");
    EXPECT_EQ(OpenSettings(script), 0);
    const bool stored = answer == 6;
    EXPECT_EQ(Setting(u"DisplayOwnerInfo"), stored ? 1u : 2u);
    EXPECT_EQ(Setting(u"MaxFalseLogonRetriesValue"), stored ? 5u : 3u);
    EXPECT_EQ(Setting(u"MaxFalseLogonRetries"), 1u);
    EXPECT_EQ(PowrPass(), testing_support::Bytes{2});
  }
}

TEST_F(SettingsSheetTest, CancellingTheQuestionKeepsTheSheetOpenAsItWas) {
  Configure({});
  Script script(kLogon);
  script.Lines(Tab(3) + "check 708 enabled 0\ntap 769\ncheck 708 enabled 1\n")
      .Then(CloseSheet)
      .Lines("expect box 622\ntap 2\n")
      .Then([] { Require(TitleOf(TopmostWindow()) == u"Settings", "the sheet is not in front"); })
      .Lines("check 769 checked 1\ncheck 708 enabled 1\n")
      .Then([] { Require(Setting(u"MaxFalseLogonRetries") == 0u, "stored on Cancel"); })
      .Then(CloseSheet)
      .Lines("expect box 622\ntap 6\n");
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_EQ(Setting(u"MaxFalseLogonRetries"), 1u);
}

TEST_F(SettingsSheetTest, AFailingSystemCallOnAcceptShowsItsMessageAndStoresNothing) {
  Configure({});
  Script script(kLogon);
  script.Lines("tap 695\n")
      .Then([] { platform::faults::Fail("SetPasswordActive", ERROR_ACCESS_DENIED); })
      .Lines("tap 711\nexpect box 598\ntap 1\n")
      .Then([] { platform::faults::Clear(); })
      .Then(CloseSheet);
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_EQ(Setting(u"ShowQuickAccess"), 1u);
}

TEST_F(SettingsSheetTest, OwnerLinesChosenOnThePageAreStoredWithTheirLimit) {
  Configure({.displayOwnerInfo = 1});
  const std::string longLine(60, 'w');
  Script script(kLogon);
  script.Lines(Tab(2) + "check 762 enabled 0\ntap 760\ncheck 762 enabled 1\ncheck 756 enabled 0\n")
      .Lines("type 762 " + longLine + "\ntype 765 Call 555 0100\n")
      // A 41st character cannot be typed.
      .Lines("check 762 text " + longLine.substr(0, 40) + "\ntap 711\n")
      .Then(CloseSheet);
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_EQ(Setting(u"DisplayOwnerInfo"), 3u);
}

TEST_F(SettingsSheetTest, ChoosingSymbolsWithoutASymbolPasswordMakesTheUserCreateOne) {
  Configure({});
  Script script(kLogon);
  // Cancelled on the pad: the choice goes back to the stored method.
  script.Lines(Tab(1) + "check 704 enabled 0\ntap 675\ncheck 704 enabled 1\n")
      .Lines("check 681 text Change Symbol Password\ntap 711\nexpect box 625\ntap 1\n")
      .Lines("expect dialog 522\ntap 743\n")
      .Lines("check 671 checked 1\ncheck 681 text Change User Password\n")
      // Set on the pad, typed twice: the method is stored with its password.
      .Lines("tap 675\ntap 711\nexpect box 625\ntap 1\n")
      .Lines("expect dialog 522\nsymbols 2468\ntap 1\nsymbols 2468\ntap 1\n")
      .Lines("check 675 checked 1\n")
      .Then(CloseSheet);
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_FALSE(platform::beeps::Recorded().empty());
  EXPECT_EQ(Setting(u"LogonMethod"), 1u);
  EXPECT_EQ(StoredSymbols(), u"2468");
}

// A new user password whose save fails leaves the old one in memory too:
// the master password saved next stores the secrets beside it.
TEST_F(SettingsSheetTest, TheAdvancedPageChangesTheMasterPasswordAtOnce) {
  Configure({});
  Script script(kLogon);
  script.Lines(Tab(1) + "tap 681\nexpect dialog 626\n")
      .Lines("type 684 new12345\ntype 685 new12345\n")
      .Then([] { platform::faults::Fail("CeWriteRecordProps", ERROR_DISK_FULL); })
      .Lines("tap 1\nexpect box 606\ntap 1\nexpect box 600\ntap 1\n")
      .Then([] { platform::faults::Clear(); })
      .Lines(Tab(3) + "tap 697\nexpect dialog 626\ntype 777 Master#1\n")
      .Lines("type 684 Another#2\ntype 685 Another#2\ntap 1\n")
      .Then(CloseSheet)
      .Lines("expect box 622\ntap 7\n");
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_EQ(StoredPasswords(), Passwords(u"Another#2", u"user1234"));
  EXPECT_TRUE(system_->Check(u"user1234"));
}

TEST_F(SettingsSheetTest, ASecondStartFromAnotherProcessBringsTheOpenSheetToTheFront) {
  Configure({});
  constexpr LPCWSTR kSecondStartDone = u"SettingsTest.SecondStartDone";
  testing_support::ChildProcess first([this](testing_support::ChildProcess& self) {
    const HANDLE done = CreateEvent(nullptr, TRUE, FALSE, kSecondStartDone);
    HWND sheet = nullptr;
    Script script(kLogon);
    script
        .Then([&] {
          sheet = TopmostWindow();
          // Another program comes in front of the sheet.
          WNDCLASS cls{};
          cls.lpfnWndProc = DefWindowProc;
          cls.lpszClassName = u"OtherProgram";
          RegisterClass(&cls);
          CreateWindowEx(0, u"OtherProgram", u"Other", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                         nullptr, 0, nullptr, nullptr);
          self.Report(TopmostWindow() != sheet ? "covered" : "not covered");
          Require(WaitForSingleObject(done, 30000) == WAIT_OBJECT_0, "no second start came");
        })
        .Then([&] {
          const bool front = TopmostWindow() == sheet && GetForegroundWindow() == sheet;
          self.Report(front ? "in front" : "not in front");
        })
        .Lines("key Escape\n");
    LONG result = -1;
    if (const auto stop = StopOf(script.User(), [&] { result = module_->Applet(CPL_DBLCLK); }))
      self.Report(std::string("stopped: ") + stop->what());
    self.Report("returned " + std::to_string(result));
  });
  ASSERT_EQ(first.NextLine(), "covered");
  // No logon and no sheet in the second process: waiting for input with
  // no script and no screen would end it with 4.
  platform::device::Close();
  const auto second = testing_support::RunPda(
      "--device " + testing_support::Quoted(device_->folder()) + " --headless settings");
  device_->Reopen();
  EXPECT_EQ(second.status, 0) << second.output;
  const HANDLE done = CreateEvent(nullptr, TRUE, FALSE, kSecondStartDone);
  SetEvent(done);
  EXPECT_EQ(first.NextLine(), "in front");
  EXPECT_EQ(first.NextLine(), "returned 0");
  EXPECT_TRUE(first.Wait());
  CloseHandle(done);
}

TEST_F(SettingsSheetTest, LimitAndActionStoredOnTheAdvancedPageActOnTheNextFalseLogons) {
  Configure({});
  Script script(kLogon);
  script.Lines(Tab(3) + "tap 769\ntap 708 2\ntap 694\ncheck 772 enabled 0\ncheck 736 enabled 1\n")
      .Lines("tap 711\n")
      .Then(CloseSheet);
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_EQ(Setting(u"MaxFalseLogonRetries"), 1u);
  EXPECT_EQ(Setting(u"MaxFalseLogonRetriesValue"), 2u);
  EXPECT_EQ(Setting(u"ActionAfterMaxFalseLogons"), 0u);
}

TEST_F(SettingsSheetTest, TheAlarmTestPlaysAndStopsOnTheButtonAndOnAnotherLogon) {
  Configure({.maxFalseLogons = 3});
  auto playing = [](bool expected) {
    return [expected] {
      Require(platform::wave_out::CurrentStatus().playing == expected,
              expected ? "the test playback does not play" : "the test playback still plays");
    };
  };
  Script script(kLogon);
  script.Lines(Tab(3) + "tap 736\n")
      .Then(playing(true))
      .Lines("tap 736\n")
      .Then(playing(false))
      .Lines("tap 736\n")
      .Then(playing(true))
      // A logon elsewhere broadcasts "WM_STOP_ALARM" (0): the frame stops it.
      .Then([] { PostMessage(HWND_BROADCAST, RegisterWindowMessage(u"WM_STOP_ALARM"), 0, 0); })
      .Lines("wait 10\n")
      .Then(playing(false))
      // Hard reset has no sound: the button only beeps.
      .Lines("tap 694\ntap 736\n")
      .Then(playing(false))
      .Then(CloseSheet)
      .Lines("expect box 622\ntap 7\n");
  EXPECT_EQ(OpenSettings(script), 0);
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kZentrakKey, u"ContinueAlarm").has_value());
  EXPECT_EQ(Setting(u"ActionAfterMaxFalseLogons"), 1u);
}

class ChangePasswordTest : public ScenarioTest {};

TEST_F(ChangePasswordTest, TheMasterModeProvesTheTypedCurrentPassword) {
  Configure({});
  ASSERT_TRUE(LoadSettings(true, true));
  CChangePasswordDlg dialog;
  dialog.SetMode(CChangePasswordDlg::kModeMaster, 0);
  Script script;
  script.Lines("expect dialog 626\ncheck 709 text Change Master Password\ncheck 777 enabled 1\n")
      .Then([] {
        Require(TitleOf(TopmostWindow()) == u"Change Master Password", "the caption is wrong");
      })
      // The new password may not be the current one.
      .Lines(
          "type 777 Master#1\ntype 684 Master#1\ntype 685 Master#1\ncheck 1 enabled 0\n"
          "type 777 Master#9\ntype 684 Master#2\ntype 685 Master#2\ncheck 1 enabled 1\ntap 1\n"
          "expect box 631\ntap 1\nexpect dialog 634\nwait 1020\nexpect dialog 626\n")
      .Then([] { Require(Retry() == 1u, "the wrong master password was not counted"); })
      .Lines("type 777 Master#1\ntap 1\n");
  INT_PTR result = 0;
  Run(script, [&] { result = dialog.DoModal(); });
  EXPECT_EQ(result, IDOK);
  std::u16string fresh;
  dialog.GetNewPassword(fresh);
  EXPECT_EQ(fresh, u"Master#2");
  EXPECT_EQ(Retry(), 0u);
  EXPECT_FALSE(DelayRecord().has_value());
  WipeSecret(fresh);
}

}  // namespace
