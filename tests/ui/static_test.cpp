// The "STATIC" class: clicks with SS_NOTIFY, taps passing through plain
// statics, icons and bitmaps with their sizes, wrapped text.
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window_dc.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::Command;
using controls_test::ControlTest;

using StaticTest = ControlTest;

TEST_F(StaticTest, OnlyNotifyingStaticsTakeTaps) {
  const HWND notify = Make(u"STATIC", u"Tap me", SS_NOTIFY, {10, 10, 100, 26}, 30);
  // A plain label over a button: the tap reaches the button.
  const HWND label = Make(u"STATIC", u"label", SS_LEFT, {10, 40, 100, 56}, 31);
  const HWND button = Make(u"BUTTON", u"Under", BS_PUSHBUTTON, {10, 40, 100, 70}, 32);
  TapCenter(notify);
  TapAt(label, 5, 5);
  EXPECT_EQ(Commands(), (std::vector<Command>{{30, STN_CLICKED}, {32, BN_CLICKED}}));
  EXPECT_EQ(GetFocus(), button);
  EXPECT_EQ(SendMessage(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

}  // namespace
