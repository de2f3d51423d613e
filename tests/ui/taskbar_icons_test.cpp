// Programs' icons on the taskbar: one per window and id, gone with the
// window, laid out left of the clock and only while the taskbar shows.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/shell_internal.h"
#include "tests/support/temp_device.h"

namespace {

namespace shell = platform::ui::shell;

class TaskbarIconsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(0);
    shell::Start();
    owner_ = CreateWindowEx(0, u"STATIC", u"", WS_POPUP, 0, 0, 0, 0, nullptr, 0, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(owner_)) DestroyWindow(owner_);
    shell::Stop();
  }

  BOOL Notify(DWORD message, UINT id, HICON icon) {
    NOTIFYICONDATA data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner_;
    data.uID = id;
    data.uFlags = icon ? NIF_ICON : 0;
    data.hIcon = icon;
    return Shell_NotifyIcon(message, &data);
  }

  testing_support::TempDevice device_;
  HWND owner_ = nullptr;
  HICON icon_ = LoadIcon(nullptr, IDI_APPLICATION);
};

TEST_F(TaskbarIconsTest, OneIconPerWindowAndIdUntilDeletedOrTheWindowGoes) {
  EXPECT_FALSE(Notify(NIM_ADD, 1, nullptr));  // nothing to show
  EXPECT_FALSE(Notify(NIM_MODIFY, 1, icon_));
  EXPECT_FALSE(Notify(NIM_DELETE, 1, nullptr));
  EXPECT_TRUE(Notify(NIM_ADD, 1, icon_));
  EXPECT_FALSE(Notify(NIM_ADD, 1, icon_));
  EXPECT_TRUE(Notify(NIM_ADD, 2, icon_));

  const auto icons = shell::TaskbarIcons();
  ASSERT_EQ(icons.size(), 2u);
  // Right to left from the clock, inside the bar, not overlapping.
  EXPECT_LE(icons[1].rect.right, icons[0].rect.left);
  EXPECT_GT(icons[1].rect.left, shell::StartIconRect().right);
  EXPECT_GE(icons[0].rect.top, 0);
  EXPECT_LE(icons[0].rect.bottom, shell::kTaskbarHeight);

  EXPECT_TRUE(Notify(NIM_DELETE, 1, nullptr));
  ASSERT_EQ(shell::TaskbarIcons().size(), 1u);
  EXPECT_EQ(shell::TaskbarIcons()[0].id, 2u);
  DestroyWindow(owner_);
  EXPECT_TRUE(shell::TaskbarIcons().empty());
}

TEST_F(TaskbarIconsTest, APixelIconIsTheProgramsToDestroy) {
  const std::uint32_t pixels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000};
  EXPECT_EQ(CreateIconFromPixels(0, 2, pixels), nullptr);
  HICON icon = CreateIconFromPixels(2, 2, pixels);
  ASSERT_NE(icon, nullptr);
  SIZE size{};
  ASSERT_TRUE(GetIconSize(icon, &size));
  EXPECT_EQ(size.cx, 2);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconSize(icon, &size));
}

}  // namespace
