#include "platform/ui/shell/soft_keyboard.h"

#include <gtest/gtest.h>

#include "platform/ui/window/screen.h"
#include "tests/ui/shell_fixture.h"

namespace {

namespace shell = platform::ui::shell;
namespace kb = platform::ui::soft_keyboard;
using testing_support::ReceivedLog;

std::u16string PrintableAscii() {
  std::u16string all;
  for (char16_t c = 0x20; c <= 0x7E; ++c) all.push_back(c);
  return all;
}

// What the keys type when tapped in order from `state`.
std::u16string Replay(kb::State state, const std::vector<const kb::Key*>& keys) {
  std::u16string out;
  for (const kb::Key* key : keys) {
    const kb::Output o = kb::Press(&state, *key);
    if (o.kind == kb::Output::Kind::kChar) out.push_back(o.character);
    if (o.kind == kb::Output::Kind::kKey)
      out += u"<" + std::u16string(1, static_cast<char16_t>(o.virtualKey)) + u">";
  }
  return out;
}

TEST(SoftKeyboardLayoutTest, ShiftIsForOneCharacterCapsUntilTappedAgain) {
  const auto find = [](kb::Page page, kb::Action action, char16_t c = 0) {
    for (const kb::Key& key : kb::Keys(page)) {
      if (key.action == action && (action != kb::Action::kChar || key.normal == c)) return &key;
    }
    return static_cast<const kb::Key*>(nullptr);
  };
  const kb::Key* a = find(kb::Page::kLetters, kb::Action::kChar, u'a');
  const kb::Key* one = find(kb::Page::kLetters, kb::Action::kChar, u'1');
  const kb::Key* shift = find(kb::Page::kLetters, kb::Action::kShift);
  const kb::Key* caps = find(kb::Page::kLetters, kb::Action::kCaps);
  const kb::Key* page = find(kb::Page::kLetters, kb::Action::kPage);
  ASSERT_TRUE(a && one && shift && caps && page);
  kb::State s;
  EXPECT_EQ(Replay(s, {a, shift, a, a, shift, one, one}), u"aAa!1");
  EXPECT_EQ(Replay(s, {caps, a, one, shift, a, a, caps, a}), u"A1aAa");
  EXPECT_EQ(kb::Label(s, *a), u"a");
  s.caps = true;
  EXPECT_EQ(kb::Label(s, *a), u"A");
  EXPECT_EQ(kb::Label(s, *one), u"1");
  // Changing page drops a pending shift.
  kb::State t;
  kb::Press(&t, *shift);
  kb::Press(&t, *page);
  EXPECT_EQ(t.page, kb::Page::kSymbols);
  EXPECT_FALSE(t.shift);
  EXPECT_EQ(kb::Label(t, *find(kb::Page::kSymbols, kb::Action::kPage)), u"abc");
}

TEST(SoftKeyboardPlanTest, EveryPrintableCharacterIsTypedFromAnyState) {
  const std::u16string text = PrintableAscii() + u"\b\r\t" + u"Hello, World! 42 {ok}";
  for (bool caps : {false, true}) {
    for (bool shift : {false, true}) {
      for (kb::Page page : {kb::Page::kLetters, kb::Page::kSymbols}) {
        const kb::State start{page, shift && page == kb::Page::kLetters, caps};
        kb::State s = start;
        std::vector<const kb::Key*> keys;
        for (char16_t c : text) ASSERT_TRUE(kb::Plan(&s, c, &keys)) << static_cast<int>(c);
        EXPECT_EQ(Replay(start, keys),
                  PrintableAscii() + u"<\b><\r><\t>" + u"Hello, World! 42 {ok}");
      }
    }
  }
}

class SoftKeyboardTypingTest : public testing_support::ShellTest {};

TEST_F(SoftKeyboardTypingTest, TappingTheKeysTypesEveryPrintableCharacterIntoTheFocus) {
  const HWND field = MakeWindow(u"Password");
  const std::u16string text = PrintableAscii();
  std::vector<RECT> taps;
  ASSERT_TRUE(kb::KeysFor(text, &taps));
  // The panel is down: the first tap raises it with the menu bar's button.
  ASSERT_TRUE(Equal(taps.front(), shell::SipButtonRect()));
  for (const RECT& r : taps) Tap(r);
  EXPECT_EQ(Typed(field), text);
  EXPECT_EQ(GetFocus(), field);
  EXPECT_EQ(GetActiveWindow(), field);

  // One character at a time from wherever the keyboard was left.
  ReceivedLog().clear();
  for (char16_t c : u"Mixed: AbC 9/z?") {
    if (c == 0) break;
    taps.clear();
    ASSERT_TRUE(kb::KeyFor(c, &taps));
    for (const RECT& r : taps) Tap(r);
  }
  EXPECT_EQ(Typed(field), u"Mixed: AbC 9/z?");

  // Backspace and Enter are keys.
  ReceivedLog().clear();
  taps.clear();
  ASSERT_TRUE(kb::KeysFor(u"\b\r", &taps));
  for (const RECT& r : taps) Tap(r);
  EXPECT_EQ(CountOf(field, WM_KEYDOWN, VK_BACK), 1);
  EXPECT_EQ(CountOf(field, WM_KEYDOWN, VK_RETURN), 1);
}

TEST_F(SoftKeyboardTypingTest, ThePlanBringsTheKeyboardBackFromTheWritingPad) {
  const HWND field = MakeWindow(u"Password");
  CLSID pad = shell::kHandwritingPadClsid;
  ASSERT_TRUE(SipSetCurrentIM(&pad));
  std::vector<RECT> taps;
  ASSERT_TRUE(kb::KeysFor(u"ok", &taps));
  EXPECT_TRUE(Equal(taps.front(), shell::ImSwitchRect()));
  for (const RECT& r : taps) Tap(r);
  EXPECT_EQ(Typed(field), u"ok");
  EXPECT_TRUE(shell::KeyboardIsCurrent());

  // Without the panel button a lowered panel can't be reached.
  SHSipPreference(field, SIP_FORCEDOWN);
  SHFullScreen(field, SHFS_HIDESIPBUTTON);
  taps.clear();
  EXPECT_FALSE(kb::KeyFor(u'x', &taps));
  EXPECT_TRUE(taps.empty());
}

TEST_F(SoftKeyboardTypingTest, SlidingOffAKeyTypesNothing) {
  const HWND field = MakeWindow(u"Password");
  SHSipPreference(field, SIP_UP);
  Pump();
  std::vector<RECT> taps;
  ASSERT_TRUE(kb::KeyFor(u'q', &taps));
  ASSERT_EQ(taps.size(), 1u);
  platform::ui::input::StylusDown(taps[0].left + 2, taps[0].top + 2);
  platform::ui::input::StylusUp(taps[0].left + 40, taps[0].top + 2);
  Pump();
  EXPECT_EQ(Typed(field), u"");
}

}  // namespace
