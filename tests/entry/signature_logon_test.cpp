// Signatures as a person meets them: enrolling five samples on the
// signature dialog (one signed badly and signed again, one cleared), and
// logging on by signature: the owner is let in, a forgery is counted and
// delayed, the limit acts, and a device without a working signature
// component falls back to the password. The engine behind the dialog is
// only trusted to tell the owner's strokes from a clearly different shape.
#include <gtest/gtest.h>

#include <string>

#include "logonui/signature_dlg.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/message_box.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window.h"
#include "platform/wstring.h"
#include "store/credential_set.h"
#include "store/credential_store.h"
#include "store/os_password_api.h"
#include "tests/support/scenario_fixture.h"

namespace {

using platform::ui::scripted_user::FindControl;
using platform::ui::scripted_user::IsMessageBox;
using platform::ui::scripted_user::TopmostWindow;
using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

// "sign FILE" for one of the test signatures.
std::string Sign(const std::string& name) {
  return std::string("sign ") + VEYR_SOURCE_DIR "/tests/fixtures/signatures/" + name + ".sig\n";
}

class SignatureLogonTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    ASSERT_TRUE(RegisterSignatureControl(u"\\Windows\\Panel.ocx"));
  }

  // The enrollment prompt asks for sample `n`.
  static std::function<void()> PromptIs(int n) {
    return [n] {
      WCHAR expected[256] = {};
      wsprintf(expected, std::size(expected), Text(803).c_str(), n);
      const HWND prompt = FindControl(TopmostWindow(), 2005);
      Require(prompt != nullptr, "no prompt");
      WCHAR shown[256] = {};
      GetWindowText(prompt, shown, 256);
      Require(std::u16string(shown) == expected,
              "the prompt does not ask for sample " + std::to_string(n));
    };
  }

  // Runs the enrollment dialog under `script`; its result and template.
  int Enroll(Script& script, std::u16string* enrolled) {
    int result = 0;
    Run(script, [&] {
      CSignatureDlg dialog;
      dialog.SetSignatureMode(1);
      result = static_cast<int>(dialog.DoModal());
      if (result == IDOK) dialog.GetEnrolledTemplate(*enrolled);
    });
    return result;
  }

  // The owner's signature enrolled through the dialog and stored, with
  // logon method 2.
  void ConfigureOwner(testing_support::DeviceSetup setup = {}) {
    std::u16string enrolled;
    Script script;
    for (int n = 1; n <= 5; ++n) script.Lines(Sign("owner-" + std::to_string(n)) + "tap 2002\n");
    ASSERT_EQ(Enroll(script, &enrolled), IDOK);
    setup.logonMethod = 2;
    Configure(setup);
    ASSERT_TRUE(LoadCredentials());
    AssignSecret(g_strSignature, enrolled);
    ASSERT_TRUE(SaveCredentials());
    WipeAllSecrets();
  }

  // Pixels of the pad's ink colour on the screen, within the pad.
  static int InkOnPad() {
    const HWND pad = FindControl(TopmostWindow(), 2000);
    Require(pad != nullptr, "no pad");
    RECT area{};
    GetWindowRect(pad, &area);
    const auto& pixels = platform::ui::screen::Pixels();
    int ink = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
      for (LONG x = area.left; x < area.right; ++x)
        if (pixels[std::size_t(y) * platform::ui::screen::kWidth + std::size_t(x)] == 0x000080)
          ++ink;
    return ink;
  }

  // The message box on top shows string `id` formatted with `n`.
  static std::function<void()> BoxSays(UINT id, int n) {
    return [id, n] {
      WCHAR expected[256] = {};
      wsprintf(expected, std::size(expected), Text(id).c_str(), n);
      std::u16string shown;
      Require(IsMessageBox(TopmostWindow(), &shown) && shown == expected,
              "the box does not show string " + std::to_string(id) + " with " + std::to_string(n));
    };
  }
};

TEST_F(SignatureLogonTest, EnrollmentAsksForFiveSamplesAndClearKeepsThoseTaken) {
  std::u16string enrolled;
  Script script;
  script
      .Lines(
          "expect dialog 1000\ncheck 2004 visible 1\ncheck 2005 visible 1\n"
          "check 2007 visible 1\ncheck 2002 text Next\ncheck 2003 text Cancel\n")
      .Then(PromptIs(1));
  script.Lines(Sign("owner-1") + "tap 2002\n").Then(PromptIs(2));
  // The ink shows as it is written (a circle: well over its 30 points,
  // so the points are joined) and goes with "Clear"; scribbles cleared
  // away are not part of the next sample.
  script.Lines(Sign("forgery"))
      .Then([] { Require(InkOnPad() > 200, "the ink is not drawn as a connected line"); })
      .Lines("tap 2008\n")
      .Then([] { Require(InkOnPad() == 0, "\"Clear\" left ink on the pad"); })
      .Then(PromptIs(2));
  // Confirming before the enrollment is complete is refused.
  script.Then([] { PostMessage(TopmostWindow(), WM_COMMAND, IDOK, 0); })
      .Lines("expect box 802\ntap 1\nexpect dialog 1000\n");
  // Tapping "Next" on an empty pad takes no sample.
  script.Lines("tap 2002\n").Then(PromptIs(2));
  for (int n = 2; n <= 5; ++n) {
    script.Lines(Sign("owner-" + std::to_string(n)) + "tap 2002\n");
    if (n < 5) script.Then(PromptIs(n + 1));
  }
  EXPECT_EQ(Enroll(script, &enrolled), IDOK);
  EXPECT_FALSE(enrolled.empty());
}

TEST_F(SignatureLogonTest, AnInconsistentSampleIsSignedAgainInItsOwnSlot) {
  std::u16string enrolled;
  Script script;
  script.Lines(Sign("owner-1") + "tap 2002\n" + Sign("owner-2") + "tap 2002\n");
  script.Lines(Sign("forgery") + "tap 2002\n");
  script.Lines(Sign("owner-3") + "tap 2002\n" + Sign("owner-4") + "tap 2002\n");
  script.Lines("expect box 799\n").Then(BoxSays(799, 3)).Lines("tap 1\n").Then(PromptIs(3));
  // Were the new sample added instead of replacing the third, the forgery
  // would stay and the check would fail again.
  script.Lines(Sign("owner-5") + "tap 2002\n");
  EXPECT_EQ(Enroll(script, &enrolled), IDOK);
  EXPECT_FALSE(enrolled.empty());
}

TEST_F(SignatureLogonTest, CancelEndsAnEnrollment) {
  std::u16string enrolled;
  Script script(Sign("owner-1") + "tap 2002\ntap 2003\n");
  EXPECT_EQ(Enroll(script, &enrolled), IDCANCEL);
  EXPECT_TRUE(enrolled.empty());
}

TEST_F(SignatureLogonTest, AnEnrollmentWithoutTheComponentSaysSoAndEndsWithCancel) {
  // Not even the pad can be made.
  platform::faults::Fail("CoGetClassObject", ERROR_NOT_ENOUGH_MEMORY, 1, 0);
  std::u16string enrolled;
  Script script("expect box 2013\ntap 1\n");
  EXPECT_EQ(Enroll(script, &enrolled), IDCANCEL);
  EXPECT_TRUE(enrolled.empty());
}

TEST_F(SignatureLogonTest, TheOwnerIsLetInAndAForgeryIsCountedAndDelayed) {
  ConfigureOwner();
  Script script;
  script.Lines(
      "expect dialog 1000\ncheck 2004 visible 0\ncheck 2005 visible 0\n"
      "check 2007 visible 0\ncheck 2002 text Validate\ncheck 2003 text Help\n");
  script.Lines(Sign("forgery") + "tap 2002\nexpect box 592\ntap 1\n")
      .Then([] { Require(Retry() == 1u, "the forgery was not counted"); })
      .Lines("expect dialog 634\nwait 1000\nwait 20\nexpect dialog 1000\n");
  // "Help" offers the unblock dialog; cancelled, the signature dialog stays.
  script.Lines("tap 2003\nexpect dialog 785\ntap 2\nexpect dialog 1000\n");
  script.Lines(Sign("owner-6") + "tap 2002\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(Retry(), 0u);
}

// "Help" with the right master password enrolls a new signature full
// screen; the dialog then verifies against it and the new one is stored.
TEST_F(SignatureLogonTest, HelpUnblocksByANewEnrollment) {
  ConfigureOwner();
  ASSERT_TRUE(LoadCredentials());
  const std::u16string before = g_strSignature;
  WipeAllSecrets();
  Script script;
  script.Lines("expect dialog 1000\ntap 2003\nexpect dialog 785\ntype 727 Master#1\ntap 729\n")
      .Lines("expect dialog 1000\ncheck 2004 visible 1\ncheck 2002 text Next\n");
  for (int n = 2; n <= 6; ++n) script.Lines(Sign("owner-" + std::to_string(n)) + "tap 2002\n");
  script.Lines("expect dialog 1000\ncheck 2002 text Validate\n")
      .Lines(Sign("owner-1") + "tap 2002\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  ASSERT_TRUE(LoadCredentials());
  EXPECT_FALSE(g_strSignature.empty());
  EXPECT_NE(g_strSignature, before);
  WipeAllSecrets();
}

TEST_F(SignatureLogonTest, TheFalseLogonLimitActsFromTheSignatureDialog) {
  ConfigureOwner({.maxFalseLogons = 1, .actionAfterMax = 0});
  Script script;
  script.Lines(Sign("forgery") + "tap 2002\n")
      .Then([] {
        Require(platform::device::RebootRequested() && platform::device::CleanBootFlagSet(),
                "the limit did not reset the device");
      })
      .Lines("expect box 592\ntap 1\nwait 1020\n" + Sign("owner-6") + "tap 2002\n");
  EXPECT_TRUE(PromptUnder(script).has_value());
}

TEST_F(SignatureLogonTest, WithoutTheEngineTheLogonFallsBackToThePassword) {
  ConfigureOwner();
  platform::faults::Fail("CoCreateInstance", ERROR_NOT_ENOUGH_MEMORY, 1, 0);
  EXPECT_EQ(PromptUnder("expect box 2013\ntap 1\nexpect dialog 628\ntype 679 user1234\ntap 1\n"),
            u"user1234");
}

TEST_F(SignatureLogonTest, AnUnregisteredComponentAlsoFallsBackToThePassword) {
  ConfigureOwner();
  ASSERT_TRUE(UnregisterSignatureControl(u"\\Windows\\Panel.ocx"));
  // A wrong password is still refused: the fallback is no way around.
  EXPECT_EQ(PromptUnder("expect box 2013\ntap 1\nexpect dialog 628\ntype 679 wrong\ntap 1\nexpect "
                        "box 590\ntap 1\n"
                        "wait 1020\nexpect dialog 628\ntype 679 user1234\ntap 1\n"),
            u"user1234");
}

}  // namespace
