// Hot keys swallow the hardware buttons while registered; cursors.
#include "platform/kernel.h"
#include "platform/ui/window/input.h"
#include "tests/ui/test_window.h"

namespace {

using HotKeysTest = ui_test::WindowTest;
namespace input = platform::ui::input;

TEST_F(HotKeysTest, RegisteredButtonsGoOnlyToTheirWindowAsHotKeys) {
  HWND lock = TopLevel(u"lock");
  HWND field = Child(lock, 1, {0, 0, 100, 20});
  SetFocus(field);
  for (UINT key = VK_APP1; key <= VK_APP15; ++key) {
    ASSERT_TRUE(RegisterHotKey(lock, static_cast<int>(key), MOD_WIN, key));
  }
  HWND other = TopLevel(u"other");
  SetLastError(0);
  EXPECT_FALSE(RegisterHotKey(other, 1, MOD_WIN, VK_APP1));
  EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
  SetFocus(field);

  ClearLog();
  input::Key(VK_APP1 + 2);
  Pump();
  const std::vector<ui_test::Logged> expected = {
      {lock, WM_HOTKEY, VK_APP1 + 2, MAKELPARAM(MOD_WIN, VK_APP1 + 2)}};
  EXPECT_EQ(Log({WM_HOTKEY, WM_KEYDOWN, WM_KEYUP, WM_CHAR}), expected);

  // Unregistered, the button is an ordinary key for the focus window.
  EXPECT_TRUE(UnregisterHotKey(lock, VK_APP1 + 2));
  EXPECT_FALSE(UnregisterHotKey(lock, VK_APP1 + 2));
  ClearLog();
  input::Key(VK_APP1 + 2);
  Pump();
  EXPECT_EQ(Log({WM_KEYDOWN, WM_KEYUP}).size(), 2u);
  EXPECT_EQ(Log({WM_KEYDOWN})[0].hwnd, field);

  // A destroyed window's keys are free again.
  DestroyWindow(lock);
  EXPECT_TRUE(RegisterHotKey(other, 1, MOD_WIN, VK_APP1));
}

}  // namespace
