#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "platform/ui/shell/soft_keyboard.h"
#include "platform/ui/window/screen.h"
#include "tests/ui/shell_fixture.h"

namespace {

namespace shell = platform::ui::shell;

class InputPanelTest : public testing_support::ShellTest {
 protected:
  static bool SetInfo(DWORD flags) {
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    info.fdwFlags = flags;
    return SHSipInfo(SPI_SETSIPINFO, 0, &info, 0);
  }
};

TEST_F(InputPanelTest, PreferenceRaisesAndLowersUnlessLocked) {
  const HWND dialog = MakeWindow(u"Password");
  // Whether the panel is up (and its window shown) after the preference.
  const auto upAfter = [dialog](SIPSTATE state) {
    EXPECT_TRUE(SHSipPreference(dialog, state)) << state;
    EXPECT_EQ(IsWindowVisible(shell::InputPanelWindow()) != FALSE, shell::PanelUp()) << state;
    return shell::PanelUp();
  };
  EXPECT_TRUE(upAfter(SIP_UP));
  EXPECT_FALSE(upAfter(SIP_DOWN));

  ASSERT_TRUE(SetInfo(SIPF_ON | SIPF_LOCKED));
  EXPECT_TRUE(upAfter(SIP_DOWN));
  EXPECT_TRUE(upAfter(SIP_UNCHANGED));
  EXPECT_FALSE(upAfter(SIP_FORCEDOWN));

  EXPECT_FALSE(SHSipPreference(dialog, static_cast<SIPSTATE>(7)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // Each change tells the window in front to lay itself out again.
  Pump();
  EXPECT_EQ(CountOf(dialog, WM_SETTINGCHANGE, SPI_SETSIPINFO), 4);
}

std::vector<IMENUMINFO> g_enumerated;

TEST_F(InputPanelTest, TwoInputMethodsAreEnumeratedAndAnUnknownOneIsRefused) {
  g_enumerated.clear();
  EXPECT_EQ(SipEnumIM([](IMENUMINFO* info) {
              g_enumerated.push_back(*info);
              return 1;
            }),
            2);
  ASSERT_EQ(g_enumerated.size(), 2u);
  EXPECT_EQ(std::u16string(g_enumerated[0].szName), u"Keyboard");
  EXPECT_EQ(std::u16string(g_enumerated[1].szName), u"Handwriting Pad");
  EXPECT_FALSE(g_enumerated[0].clsid == g_enumerated[1].clsid);

  CLSID pad = g_enumerated[1].clsid;
  ASSERT_TRUE(SipSetCurrentIM(&pad));
  // An identifier no method has (all zero: no keyboard was found) changes
  // nothing.
  CLSID none{};
  EXPECT_FALSE(SipSetCurrentIM(&none));
  EXPECT_EQ(shell::CurrentIMName(), u"Handwriting Pad");
}

TEST_F(InputPanelTest, InjectedFailuresChangeNothing) {
  const HWND dialog = MakeWindow(u"Password");
  CLSID pad = shell::kHandwritingPadClsid;
  platform::faults::Fail("SipSetCurrentIM", ERROR_BUSY);
  SetLastError(0);
  EXPECT_FALSE(SipSetCurrentIM(&pad));
  EXPECT_EQ(GetLastError(), ERROR_BUSY);
  EXPECT_TRUE(shell::KeyboardIsCurrent());
  EXPECT_TRUE(SipSetCurrentIM(&pad));  // the fault was for one call

  platform::faults::Fail("SHSipInfo", ERROR_NOT_ENOUGH_MEMORY, 1, 2);
  EXPECT_FALSE(SetInfo(SIPF_ON));
  EXPECT_FALSE(shell::PanelUp());
  SIPINFO info{};
  info.cbSize = sizeof(SIPINFO);
  EXPECT_FALSE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));

  platform::faults::Fail("SipEnumIM", ERROR_NOT_SUPPORTED);
  EXPECT_EQ(SipEnumIM([](IMENUMINFO*) { return 1; }), 0);
  platform::faults::Fail("SipGetCurrentIM", ERROR_NOT_SUPPORTED);
  CLSID current{};
  EXPECT_FALSE(SipGetCurrentIM(&current));
  platform::faults::Fail("SHSipPreference", ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(SHSipPreference(dialog, SIP_UP));
  EXPECT_FALSE(shell::PanelUp());
}

TEST_F(InputPanelTest, MenuBarButtonTogglesThePanelAndTheArrowSwitchesMethods) {
  const HWND dialog = MakeWindow(u"Password");
  Tap(shell::SipButtonRect());
  EXPECT_TRUE(shell::PanelUp());
  Tap(shell::SipButtonRect());
  EXPECT_FALSE(shell::PanelUp());

  Tap(shell::ImSwitchRect());
  EXPECT_EQ(shell::CurrentIMName(), u"Handwriting Pad");
  EXPECT_TRUE(shell::PanelUp());
  // Writing on the pad recognises nothing: no characters reach the window.
  platform::ui::input::StylusDown(40, 240);
  platform::ui::input::StylusMove(60, 260);
  platform::ui::input::StylusUp(80, 240);
  Pump();
  EXPECT_EQ(Typed(dialog), u"");
  Tap(shell::ImSwitchRect());
  EXPECT_TRUE(shell::KeyboardIsCurrent());

  // A locked panel does not answer its button.
  ASSERT_TRUE(SetInfo(SIPF_ON | SIPF_LOCKED));
  Tap(shell::SipButtonRect());
  EXPECT_TRUE(shell::PanelUp());

  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_EQ(GetFocus(), dialog);

  // A hidden button can't be tapped.
  SHFullScreen(dialog, SHFS_HIDESIPBUTTON);
  EXPECT_TRUE(Equal(shell::SipButtonRect(), {0, 0, 0, 0}));
}

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

  // Backspace and Enter are keys.
  ReceivedLog().clear();
  taps.clear();
  ASSERT_TRUE(kb::KeysFor(u"\b\r", &taps));
  for (const RECT& r : taps) Tap(r);
  EXPECT_EQ(CountOf(field, WM_KEYDOWN, VK_BACK), 1);
  EXPECT_EQ(CountOf(field, WM_KEYDOWN, VK_RETURN), 1);
}

TEST_F(SoftKeyboardTypingTest, ThePlanBringsTheKeyboardBackAndAKeyTypesOnlyWhenLiftedOnIt) {
  const HWND field = MakeWindow(u"Password");
  CLSID pad = shell::kHandwritingPadClsid;
  ASSERT_TRUE(SipSetCurrentIM(&pad));
  std::vector<RECT> taps;
  ASSERT_TRUE(kb::KeysFor(u"ok", &taps));
  EXPECT_TRUE(Equal(taps.front(), shell::ImSwitchRect()));
  for (const RECT& r : taps) Tap(r);
  EXPECT_EQ(Typed(field), u"ok");
  EXPECT_TRUE(shell::KeyboardIsCurrent());

  // Sliding off a key types nothing.
  taps.clear();
  ASSERT_TRUE(kb::KeyFor(u'q', &taps));
  ASSERT_EQ(taps.size(), 1u);
  platform::ui::input::StylusDown(taps[0].left + 2, taps[0].top + 2);
  platform::ui::input::StylusUp(taps[0].left + 40, taps[0].top + 2);
  Pump();
  EXPECT_EQ(Typed(field), u"ok");

  // Without the panel button a lowered panel can't be reached.
  SHSipPreference(field, SIP_FORCEDOWN);
  SHFullScreen(field, SHFS_HIDESIPBUTTON);
  taps.clear();
  EXPECT_FALSE(kb::KeyFor(u'x', &taps));
  EXPECT_TRUE(taps.empty());
}

}  // namespace
