// PromptForPasswd's decisions as the shell and other callers meet them:
// whether a logon runs at all, when the wizard runs first, the caller's
// window, and a second caller while a session runs.
// The lock-screen base under the password logon: in front and full screen
// for LockDevice, what may stay in front of it, the owner lines, and the
// screen and input panel it leaves behind.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/faults.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "tests/support/child_process.h"
#include "tests/support/freed_memory_scan.h"
#include "tests/support/scenario_fixture.h"

namespace {

namespace shell = platform::ui::shell;
using namespace platform::ui::scripted_user;
using namespace testing_support;

constexpr LPCWSTR kAppClass = u"PromptTestApp";
constexpr DWORD kAppStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;

class PromptForPasswdTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = kAppClass;
    RegisterClass(&wc);
  }
  void TearDown() override {
    if (app_ != nullptr) DestroyWindow(app_);
    UnregisterClass(kAppClass, nullptr);
    ScenarioTest::TearDown();
  }
  // A program's main window, in front, or made without being shown.
  HWND OpenApp(bool shown = true) {
    app_ = CreateWindowEx(0, kAppClass, u"Notes", shown ? kAppStyle : kAppStyle & ~WS_VISIBLE, 0,
                          26, 240, 268, nullptr, 0, nullptr, nullptr);
    if (shown) SetForegroundWindow(app_);
    return app_;
  }

  HWND app_ = nullptr;
};

TEST_F(PromptForPasswdTest, PowerOnLogonOffAnOutsideCallerGetsNothingAndSeesNothing) {
  Configure({.powerOnLogon = false});
  // An empty script runs out on any window.
  EXPECT_FALSE(PromptUnder("").has_value());
  // A window that is not the thread's active one is an outside caller too.
  const HWND other = OpenApp(false);
  ASSERT_NE(GetActiveWindow(), other);
  EXPECT_FALSE(PromptUnder("", other).has_value());
  EXPECT_TRUE(platform::message_box::Recorded().empty());
  EXPECT_FALSE(Retry().has_value());
}

TEST_F(PromptForPasswdTest, TheOwnWindowLogsOnAndGetsItsStyleAndTitleBack) {
  Configure({.powerOnLogon = false});  // the own window's logon runs anyway
  const HWND own = OpenApp();
  const auto style = static_cast<DWORD>(GetWindowLong(own, GWL_STYLE));
  Script script;
  script.Lines("expect dialog 628\n")
      .Then([&] {
        // Behind the logon the window shows neither caption nor title.
        const auto during = static_cast<DWORD>(GetWindowLong(own, GWL_STYLE));
        Require((during & 0x00CE0000) == 0, "the caption bits are still set");
        Require((during & 0x10010000) == 0x10010000, "the visible and lock bits are not set");
        Require(TitleOf(own).empty(), "the title is still shown");
      })
      .Lines("type 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script, own), u"user1234");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLong(own, GWL_STYLE)), style);
  EXPECT_EQ(TitleOf(own), u"Notes");
}

// A system password removed elsewhere runs the wizard again without asking
// for it; one changed elsewhere must be proven in the wizard first.
TEST_F(PromptForPasswdTest, ASystemPasswordRemovedOrChangedElsewhereRunsTheWizardAgain) {
  Configure({});
  std::u16string current = u"user1234";
  for (const std::u16string changed : {u"", u"Changed9"}) {
    SCOPED_TRACE(std::string(changed.begin(), changed.end()));
    ASSERT_TRUE(system_->Set(current, changed));
    current = u"User5678";
    const std::string prove =
        changed.empty() ? "" : "expect dialog 786\ntype 777 Changed9\ntap 1\n";
    const auto password =
        PromptUnder("expect dialog 778\ntype 684 Master#2\ntype 685 Master#2\nkey Enter\n" + prove +
                    "expect dialog 778\ncheck 717 text Finish!\n"
                    "type 684 User5678\ntype 685 User5678\nkey Enter\nexpect box 627\ntap 1\n"
                    "expect dialog 628\ntype 679 User5678\ntap 1\n");
    EXPECT_EQ(password, u"User5678");
    EXPECT_TRUE(system_->Check(u"User5678"));
    EXPECT_FALSE(system_->Check(u"Changed9"));
    EXPECT_EQ(StoredPasswords(), Passwords(u"Master#2", u"User5678"));
  }
}

TEST_F(PromptForPasswdTest, AStoreThatCannotBeReadKeepsTheDeviceLockedWithoutTheWizard) {
  Configure({});
  platform::faults::Fail("CeReadRecordProps", ERROR_READ_FAULT, 1, 0);
  // The load reports the error; no wizard may then assign new passwords.
  EXPECT_FALSE(PromptUnder("expect box 606\ntap 1\n").has_value());
  platform::faults::Clear();
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"user1234"));
}

TEST_F(PromptForPasswdTest, ALogonLeavesNoTypedOrStoredPasswordInFreedMemory) {
  DeviceSetup setup;
  setup.user = u"Long#User#Password#2024";
  Configure(setup);
  // The script is read first: the person's own copies of the text are not
  // the module's.
  Script script("expect dialog 628\ntype 679 Long#User#Password#2024\ntap 1\n");
  std::optional<std::u16string> password;
  {
    testing_support::FreedMemoryScan scan(u"Long#User");
    password = PromptUnder(script);
    EXPECT_EQ(scan.Hits(), 0u);
  }
  EXPECT_EQ(password, setup.user);
}

TEST_F(PromptForPasswdTest, ASecondCallerFromAnotherProcessGetsThePasswordAtOnce) {
  Configure({});
  std::optional<std::string> answer;
  bool childEnded = false;
  Script script;
  script.Lines("expect dialog 628\n")
      .Then([&] {
        // Another program asks while this logon waits for its user.
        ChildProcess child([this](ChildProcess& self) {
          const auto password = module_->Prompt(nullptr);
          std::string text = "null";
          if (password) text.assign(password->begin(), password->end());
          self.Report(text);
        });
        answer = child.NextLine();
        childEnded = child.Wait();
      })
      .Lines("expect dialog 628\ntype 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(answer, "user1234");
  EXPECT_TRUE(childEnded);
}

// With the program that was in front when the device locked.
class LogonBaseTest : public PromptForPasswdTest {
 protected:
  void SetUp() override {
    PromptForPasswdTest::SetUp();
    OpenApp();
  }
  // The logon dialog, checked to be the active and foreground window on top.
  static HWND LogonInFront() {
    const HWND logon = TopmostWindow();
    Require(testing_support::TopmostTemplate() == 628, "the logon is not on top");
    Require(GetForegroundWindow() == logon && GetActiveWindow() == logon,
            "the logon is not the foreground window");
    return logon;
  }
  // A modeless dialog of the system's reminder.
  static HWND OpenReminder(LPCWSTR title) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT;
    const DialogTemplate dialog{0, style, 0, 20, 60, 120, 60, title, u"Tahoma", 8, nullptr, 0};
    const HWND reminder = CreateDialogIndirectParam(
        nullptr, &dialog, nullptr,
        [](HWND, UINT m, WPARAM, LPARAM) -> LONG_PTR { return m == WM_INITDIALOG; }, 0);
    SetForegroundWindow(reminder);
    return reminder;
  }
};

// Also with the power-on logon off. The program in front is prepared for
// the lock: no Done button, style bit 0x00010000, the input panel down
// afterwards.
TEST_F(LogonBaseTest, LockDeviceKeepsItsLogonInFrontAndFullScreen) {
  Configure({.powerOnLogon = false});
  SHDoneButton(app_, SHDB_SHOW);
  SHSipPreference(app_, SIP_UP);
  HWND other = nullptr;
  HWND reminder = nullptr;
  Script script;
  script.Lines("expect dialog 628\n")
      .Then([this] {
        const HWND logon = LogonInFront();
        RECT rect{};
        GetWindowRect(logon, &rect);
        Require(rect.left <= 0 && rect.top <= 0 && rect.right >= shell::kScreenWidth &&
                    rect.bottom >= shell::kScreenHeight,
                "the logon does not cover the screen");
        Require(!shell::TaskbarVisible() && !shell::StartIconVisible(), "the taskbar shows");
        Require(shell::SipButtonVisible(), "the input-panel button is hidden");
      })
      // Another program comes to the front: pushed back within one tick.
      .Then([&] {
        other = CreateWindowEx(0, kAppClass, u"Intruder", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                               nullptr, 0, nullptr, nullptr);
        SetForegroundWindow(other);
      })
      .Lines("wait 10\n")
      .Then([] { LogonInFront(); })
      .Then([&] { DestroyWindow(other); })
      // The logon's own message box stays in front of it.
      .Lines(
          "type 679 wrong\ntap 1\nexpect box 590\nwait 100\nexpect box 590\ntap 1\n"
          "expect dialog 634\nwait 100\nexpect dialog 634\nwait 920\nexpect dialog 628\n");
  // The system's reminder, in either language, may stay in front.
  for (LPCWSTR title : {u"Reminder", u"Erinnerung"}) {
    script.Then([&reminder, title] { reminder = OpenReminder(title); })
        .Lines("wait 100\n")
        .Then([&reminder] {
          Require(TopmostWindow() == reminder && GetForegroundWindow() == reminder,
                  "the reminder was pushed back");
          DestroyWindow(reminder);
        })
        .Lines("wait 10\n")
        .Then([] { LogonInFront(); });
  }
  script.Lines("type 679 user1234\ntap 1\n");
  LONG result = -1;
  Run(script, [&] { result = module_->Lock(); });
  EXPECT_EQ(std::tuple(result, Retry(), GetForegroundWindow(), shell::DoneButtonVisible(),
                       shell::PanelUp()),
            std::tuple(0, 0u, app_, false, false));
  EXPECT_TRUE(GetWindowLong(app_, GWL_STYLE) & 0x00010000);
}

TEST_F(LogonBaseTest, TheShellsLogonLetsAnotherProgramInFront) {
  // Unlike LockDevice's, the logon the shell asks for yields.
  Configure({});
  HWND other = nullptr;
  Script script;
  script.Lines("expect dialog 628\n")
      .Then([&] {
        other = CreateWindowEx(0, kAppClass, u"Phone", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                               nullptr, 0, nullptr, nullptr);
        SetForegroundWindow(other);
      })
      .Lines("wait 100\n")
      .Then([&] {
        Require(TopmostWindow() == other && GetForegroundWindow() == other,
                "the logon pulled itself in front");
        DestroyWindow(other);
      })
      .Lines("expect dialog 628\ntype 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
}

TEST_F(LogonBaseTest, AfterTheLogonThePanelTheInputMethodAndTheTaskbarAreAsBefore) {
  Configure({});
  for (const bool panelUp : {false, true}) {
    SCOPED_TRACE(panelUp ? "panel up" : "panel down");
    // The user writes with the handwriting pad in the program in front.
    while (shell::CurrentIMName() != shell::kHandwritingPadName) shell::NextIM();
    SHSipPreference(app_, panelUp ? SIP_UP : SIP_FORCEDOWN);
    ASSERT_EQ(shell::PanelUp(), panelUp);
    ASSERT_TRUE(shell::TaskbarVisible());
    SIPINFO before{};
    before.cbSize = sizeof before;
    ASSERT_TRUE(SHSipInfo(SPI_GETSIPINFO, sizeof before, &before, 0));

    Script script;
    script.Lines("expect dialog 628\n")
        .Then([] {
          Require(shell::KeyboardIsCurrent(), "the logon does not type with the keyboard");
          Require(!shell::TaskbarVisible(), "the taskbar shows during the logon");
        })
        .Lines("type 679 user1234\ntap 1\n");
    EXPECT_EQ(PromptUnder(script), u"user1234");

    SIPINFO after{};
    after.cbSize = sizeof after;
    ASSERT_TRUE(SHSipInfo(SPI_GETSIPINFO, sizeof after, &after, 0));
    EXPECT_EQ(std::tuple(shell::CurrentIMName(), shell::PanelUp(), after.fdwFlags,
                         GetForegroundWindow(), shell::TaskbarVisible(), shell::StartIconVisible()),
              std::tuple(shell::kHandwritingPadName, panelUp, before.fdwFlags, app_, true, true));
  }
}

TEST_F(LogonBaseTest, TheOwnerLinesFollowTheSetting) {
  Configure({.welcome1 = u"Welcome back", .welcome2 = u"Have a nice day"});
  // The owner record of the system: name, phone and e-mail fields.
  testing_support::SetRegBytes(
      HKEY_CURRENT_USER, testing_support::kOwnerKey, u"Owner", REG_BINARY,
      testing_support::OwnerRecord(
          {{0, u"Ada Owner"}, {516, u"+41 44 555 01 02"}, {566, u"ada@example.org"}}));

  const std::pair<DWORD, const char*> cases[] = {
      {0, "\r\n"},
      {1, "Ada Owner\r\n+41 44 555 01 02"},
      {2, "Ada Owner\r\nada@example.org"},
      {3, "Welcome back\r\nHave a nice day"},
      {7, "\r\n"},
  };
  for (const auto& [setting, lines] : cases) {
    SCOPED_TRACE(setting);
    testing_support::SetRegDword(HKEY_LOCAL_MACHINE, testing_support::kZentrakKey,
                                 u"DisplayOwnerInfo", setting);
    std::string shown;
    Script script;
    script.Lines("expect dialog 628\n")
        .Then(
            [&shown] { shown = ReadProperty(FindControl(TopmostWindow(), 721), Property::kText); })
        .Lines("type 679 user1234\ntap 1\n");
    PromptUnder(script);
    EXPECT_EQ(shown, lines);
  }
}

}  // namespace
