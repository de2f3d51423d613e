// The "msctls_progress32" class: range, position, steps, and the bar drawn
// up to the position.
#include "tests/ui/controls_fixture.h"

namespace {

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
