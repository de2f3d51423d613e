// Keys and characters from the input layer: routing to the focus window,
// TranslateMessage's characters, keys whose character the host sends, and
// hot keys that swallow the hardware buttons while registered.
#include "platform/ui/window/input.h"
#include "platform/kernel.h"
#include "tests/ui/test_window.h"

namespace {

using InputTest = ui_test::WindowTest;
namespace input = platform::ui::input;

std::u16string Typed(const std::vector<ui_test::Logged>& log) {
  std::u16string text;
  for (const auto& l : log) text += static_cast<char16_t>(l.wParam);
  return text;
}

TEST_F(InputTest, KeysBecomeCharactersOnceEvenWhenTheHostSendsThemToo) {
  HWND w = TopLevel(u"w");
  HWND edit = Child(w, 1, {0, 0, 100, 20});
  SetFocus(edit);
  ClearLog();
  input::Key('A');
  input::Key('7');
  input::Key(VK_F1);      // no character
  input::Key(VK_RETURN);  // control characters as the handheld makes them
  input::KeyDown(VK_SHIFT);
  input::Key('B');
  input::KeyUp(VK_SHIFT);
  // The host's keyboard reports the character itself.
  input::KeyDown('C');
  input::Char(u'ç');
  input::KeyUp('C');
  input::Char(u'€');  // typed without a key
  Pump();
  const auto chars = Log({WM_CHAR});
  for (const auto& l : chars) EXPECT_EQ(l.hwnd, edit);
  EXPECT_EQ(Typed(chars), u"a7\rBç€");
  EXPECT_EQ(Log({WM_KEYDOWN}).size(), 7u);
  EXPECT_EQ(Log({WM_KEYUP}).size(), 7u);
}

TEST_F(InputTest, KeysGoToTheActiveWindowWhenNothingHasFocusAndAreDroppedWithoutOne) {
  HWND w = TopLevel(u"w");
  SetFocus(nullptr);
  ClearLog();
  input::Key(VK_ESCAPE);
  Pump();
  EXPECT_EQ(Log({WM_KEYDOWN}).size(), 1u);
  EXPECT_EQ(Log({WM_KEYDOWN})[0].hwnd, w);
  DestroyWindow(w);
  ClearLog();
  input::Key(VK_ESCAPE);
  Pump();
  EXPECT_TRUE(Log({WM_KEYDOWN, WM_CHAR, WM_KEYUP}).empty());
}

TEST_F(InputTest, RegisteredButtonsGoOnlyToTheirWindowAsHotKeys) {
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
