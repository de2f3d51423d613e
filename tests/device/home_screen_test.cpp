// The home screen: date, time and owner on the virtual clock, the owner
// record read again when the screen comes back, and entries.
#include "device/home_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/shell_internal.h"
#include "tests/support/registry_values.h"
#include "tests/support/run_scripted.h"
#include "tests/support/temp_device.h"

namespace {

void SetOwnerRecord(const testing_support::Bytes& record) {
  testing_support::SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"Owner", REG_BINARY,
                               record);
}

// A record with `name` in its first field and a company in the second.
testing_support::Bytes OwnerRecord(std::u16string_view name) {
  return testing_support::OwnerRecord({{0, name}, {72, u"Vexlund"}});
}

class HomeScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(0);
    platform::ui::shell::Start();
  }
  void TearDown() override { platform::ui::shell::Stop(); }

  void Run(std::string_view script) {
    testing_support::RunScripted(script, nullptr,
                                 [this](MSG* msg) { return home_.PreTranslate(msg); });
  }

  testing_support::TempDevice device_;
  pda::HomeScreen home_;
};

TEST_F(HomeScreenTest, ShowsTheDateTheTimeAndTheOwner) {
  SetOwnerRecord(OwnerRecord(u"Jane \u00C5berg"));
  ASSERT_TRUE(home_.Show());
  Run("expect dialog 1\n"
      "check 1001 text Monday, 1 January 2001\n"
      "check 1002 text 00:00\n"
      "check 1003 text Jane \xC3\x85"
      "berg\n"
      "wait 60000\n"
      "check 1002 text 00:01\n");
  EXPECT_EQ(pda::HomeScreen::DateText(86'399'999u), u"Monday, 1 January 2001");
  EXPECT_EQ(pda::HomeScreen::DateText(86'400'000u), u"Tuesday, 2 January 2001");
  EXPECT_EQ(pda::HomeScreen::DateText(30u * 86'400'000u), u"Wednesday, 31 January 2001");
}

TEST_F(HomeScreenTest, ReadsTheOwnerRecordAsTheSystemWritesIt) {
  EXPECT_EQ(pda::HomeScreen::OwnerName(), u"");
  // A name that fills its field has no terminator of its own.
  SetOwnerRecord(OwnerRecord(std::u16string(40, u'x')));
  EXPECT_EQ(pda::HomeScreen::OwnerName(), std::u16string(36, u'x'));
  // A short record: an odd last byte reads as the lock screen reads it,
  // padded with zero.
  SetOwnerRecord({'A', 0, 'l'});
  EXPECT_EQ(pda::HomeScreen::OwnerName(), u"Al");
}

TEST_F(HomeScreenTest, AnEntryRunsItsActionWhenTapped) {
  ASSERT_TRUE(home_.Show());
  int taps = 0;
  EXPECT_TRUE(home_.AddEntry(2001, u"Lock now", [&taps] { ++taps; }));
  EXPECT_FALSE(home_.AddEntry(2001, u"Twice", nullptr));
  EXPECT_FALSE(home_.AddEntry(pda::kHomeOwnerId, u"Taken", nullptr));
  Run("check 2001 text Lock now\ntap 2001\ntap 1003\ntap 2001");
  EXPECT_EQ(taps, 2);
}

}  // namespace
