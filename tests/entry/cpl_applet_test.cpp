// CPlApplet of the loaded module as the control panel calls it: the long
// record byte for byte and what a double-click does.
// The application object's help: every help request of the module's
// dialogs opens the help page in the help viewer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/control_panel.h"
#include "platform/kernel.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "tests/support/scenario_fixture.h"

namespace {

namespace shell = platform::ui::shell;
using platform::ui::scripted_user::TopmostWindow;
using namespace testing_support;

using CplAppletTest = ScenarioTest;
using ControlPanelAppTest = ScenarioTest;

TEST_F(CplAppletTest, NewInquireFillsTheLongRecordWithZeroPaddedFields) {
  NEWCPLINFO info;
  std::memset(&info, 0xCC, sizeof info);
  EXPECT_EQ(module_->Applet(CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.dwSize, 468u);
  EXPECT_EQ(info.dwFlags | info.dwHelpContext | DWORD(info.lData), 0u);
  // The product's icon from the module.
  EXPECT_NE(info.hIcon, 0u);
  EXPECT_EQ(info.hIcon,
            static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(LoadIcon(module_->Handle(), 500))));

  // Each text field holds its text and zeros up to its end.
  auto field = [](const WCHAR* chars, std::size_t capacity, std::u16string_view text) {
    std::vector<WCHAR> expected(capacity, 0);
    std::copy(text.begin(), text.end(), expected.begin());
    return std::vector<WCHAR>(chars, chars + capacity) == expected;
  };
  EXPECT_TRUE(field(info.szName, 32, u"Veyrholm PDA"));
  const std::u16string longName = Text(587);
  ASSERT_FALSE(longName.empty());
  ASSERT_LT(longName.size(), 64u);
  EXPECT_TRUE(field(info.szInfo, 64, longName));
  EXPECT_TRUE(field(info.szHelpFile, 128, u""));
}

// Another instance holds the settings' mutex: no logon (an empty script
// would run out on any dialog), and its sheet comes to the front.
TEST_F(CplAppletTest, ADoubleClickBringsTheOpenSettingsToTheFront) {
  const HANDLE other = CreateMutex(nullptr, TRUE, u"OMREL_APP_MUTEX");
  ASSERT_NE(other, nullptr);
  LONG result = -1;
  Run("", [&] { result = module_->Applet(CPL_STARTWPARMS); });
  EXPECT_EQ(result, 1);
  // The settings sheet of that instance, behind everything.
  const std::u16string title = Text(609);
  const DWORD style = WS_POPUP | WS_CAPTION | DS_SETFONT;
  const DialogTemplate sheet{0, style, 0, 0, 0, 160, 200, title.c_str(), u"Tahoma", 8, nullptr, 0};
  const HWND settings = CreateDialogIndirectParam(
      nullptr, &sheet, nullptr,
      [](HWND, UINT m, WPARAM, LPARAM) -> LONG_PTR { return m == WM_INITDIALOG; }, 0);
  ASSERT_NE(settings, nullptr);
  ASSERT_FALSE(IsWindowVisible(settings));
  Run("", [&] { result = module_->Applet(CPL_DBLCLK); });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(IsWindowVisible(settings));
  EXPECT_EQ(GetForegroundWindow(), settings);
  DestroyWindow(settings);
  CloseHandle(other);
}

// The shell's Help command on the window in front: the help page opens in
// a viewer, which the user closes again.
std::function<void()> AskForHelp(std::size_t* opened) {
  return [opened] {
    const std::size_t before = shell::ProcessStarts().size();
    SendMessage(TopmostWindow(), WM_HELP, 0, 0);
    const auto& starts = shell::ProcessStarts();
    Require(starts.size() == before + 1, "no help viewer was started");
    Require(
        starts.back().application == u"PegHelp.exe" && starts.back().commandLine == u"OMREL.htm",
        "the help viewer was not started on OMREL.htm");
    ++*opened;
    if (starts.back().window != nullptr) DestroyWindow(starts.back().window);
  };
}

TEST_F(ControlPanelAppTest, HelpInTheWizardAndTheLogonOpensTheHelpPage) {
  std::size_t opened = 0;
  Script script;
  script.Lines("expect dialog 778\n")
      .Then(AskForHelp(&opened))
      .Lines(
          "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
          "type 684 User1234\ntype 685 User1234\nkey Enter\nexpect box 627\ntap 1\n"
          "expect dialog 628\n")
      .Then(AskForHelp(&opened))
      .Lines("expect dialog 628\ntype 679 User1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"User1234");
  EXPECT_EQ(opened, 2u);
}

}  // namespace
