// Signatures as a person meets them: enrolling five samples on the
// signature dialog (one signed badly and signed again, one cleared), and
// logging on by signature: the owner is let in, a forgery is counted and
// delayed, the limit acts, and a device without a working signature
// component falls back to the password. The engine behind the dialog is
// only trusted to tell the owner's strokes from a clearly different shape.
// Logon with a symbol password: the pad in fixed and random key order, its
// OK rules, wrong entries through the false-logon control, and the pad that
// can't be dismissed at the lock screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "logonui/signature_dlg.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
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

using namespace platform::ui::scripted_user;
using namespace testing_support;

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
      const HWND prompt = FindControl(TopmostWindow(), 2005);
      Require(prompt != nullptr &&
                  ReadProperty(prompt, Property::kText) == platform::ToUtf8(Formatted(803, n)),
              "the prompt does not ask for sample " + std::to_string(n));
    };
  }
  // String `id` with `n` put in.
  static std::u16string Formatted(UINT id, int n) {
    WCHAR text[256] = {};
    wsprintf(text, std::size(text), Text(id).c_str(), n);
    return text;
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
  script.Lines("expect box 799\n")
      .Then([] {
        std::u16string shown;
        Require(IsMessageBox(TopmostWindow(), &shown) && shown == Formatted(799, 3),
                "the box does not name sample 3");
      })
      .Lines("tap 1\n")
      .Then(PromptIs(3));
  // Were the new sample added instead of replacing the third, the forgery
  // would stay and the check would fail again.
  script.Lines(Sign("owner-5") + "tap 2002\n");
  EXPECT_EQ(Enroll(script, &enrolled), IDOK);
  EXPECT_FALSE(enrolled.empty());
}

TEST_F(SignatureLogonTest, AnEnrollmentEndsWithCancel) {
  std::u16string enrolled;
  Script script(Sign("owner-1") + "tap 2002\ntap 2003\n");
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

// No engine, or the component unregistered: the password logon instead,
// where a wrong password is still refused.
TEST_F(SignatureLogonTest, WithoutAWorkingComponentTheLogonFallsBackToThePassword) {
  ConfigureOwner();
  for (const bool registered : {true, false}) {
    if (registered) {
      platform::faults::Fail("CoCreateInstance", ERROR_NOT_ENOUGH_MEMORY, 1, 0);
    } else {
      ASSERT_TRUE(UnregisterSignatureControl(u"\\Windows\\Panel.ocx"));
    }
    EXPECT_EQ(PromptUnder("expect box 2013\ntap 1\nexpect dialog 628\ntype 679 wrong\ntap 1\n"
                          "expect box 590\ntap 1\nwait 1020\nexpect dialog 628\n"
                          "type 679 user1234\ntap 1\n"),
              u"user1234")
        << registered;
    platform::faults::Clear();
  }
}

// The symbol each key 503..512 of the pad on top shows, as its text says.
std::vector<std::string> KeyTexts() {
  std::vector<std::string> texts;
  for (int id = 503; id <= 512; ++id) {
    const HWND key = FindControl(TopmostWindow(), id);
    texts.push_back(key ? ReadProperty(key, Property::kText) : "?");
  }
  return texts;
}

using SymbolPadTest = ScenarioTest;

TEST_F(SymbolPadTest, FixedOrderKeysCorrectionsAndAWrongEntryBeforeTheRightOne) {
  Configure({.logonMethod = 1, .symbols = u"4711"});
  Script script;
  script
      .Lines(
          "expect dialog 522\ncheck 503 text 0\ncheck 512 text 9\ncheck 1 enabled 0\n"
          "check 501 visible 0\ncheck 576 visible 0\n"
          // One symbol is enough to try; CE on it empties the entry.
          "symbols 4\ncheck 572 text *\ncheck 1 enabled 1\ntap 513\ncheck 572 text \n"
          "check 1 enabled 0\n"
          // CE on two leaves one; CL empties.
          "symbols 47\ntap 513\ncheck 572 text *\ncheck 1 enabled 1\ntap 514\n"
          "check 572 text \ncheck 1 enabled 0\n"
          // At the lock screen the pad can't be dismissed.
          "key Escape\nexpect dialog 522\n"
          "symbols 4712\ntap 1\nexpect box 652\ntap 1\n")
      .Then([] {
        Require(Retry() == 1u, "the wrong entry was not counted");
        const auto record = DelayRecord();
        Require(record && record->count == 1 && record->pending == 1, "no delay is owed");
      })
      .Lines(
          "expect dialog 634\nwait 1000\nwait 20\nexpect dialog 522\ncheck 572 text \n"
          "check 1 enabled 0\nsymbols 4711\ntap 1\n");
  // The shell gets the user password, never the symbols.
  EXPECT_EQ(PromptUnder(script), u"user1234");
}

TEST_F(SymbolPadTest, RandomOrderShowsEverySymbolOnceAndTakesTheSamePassword) {
  Configure({.logonMethod = 1, .symbols = u"4711", .randomOrder = 1});
  Script script;
  script.Lines("expect dialog 522\n")
      .Then([] {
        // The order is drawn from rand() seeded with the tick count, which
        // the virtual clock fixes: the same order on every run.
        const auto texts = KeyTexts();
        auto sorted = texts;
        std::sort(sorted.begin(), sorted.end());
        std::string all;
        for (const auto& t : texts) all += t;
        Require(
            sorted == std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
            "the keys don't show a permutation: " + all);
        Require(all != "0123456789",
                "the order was not shuffled (tick " + std::to_string(GetTickCount()) + ")");
      })
      .Lines("symbols 4711\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
}

TEST_F(SymbolPadTest, AStoredPasswordOfAnotherLengthVerifiesExactlyAndAFullEntryStopsGrowing) {
  Configure({.logonMethod = 1, .symbols = u"0123456789"});
  const std::string full(259, '*');
  Script script;
  script.Lines(
      // A prefix is not the password.
      "expect dialog 522\nsymbols 01234567\ntap 1\nexpect box 652\ntap 1\nwait 1020\n"
      "expect dialog 522\n" +
      std::string("symbols ") + std::string(260, '9') + "\ncheck 572 text " + full +
      "\ntap 514\nsymbols 0123456789\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
}

TEST_F(SymbolPadTest, TheFalseLogonLimitIsReachedFromThePad) {
  Configure({.logonMethod = 1, .maxFalseLogons = 1, .symbols = u"4711"});
  Script script;
  script.Lines("expect dialog 522\nsymbols 1111\ntap 1\nexpect box 652\n")
      .Then([] {
        Require(
            RegBytes(HKEY_CURRENT_USER, testing_support::kZentrakKey, u"ContinueAlarm").has_value(),
            "the limit's alarm did not start");
      })
      .Lines("tap 1\nwait 1020\nexpect dialog 522\nsymbols 4711\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, testing_support::kZentrakKey, u"ContinueAlarm"));
}

}  // namespace
