// After each road a person takes through the module (install, logon, a
// wrong logon and its delay, unblock, password change, settings Accept), no
// plain secret may be left anywhere in the process's memory. The only
// place one may sit when the scan runs is the password block handed to the
// shell, which the test, as the shell, wipes after the scan.
#include <gtest/gtest.h>

#include <openssl/crypto.h>

#include <iostream>
#include <string>

#include "platform/kernel.h"
#include "platform/ui/shell/shell_internal.h"
#include "tests/support/process_memory_scan.h"
#include "tests/support/scenario_fixture.h"
#include "tests/support/test_seed.h"

namespace {

using namespace testing_support;

enum class Road { kInstall, kLogon, kWrongLogon, kUnblock, kChangeMaster, kSettingsAccept };

const char* NameOf(Road road) {
  constexpr const char* kNames[] = {
      "Install",       "Logon", "WrongLogonAndDelay", "Unblock", "ChangeMasterPassword",
      "SettingsAccept"};
  return kNames[static_cast<int>(road)];
}

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class SecretResidueTest : public ScenarioTest, public ::testing::WithParamInterface<Road> {
 protected:
  void SetUp() override {
    // AddressSanitizer's shadow is terabytes of reserved space no scan can
    // read through, and its quarantine changes what a freed block holds.
    if (kSanitized) GTEST_SKIP() << "the memory scan counts in builds without sanitizers";
    ScenarioTest::SetUp();
    scan_.emplace(testing_support::TestSeed() + static_cast<unsigned>(GetParam()));
    master_ = scan_->Generate("master", 20);
    user_ = scan_->Generate("user", 17);
    other_ = scan_->Generate("other", 23);
  }
  void TearDown() override {
    if (scan_) ScenarioTest::TearDown();
    scan_.reset();
  }

  // The test's only plain copies live in a Plain holder for one call.
  void Type(Script& script, int control, int secret) {
    ProcessMemoryScan::Plain plain;
    scan_->Reveal(secret, &plain);
    script.User().Type(control, plain.Utf8());
  }
  void ConfigureSecretly(DeviceSetup setup) {
    ProcessMemoryScan::Plain master, user;
    scan_->Reveal(master_, &master);
    scan_->Reveal(user_, &user);
    setup.master.assign(master.Utf16());
    setup.user.assign(user.Utf16());
    Configure(setup);
    for (std::u16string* s : {&setup.master, &setup.user})
      OPENSSL_cleanse(s->data(), s->size() * sizeof(char16_t));
  }
  bool SystemPasswordIs(int secret) {
    ProcessMemoryScan::Plain plain;
    scan_->Reveal(secret, &plain);
    return system_->Check(plain.Utf16());
  }
  // PromptForPasswd under `script`; the block it hands over, not yet wiped.
  LPWSTR Prompt(Script& script) {
    LPWSTR handed = nullptr;
    Run(script, [&] { handed = module_->PromptEntry()(nullptr); });
    return handed;
  }

  std::optional<ProcessMemoryScan> scan_;
  int master_ = 0;
  int user_ = 0;
  int other_ = 0;  // a wrong entry or a new password
};

TEST_P(SecretResidueTest, NoPlainSecretIsLeftInTheProcess) {
  const Road road = GetParam();
  Script script;
  LPWSTR handed = nullptr;
  int expectHanded = user_;
  switch (road) {
    case Road::kInstall: {
      script.Lines("expect dialog 778\n");
      Type(script, 684, master_);
      Type(script, 685, master_);
      script.Lines("key Enter\nexpect dialog 778\n");
      Type(script, 684, user_);
      Type(script, 685, user_);
      script.Lines("key Enter\nexpect box 627\ntap 1\n");
      LONG result = -1;
      Run(script, [&] { result = module_->InstallWizard(); });
      EXPECT_EQ(result, 0);
      break;
    }
    case Road::kLogon:
    case Road::kWrongLogon: {
      ConfigureSecretly({});
      script.Lines("expect dialog 628\n");
      if (road == Road::kWrongLogon) {
        Type(script, 679, other_);
        script.Lines("tap 1\nexpect box 590\ntap 1\nexpect dialog 634\nwait 1020\n");
      }
      Type(script, 679, user_);
      script.Lines("tap 1\n");
      handed = Prompt(script);
      break;
    }
    case Road::kUnblock: {
      ConfigureSecretly({});
      script.Lines("expect dialog 628\ntap 724\nexpect dialog 785\n");
      Type(script, 727, master_);
      script.Lines("tap 729\nexpect dialog 626\n");
      Type(script, 684, other_);
      Type(script, 685, other_);
      script.Lines("tap 1\nexpect dialog 628\n");
      Type(script, 679, other_);
      script.Lines("tap 1\n");
      handed = Prompt(script);
      expectHanded = other_;
      break;
    }
    case Road::kChangeMaster:
    case Road::kSettingsAccept: {
      DeviceSetup setup;
      setup.powerOnLogon = road != Road::kSettingsAccept;
      ConfigureSecretly(setup);
      script.Lines("expect dialog 628\n");
      Type(script, 679, user_);
      script.Lines("tap 1\n");
      if (road == Road::kChangeMaster) {
        script.Lines("tap 0x3020 3\ntap 697\nexpect dialog 626\n");
        Type(script, 777, master_);
        Type(script, 684, other_);
        Type(script, 685, other_);
        script.Lines("tap 1\n");
      } else {
        // Power-on logon switched on: the system password is made active.
        script.Lines("tap 669\ntap 711\n");
      }
      script.Then([] {
        Require(platform::ui::shell::DoneButtonVisible(), "the sheet shows no OK button");
        platform::ui::shell::detail::PressDone();
      });
      LONG result = -1;
      Run(script, [&] { result = module_->Applet(CPL_DBLCLK); });
      EXPECT_EQ(result, 0);
      break;
    }
  }
  const bool prompted =
      road != Road::kInstall && road != Road::kChangeMaster && road != Road::kSettingsAccept;
  if (prompted) {
    ASSERT_NE(handed, nullptr);
    scan_->Allow(handed, (std::char_traits<char16_t>::length(handed) + 1) * sizeof(char16_t),
                 "the password handed to the shell");
  }
  const ProcessMemoryScan::Result result = scan_->Scan();
  std::cout << NameOf(road) << ": " << result.Report();
  EXPECT_EQ(result.Disallowed(), 0u) << result.Report();
  EXPECT_GT(result.bytesRead, 0u);
  if (prompted) {
    // The scan sees what is there: the handed block is found.
    EXPECT_EQ(result.hits.size(), 1u) << result.Report();
    EXPECT_TRUE(scan_->Equals(expectHanded, handed));
    OPENSSL_cleanse(handed, std::char_traits<char16_t>::length(handed) * sizeof(char16_t));
    LocalFree(handed);
  }

  // The road was taken to its end, not cut short by a screen the script
  // did not expect.
  const auto stored = StoredPasswords();
  ASSERT_TRUE(stored.has_value());
  const int master = road == Road::kChangeMaster ? other_ : master_;
  const int user = road == Road::kUnblock ? other_ : user_;
  EXPECT_TRUE(scan_->Equals(master, stored->first));
  EXPECT_TRUE(scan_->Equals(user, stored->second));
  EXPECT_TRUE(SystemPasswordIs(user));
  if (road == Road::kWrongLogon) {
    EXPECT_EQ(Retry(), 0u);
  }
  if (road == Road::kSettingsAccept) {
    EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, testing_support::kOwnerKey, u"PowrPass"),
              testing_support::Bytes{2});
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, SecretResidueTest,
                         ::testing::Values(Road::kInstall, Road::kLogon, Road::kWrongLogon,
                                           Road::kUnblock, Road::kChangeMaster,
                                           Road::kSettingsAccept),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

}  // namespace
