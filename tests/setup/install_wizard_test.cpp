// The installation wizard as a person meets it: through PromptForPasswd on
// a new device and through ExecuteInstallWizard, with what it leaves in
// the registry, the credential record and the system password.
// Uninstall as the remover calls it: the master password prompt, what is
// removed, and what a wrong password, a cancel or a running logon leave.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/beeps.h"
#include "platform/database.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/modules.h"
#include "platform/system_password.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/wstring.h"
#include "tests/support/scenario_fixture.h"

namespace {

using namespace platform::ui::scripted_user;
using namespace testing_support;

// `text` typed into both password fields.
std::string Both(const std::string& text) {
  return "type 684 " + text + "\ntype 685 " + text + "\n";
}

class InstallWizardTest : public ScenarioTest {
 protected:
  LONG WizardUnder(Script& script) {
    LONG result = 99;
    Run(script, [&] { result = module_->InstallWizard(); });
    return result;
  }
  // A check that the wizard shows page `page` (1 master, 2 user).
  std::function<void()> OnPage(int page) {
    return [this, page] {
      Require(testing_support::TopmostTemplate() == 778, "the wizard is not in front");
      const HWND info = FindControl(TopmostWindow(), 719);
      Require(info && ReadProperty(info, Property::kText) ==
                          platform::ToUtf8(Text(page == 1 ? 618 : 620)),
              "the information box does not show page " + std::to_string(page));
    };
  }
};

TEST_F(InstallWizardTest, ANewDeviceIsInstalledAndLogsOnWithThePasswordsJustAssigned) {
  const std::string k32 = "abcdefghijklmnopqrstuvwxyz123456";
  Script script;
  auto noBeep = [] {
    Require(platform::beeps::Recorded().empty(), "the wizard beeped without a reason");
  };
  script.Lines("expect dialog 778\ncheck 717 text Next >>\n")
      .Then(OnPage(1))
      .Then(noBeep)
      // Lengths 3, 4, 32 and 33 with a matching confirmation.
      .Lines(Both("abc") + "check 717 enabled 0\n" + Both("abcd") + "check 717 enabled 1\n" +
             Both(k32) + "check 717 enabled 1\n" + Both(k32 + "7") + "check 717 enabled 0\n" +
             // Only the case differs.
             "type 684 Master#1\ntype 685 master#1\ncheck 717 enabled 0\n")
      // Enter on a page that isn't acceptable only beeps.
      .Then([] { platform::beeps::Clear(); })
      .Lines("key Enter\n")
      .Then(OnPage(1))
      .Then([] {
        Require(platform::beeps::Recorded() == std::vector<UINT>{MB_ICONHAND},
                "Enter on an unacceptable page did not beep once");
        platform::beeps::Clear();
      })
      // The input panel covers the buttons while a field has the focus:
      // Enter takes the default button, Next.
      .Lines(
          "type 685 Master#1\ncheck 717 enabled 1\nkey Enter\n"
          // No system password: no prompt, straight to page 2 with
          // empty fields and Finish! disabled.
          "expect dialog 778\ncheck 717 text Finish!\ncheck 717 enabled 0\n"
          "check 684 text \ncheck 685 text \n")
      .Then(OnPage(2))
      .Then(noBeep)
      .Lines(
          "type 684 User1234\ntype 685 User1234\nkey Enter\n"
          "expect box 627\ntap 1\n"
          // The logon follows at once, with the password just assigned.
          "expect dialog 628\ntype 679 User1234\ntap 1\n");

  EXPECT_EQ(PromptUnder(script), u"User1234");
  EXPECT_TRUE(system_->Check(u"User1234"));
  EXPECT_FALSE(system_->Check(u"Master#1"));

  // One closing box, and nobody reboots.
  EXPECT_EQ(platform::message_box::Recorded().size(), 1u);
  EXPECT_FALSE(platform::device::RebootRequested());

  // What the completed wizard leaves behind.
  platform::system_password::Record os;
  EXPECT_TRUE(platform::system_password::Load(&os) && os.active);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass"), testing_support::Bytes{2});
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"),
            testing_support::Utf16Bytes(u"\\Windows\\Password.cpl"));
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod"), 0u);
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"User1234"));
}

TEST_F(InstallWizardTest, AnExistingSystemPasswordMustBeProvenAndThreeWrongOnesAbort) {
  ASSERT_TRUE(system_->Set(u"", u"Old#pass"));
  Script script(
      "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
      "expect dialog 786\ncheck 738 text Current User Password\ncheck 1 enabled 0\n"
      "type 777 wrong-1\ntap 1\nexpect box 590\ntap 1\n"
      // Every run of the prompt starts empty.
      "expect dialog 786\ncheck 777 enabled 1\ncheck 1 enabled 0\n"
      "type 777 wrong-2\ntap 1\nexpect box 590\ntap 1\n"
      "expect dialog 786\ntype 777 wrong-3\ntap 1\n"
      // The third wrong one ends the wizard without 590.
      "expect box 658\ntap 1\n");
  EXPECT_EQ(WizardUnder(script), 1);
  EXPECT_TRUE(system_->Check(u"Old#pass"));
  EXPECT_FALSE(StoredPasswords().has_value());
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect"));
}

TEST_F(InstallWizardTest, CancellingThePromptGoesBackToPage1ThenTheProvenPasswordIsReplaced) {
  ASSERT_TRUE(system_->Set(u"", u"Old#pass"));
  Script script;
  script
      .Lines(
          "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
          "expect dialog 786\ntap 2\n")
      .Then(OnPage(1))
      .Lines(
          "check 684 text Master#1\ncheck 685 text Master#1\n"
          "check 717 text Next >>\ncheck 717 enabled 1\n"
          "key Enter\nexpect dialog 786\ntype 777 Old#pass\ntap 1\n")
      .Then(OnPage(2))
      .Lines("type 684 User1234\ntype 685 User1234\nkey Enter\nexpect box 627\ntap 1\n");
  EXPECT_EQ(WizardUnder(script), 0);
  // The system password was changed from the proven one.
  EXPECT_TRUE(system_->Check(u"User1234"));
  EXPECT_FALSE(system_->Check(u"Old#pass"));
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"User1234"));
}

TEST_F(InstallWizardTest, AFailedStepTakesBackTheSystemPasswordAndFinishRetries) {
  ASSERT_TRUE(system_->Set(u"", u"Old#pass"));
  // The system password is changed, then switching it on fails once: the
  // change is undone with the rest of Finish!.
  platform::faults::Fail("SetPasswordActive", ERROR_ACCESS_DENIED);
  Script script;
  script
      .Lines(
          "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
          "expect dialog 786\ntype 777 Old#pass\ntap 1\n"
          "type 684 User1234\ntype 685 User1234\nkey Enter\n"
          "expect box 598\ntap 1\n")
      .Then(OnPage(2))
      .Then([this] { Require(system_->Check(u"Old#pass"), "the system password stayed changed"); })
      .Then(testing_support::LowerInputPanel)
      .Lines("tap 717\nexpect box 627\ntap 1\n");
  EXPECT_EQ(WizardUnder(script), 0);
  EXPECT_TRUE(system_->Check(u"User1234"));
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"User1234"));
}

TEST_F(InstallWizardTest, AFailedFinalSaveStallsUntilCancelled) {
  // The credential record can't be written.
  platform::faults::Fail("CeWriteRecordProps", ERROR_DISK_FULL, 1, 0);
  Script script;
  script
      .Lines(
          "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
          "type 684 User1234\ntype 685 User1234\nkey Enter\n"
          "expect box 606\ntap 1\nexpect box 600\ntap 1\n")
      .Then(OnPage(2))
      .Lines("check 717 enabled 1\n")
      .Then([] { platform::message_box::ClearRecorded(); })
      // Finish!, tapped or by Enter, does nothing any more.
      .Then(testing_support::LowerInputPanel)
      .Lines("tap 717\nwait 100\ntype 685 User1234\nkey Enter\nwait 100\n")
      .Then(OnPage(2))
      .Then([] {
        Require(platform::message_box::Recorded().empty(), "Finish! showed a box after the stall");
      })
      .Then(testing_support::LowerInputPanel)
      .Lines("tap 2\nexpect box 658\ntap 1\n");
  EXPECT_EQ(WizardUnder(script), 1);
  platform::faults::Clear();
  // Nothing of the new passwords in the record, nor in the system: the
  // failed save took the system password's change back with it.
  EXPECT_FALSE(StoredPasswords().has_value());
  EXPECT_FALSE(system_->IsSet());
}

TEST_F(InstallWizardTest, WithoutTheSignatureComponentNothingIsShown) {
  std::filesystem::remove(platform::device::MapPath(u"\\Windows\\Panel.ocx"));
  Script script;  // a window would make the empty script run out
  EXPECT_EQ(WizardUnder(script), -1);
  EXPECT_TRUE(platform::message_box::Recorded().empty());
  EXPECT_FALSE(system_->IsSet());
}

constexpr const char* kRightMaster = "expect dialog 786\ntype 777 Master#1\ntap 1\n";

class UninstallTest : public ScenarioTest {
 protected:
  LONG UninstallUnder(std::string_view script) {
    using Fn = LONG (*)(HWND);
    auto uninstall = reinterpret_cast<Fn>(GetProcAddress(module_->Handle(), "Uninstall"));
    EXPECT_NE(uninstall, nullptr);
    LONG result = 99;
    if (uninstall != nullptr) Run(script, [&] { result = uninstall(nullptr); });
    return result;
  }
  static bool CredentialsExist() {
    CEOID oid = 0;
    const HANDLE db = CeOpenDatabase(&oid, u"Vexlund", 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    CloseHandle(db);
    return true;
  }
  // Everything the installation put in place is still there.
  void ExpectInstalled() {
    EXPECT_TRUE(system_->Check(u"user1234"));
    EXPECT_TRUE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect").has_value());
    EXPECT_TRUE(RegDword(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod").has_value());
    EXPECT_TRUE(CredentialsExist());
  }
};

TEST_F(UninstallTest, AWrongMasterPasswordIsAFalseLogonAndTheRightOneRemovesEverything) {
  Configure({});
  const LONG result = UninstallUnder(
      "expect dialog 786\ntype 777 master#1\ntap 1\nexpect box 631\ntap 1\nexpect dialog 634\n"
      "wait 1100\n" +
      std::string(kRightMaster));
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(system_->IsSet());
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect").has_value());
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kPasswordKey, u"Group"), 0u);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass"), testing_support::Bytes{0});
  EXPECT_FALSE(RegDword(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod").has_value());
  // The false logon was counted under the per-user key, which is gone too.
  EXPECT_FALSE(Retry().has_value());
  EXPECT_FALSE(CredentialsExist());
}

// Cancelled, or while a logon runs (which only beeps): nothing is removed.
TEST_F(UninstallTest, CancelledOrDuringALogonNothingIsRemoved) {
  Configure({});
  EXPECT_EQ(UninstallUnder("expect dialog 786\ntap 2\n"), 1);
  ExpectInstalled();
  platform::beeps::Clear();
  const HANDLE logon = CreateMutex(nullptr, TRUE, u"OMREL_AUTHENTICATE_MUTEX");
  EXPECT_EQ(UninstallUnder(""), -1);
  CloseHandle(logon);
  EXPECT_EQ(platform::beeps::Recorded().size(), 1u);
  ExpectInstalled();
}

TEST_F(UninstallTest, ASystemPasswordTheModuleDoesNotKnowStopsTheRemoval) {
  Configure({});
  ASSERT_TRUE(system_->Set(u"user1234", u"changed-elsewhere"));
  EXPECT_EQ(UninstallUnder(std::string(kRightMaster) + "expect box 635\ntap 1\n"), -1);
  EXPECT_TRUE(system_->Check(u"changed-elsewhere"));
  EXPECT_TRUE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect").has_value());
  EXPECT_TRUE(CredentialsExist());
}

TEST_F(UninstallTest, AFailedPasswordResetAfterTheRemovalLeavesTheSystemPromptWithTheSamePassword) {
  Configure({});
  // The check passes, the reset itself fails.
  platform::faults::Fail("SetPassword", ERROR_ACCESS_DENIED, 2);
  EXPECT_EQ(UninstallUnder(std::string(kRightMaster) + "expect box 635\ntap 1\n"), -1);
  platform::faults::Clear();
  EXPECT_TRUE(system_->Check(u"user1234"));
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kOwnerKey, u"PowrPass"), testing_support::Bytes{2});
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kPasswordKey, u"Redirect").has_value());
}

}  // namespace
