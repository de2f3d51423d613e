// The "BUTTON" class: clicks, check boxes, radio groups, default and
// owner-drawn buttons, bitmap buttons, group boxes and disabled buttons;
// and the statics that lie over buttons.
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window_dc.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::Command;
using controls_test::ControlTest;
namespace input = platform::ui::input;

using ButtonTest = ControlTest;

TEST_F(ButtonTest, PushButtonClicksOnlyWhenReleasedOnIt) {
  const HWND ok = Make(u"BUTTON", u"OK", BS_PUSHBUTTON, {10, 10, 80, 30}, 1);
  TapCenter(ok);
  EXPECT_EQ(Commands(), (std::vector<Command>{{1, BN_CLICKED}}));
  EXPECT_EQ(GetFocus(), ok);
  const auto clicks = Log({WM_COMMAND});
  EXPECT_EQ(clicks.back().lParam, reinterpret_cast<LPARAM>(ok));

  // Pressed while the stylus is on it; sliding off and lifting is no click.
  ClearLog();
  const POINT inside = OnScreen(ok, 5, 5);
  input::StylusDown(inside.x, inside.y);
  Pump();
  EXPECT_TRUE(SendMessage(ok, BM_GETSTATE, 0, 0) & BST_PUSHED);
  input::StylusMove(inside.x + 150, inside.y);
  Pump();
  EXPECT_FALSE(SendMessage(ok, BM_GETSTATE, 0, 0) & BST_PUSHED);
  input::StylusUp(inside.x + 150, inside.y);
  Pump();
  EXPECT_TRUE(Commands().empty());

  // Space clicks the focused button; BM_CLICK clicks it too.
  Press(VK_SPACE);
  SendMessage(ok, BM_CLICK, 0, 0);
  EXPECT_EQ(Commands(), (std::vector<Command>{{1, BN_CLICKED}, {1, BN_CLICKED}}));
}

TEST_F(ButtonTest, DisabledButtonsIgnoreTapsKeysAndClicks) {
  const HWND button = Make(u"BUTTON", u"Go", BS_PUSHBUTTON, {10, 10, 80, 30}, 5);
  const HWND check = Make(u"BUTTON", u"Box", BS_AUTOCHECKBOX, {10, 40, 120, 56}, 6);
  EnableWindow(button, FALSE);
  EnableWindow(check, FALSE);
  TapCenter(button);
  TapCenter(check);
  SendMessage(button, BM_CLICK, 0, 0);
  SendMessage(button, WM_KEYDOWN, VK_SPACE, 0);
  SendMessage(button, WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_NE(GetFocus(), button);
}

TEST_F(ButtonTest, AutoCheckBoxTogglesOnEachClick) {
  const HWND box = Make(u"BUTTON", u"Remember", BS_AUTOCHECKBOX, {10, 10, 150, 26}, 7);
  TapCenter(box);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  Press(VK_SPACE);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ(CodesFrom(7), (std::vector<WORD>{BN_CLICKED, BN_CLICKED}));
  // Setting the state is no click.
  SendMessage(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(CodesFrom(7).size(), 2u);
}

TEST_F(ButtonTest, AutoRadioButtonsAreExclusiveWithinTheirGroupOnly) {
  const HWND a1 = Make(u"BUTTON", u"A1", BS_AUTORADIOBUTTON | WS_GROUP, {10, 10, 100, 26}, 11);
  const HWND a2 = Make(u"BUTTON", u"A2", BS_AUTORADIOBUTTON, {10, 30, 100, 46}, 12);
  const HWND label = Make(u"STATIC", u"between", SS_LEFT, {110, 30, 200, 46}, 13);
  const HWND a3 = Make(u"BUTTON", u"A3", BS_AUTORADIOBUTTON, {10, 50, 100, 66}, 14);
  const HWND b1 = Make(u"BUTTON", u"B1", BS_AUTORADIOBUTTON | WS_GROUP, {10, 80, 100, 96}, 21);
  const HWND b2 = Make(u"BUTTON", u"B2", BS_AUTORADIOBUTTON, {10, 100, 100, 116}, 22);
  (void)label;
  SendMessage(a1, BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(b1, BM_SETCHECK, BST_CHECKED, 0);
  const auto checks = [&] {
    std::vector<LRESULT> states;
    for (HWND b : {a1, a2, a3, b1, b2}) states.push_back(SendMessage(b, BM_GETCHECK, 0, 0));
    return states;
  };
  TapCenter(a3);
  EXPECT_EQ(checks(), (std::vector<LRESULT>{0, 0, 1, 1, 0}));
  TapCenter(b2);
  EXPECT_EQ(checks(), (std::vector<LRESULT>{0, 0, 1, 0, 1}));
  EXPECT_EQ(Commands(), (std::vector<Command>{{14, BN_CLICKED}, {22, BN_CLICKED}}));
  // Tab stops at the checked button of each group.
  EXPECT_TRUE(GetWindowLong(a3, GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLong(a1, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(ButtonTest, OwnerDrawnButtonAsksItsParentToDrawWithItsState) {
  const HWND key = Make(u"BUTTON", u"1", BS_OWNERDRAW, {20, 20, 52, 52}, 504);
  DRAWITEMSTRUCT drawn{};
  React([&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
    if (message == WM_DRAWITEM) drawn = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    return std::nullopt;
  });
  // The last request of a fresh painting of the parent.
  const auto draw = [&] {
    drawn = DRAWITEMSTRUCT{};
    Drawn(parent_);
    return drawn;
  };
  EXPECT_EQ(draw().CtlType, ODT_BUTTON);
  EXPECT_EQ(drawn.CtlID, 504u);
  EXPECT_EQ(drawn.hwndItem, key);
  EXPECT_EQ(drawn.rcItem.right, 32);
  EXPECT_EQ(drawn.itemState, 0u);

  const POINT p = OnScreen(key, 4, 4);
  input::StylusDown(p.x, p.y);
  Pump();
  EXPECT_EQ(draw().itemState, ODS_SELECTED | ODS_FOCUS);
  input::StylusUp(p.x, p.y);
  Pump();
  EXPECT_EQ(CodesFrom(504), (std::vector<WORD>{BN_CLICKED}));

  EnableWindow(key, FALSE);
  EXPECT_EQ(draw().hwndItem, key);
  EXPECT_TRUE(drawn.itemState & ODS_DISABLED);
}

TEST_F(ButtonTest, BitmapButtonTakesTheSizeOfItsBitmap) {
  const HWND button = Make(u"BUTTON", nullptr, BS_PUSHBUTTON | BS_BITMAP, {30, 30, 60, 60}, 548);
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 24, 20);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(SendMessage(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)), 0);
  EXPECT_EQ(SendMessage(button, BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
  RECT r{};
  GetWindowRect(button, &r);
  EXPECT_EQ(r.right - r.left, 24);
  EXPECT_EQ(r.bottom - r.top, 20);
  EXPECT_EQ(r.left, 30);
  TapCenter(button);
  EXPECT_EQ(CodesFrom(548), (std::vector<WORD>{BN_CLICKED}));
  DestroyWindow(button);
  DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
}

TEST_F(ButtonTest, GroupBoxLetsTapsThroughToTheControlsInside) {
  // The group box comes first, so it lies above the button in z-order.
  Make(u"BUTTON", u"Limit", BS_GROUPBOX, {5, 5, 230, 150}, 767);
  const HWND inner = Make(u"BUTTON", u"Test", BS_PUSHBUTTON, {20, 40, 100, 60}, 736);
  TapCenter(inner);
  EXPECT_EQ(Commands(), (std::vector<Command>{{736, BN_CLICKED}}));
  EXPECT_EQ(GetFocus(), inner);
}

TEST_F(ButtonTest, OnlyNotifyingStaticsTakeTaps) {
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
