// The loop's order, the idle hook, nested modal loops and WM_QUIT; timers
// on the virtual clock.
#include <functional>

#include "platform/clock.h"
#include "platform/kernel.h"
#include "platform/ui/window/window_internal.h"
#include "tests/ui/test_window.h"

namespace {

using MessageLoopTest = ui_test::WindowTest;
using platform::ui::IsIdle;
using platform::ui::RunModalLoop;
using platform::ui::SetIdleHook;

TEST_F(MessageLoopTest, ManyInvalidationsMakeOneFrameBeforeTheLoopGoesIdle) {
  HWND w = TopLevel(u"w");
  HWND hidden = TopLevel(u"hidden", {0, 0, 10, 10}, WS_POPUP);
  int frames = 0;
  int observed = 0;
  platform::ui::SetComposer([&] {
    ++frames;
    ValidateRect(w, nullptr);
  });
  platform::ui::SetFrameObserver([&] { ++observed; });
  for (int i = 0; i < 50; ++i) InvalidateRect(w, nullptr, TRUE);
  bool done = false;
  int framesWhenIdle = -1;
  SetIdleHook([&] {
    framesWhenIdle = frames;
    done = true;
    return true;
  });
  RunModalLoop([&] { return done; });
  EXPECT_EQ(framesWhenIdle, 1);
  EXPECT_EQ(observed, 1);
  EXPECT_FALSE(platform::ui::GetUpdateState(w, nullptr, nullptr));

  // Nothing shows a hidden window's change; UpdateWindow paints at once.
  InvalidateRect(hidden, nullptr, TRUE);
  EXPECT_FALSE(platform::ui::ScreenNeedsCompose());
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  EXPECT_EQ(frames, 2);
  UpdateWindow(w);
  EXPECT_EQ(frames, 2);
}

TEST_F(MessageLoopTest, TheIdleHookRunsOnlyWhenNothingIsWaiting) {
  HWND w = TopLevel(u"w");
  for (int i = 0; i < 3; ++i) PostMessage(w, WM_USER + i, 0, 0);
  SetTimer(w, 1, 10, nullptr);
  platform::clock::Advance(10);
  EXPECT_FALSE(IsIdle());
  std::vector<std::size_t> seen;
  bool idleEachTime = true;
  SetIdleHook([&] {
    idleEachTime = idleEachTime && IsIdle();
    seen.push_back(Log({WM_USER, WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_TIMER}).size());
    if (seen.size() == 1) PostMessage(w, WM_USER + 3, 0, 0);
    return true;
  });
  RunModalLoop([&] { return seen.size() == 2; });
  EXPECT_TRUE(idleEachTime);
  EXPECT_EQ(seen, (std::vector<std::size_t>{4, 5}));
}

TEST_F(MessageLoopTest, NestedModalLoopsEndInsideOut) {
  HWND w = TopLevel(u"w");
  bool done[3] = {};
  std::vector<int> ended;
  React([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_USER) return std::nullopt;
    const bool result = RunModalLoop([&, wParam] { return done[wParam]; });
    ended.push_back(static_cast<int>(wParam));
    return result;
  });
  std::size_t endedBeforeInnerCloses = 99;
  const std::function<void()> steps[] = {
      [&] { PostMessage(w, WM_USER, 1, 0); },  // a dialog over the main loop
      [&] { PostMessage(w, WM_USER, 2, 0); },  // a box over that dialog
      [&] { done[1] = true; },                 // the middle one is over, but the box still runs
      [&] {
        endedBeforeInnerCloses = ended.size();
        done[2] = true;
      },
      [&] { done[0] = true; }};
  std::size_t step = 0;
  SetIdleHook([&] {
    steps[std::min(step++, std::size(steps) - 1)]();
    return true;
  });
  EXPECT_TRUE(RunModalLoop([&] { return done[0]; }));
  EXPECT_EQ(endedBeforeInnerCloses, 0u);
  EXPECT_EQ(ended, (std::vector<int>{2, 1}));
}

TEST_F(MessageLoopTest, QuitEndsEveryNestedLoopAndReachesTheOuterGetMessage) {
  HWND w = TopLevel(u"w");
  std::vector<bool> results;
  React([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_USER) return std::nullopt;
    results.push_back(RunModalLoop([] { return false; }));
    return 0;
  });
  int step = 0;
  SetIdleHook([&] {
    if (step++ < 2) {
      PostMessage(w, WM_USER, 0, 0);
    } else {
      PostQuitMessage(7);
    }
    return true;
  });
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(results, (std::vector<bool>{false, false}));
}

TEST_F(MessageLoopTest, AVirtualRunWithNothingLeftToDoGoesToTheHandler) {
  TopLevel(u"w");
  SetIdleHook([] { return false; });
  // A handler that ends the waiting loop lets the program go on.
  bool done = false;
  int reported = 0;
  platform::ui::SetIdleExhaustedHandler([&] {
    ++reported;
    done = true;
  });
  EXPECT_TRUE(RunModalLoop([&] { return done; }));
  EXPECT_EQ(reported, 1);
  // One that can't help ends the run: the loops unwind with WM_QUIT.
  platform::ui::SetIdleExhaustedHandler([&] { ++reported; });
  MSG msg;
  EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(reported, 3);
}

TEST_F(MessageLoopTest, FiltersPickByWindowAndRangeAndLeaveTheRest) {
  HWND a = TopLevel(u"a");
  HWND child = Child(a, 1, {0, 0, 10, 10});
  HWND b = TopLevel(u"b");
  PostMessage(b, WM_USER + 5, 0, 0);
  PostMessage(child, WM_USER + 1, 0, 0);
  PostMessage(a, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, a, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.hwnd, child);
  ASSERT_TRUE(PeekMessage(&msg, a, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, a);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1u);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

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

std::vector<ui_test::Logged> g_procCalls;
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
  EXPECT_EQ(g_procCalls, (std::vector<ui_test::Logged>{{w, WM_TIMER, 3, 1015},
                                                       {nullptr, WM_TIMER, threadTimer, 1015}}));
  EXPECT_TRUE(Log({WM_TIMER}).empty());
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
  // A forged WM_TIMER calls nothing.
  MSG forged{w, WM_TIMER, 99, reinterpret_cast<LPARAM>(&RecordTimer), 0, {}};
  DispatchMessage(&forged);
  EXPECT_EQ(g_procCalls.size(), 2u);
}

}  // namespace
