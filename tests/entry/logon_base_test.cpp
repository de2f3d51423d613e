// The lock-screen base under the password logon: in front and full screen
// for LockDevice, what may stay in front of it, the owner lines, and the
// screen and input panel it leaves behind.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window.h"
#include "tests/support/scenario_fixture.h"

namespace {

namespace shell = platform::ui::shell;
using platform::ui::scripted_user::FindControl;
using platform::ui::scripted_user::Property;
using platform::ui::scripted_user::ReadProperty;
using platform::ui::scripted_user::TopmostWindow;
using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

constexpr LPCWSTR kAppClass = u"LockTestApp";

LONG_PTR PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class LogonBaseTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = kAppClass;
    RegisterClass(&wc);
    // The program that was in front when the device locked.
    app_ = CreateWindowEx(0, kAppClass, u"Notes", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 26, 240,
                          268, nullptr, 0, nullptr, nullptr);
    SetForegroundWindow(app_);
  }
  void TearDown() override {
    if (IsWindow(app_)) DestroyWindow(app_);
    UnregisterClass(kAppClass, nullptr);
    ScenarioTest::TearDown();
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
    const HWND reminder = CreateDialogIndirectParam(nullptr, &dialog, nullptr, PlainDialogProc, 0);
    SetForegroundWindow(reminder);
    return reminder;
  }

  HWND app_ = nullptr;
};

TEST_F(LogonBaseTest, LockDeviceKeepsItsLogonInFrontAndFullScreen) {
  Configure({});
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
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Retry(), 0u);
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

    EXPECT_EQ(shell::CurrentIMName(), shell::kHandwritingPadName);
    EXPECT_EQ(shell::PanelUp(), panelUp);
    SIPINFO after{};
    after.cbSize = sizeof after;
    ASSERT_TRUE(SHSipInfo(SPI_GETSIPINFO, sizeof after, &after, 0));
    EXPECT_EQ(after.fdwFlags, before.fdwFlags);
    EXPECT_EQ(GetForegroundWindow(), app_);
    EXPECT_TRUE(shell::TaskbarVisible());
    EXPECT_TRUE(shell::StartIconVisible());
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
