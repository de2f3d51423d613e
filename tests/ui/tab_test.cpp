// The "SysTabControl32" class: items, the selection changed by taps with
// the parent's say, and the layout along the top or bottom edge.
#include <optional>

#include "platform/ui/controls/controls_internal.h"
#include "tests/ui/controls_fixture.h"

namespace {

using controls_test::ControlTest;
namespace controls = platform::ui::controls;

class TabTest : public ControlTest {
 protected:
  HWND MakeTabs(DWORD style, RECT r = {0, 0, 240, 200}) {
    const HWND tabs = Make(u"SysTabControl32", nullptr, style, r, 12320);
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

TEST_F(TabTest, TapOnATabAsksTheParentFirst) {
  const HWND tabs = MakeTabs(TCS_BOTTOM);
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

TEST_F(TabTest, TapsOnThePageAreaReachThePage) {
  const HWND tabs = MakeTabs(TCS_BOTTOM);
  // The page comes after the tab control, so it lies below it.
  const HWND button = Make(u"BUTTON", u"On page", BS_PUSHBUTTON, {20, 20, 120, 50}, 77);
  TapCenter(button);
  EXPECT_EQ(CodesFrom(77), (std::vector<WORD>{BN_CLICKED}));
  EXPECT_TRUE(notified_.empty());
  (void)tabs;
}

}  // namespace
