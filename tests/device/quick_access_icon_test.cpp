// The quick-access lock icon: the settings broadcast and the stored setting
// put it on the taskbar or take it off, and a tap on it runs its action.
#include "device/quick_access_icon.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/registry.h"
#include "platform/ui/shell/shell_internal.h"
#include "res/registry_names.h"
#include "setup/general_page.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

namespace shell = platform::ui::shell;

void Broadcast(WPARAM state) {
  PostMessage(HWND_BROADCAST, RegisterWindowMessage(kChangeIconStateMessage), state, 0);
  MSG msg{};
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

class QuickAccessIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(0);
    shell::Start();
  }
  void TearDown() override { shell::Stop(); }

  void StoreSetting(DWORD value) {
    testing_support::SetRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, u"ShowQuickAccess", value);
  }

  testing_support::TempDevice device_;
  pda::QuickAccessIcon icon_{nullptr};
};

TEST_F(QuickAccessIconTest, TheBroadcastShowsAndHidesTheIconOnTheTaskbar) {
  StoreSetting(0);
  ASSERT_TRUE(icon_.Start());
  EXPECT_FALSE(icon_.Shown());
  EXPECT_TRUE(shell::TaskbarIcons().empty());

  Broadcast(kShowQuickAccessIcon);
  ASSERT_TRUE(icon_.Shown());
  EXPECT_EQ(shell::TaskbarIcons().size(), 1u);

  Broadcast(13);  // not a state of the icon: nothing changes
  EXPECT_TRUE(icon_.Shown());
  Broadcast(kShowQuickAccessIcon);  // twice shown is still one icon
  EXPECT_EQ(shell::TaskbarIcons().size(), 1u);

  Broadcast(kHideQuickAccessIcon);
  EXPECT_FALSE(icon_.Shown());
  EXPECT_TRUE(shell::TaskbarIcons().empty());
}

TEST_F(QuickAccessIconTest, TheBootFollowsTheStoredSetting) {
  // No settings stored yet: nothing to lock with, no icon.
  ASSERT_TRUE(icon_.Start());
  EXPECT_FALSE(icon_.Shown());
  StoreSetting(1);
  icon_.FollowSetting();
  EXPECT_TRUE(icon_.Shown());
  StoreSetting(0);
  icon_.FollowSetting();
  EXPECT_FALSE(icon_.Shown());
  // A shell that refuses the icon leaves it off, and the next boot tries again.
  StoreSetting(1);
  {
    platform::faults::Scope faults;
    platform::faults::Fail("Shell_NotifyIcon", ERROR_OUTOFMEMORY);
    icon_.FollowSetting();
    EXPECT_FALSE(icon_.Shown());
  }
  icon_.FollowSetting();
  EXPECT_TRUE(icon_.Shown());
}

}  // namespace
