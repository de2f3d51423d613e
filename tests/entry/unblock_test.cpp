// "Help" at the lock screen: the master password unblocks, the user sets a
// new secret, and logs on with it. What the device stores on every road,
// including the failing ones.
#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/ui/script/scripted_user.h"
#include "tests/support/run_scripted.h"
#include "tests/support/scenario_fixture.h"

namespace {

using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

// From the password dialog into the unblock dialog, the right master
// password, and on to the dialog that sets the new secret.
constexpr const char* kUnblockFromPassword =
    "expect dialog 628\ntap 724\nexpect dialog 785\ncheck 729 enabled 0\n"
    "type 727 Master#1\ntap 729\n";
// The new user password typed twice in the change-password dialog.
std::string NewUserPassword(const std::string& password) {
  return "expect dialog 626\ncheck 777 enabled 0\ntype 684 " + password + "\ntype 685 " + password +
         "\n";
}

class UnblockTest : public ScenarioTest {
 protected:
  std::optional<DWORD> SymbolSet() {
    return RegDword(HKEY_LOCAL_MACHINE, testing_support::kZentrakKey, u"PictoSymbolset");
  }
};

TEST_F(UnblockTest, AWrongMasterIsAFalseLogonTheRightOneSetsANewUserPassword) {
  Configure({});
  Script script;
  script
      .Lines(
          "expect dialog 628\ntype 679 forgotten\ntap 1\nexpect box 590\ntap 1\nwait 1020\n"
          "expect dialog 628\ntap 724\nexpect dialog 785\ntype 727 Master#2\ntap 729\n"
          "expect box 631\ntap 1\n")
      .Then([] {
        Require(Retry() == 2u, "the wrong master password was not counted");
        Require(DelayRecord() && DelayRecord()->count == 2, "no delay for the wrong master");
      })
      // Four seconds for the second false logon; then the field is empty.
      .Lines(
          "expect dialog 634\nwait 4020\nexpect dialog 785\ncheck 727 text \n"
          "type 727 Master#1\ntap 729\n")
      .Then([] {
        // Proving the master password forgets the false logons at once.
        Require(Retry() == 0u && !DelayRecord(), "the false-logon state is not cleared");
      })
      // 3 and 33 characters are refused; 4 with its confirmation are taken.
      .Lines(NewUserPassword("abc") + "check 1 enabled 0\n" +
             NewUserPassword(std::string(33, 'x')) + "check 1 enabled 0\n" +
             NewUserPassword("new4") + "check 1 enabled 1\ntap 1\n")
      // Back at the password dialog, empty, and the new password logs on.
      .Lines(
          "expect dialog 628\ncheck 679 text \ncheck 1 enabled 0\n"
          "type 679 user1234\ntap 1\nexpect box 590\ntap 1\nwait 1020\n"
          "expect dialog 628\ntype 679 new4\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"new4");
  EXPECT_TRUE(system_->Check(u"new4"));
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"new4"));
}

TEST_F(UnblockTest, ARefusedSystemPasswordChangesNoSecretAndACancelledChangeNoneEither) {
  Configure({});
  Script script;
  script.Lines(kUnblockFromPassword)
      .Lines("expect dialog 626\nkey Escape\nexpect dialog 785\ntype 727 Master#1\ntap 729\n" +
             NewUserPassword("new12345"))
      .Then([] {
        // The first call proves the current password, the second changes it.
        platform::faults::Fail("SetPassword", ERROR_ACCESS_DENIED, 2);
      })
      .Lines(
          "tap 1\nexpect box 588\ntap 1\nexpect dialog 785\ntap 2\nexpect dialog 628\n"
          "type 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_TRUE(system_->Check(u"user1234"));
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"user1234"));
}

TEST_F(UnblockTest, TheSymbolPadUnblocksIntoANewPasswordInTheOtherSet) {
  Configure({.logonMethod = 1, .symbols = u"4711", .symbolSet = 0});
  Script script;
  script.Lines(
      "expect dialog 522\ntap 743\nexpect dialog 785\ntype 727 Master#1\ntap 729\n"
      // The pad in its setting use: the other set, then the OK rules.
      "expect dialog 522\ncheck 576 visible 1\ncheck 501 visible 1\ntap 501\n"
      "symbols 123\ncheck 1 enabled 0\nsymbols 4\ncheck 1 enabled 1\nsymbols 56789\n"
      "check 1 enabled 0\ntap 514\nsymbols 1234\ntap 1\n"
      // Confirmation: no set switch; a different entry starts over.
      "check 501 visible 0\nsymbols 1235\ntap 1\nexpect box 580\ntap 1\n"
      "expect dialog 522\ncheck 501 visible 1\nsymbols 1234\ntap 1\nsymbols 1234\ntap 1\n"
      // Back at the lock screen's pad; the old password is gone.
      "expect dialog 522\ncheck 501 visible 0\nsymbols 4711\ntap 1\nexpect box 652\ntap 1\n"
      "wait 1020\nexpect dialog 522\nsymbols 1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(StoredSymbols(), u"1234");
  EXPECT_EQ(SymbolSet(), 1u);
}

TEST_F(UnblockTest, AFailedSaveKeepsTheOldRecordAndTheNewPasswordInMemory) {
  Configure({.logonMethod = 1, .symbols = u"4711"});
  Script script;
  script
      .Lines(
          "expect dialog 522\ntap 743\nexpect dialog 785\ntype 727 Master#1\ntap 729\n"
          "expect dialog 522\nsymbols 2222\ntap 1\nsymbols 2222\n")
      .Then([] { platform::faults::Fail("CeWriteRecordProps", ERROR_DISK_FULL); })
      // The store reports its own error first.
      .Lines(
          "tap 1\nexpect box 606\ntap 1\nexpect box 600\ntap 1\nexpect dialog 785\ntap 2\n"
          "expect dialog 522\nsymbols 2222\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(StoredSymbols(), u"4711");
}

}  // namespace
