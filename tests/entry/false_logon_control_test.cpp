#include "lockout/false_logon_control.h"

#include <gtest/gtest.h>

#include <optional>

#include "lockout/alarm_player.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/message_loop.h"
#include "platform/wave_out.h"
#include "res/registry_names.h"
#include "store/settings_record.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::DelayRecordBytes;
using testing_support::StoreTest;

constexpr const char16_t* kKey = kSettingsKeyPath;

class FalseLogonTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    platform::clock::UseVirtual(100000);
  }
  void TearDown() override {
    platform::ui::SetIdleHook(nullptr);
    AlarmStop(true);
    platform::clock::UseReal();
    StoreTest::TearDown();
  }

  // Serves whatever delay dialogs come up by letting virtual time pass,
  // 10 ms per idle moment, and records when the last one ended.
  void LetTimePass() {
    platform::ui::SetIdleHook([] {
      platform::clock::Advance(10);
      return true;
    });
  }
};

TEST_F(FalseLogonTest, CounterGrowsFromAbsentAndResets) {
  EXPECT_EQ(IncrementFalseLogonCount(), 1u);
  EXPECT_EQ(IncrementFalseLogonCount(), 2u);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"Retry"), (std::vector<BYTE>{2, 0, 0, 0}));
  SetFalseLogonCount(0);
  EXPECT_EQ(IncrementFalseLogonCount(), 1u);
  // A key that can be neither opened nor made: 0 and nothing written.
  platform::faults::Fail("RegOpenKeyEx", ERROR_ACCESS_DENIED, 1, 0);
  platform::faults::Fail("RegCreateKeyEx", ERROR_ACCESS_DENIED, 1, 0);
  EXPECT_EQ(IncrementFalseLogonCount(), 0u);
}

TEST(DelaySecondsTest, SquareOfTheCountCappedWhenItOverflows) {
  EXPECT_EQ(DelaySeconds(0), 0);
  EXPECT_EQ(DelaySeconds(1), 1);
  EXPECT_EQ(DelaySeconds(3), 9);
  EXPECT_EQ(DelaySeconds(46340), 46340 * 46340);
  EXPECT_EQ(DelaySeconds(46341), 32766);
  EXPECT_EQ(DelaySeconds(0xFFFFFFFF), 32766);
}

TEST_F(FalseLogonTest, RecordBytesCountAndPendingFlag) {
  EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 1);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay"), DelayRecordBytes(100000, 1, 1));
  EXPECT_EQ(PendingDelaySeconds(kDelayRecordName), 1);
  EXPECT_EQ(ClearPendingDelay(kDelayRecordName), 1);
  EXPECT_EQ(PendingDelaySeconds(kDelayRecordName), 0);
  platform::clock::Advance(5000);
  EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 4);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay"), DelayRecordBytes(105000, 2, 1));
  ResetFalseLogonDelay();
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay"));
  EXPECT_EQ(ClearPendingDelay(kDelayRecordName), 0);
}

TEST_F(FalseLogonTest, CountsStopAtTheirLargestValueInsteadOfWrapping) {
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"Retry", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(IncrementFalseLogonCount(), 0xFFFFFFFFu);
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, DelayRecordBytes(1, 0xFFFFFFFF, 0));
  EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 32766);
  EXPECT_EQ(PendingDelaySeconds(kDelayRecordName), 32766);
}

TEST_F(FalseLogonTest, RecordsOfTheWrongSizeOrTypeCountAsAbsent) {
  for (const auto& bad : {std::vector<BYTE>(35, 1), std::vector<BYTE>(37, 1)}) {
    SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, bad);
    EXPECT_EQ(PendingDelaySeconds(kDelayRecordName), 0);
    EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 1);
    EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay")->size(), 36u);
  }
  auto untagged = DelayRecordBytes(1, 7, 1);
  untagged[3] = '1';
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, untagged);
  EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 1);
}

TEST_F(FalseLogonTest, TheOldestOfTenRecordsMakesRoom) {
  // Ten other records; the one with the smallest time goes, ties keep the
  // earlier one, and a record with time 0 is always replaced as candidate.
  const DWORD times[10] = {0, 900, 50, 700, 50, 800, 600, 500, 400, 300};
  for (int i = 0; i < 10; ++i) {
    std::u16string name = u"Rec" + std::u16string(1, static_cast<char16_t>(u'A' + i));
    SetRegBytes(HKEY_CURRENT_USER, kKey, name.c_str(), REG_BINARY,
                DelayRecordBytes(times[i], 1, 0));
  }
  // Values that aren't records don't count.
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"Other", REG_BINARY, std::vector<BYTE>(36, 0));
  RecordFalseLogon(kDelayRecordName);
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecC"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecA"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecE"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay"));

  // With nine others and PwDelay present, nothing is evicted.
  RecordFalseLogon(kDelayRecordName);
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecE"));
}

TEST_F(FalseLogonTest, LimitSoundsAPersistentAlarm) {
  g_Settings.MaxFalseLogonRetries = 1;
  g_Settings.MaxFalseLogonRetriesValue = 2;
  g_Settings.ActionAfterMaxFalseLogons = 1;
  g_Settings.PowerOnLogon = 1;
  ApplyFalseLogonLimit(1);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().playing);
  ApplyFalseLogonLimit(2);
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"ContinueAlarm"));
  // Off, the limit does nothing.
  AlarmStop(true);
  g_Settings.MaxFalseLogonRetries = 0;
  ApplyFalseLogonLimit(5);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().playing);
  // With the power-on logon off it still acts: a device locked with "Lock
  // now" must not be open to guessing with only the delays in the way.
  g_Settings.MaxFalseLogonRetries = 1;
  g_Settings.PowerOnLogon = 0;
  ApplyFalseLogonLimit(5);
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);
}

}  // namespace
