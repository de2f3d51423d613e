#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "tests/ui/shell_fixture.h"

namespace {

namespace shell = platform::ui::shell;

class InputPanelTest : public testing_support::ShellTest {
 protected:
  static SIPINFO Info() {
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    EXPECT_TRUE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
    return info;
  }
  static bool SetInfo(DWORD flags) {
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    info.fdwFlags = flags;
    return SHSipInfo(SPI_SETSIPINFO, 0, &info, 0);
  }
};

TEST_F(InputPanelTest, PreferenceRaisesAndLowersUnlessLocked) {
  const HWND dialog = MakeWindow(u"Password");
  ASSERT_TRUE(SHSipPreference(dialog, SIP_UP));
  EXPECT_TRUE(shell::PanelUp());
  EXPECT_TRUE(IsWindowVisible(shell::InputPanelWindow()));
  ASSERT_TRUE(SHSipPreference(dialog, SIP_DOWN));
  EXPECT_FALSE(IsWindowVisible(shell::InputPanelWindow()));

  ASSERT_TRUE(SetInfo(SIPF_ON | SIPF_LOCKED));
  EXPECT_TRUE(shell::PanelUp());
  ASSERT_TRUE(SHSipPreference(dialog, SIP_DOWN));
  EXPECT_TRUE(shell::PanelUp());
  ASSERT_TRUE(SHSipPreference(dialog, SIP_UNCHANGED));
  EXPECT_TRUE(shell::PanelUp());
  ASSERT_TRUE(SHSipPreference(dialog, SIP_FORCEDOWN));
  EXPECT_FALSE(shell::PanelUp());

  EXPECT_FALSE(SHSipPreference(dialog, static_cast<SIPSTATE>(7)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // Each change tells the window in front to lay itself out again.
  Pump();
  EXPECT_EQ(CountOf(dialog, WM_SETTINGCHANGE, SPI_SETSIPINFO), 4);
}

TEST_F(InputPanelTest, LockScreenSaveAndRestoreBringsBackThePanelState) {
  const HWND other = MakeWindow(u"Notes");
  SHSipPreference(other, SIP_UP);
  ASSERT_TRUE(SetInfo(SIPF_ON | SIPF_LOCKED | SIPF_DOCKED));
  const SIPINFO saved = Info();

  // What a lock screen does at its start: force the panel down and set the
  // docked, completion-off flags without the lock.
  const HWND dialog = MakeWindow(u"Password");
  ASSERT_TRUE(SHSipPreference(dialog, SIP_FORCEDOWN));
  SIPINFO changed = saved;
  changed.fdwFlags = (changed.fdwFlags & ~SIPF_LOCKED) | SIPF_DOCKED | SIPF_DISABLECOMPLETION;
  ASSERT_TRUE(SHSipInfo(SPI_SETSIPINFO, 0, &changed, 0));
  EXPECT_EQ(Info().fdwFlags, SIPF_ON | SIPF_DOCKED | SIPF_DISABLECOMPLETION);
  ASSERT_TRUE(SHSipPreference(dialog, SIP_DOWN));
  EXPECT_FALSE(shell::PanelUp());  // no longer locked

  // And at its end.
  ASSERT_TRUE(SHSipPreference(dialog, SIP_FORCEDOWN));
  SIPINFO restore = saved;
  ASSERT_TRUE(SHSipInfo(SPI_SETSIPINFO, 0, &restore, 0));
  const SIPINFO after = Info();
  EXPECT_EQ(after.fdwFlags, saved.fdwFlags);
  EXPECT_TRUE(Equal(after.rcVisibleDesktop, saved.rcVisibleDesktop));
  EXPECT_TRUE(shell::PanelUp());
}

std::vector<IMENUMINFO> g_enumerated;

TEST_F(InputPanelTest, TwoInputMethodsAreEnumeratedAndSwitched) {
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

  CLSID current{};
  ASSERT_TRUE(SipGetCurrentIM(&current));
  EXPECT_TRUE(current == g_enumerated[0].clsid);
  CLSID pad = g_enumerated[1].clsid;
  ASSERT_TRUE(SipSetCurrentIM(&pad));
  ASSERT_TRUE(SipGetCurrentIM(&current));
  EXPECT_TRUE(current == pad);
  EXPECT_EQ(shell::CurrentIMName(), u"Handwriting Pad");
  EXPECT_FALSE(shell::KeyboardIsCurrent());

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

}  // namespace
