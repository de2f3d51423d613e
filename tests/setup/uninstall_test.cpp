// Uninstall as the remover calls it: the master password prompt, what is
// removed, and what a wrong password, a cancel or a running logon leave.
#include <gtest/gtest.h>

#include "platform/beeps.h"
#include "platform/database.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/modules.h"
#include "tests/support/scenario_fixture.h"

namespace {

using testing_support::kOwnerKey;
using testing_support::kPasswordKey;
using testing_support::kZentrakKey;
using testing_support::ScenarioTest;

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

TEST_F(UninstallTest, CancellingThePromptChangesNothing) {
  Configure({});
  EXPECT_EQ(UninstallUnder("expect dialog 786\ntap 2\n"), 1);
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

TEST_F(UninstallTest, WhileALogonRunsItOnlyBeeps) {
  Configure({});
  const HANDLE logon = CreateMutex(nullptr, TRUE, u"OMREL_AUTHENTICATE_MUTEX");
  EXPECT_EQ(UninstallUnder(""), -1);
  CloseHandle(logon);
  EXPECT_EQ(platform::beeps::Recorded().size(), 1u);
  ExpectInstalled();
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
