// Timers on the virtual clock: due order, never early, missed periods
// folded into one, resets, timer procedures.
#include "platform/clock.h"
#include "platform/kernel.h"
#include "tests/ui/test_window.h"

namespace {

using TimersTest = ui_test::WindowTest;
using Fired = std::pair<UINT_PTR, DWORD>;

TEST_F(TimersTest, FireInDueOrderAsTheClockIsWalkedAndNeverEarly) {
  HWND w = TopLevel(u"w");
  std::vector<Fired> fired;
  React([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_TIMER) return std::nullopt;
    fired.emplace_back(wParam, GetTickCount());
    return 0;
  });
  SetTimer(w, 1, 100, nullptr);
  SetTimer(w, 2, 30, nullptr);
  platform::clock::Advance(29);
  Pump();
  EXPECT_TRUE(fired.empty());

  bool done = false;
  int calls = 0;
  platform::ui::SetIdleHook([&] {
    if (calls++ == 0) {
      platform::ui::AdvanceClockTo(1130);
      EXPECT_FALSE(platform::ui::IsIdle());
    } else {
      done = true;
    }
    return true;
  });
  EXPECT_TRUE(platform::ui::RunModalLoop([&] { return done; }));
  EXPECT_EQ(fired, (std::vector<Fired>{{2, 1030}, {2, 1060}, {2, 1090}, {1, 1100}, {2, 1120}}));
  EXPECT_EQ(GetTickCount(), 1130u);
  DWORD next = 0;
  ASSERT_TRUE(platform::ui::NextTimerDue(&next));
  EXPECT_EQ(next, 1150u);
}

TEST_F(TimersTest, MissedPeriodsFoldIntoOneAndSettingAgainRestarts) {
  HWND w = TopLevel(u"w");
  int count = 0;
  React([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_TIMER) ++count;
    return std::nullopt;
  });
  SetTimer(w, 1, 10, nullptr);
  platform::clock::Advance(95);
  Pump();
  EXPECT_EQ(count, 1);
  DWORD next = 0;
  platform::ui::NextTimerDue(&next);
  EXPECT_EQ(next, 1100u);  // back on its period
  SetTimer(w, 1, 10, nullptr);
  platform::ui::NextTimerDue(&next);
  EXPECT_EQ(next, 1105u);
  EXPECT_TRUE(KillTimer(w, 1));
  EXPECT_FALSE(KillTimer(w, 1));
  platform::clock::Advance(100);
  Pump();
  EXPECT_EQ(count, 1);
}

struct ProcCall {
  HWND hwnd;
  UINT message;
  UINT_PTR id;
  DWORD tick;
  bool operator==(const ProcCall&) const = default;
};
std::vector<ProcCall> g_procCalls;
void RecordTimer(HWND hwnd, UINT message, std::uintptr_t id, DWORD tick) {
  g_procCalls.push_back({hwnd, message, id, tick});
}

TEST_F(TimersTest, ATimerProcedureIsCalledInsteadOfTheWindow) {
  g_procCalls.clear();
  HWND w = TopLevel(u"w");
  SetTimer(w, 3, 10, RecordTimer);
  const UINT_PTR threadTimer = SetTimer(nullptr, 0, 15, RecordTimer);
  EXPECT_NE(threadTimer, 0u);
  platform::clock::Advance(15);
  Pump();
  EXPECT_EQ(g_procCalls, (std::vector<ProcCall>{{w, WM_TIMER, 3, 1015},
                                                {nullptr, WM_TIMER, threadTimer, 1015}}));
  EXPECT_TRUE(Log({WM_TIMER}).empty());
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
  // A forged WM_TIMER calls nothing.
  MSG forged{w, WM_TIMER, 99, reinterpret_cast<LPARAM>(&RecordTimer), 0, {}};
  DispatchMessage(&forged);
  EXPECT_EQ(g_procCalls.size(), 2u);
}

}  // namespace
