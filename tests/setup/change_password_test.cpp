// The change-password dialog asking for a new master password: the typed
// current one must be the stored master, a wrong one is a false logon, and
// the right one forgets the false logons.
#include <gtest/gtest.h>

#include "logonui/change_password_dlg.h"
#include "platform/ui/afx/afx.h"
#include "platform/ui/script/scripted_user.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "tests/support/scenario_fixture.h"

namespace {

using platform::ui::scripted_user::TitleOf;
using platform::ui::scripted_user::TopmostWindow;
using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

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
