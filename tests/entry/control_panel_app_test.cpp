// The application object's help: every help request of the module's
// dialogs opens the help page in the help viewer.
#include <gtest/gtest.h>

#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "tests/support/scenario_fixture.h"

namespace {

namespace shell = platform::ui::shell;
using platform::ui::scripted_user::TopmostWindow;
using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

using ControlPanelAppTest = ScenarioTest;

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
