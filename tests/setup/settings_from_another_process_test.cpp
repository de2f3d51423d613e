// A second start of the settings from another process of the device: it
// finds the sheet open in the first one, which brings it to the front, and
// returns at once.
#include <gtest/gtest.h>

#include <string>

#include "platform/control_panel.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "tests/support/child_process.h"
#include "tests/support/pda_runner.h"
#include "tests/support/scenario_fixture.h"

namespace {

using platform::ui::scripted_user::TopmostWindow;
using testing_support::ChildProcess;
using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

constexpr LPCWSTR kSecondStartDone = u"SettingsTest.SecondStartDone";
constexpr LPCWSTR kCoverClass = u"OtherProgram";

std::u16string TitleOf(HWND window) {
  WCHAR title[32] = {};
  GetWindowText(window, title, 32);
  return title;
}

using SettingsFromAnotherProcessTest = ScenarioTest;

TEST_F(SettingsFromAnotherProcessTest, TheSecondStartBringsTheOpenSheetToTheFront) {
  Configure({});
  ChildProcess first([this](ChildProcess& self) {
    const HANDLE done = CreateEvent(nullptr, TRUE, FALSE, kSecondStartDone);
    Script script("expect dialog 628\ntype 679 user1234\ntap 1\n");
    HWND sheet = nullptr;
    script
        .Then([&] {
          sheet = TopmostWindow();
          Require(TitleOf(sheet) == u"Settings", "the settings sheet is not in front");
          // Another program comes in front of the sheet.
          WNDCLASS cls{};
          cls.lpfnWndProc = DefWindowProc;
          cls.lpszClassName = kCoverClass;
          RegisterClass(&cls);
          CreateWindowEx(0, kCoverClass, u"Other", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                         0, nullptr, nullptr);
        })
        .Then([&] {
          Require(TopmostWindow() != sheet && GetForegroundWindow() != sheet,
                  "the other program is not in front");
          self.Report("covered");
          Require(WaitForSingleObject(done, 30000) == WAIT_OBJECT_0, "no second start came");
        })
        .Then([&] {
          Require(TopmostWindow() == sheet && GetForegroundWindow() == sheet,
                  "the sheet is not in front after the second start");
          self.Report("in front");
        })
        .Lines("key Escape\n");
    LONG result = -1;
    try {
      platform::ui::PlayScript(script.User(), [&] { result = module_->Applet(CPL_DBLCLK); });
    } catch (const platform::ui::ScriptStopped& stop) {
      self.Report(std::string("stopped: ") + stop.what());
    }
    self.Report("returned " + std::to_string(result));
  });
  ASSERT_EQ(first.NextLine(), "covered");

  // No logon and no sheet in the second process: with no script and no
  // screen, waiting for input would end it with 4.
  platform::device::Close();
  const auto second = testing_support::RunPda(
      "--device " + testing_support::Quoted(device_->folder()) + " --headless settings");
  device_->Reopen();
  EXPECT_EQ(second.status, 0) << second.output;
  const HANDLE done = CreateEvent(nullptr, TRUE, FALSE, kSecondStartDone);
  ASSERT_NE(done, nullptr);
  SetEvent(done);

  EXPECT_EQ(first.NextLine(), "in front");
  EXPECT_EQ(first.NextLine(), "returned 0");
  EXPECT_TRUE(first.Wait());
  CloseHandle(done);
}

}  // namespace
