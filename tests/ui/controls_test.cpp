// The common controls driven as a user drives them: tabs, progress bars,
// buttons and statics, edit fields and combo boxes.
#include <optional>
#include <string>
#include <tuple>

#include "platform/beeps.h"
#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::Command;
using controls_test::ControlTest;
namespace controls = platform::ui::controls;
namespace input = platform::ui::input;

class TabTest : public ControlTest {
 protected:
  HWND MakeTabs() {
    const HWND tabs = Make(u"SysTabControl32", nullptr, TCS_BOTTOM, {0, 0, 240, 200}, 12320);
    for (LPCWSTR name : {u"General", u"Logon", u"Owner", u"Advanced"}) {
      TCITEM item{TCIF_TEXT, 0, 0, const_cast<LPWSTR>(name), 0, 0, 0};
      SendMessage(tabs, TCM_INSERTITEM, 99, reinterpret_cast<LPARAM>(&item));
    }
    React([this](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
      if (message != WM_NOTIFY) return std::nullopt;
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      notified_.push_back(header->code);
      return header->code == TCN_SELCHANGING && refuse_ ? 1 : 0;
    });
    return tabs;
  }
  void TapTab(HWND tabs, int index) {
    RECT r{};
    ASSERT_TRUE(controls::TabItemScreenRect(tabs, index, &r));
    TapScreen(r);
  }

  std::vector<UINT> notified_;
  bool refuse_ = false;
};

TEST_F(TabTest, TapOnATabAsksTheParentFirstAndTapsBesideTheTabsReachThePage) {
  const HWND tabs = MakeTabs();
  // The page comes after the tab control, so it lies below it.
  TapCenter(Make(u"BUTTON", u"On page", BS_PUSHBUTTON, {20, 20, 120, 50}, 77));
  EXPECT_EQ(CodesFrom(77), (std::vector<WORD>{BN_CLICKED}));
  EXPECT_TRUE(notified_.empty());

  TapTab(tabs, 2);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(notified_, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
  refuse_ = true;
  notified_.clear();
  TapTab(tabs, 1);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(notified_, (std::vector<UINT>{TCN_SELCHANGING}));
  // The selected tab again: nothing happens.
  notified_.clear();
  TapTab(tabs, 2);
  EXPECT_TRUE(notified_.empty());
}

using ProgressTest = ControlTest;

TEST_F(ProgressTest, PositionStaysInTheRangeAndTheBarIsFilledUpToIt) {
  const HWND bar = Make(u"msctls_progress32", nullptr, PBS_SMOOTH, {20, 20, 220, 34}, 689);
  SendMessage(bar, PBM_SETPOS, 50, 0);
  ASSERT_TRUE(Drawn(bar));
  const auto& pixels = platform::ui::screen::Pixels();
  const auto at = [&](int x) { return pixels[static_cast<std::size_t>(27) * 240 + x]; };
  EXPECT_EQ(at(70), at(100));  // a quarter and under half: filled
  EXPECT_NE(at(70), at(170));  // three quarters: empty
  EXPECT_EQ(at(170), at(200));

  SendMessage(bar, PBM_SETPOS, 0, 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 40, 0), 0);
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 150, 0), 40);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 100);
  SendMessage(bar, PBM_SETPOS, static_cast<WPARAM>(-5), 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 0);

  EXPECT_EQ(SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(10, 20)), MAKELONG(0, 100));
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 10);
  SendMessage(bar, PBM_SETRANGE32, static_cast<WPARAM>(-50), 50);
  PBRANGE range{};
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), -50);
  EXPECT_EQ(std::pair(range.iLow, range.iHigh), std::pair(-50, 50));
}

using ButtonTest = ControlTest;

TEST_F(ButtonTest, PushButtonClicksOnlyWhenReleasedOnIt) {
  const HWND ok = Make(u"BUTTON", u"OK", BS_PUSHBUTTON, {10, 10, 80, 30}, 1);
  TapCenter(ok);
  EXPECT_EQ(Commands(), (std::vector<Command>{{1, BN_CLICKED}}));
  EXPECT_EQ(GetFocus(), ok);
  EXPECT_EQ(Log({WM_COMMAND}).back().lParam, reinterpret_cast<LPARAM>(ok));

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

  // Space clicks the focused button.
  Press(VK_SPACE);
  EXPECT_EQ(Commands(), (std::vector<Command>{{1, BN_CLICKED}}));
}

TEST_F(ButtonTest, AutoCheckBoxTogglesOnEachClickAndDisabledButtonsIgnoreTapsKeysAndClicks) {
  const HWND box = Make(u"BUTTON", u"Remember", BS_AUTOCHECKBOX, {10, 10, 150, 26}, 7);
  const HWND button = Make(u"BUTTON", u"Go", BS_PUSHBUTTON, {10, 40, 80, 60}, 5);
  TapCenter(box);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  Press(VK_SPACE);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ(CodesFrom(7), (std::vector<WORD>{BN_CLICKED, BN_CLICKED}));
  // Setting the state is no click.
  SendMessage(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(CodesFrom(7).size(), 2u);

  ClearLog();
  SetFocus(nullptr);
  EnableWindow(button, FALSE);
  EnableWindow(box, FALSE);
  TapCenter(button);
  TapCenter(box);
  SendMessage(button, WM_KEYDOWN, VK_SPACE, 0);
  SendMessage(button, WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_NE(GetFocus(), button);
}

TEST_F(ButtonTest, AutoRadioButtonsAreExclusiveWithinTheirGroupOnly) {
  const HWND a1 = Make(u"BUTTON", u"A1", BS_AUTORADIOBUTTON | WS_GROUP, {10, 10, 100, 26}, 11);
  const HWND a2 = Make(u"BUTTON", u"A2", BS_AUTORADIOBUTTON, {10, 30, 100, 46}, 12);
  Make(u"STATIC", u"between", SS_LEFT, {110, 30, 200, 46}, 13);
  const HWND a3 = Make(u"BUTTON", u"A3", BS_AUTORADIOBUTTON, {10, 50, 100, 66}, 14);
  const HWND b1 = Make(u"BUTTON", u"B1", BS_AUTORADIOBUTTON | WS_GROUP, {10, 80, 100, 96}, 21);
  const HWND b2 = Make(u"BUTTON", u"B2", BS_AUTORADIOBUTTON, {10, 100, 100, 116}, 22);
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
  draw();
  EXPECT_EQ(
      std::tuple(drawn.CtlType, drawn.CtlID, drawn.hwndItem, drawn.rcItem.right, drawn.itemState),
      std::tuple(ODT_BUTTON, 504u, key, 32, 0u));

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
  EXPECT_EQ((std::vector<LONG>{r.left, r.right - r.left, r.bottom - r.top}),
            (std::vector<LONG>{30, 24, 20}));
  TapCenter(button);
  EXPECT_EQ(CodesFrom(548), (std::vector<WORD>{BN_CLICKED}));
  DestroyWindow(button);
  DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
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

class EditTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    platform::beeps::Clear();
  }
  static DWORD Sel(HWND edit) { return static_cast<DWORD>(SendMessage(edit, EM_GETSEL, 0, 0)); }
  // Width of text in the font the fields draw with (the system font: the
  // tests set none).
  static int TextWidth(HWND edit, std::u16string_view text) {
    const HDC dc = GetDC(edit);
    const HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SIZE size{};
    GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    return size.cx;
  }
  static int CaretX(HWND edit) {
    POINT p{};
    controls::EditCaretPos(edit, &p);
    return p.x;
  }
};

TEST_F(EditTest, FocusTypingLeavingAndSettingTheTextNotifyInOrder) {
  const HWND edit = Make(u"EDIT", u"", ES_AUTOHSCROLL, {10, 10, 200, 30}, 679);
  const HWND other = Make(u"BUTTON", u"OK", BS_PUSHBUTTON, {10, 40, 80, 60}, 1);
  const HWND multi = Make(u"EDIT", u"", ES_MULTILINE, {10, 70, 200, 120}, 11);
  TapCenter(edit);
  Type(u"ab");
  TapCenter(other);
  EXPECT_EQ(CodesFrom(679), (std::vector<WORD>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_UPDATE,
                                               EN_CHANGE, EN_KILLFOCUS}));
  EXPECT_EQ(Text(edit), u"ab");
  EXPECT_TRUE(SendMessage(edit, EM_GETMODIFY, 0, 0));

  // Setting the text is a change of single-line fields only, and no typing.
  ClearLog();
  SetWindowText(edit, u"new");
  SetWindowText(multi, u"new");
  EXPECT_EQ(Commands(), (std::vector<Command>{{679, EN_UPDATE}, {679, EN_CHANGE}}));
  EXPECT_FALSE(SendMessage(edit, EM_GETMODIFY, 0, 0));
  EXPECT_EQ(Sel(edit), MAKELONG(0, 0));
}

TEST_F(EditTest, TypingReplacesTheSelectionAndKeysMoveTheCaret) {
  const HWND edit = Make(u"EDIT", u"hello world", ES_AUTOHSCROLL, {10, 10, 200, 30}, 5);
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 0, 5);
  EXPECT_EQ(Sel(edit), MAKELONG(0, 5));
  Type(u"J");
  EXPECT_EQ(Text(edit), u"J world");
  EXPECT_EQ(Sel(edit), MAKELONG(1, 1));

  SendMessage(edit, EM_SETSEL, 0, -1);  // select all
  EXPECT_EQ(Sel(edit), MAKELONG(0, 7));
  Type(u"abc");
  Press(VK_LEFT);
  Press(VK_LEFT);
  Press(VK_DELETE);
  EXPECT_EQ(Text(edit), u"ac");
  Press(VK_HOME);
  Type(u"x");
  Press(VK_END);
  Press(VK_BACK);
  EXPECT_EQ(Text(edit), u"xa");
  // Shift extends the selection from the caret.
  input::KeyDown(VK_SHIFT);
  Press(VK_LEFT);
  input::KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(Sel(edit), MAKELONG(1, 2));
  SendMessage(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"yz"));
  EXPECT_EQ(Text(edit), u"xyz");
  // Left with a selection collapses it to its start.
  SendMessage(edit, EM_SETSEL, 1, 3);
  Press(VK_LEFT);
  EXPECT_EQ(Sel(edit), MAKELONG(1, 1));
}

TEST_F(EditTest, PasswordFieldShowsStarsAndGivesTheRealText) {
  const HWND a = Make(u"EDIT", u"", ES_PASSWORD | ES_AUTOHSCROLL, {10, 10, 200, 30}, 1);
  const HWND b = Make(u"EDIT", u"", ES_PASSWORD | ES_AUTOHSCROLL, {10, 40, 200, 60}, 2);
  EXPECT_EQ(SendMessage(a, EM_GETPASSWORDCHAR, 0, 0), u'*');
  SetFocus(a);
  Type(u"iiii");
  SetFocus(b);
  Type(u"WWWW");
  EXPECT_EQ(Text(a), u"iiii");
  EXPECT_EQ(Text(b), u"WWWW");
  EXPECT_EQ(controls::EditDisplayText(a), u"****");
  // Narrow and wide letters put the caret at the same place: stars are drawn.
  EXPECT_EQ(CaretX(a), CaretX(b));
  EXPECT_NE(TextWidth(a, u"iiii"), TextWidth(a, u"WWWW"));

  SendMessage(a, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_EQ(controls::EditDisplayText(a), u"iiii");
  EXPECT_FALSE(GetWindowLong(a, GWL_STYLE) & ES_PASSWORD);
  SendMessage(a, EM_SETPASSWORDCHAR, u'#', 0);
  EXPECT_EQ(controls::EditDisplayText(a), u"####");
}

TEST_F(EditTest, LimitRefusesExtraCharactersWithABeep) {
  const HWND edit = Make(u"EDIT", u"", ES_AUTOHSCROLL, {10, 10, 200, 30}, 3);
  SendMessage(edit, EM_LIMITTEXT, 3, 0);
  EXPECT_EQ(SendMessage(edit, EM_GETLIMITTEXT, 0, 0), 3);
  SetFocus(edit);
  ClearLog();
  Type(u"abcd");
  EXPECT_EQ(Text(edit), u"abc");
  EXPECT_EQ(platform::beeps::Recorded().size(), 1u);
  EXPECT_EQ(CodesFrom(3).back(), EN_MAXTEXT);
  // A replacement is cut to the room left; setting the text ignores the
  // limit.
  SendMessage(edit, EM_SETSEL, 1, 2);
  SendMessage(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"XYZ"));
  EXPECT_EQ(Text(edit), u"aXc");
  SetWindowText(edit, u"longer than three");
  EXPECT_EQ(Text(edit), u"longer than three");
}

TEST_F(EditTest, WithoutAutoScrollTypingStopsAtTheRightEdge) {
  const HWND fixed = Make(u"EDIT", u"", 0, {10, 10, 60, 30}, 1);
  const HWND scrolling = Make(u"EDIT", u"", ES_AUTOHSCROLL, {10, 40, 60, 60}, 2);
  const std::u16string many(30, u'W');
  SetFocus(fixed);
  Type(many);
  SetFocus(scrolling);
  Type(many);
  const int kept = GetWindowTextLength(fixed);
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 30);
  EXPECT_EQ(platform::beeps::Recorded().size(), static_cast<std::size_t>(30 - kept));
  EXPECT_EQ(GetWindowTextLength(scrolling), 30);
  // The scrolled field keeps its caret in view.
  RECT client{};
  GetClientRect(scrolling, &client);
  EXPECT_GE(CaretX(scrolling), 0);
  EXPECT_LT(CaretX(scrolling), client.right);
  Press(VK_HOME);
  EXPECT_GE(CaretX(scrolling), 0);
  EXPECT_LT(CaretX(scrolling), client.right / 2);
}

TEST_F(EditTest, StylusPlacesTheCaretAndDragSelects) {
  const HWND edit = Make(u"EDIT", u"abcdef", ES_AUTOHSCROLL, {10, 10, 200, 30}, 1);
  TapAt(edit, 150, 8);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(Sel(edit), MAKELONG(6, 6));
  TapAt(edit, 0, 8);
  EXPECT_EQ(Sel(edit), MAKELONG(0, 0));
  const int afterTwo = 2 + TextWidth(edit, u"ab");
  TapAt(edit, afterTwo, 8);
  EXPECT_EQ(Sel(edit), MAKELONG(2, 2));

  const POINT from = OnScreen(edit, 1, 8);
  const POINT to = OnScreen(edit, 2 + TextWidth(edit, u"abcd"), 8);
  input::StylusDown(from.x, from.y);
  input::StylusMove(to.x, to.y);
  input::StylusUp(to.x, to.y);
  Pump();
  EXPECT_EQ(Sel(edit), MAKELONG(0, 4));
  Type(u"Z");
  EXPECT_EQ(Text(edit), u"Zef");

  EnableWindow(edit, FALSE);
  SetFocus(nullptr);
  TapAt(edit, 5, 8);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(EditTest, MultiLineWrapsBreaksAndScrollsByItsScrollBar) {
  const HWND info = Make(u"EDIT", u"", ES_MULTILINE | WS_VSCROLL, {10, 10, 130, 60}, 719);
  const HWND other = Make(u"EDIT", u"", 0, {10, 100, 130, 120}, 2);
  SetWindowText(info,
                u"Welcome!\r\nThis device is not configured yet. Please assign a master "
                u"password now, then the user password.\r\nNote: the master password "
                u"unblocks a forgotten user password.");
  EXPECT_GT(SendMessage(info, EM_GETLINECOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  SetFocus(other);
  ClearLog();
  RECT client{};
  GetClientRect(info, &client);
  const int barX = client.right - 4;
  TapAt(info, barX, client.bottom - 3);  // down arrow
  EXPECT_EQ(SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  TapAt(info, barX, 3);  // up arrow
  EXPECT_EQ(SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  TapAt(info, barX, client.bottom - 16);  // the track below the thumb: a page
  EXPECT_GT(SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  // The scroll bar does not take the focus.
  EXPECT_EQ(GetFocus(), other);
  EXPECT_TRUE(Commands().empty());

  // The caret brought into view at the end shows the last line, even after
  // the text was scrolled back to the top.
  const int length = GetWindowTextLength(info);
  SendMessage(info, EM_SETSEL, length, length);
  SendMessage(info, EM_LINESCROLL, 0, -100);
  EXPECT_EQ(SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  SendMessage(info, EM_SCROLLCARET, 0, 0);
  EXPECT_GT(SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  POINT caret{};
  controls::EditCaretPos(info, &caret);
  EXPECT_GE(caret.y, 0);
  EXPECT_LT(caret.y, client.bottom);
}

TEST_F(EditTest, MultiLineDropsTheSpacesWhereALineWraps) {
  const HWND info = Make(u"EDIT", u"", ES_MULTILINE, {10, 10, 130, 60}, 719);
  const std::u16string spaces(60, u' ');
  SetWindowText(info, (u"Welcome" + spaces + u"Password").c_str());
  EXPECT_EQ(SendMessage(info, EM_GETLINECOUNT, 0, 0), 2);

  // The second line starts with the word, at the same margin as the first.
  POINT first{};
  POINT word{};
  SendMessage(info, EM_SETSEL, 0, 0);
  ASSERT_TRUE(controls::EditCaretPos(info, &first));
  const int wordAt = 7 + static_cast<int>(spaces.size());
  SendMessage(info, EM_SETSEL, wordAt, wordAt);
  ASSERT_TRUE(controls::EditCaretPos(info, &word));
  EXPECT_EQ(word.x, first.x);
  EXPECT_GT(word.y, first.y);
}

class ComboBoxTest : public ControlTest {
 protected:
  HWND MakeCombo(DWORD style, RECT r, int count, int id = 708) {
    const HWND combo = Make(u"COMBOBOX", nullptr, style, r, id);
    for (int i = 1; i <= count; ++i) {
      const std::u16string text = platform::FromUtf8(std::to_string(i));
      SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    return combo;
  }
  void TapDropButton(HWND combo) {
    RECT r{};
    ASSERT_TRUE(controls::ComboDropButtonRect(combo, &r));
    TapScreen(r);
  }
  void TapItem(HWND combo, int index) {
    RECT r{};
    ASSERT_TRUE(controls::ComboListItemRect(combo, index, &r));
    TapScreen(r);
  }
  static LRESULT Select(HWND combo, LONG_PTR after, LPCWSTR text) {
    return SendMessage(combo, CB_SELECTSTRING, static_cast<WPARAM>(after),
                       reinterpret_cast<LPARAM>(text));
  }
};

TEST_F(ComboBoxTest, ItemsAndSearches) {
  const HWND combo = Make(u"COMBOBOX", nullptr, CBS_DROPDOWN, {10, 10, 100, 100}, 1);
  for (LPCWSTR text : {u"Apple", u"Avocado", u"banana", u"Cherry", u"apricot"}) {
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessage(combo, CB_GETLBTEXTLEN, 2, 0), 6);
  WCHAR buffer[32] = {};
  EXPECT_EQ(SendMessage(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(buffer)), 6);
  EXPECT_EQ(std::u16string(buffer), u"banana");
  EXPECT_EQ(SendMessage(combo, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(buffer)), CB_ERR);

  // Prefix searches ignore case, start after the given item and go round.
  const auto find = [&](UINT message, LONG_PTR after, LPCWSTR text) {
    return SendMessage(combo, message, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text));
  };
  EXPECT_EQ(find(CB_FINDSTRING, -1, u"a"), 0);
  EXPECT_EQ(find(CB_FINDSTRING, 0, u"A"), 1);
  EXPECT_EQ(find(CB_FINDSTRING, 1, u"ap"), 4);
  EXPECT_EQ(find(CB_FINDSTRING, 4, u"ap"), 0);
  EXPECT_EQ(find(CB_FINDSTRING, -1, u"kiwi"), CB_ERR);
  EXPECT_EQ(find(CB_FINDSTRINGEXACT, -1, u"cherry"), 3);
  EXPECT_EQ(find(CB_FINDSTRINGEXACT, -1, u"cher"), CB_ERR);

  // Select-string also selects and shows the item; a miss changes nothing.
  EXPECT_EQ(Select(combo, -1, u"BAN"), 2);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Text(combo), u"banana");
  EXPECT_EQ(Select(combo, -1, u"kiwi"), CB_ERR);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Text(combo), u"banana");

  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 0, 0), 0);
  EXPECT_EQ(Text(combo), u"Apple");
  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
  EXPECT_EQ(Text(combo), u"");
  // Setting items and text is no typing.
  EXPECT_TRUE(Commands().empty());
}

TEST_F(ComboBoxTest, TapOnAnItemChoosesItAndATapOutsideTheListChoosesNothing) {
  const HWND combo = MakeCombo(CBS_DROPDOWN | WS_VSCROLL, {10, 10, 60, 110}, 10);
  SendMessage(combo, CB_SETCURSEL, 4, 0);
  TapDropButton(combo);
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  const HWND list = controls::ComboListWindow(combo);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(GetActiveWindow(), list);

  TapItem(combo, 2);
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Text(combo), u"3");
  EXPECT_EQ(CodesFrom(708), (std::vector<WORD>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE,
                                               CBN_SELENDOK, CBN_CLOSEUP}));

  ClearLog();
  TapDropButton(combo);
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  TapAt(parent_, 200, 300);
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(CodesFrom(708), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
  // The tap that closed the list went nowhere else.
  EXPECT_TRUE(Log({WM_LBUTTONDOWN}).empty());
}

TEST_F(ComboBoxTest, ListOpensAboveWhenThereIsNoRoomBelowAndScrolls) {
  const HWND combo = MakeCombo(CBS_DROPDOWN | WS_VSCROLL, {70, 280, 120, 380}, 60, 705);
  TapDropButton(combo);
  const HWND list = controls::ComboListWindow(combo);
  ASSERT_NE(list, nullptr);
  RECT comboRect{};
  RECT listRect{};
  GetWindowRect(combo, &comboRect);
  GetWindowRect(list, &listRect);
  EXPECT_EQ(listRect.bottom, comboRect.top);

  RECT item{};
  EXPECT_FALSE(controls::ComboListItemRect(combo, 40, &item));
  ASSERT_TRUE(controls::ComboListScrollTo(combo, 40));
  TapItem(combo, 40);
  EXPECT_EQ(Text(combo), u"41");

  // The list's scroll bar scrolls by a line per tap on its arrow.
  SendMessage(combo, CB_SETCURSEL, 0, 0);
  TapDropButton(combo);
  RECT client{};
  GetClientRect(list, &client);
  EXPECT_TRUE(controls::ComboListItemRect(combo, 0, &item));
  TapAt(list, client.right - 3, client.bottom - 3);
  EXPECT_FALSE(controls::ComboListItemRect(combo, 0, &item));
  EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(ComboBoxTest, TypingInTheEditPartIsAnEditChangeWhoseHandlerMayPutTheValueBack) {
  const HWND combo = MakeCombo(CBS_DROPDOWN, {10, 10, 60, 110}, 10);
  const HWND other = Make(u"BUTTON", u"OK", BS_PUSHBUTTON, {100, 10, 160, 30}, 1);
  SetFocus(combo);
  EXPECT_EQ(GetParent(GetFocus()), combo);
  Type(u"7");
  EXPECT_EQ(Text(combo), u"7");
  SendMessage(combo, CB_SETCURSEL, 2, 0);
  SetWindowText(combo, u"12");
  TapCenter(other);
  EXPECT_EQ(Commands(), (std::vector<Command>{{708, CBN_SETFOCUS},
                                              {708, CBN_EDITUPDATE},
                                              {708, CBN_EDITCHANGE},
                                              {708, CBN_KILLFOCUS},
                                              {1, BN_CLICKED}}));

  // As the settings pages do: only list entries can be chosen.
  Select(combo, -1, u"5");
  int edits = 0;
  React([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_COMMAND && HIWORD(static_cast<DWORD>(wParam)) == CBN_EDITCHANGE) {
      ++edits;
      if (Select(combo, -1, u"5") == CB_ERR) SetWindowText(combo, u"5");
    }
    return std::nullopt;
  });
  SetFocus(combo);
  Type(u"9");
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(Text(combo), u"5");
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 4);
}

TEST_F(ComboBoxTest, DropDownListShowsTheSelectionAndTakesKeys) {
  const HWND combo = MakeCombo(CBS_DROPDOWNLIST, {10, 10, 80, 110}, 3, 9);
  EXPECT_EQ(GetWindow(combo, GW_CHILD), nullptr);
  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 0, 0), 0);
  EXPECT_EQ(Text(combo), u"1");
  SetFocus(combo);
  Press(VK_DOWN);
  EXPECT_EQ(Text(combo), u"2");
  // A tap on the field opens the list too.
  TapAt(combo, 5, 5);
  EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  Press(VK_DOWN);
  Press(VK_RETURN);
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(Text(combo), u"3");
  EXPECT_EQ(CodesFrom(9),
            (std::vector<WORD>{CBN_SETFOCUS, CBN_SELCHANGE, CBN_SELENDOK, CBN_DROPDOWN,
                               CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
}

}  // namespace
