// The "COMBOBOX" class: the item list and its searches, the drop-down list
// opened and chosen from by taps, and the notifications of the edit part.
#include <string>

#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/gfx/gdi.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::Command;
using controls_test::ControlTest;
namespace controls = platform::ui::controls;

class ComboBoxTest : public ControlTest {
 protected:
  HWND MakeCombo(DWORD style, RECT r, int count, int id = 708) {
    const HWND combo = Make(u"COMBOBOX", nullptr, style, r, id);
    for (int i = 1; i <= count; ++i) {
      const std::u16string text =
          std::u16string(i >= 10 ? 1 : 0, static_cast<char16_t>(u'0' + i / 10)) +
          static_cast<char16_t>(u'0' + i % 10);
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
  for (LPCWSTR text : {u"Apple", u"banana", u"Cherry", u"apricot"}) {
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  EXPECT_EQ(SendMessage(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(u"Avocado")), 1);
  EXPECT_EQ(SendMessage(combo, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(u"x")), CB_ERR);
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

  // Deleting items before the selection moves it; the selected one clears it.
  EXPECT_EQ(SendMessage(combo, CB_DELETESTRING, 0, 0), 4);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
  SendMessage(combo, CB_DELETESTRING, 1, 0);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 0, 0), 0);
  EXPECT_EQ(Text(combo), u"Avocado");
  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
  EXPECT_EQ(Text(combo), u"");
  SendMessage(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 0);
  // Setting items and text is no typing.
  EXPECT_TRUE(Commands().empty());
}

TEST_F(ComboBoxTest, TapOnAnItemChoosesIt) {
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
}

TEST_F(ComboBoxTest, TapOutsideTheListClosesItWithoutAChoice) {
  const HWND combo = MakeCombo(CBS_DROPDOWN, {10, 10, 60, 110}, 5);
  SendMessage(combo, CB_SETCURSEL, 1, 0);
  SetFocus(combo);
  ClearLog();
  TapDropButton(combo);
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  TapAt(parent_, 200, 300);
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
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

TEST_F(ComboBoxTest, TypingInTheEditPartIsAnEditChange) {
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
}

TEST_F(ComboBoxTest, PuttingTheValueBackOnEditChangeHoldsTheText) {
  // As the settings pages do: only list entries can be chosen.
  const HWND combo = MakeCombo(CBS_DROPDOWN, {10, 10, 60, 110}, 60);
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
