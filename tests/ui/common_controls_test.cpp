// The "SysTabControl32" class: items, the selection changed by taps with
// the parent's say, and the layout along the top or bottom edge.
// The "msctls_progress32" class: range, position, steps, and the bar drawn
// up to the position.
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

using controls_test::ControlTest;

using ProgressTest = ControlTest;

TEST_F(ProgressTest, PositionStaysInTheRange) {
  const HWND bar = Make(u"msctls_progress32", nullptr, PBS_SMOOTH, {10, 10, 200, 24}, 689);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 40, 0), 0);
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 150, 0), 40);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 100);
  SendMessage(bar, PBM_SETPOS, static_cast<WPARAM>(-5), 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 0);

  EXPECT_EQ(SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(10, 20)), MAKELONG(0, 100));
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(SendMessage(bar, PBM_DELTAPOS, 25, 0), 10);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 20);
  SendMessage(bar, PBM_SETRANGE32, static_cast<WPARAM>(-50), 50);
  PBRANGE range{};
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), -50);
  EXPECT_EQ(range.iLow, -50);
  EXPECT_EQ(range.iHigh, 50);

  // Stepping past the end starts over from the beginning.
  SendMessage(bar, PBM_SETPOS, 40, 0);
  EXPECT_EQ(SendMessage(bar, PBM_SETSTEP, 15, 0), 10);
  EXPECT_EQ(SendMessage(bar, PBM_STEPIT, 0, 0), 40);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), -45);
}

TEST_F(ProgressTest, BarIsFilledUpToThePosition) {
  const HWND bar = Make(u"msctls_progress32", nullptr, PBS_SMOOTH, {20, 20, 220, 34}, 689);
  SendMessage(bar, PBM_SETPOS, 50, 0);
  ASSERT_TRUE(Drawn(bar));
  const auto& pixels = platform::ui::screen::Pixels();
  const auto at = [&](int x) { return pixels[static_cast<std::size_t>(27) * 240 + x]; };
  EXPECT_EQ(at(70), at(100));  // a quarter and under half: filled
  EXPECT_NE(at(70), at(170));  // three quarters: empty
  EXPECT_EQ(at(170), at(200));
}

}  // namespace
