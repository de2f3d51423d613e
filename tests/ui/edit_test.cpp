// The "EDIT" class: notifications, caret and selection, masking, limits,
// scrolling, read-only and multi-line text.
#include "platform/beeps.h"
#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window_dc.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::Command;
using controls_test::ControlTest;
namespace input = platform::ui::input;
namespace controls = platform::ui::controls;

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

TEST_F(EditTest, FocusTypingAndLeavingNotifyInOrder) {
  const HWND edit = Make(u"EDIT", u"", ES_AUTOHSCROLL, {10, 10, 200, 30}, 679);
  const HWND other = Make(u"BUTTON", u"OK", BS_PUSHBUTTON, {10, 40, 80, 60}, 1);
  TapCenter(edit);
  Type(u"ab");
  TapCenter(other);
  EXPECT_EQ(CodesFrom(679), (std::vector<WORD>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_UPDATE,
                                               EN_CHANGE, EN_KILLFOCUS}));
  EXPECT_EQ(Text(edit), u"ab");
  EXPECT_TRUE(SendMessage(edit, EM_GETMODIFY, 0, 0));
}

TEST_F(EditTest, SetTextReportsAChangeOnlyForSingleLineFields) {
  const HWND single = Make(u"EDIT", u"start", 0, {10, 10, 200, 30}, 10);
  const HWND multi = Make(u"EDIT", u"", ES_MULTILINE, {10, 40, 200, 90}, 11);
  EXPECT_EQ(Text(single), u"start");
  SendMessage(single, EM_SETMODIFY, TRUE, 0);
  SetWindowText(single, u"new");
  SetWindowText(multi, u"new");
  EXPECT_EQ(Commands(), (std::vector<Command>{{10, EN_UPDATE}, {10, EN_CHANGE}}));
  EXPECT_FALSE(SendMessage(single, EM_GETMODIFY, 0, 0));
  EXPECT_EQ(Sel(single), MAKELONG(0, 0));
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

TEST_F(EditTest, FieldStylesFilterTyping) {
  const HWND readOnly = Make(u"EDIT", u"fixed", ES_READONLY, {10, 10, 200, 30}, 1);
  const HWND number = Make(u"EDIT", u"", ES_NUMBER, {10, 40, 200, 60}, 2);
  const HWND upper = Make(u"EDIT", u"", ES_UPPERCASE, {10, 70, 200, 90}, 3);
  SetFocus(readOnly);
  Press(VK_END);
  Type(u"x");
  Press(VK_BACK);
  Press(VK_DELETE);
  EXPECT_EQ(Text(readOnly), u"fixed");
  SendMessage(readOnly, EM_SETREADONLY, FALSE, 0);
  Type(u"!");
  EXPECT_EQ(Text(readOnly), u"fixed!");
  SetFocus(number);
  Type(u"1a2");
  EXPECT_EQ(Text(number), u"12");
  SetFocus(upper);
  Type(u"abc\u00e9");
  EXPECT_EQ(Text(upper), u"ABC\u00c9");
  EXPECT_EQ(platform::beeps::Recorded().size(), 4u);  // 3 read-only, 1 letter in a number
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
  const HWND info =
      Make(u"EDIT", u"", ES_MULTILINE | ES_READONLY | WS_VSCROLL, {10, 10, 130, 60}, 719);
  const HWND other = Make(u"EDIT", u"", 0, {10, 100, 130, 120}, 2);
  SetWindowText(info,
                u"Welcome!\r\nThis device is not configured yet. Please assign a master "
                u"password now, then the user password.\r\nNote: the master password "
                u"unblocks a forgotten user password.");
  const LRESULT lines = SendMessage(info, EM_GETLINECOUNT, 0, 0);
  EXPECT_GT(lines, 5);
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
  const LRESULT paged = SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0);
  EXPECT_GT(paged, 1);
  // The scroll bar does not take the focus.
  EXPECT_EQ(GetFocus(), other);
  EXPECT_TRUE(Commands().empty());

  // The caret brought into view at the end shows the last line.
  const int length = GetWindowTextLength(info);
  SendMessage(info, EM_SETSEL, length, length);
  SendMessage(info, EM_SCROLLCARET, 0, 0);
  const LRESULT first = SendMessage(info, EM_GETFIRSTVISIBLELINE, 0, 0);
  EXPECT_GT(first, 0);
  POINT caret{};
  controls::EditCaretPos(info, &caret);
  EXPECT_GE(caret.y, 0);
  EXPECT_LT(caret.y, client.bottom);

  // Read-only: typing changes nothing.
  SetFocus(info);
  Type(u"x");
  EXPECT_EQ(GetWindowTextLength(info), length);
}

}  // namespace
