#include "store/settings_model.h"

#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system_names.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::StoreTest;

constexpr const char16_t* kShellKey = kShellPolicyKeyPath;

class SettingsModelTest : public StoreTest {};

// Every stored field set away from its default, so a field that isn't
// written or read shows up as a difference.
SettingsRecord NonDefaultRecord() {
  SettingsRecord s;
  s.LogonMethod = 2;
  s.LogonActiveSync = 0;
  s.RandPictoOrder = 1;
  s.PictoSymbolset = 3;
  s.MaxFalseLogonRetries = 0;
  s.MaxFalseLogonRetriesValue = 9;
  s.ActionAfterMaxFalseLogons = 0;
  s.AlarmSound = u"\\My Documents\\Siren.wav";
  s.DisplayOwnerInfo = 3;
  s.WelcomeText1 = u"Property of Ann";
  s.WelcomeText2 = u"Reward if found \u00e9";
  s.ShowQuickAccess = 0;
  s.ActivationDelay = 1;
  s.ActivationDelayValue = 42;
  return s;
}

// "LogonMethod" decides: without it a load fails (quietly, reading no
// further); with it alone the rest keeps its defaults.
TEST_F(SettingsModelTest, LoadNeedsLogonMethodAndKeepsDefaultsForTheRest) {
  EXPECT_FALSE(LoadSettings(true, true));
  SettingsRecord expected;
  expected.PlatformType = 2;  // worked out whatever else fails
  EXPECT_EQ(g_Settings, expected);
  EXPECT_TRUE(platform::message_box::Recorded().empty());

  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonActiveSync", 0);
  EXPECT_FALSE(LoadSettings(true, false));
  EXPECT_EQ(g_Settings.LogonActiveSync, 1u);

  RegDeleteKey(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonMethod", 1);
  EXPECT_TRUE(LoadSettings(true, false));
  expected.LogonMethod = 1;
  expected.PowerOnLogon = 0;  // no "PowrPass" value means off
  EXPECT_EQ(g_Settings, expected);
}

TEST_F(SettingsModelTest, SaveThenLoadRestoresEveryField) {
  g_Settings = NonDefaultRecord();
  ASSERT_TRUE(SaveSettings(true, false));
  g_Settings = SettingsRecord{};
  ASSERT_TRUE(LoadSettings(true, false));
  SettingsRecord expected = NonDefaultRecord();
  expected.PlatformType = 2;
  expected.PowerOnLogon = 0;
  EXPECT_EQ(g_Settings, expected);
  // The saved delay went to the OS as its activation period.
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kShellKey, u"ActivePeriod"),
            (std::vector<BYTE>{42, 0, 0, 0}));
}

TEST_F(SettingsModelTest, EmptyTextsDeleteWelcomeButKeepAlarmSound) {
  g_Settings = NonDefaultRecord();
  ASSERT_TRUE(SaveSettings(true, false));
  g_Settings.WelcomeText1.clear();
  g_Settings.AlarmSound.clear();
  ASSERT_TRUE(SaveSettings(true, false));
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"WelcomeText1"));
  EXPECT_TRUE(RegBytes(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"WelcomeText2"));
  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"AlarmSound"),
            Utf16Bytes(u"\\My Documents\\Siren.wav"));
}

TEST_F(SettingsModelTest, ActivePeriodIsTheMasterCopyOnlyWhileTheDelayIsOn) {
  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonMethod", 0);
  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ActivationDelay", 1);
  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ActivationDelayValue", 10);
  SetRegDword(HKEY_CURRENT_USER, kShellKey, u"ActivePeriod", 15);
  ASSERT_TRUE(LoadSettings(true, false));
  EXPECT_EQ(g_Settings.ActivationDelayValue, 15u);

  SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ActivationDelay", 0);
  ASSERT_TRUE(LoadSettings(true, false));
  EXPECT_EQ(g_Settings.ActivationDelayValue, 10u);
  ASSERT_TRUE(SaveSettings(true, false));
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kShellKey, u"ActivePeriod"),
            (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(SettingsModelTest, FailingWriteFailsTheSaveQuietly) {
  g_Settings = NonDefaultRecord();
  // A write that fails midway fails the save before the OS hears of the
  // new activation period.
  platform::faults::Fail("RegSetValueEx", ERROR_WRITE_FAULT, 5);
  EXPECT_FALSE(SaveSettings(true, false));
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kShellKey, u"ActivePeriod"));
  // Nor do the values written before the failing one stay.
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonMethod"));
  // The save itself shows nothing: its callers choose the message.
  EXPECT_TRUE(platform::message_box::Recorded().empty());
  // Nor does it write anything without its key.
  platform::faults::Fail("RegCreateKeyEx", ERROR_ACCESS_DENIED, 1, 0);
  EXPECT_FALSE(SaveSettings(true, false));
  EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"LogonMethod"));
}

TEST_F(SettingsModelTest, PlatformTypeNeedsVersionThreeAndPocketPc) {
  platform::faults::Fail("GetVersionEx", ERROR_NOT_SUPPORTED);
  LoadSettings(false, false);
  EXPECT_EQ(g_Settings.PlatformType, 1u);
  platform::faults::Fail("SystemParametersInfo", ERROR_NOT_SUPPORTED);
  LoadSettings(false, false);
  EXPECT_EQ(g_Settings.PlatformType, 1u);
}

std::vector<BYTE> OwnerRecord(std::size_t size) {
  return testing_support::OwnerRecord({{0, u"Ann Example"},
                                       {72, u"Example Ltd"},
                                       {144, u"1 High Street"},
                                       {516, u"+44 1234"},
                                       {566, u"ann@example.org"}},
                                      size);
}

// Fields at their offsets; a shorter record reads as far as it goes; a
// longer or missing one leaves the fields.
TEST_F(SettingsModelTest, OwnerRecordFieldsComeFromTheirOffsets) {
  SetRegBytes(HKEY_CURRENT_USER, kOwnerKeyPath, u"Owner", REG_BINARY, OwnerRecord(768));
  ASSERT_TRUE(ReadOwnerInfo());
  EXPECT_EQ((std::vector<std::u16string>{g_Settings.OwnerName, g_Settings.OwnerCompany,
                                         g_Settings.OwnerAddress, g_Settings.OwnerPhone,
                                         g_Settings.OwnerEmail}),
            (std::vector<std::u16string>{u"Ann Example", u"Example Ltd", u"1 High Street",
                                         u"+44 1234", u"ann@example.org"}));

  g_Settings = SettingsRecord{};
  SetRegBytes(HKEY_CURRENT_USER, kOwnerKeyPath, u"Owner", REG_BINARY, OwnerRecord(590));
  ASSERT_TRUE(ReadOwnerInfo());
  EXPECT_EQ(g_Settings.OwnerPhone, u"+44 1234");
  EXPECT_EQ(g_Settings.OwnerEmail, u"ann@example.");  // cut at byte 590

  g_Settings.OwnerName = u"kept";
  SetRegBytes(HKEY_CURRENT_USER, kOwnerKeyPath, u"Owner", REG_BINARY, OwnerRecord(769));
  EXPECT_FALSE(ReadOwnerInfo());
  RegDeleteKey(HKEY_CURRENT_USER, kOwnerKeyPath);
  EXPECT_FALSE(ReadOwnerInfo());
  EXPECT_EQ(g_Settings.OwnerName, u"kept");
}

TEST_F(SettingsModelTest, DeleteRegistryTreeRemovesNestedKeysOrStopsAtAFailedOne) {
  SetRegDword(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak\\A\\B", u"x", 1);
  SetRegDword(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak\\A\\C", u"x", 1);
  SetRegDword(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak\\D", u"x", 1);
  SetRegDword(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak", u"Retry", 3);
  EXPECT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak", 0, KEY_ALL_ACCESS, &key),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Vexlund", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_FALSE(DeleteRegistryTree(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak"));
  EXPECT_FALSE(DeleteRegistryTree(HKEY_CURRENT_USER, nullptr));

  // A subkey that can't go stops the deletion.
  SetRegDword(HKEY_CURRENT_USER, u"Tree\\A\\B", u"x", 1);
  platform::faults::Fail("RegDeleteKey", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteRegistryTree(HKEY_CURRENT_USER, u"Tree"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, u"Tree\\A\\B", u"x"));
}

}  // namespace
