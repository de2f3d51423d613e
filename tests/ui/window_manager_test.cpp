// The window tree, geometry, activation and focus; keys, characters and
// hot keys from the input layer.
#include <thread>

#include "platform/clock.h"
#include "platform/kernel.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/window_internal.h"
#include "tests/ui/test_window.h"

namespace {

using ui_test::Logged;
using ui_test::WindowTest;

using WindowManagerTest = WindowTest;
namespace input = platform::ui::input;

TEST_F(WindowManagerTest, CreationPassesTheCreateStructAndMinusOneRefusesTheWindow) {
  int param = 0;
  CREATESTRUCT seen{};
  React([&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
    if (message != WM_CREATE) return std::nullopt;
    seen = *reinterpret_cast<const CREATESTRUCT*>(lParam);
    return std::u16string_view(seen.lpszName) == u"refused" ? -1 : 0;
  });
  HWND owner = TopLevel(u"owner");
  HWND w = CreateWindowEx(WS_EX_TOPMOST, ui_test::kTestClass, u"made", WS_POPUP, 1, 2, 30, 40,
                          owner, 0, nullptr, &param);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(seen.lpCreateParams, &param);
  EXPECT_EQ(seen.hwndParent, owner);
  EXPECT_EQ((seen.x << 24) | (seen.y << 16) | (seen.cx << 8) | seen.cy,
            (1 << 24) | (2 << 16) | (30 << 8) | 40);
  EXPECT_EQ(seen.dwExStyle, WS_EX_TOPMOST);

  ClearLog();
  EXPECT_EQ(TopLevel(u"refused"), nullptr);
  EXPECT_EQ(FindWindow(nullptr, u"refused"), nullptr);
  // The refused window was torn down like any other.
  const auto log = Log({WM_CREATE, WM_DESTROY, WM_NCDESTROY});
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].message, WM_DESTROY);
  EXPECT_EQ(log[2].message, WM_NCDESTROY);
  EXPECT_FALSE(IsWindow(log[0].hwnd));
}

TEST_F(WindowManagerTest, DestroyReachesOwnedWindowsFirstThenParentBeforeChildren) {
  HWND parent = TopLevel(u"parent");
  HWND c1 = Child(parent, 1, {0, 0, 10, 10});
  HWND g = Child(c1, 3, {0, 0, 5, 5});
  HWND c2 = Child(parent, 2, {0, 20, 10, 30});
  HWND owned = TopLevel(u"owned", {0, 0, 100, 100}, WS_POPUP | WS_VISIBLE, c1);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), parent);  // the owner is a top-level window
  EXPECT_EQ(GetParent(owned), parent);            // a popup's parent is its owner
  SetTimer(c2, 7, 100, nullptr);
  PostMessage(g, WM_USER, 0, 0);
  SetFocus(c2);
  SetCapture(g);

  ClearLog();
  ASSERT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (const Logged& l : Log({WM_DESTROY, WM_NCDESTROY})) order.emplace_back(l.hwnd, l.message);
  const std::vector<std::pair<HWND, UINT>> expected = {
      {owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {parent, WM_DESTROY}, {c1, WM_DESTROY},
      {g, WM_DESTROY},     {c2, WM_DESTROY},      {c2, WM_NCDESTROY},   {g, WM_NCDESTROY},
      {c1, WM_NCDESTROY},  {parent, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  for (HWND w : {parent, c1, g, c2, owned}) EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  DWORD due = 0;
  EXPECT_FALSE(platform::ui::NextTimerDue(&due));
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowManagerTest, UnansweredHelpRequestsTravelToParentAndOwner) {
  HWND frame = TopLevel(u"frame");
  HWND box = TopLevel(u"box", {0, 0, 100, 100}, WS_POPUP | WS_VISIBLE, frame);
  HWND button = Child(box, 1, {0, 0, 10, 10});
  ClearLog();
  SendMessage(button, WM_HELP, 0, 42);
  std::vector<HWND> reached;
  for (const Logged& l : Log({WM_HELP})) reached.push_back(l.hwnd);
  EXPECT_EQ(reached, (std::vector<HWND>{button, box, frame}));
}

TEST_F(WindowManagerTest, InvalidHandlesFailCleanly) {
  HWND gone = TopLevel(u"gone");
  DestroyWindow(gone);
  HWND bogus = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
  for (HWND w : {gone, bogus}) {
    SetLastError(0);
    EXPECT_EQ(GetWindowLong(w, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0);
    EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessage(w, WM_USER, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_EQ(SetTimer(w, 1, 10, nullptr), 0u);
    EXPECT_EQ(
        CreateWindowEx(0, ui_test::kTestClass, u"", WS_CHILD, 0, 0, 1, 1, w, 1, nullptr, nullptr),
        nullptr);
  }
}

TEST_F(WindowManagerTest, FramesClientAreasAndMoves) {
  constexpr int k = platform::ui::kFrameThickness;
  HWND w = TopLevel(u"w", {10, 20, 110, 120}, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND c = Child(w, 1, {5, 5, 25, 15});
  RECT r;
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, 100 - 2 * k);
  GetWindowRect(c, &r);
  EXPECT_EQ(r.left, 10 + k + 5);
  EXPECT_EQ(r.top, 20 + k + 5);
  POINT p{1, 2};
  ClientToScreen(c, &p);
  EXPECT_EQ(p.x, r.left + 1);
  ScreenToClient(w, &p);
  EXPECT_EQ(p.x, 6);
  EXPECT_EQ(p.y, 7);

  ClearLog();
  MoveWindow(w, 0, 0, 100, 100, TRUE);  // moved, same size
  MoveWindow(w, 0, 0, 50, 60, TRUE);    // resized, same place
  MoveWindow(w, 0, 0, 50, 60, TRUE);    // nothing changes
  EXPECT_EQ(Log({WM_MOVE, WM_SIZE}),
            (std::vector<Logged>{{w, WM_MOVE, 0, MAKELPARAM(k, k)},
                                 {w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(50 - 2 * k, 60 - 2 * k)}}));
  // The child moved with its parent.
  GetWindowRect(c, &r);
  EXPECT_EQ(r.left, k + 5);
}

TEST_F(WindowManagerTest, HitTestingSeesOnlyVisibleWindowsAndStopsAtDisabledChildren) {
  HWND back = TopLevel(u"back", {0, 0, 240, 320});
  HWND front = TopLevel(u"front", {0, 0, 100, 100});
  HWND shown = Child(front, 1, {0, 0, 50, 50});
  Child(front, 2, {50, 0, 100, 50}, WS_CHILD);  // hidden
  HWND disabled = Child(front, 3, {0, 50, 50, 100}, WS_CHILD | WS_VISIBLE | WS_DISABLED);
  EXPECT_EQ(WindowFromPoint({10, 10}), shown);
  EXPECT_EQ(WindowFromPoint({60, 10}), front);
  EXPECT_EQ(WindowFromPoint({10, 60}), front);
  EXPECT_EQ(WindowFromPoint({150, 10}), back);
  EXPECT_EQ(ChildWindowFromPoint(front, {10, 60}), disabled);
  EXPECT_EQ(ChildWindowFromPoint(front, {60, 10}), front);
  EXPECT_EQ(ChildWindowFromPoint(front, {160, 10}), nullptr);
  ShowWindow(front, SW_HIDE);
  EXPECT_EQ(WindowFromPoint({10, 10}), back);
  EXPECT_EQ(WindowFromPoint({300, 10}), nullptr);
}

TEST_F(WindowManagerTest, ActivationSendsInactiveThenActiveWithTheOtherWindow) {
  HWND a = TopLevel(u"a");
  EXPECT_EQ(GetActiveWindow(), a);
  ClearLog();
  HWND b = TopLevel(u"b");
  const std::vector<Logged> expected = {{a, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(b)},
                                        {b, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(a)}};
  EXPECT_EQ(Log({WM_ACTIVATE}), expected);
  EXPECT_EQ(GetForegroundWindow(), b);
  EXPECT_EQ(GetWindow(a, GW_HWNDFIRST), b);

  // A topmost shell bar stays above everything and never takes activation.
  HWND bar = TopLevel(u"bar", {0, 0, 240, 26}, WS_POPUP | WS_VISIBLE, nullptr,
                      WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), b);
  SetForegroundWindow(a);
  EXPECT_EQ(GetWindow(a, GW_HWNDFIRST), bar);
  EXPECT_EQ(GetWindow(bar, GW_HWNDNEXT), a);
  input::Tap(10, 10);
  Pump();
  EXPECT_EQ(GetActiveWindow(), a);

  // Closing the active window activates the next one, as before.
  ClearLog();
  DestroyWindow(a);
  EXPECT_EQ(Log({WM_ACTIVATE}), expected);
}

TEST_F(WindowManagerTest, AWindowReclaimingActivationGetsItOnceTheChangeCompletes) {
  // The lock screen's way: on WA_INACTIVE it puts itself in front again.
  HWND guard = TopLevel(u"guard");
  React([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (hwnd == guard && message == WM_ACTIVATE && wParam == WA_INACTIVE) {
      SetForegroundWindow(guard);
      return 0;
    }
    return std::nullopt;
  });
  ClearLog();
  HWND intruder = TopLevel(u"intruder");
  EXPECT_EQ(GetForegroundWindow(), guard);
  EXPECT_EQ(GetWindow(guard, GW_HWNDFIRST), guard);
  const auto log = Log({WM_ACTIVATE});
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2], (Logged{intruder, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(guard)}));
  EXPECT_EQ(log[3], (Logged{guard, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(intruder)}));
}

TEST_F(WindowManagerTest, FocusMovesWithKillThenSetAndStaysInTheActiveTree) {
  HWND dlg = TopLevel(u"dlg");
  HWND e1 = Child(dlg, 1, {0, 0, 10, 10});
  HWND e2 = Child(dlg, 2, {0, 10, 10, 20});
  EXPECT_EQ(GetFocus(), dlg);  // DefWindowProc focuses the activated window
  SetFocus(e1);
  ClearLog();
  EXPECT_EQ(SetFocus(e2), e1);
  const std::vector<Logged> expected = {{e1, WM_KILLFOCUS, reinterpret_cast<WPARAM>(e2), 0},
                                        {e2, WM_SETFOCUS, reinterpret_cast<WPARAM>(e1), 0}};
  EXPECT_EQ(Log({WM_SETFOCUS, WM_KILLFOCUS}), expected);

  // Another top-level window takes focus with activation.
  HWND other = TopLevel(u"other");
  EXPECT_EQ(GetFocus(), other);
  EXPECT_EQ(Log({WM_KILLFOCUS}).back().hwnd, e2);
  // Focusing a control of an inactive window activates that window.
  SetFocus(e1);
  EXPECT_EQ(GetActiveWindow(), dlg);
  EXPECT_EQ(GetFocus(), e1);

  // A disabled window can't keep or take focus.
  ClearLog();
  EnableWindow(e1, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(Log({WM_KILLFOCUS, WM_ENABLE}),
            (std::vector<Logged>{{e1, WM_KILLFOCUS, 0, 0}, {e1, WM_ENABLE, FALSE, 0}}));
  EXPECT_EQ(SetFocus(e1), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowManagerTest, InputGoesOnlyToEnabledWindowsInFront) {
  HWND owner = TopLevel(u"owner");
  HWND button = Child(owner, 1, {0, 0, 100, 100});
  HWND modal = TopLevel(u"modal", {0, 200, 240, 320}, WS_POPUP | WS_VISIBLE, owner);
  EnableWindow(owner, FALSE);  // as a modal dialog does
  ClearLog();
  input::Tap(10, 10);
  input::Key('A');
  Pump();
  EXPECT_TRUE(MessagesOf(button).empty());
  EXPECT_TRUE(MessagesOf(owner).empty());
  EXPECT_EQ(GetActiveWindow(), modal);
  // Keys went to the focus window: the modal one.
  EXPECT_EQ(Log({WM_KEYDOWN, WM_CHAR, WM_KEYUP}).size(), 3u);
  EXPECT_EQ(Log({WM_KEYDOWN})[0].hwnd, modal);

  EnableWindow(owner, TRUE);
  ClearLog();
  input::Tap(10, 20);
  Pump();
  EXPECT_EQ(GetActiveWindow(), owner);
  const auto log = Log({WM_ACTIVATE, WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], (Logged{owner, WM_ACTIVATE, WA_CLICKACTIVE, reinterpret_cast<LPARAM>(modal)}));
  EXPECT_EQ(log[2], (Logged{button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)}));
  EXPECT_EQ(log[3].message, WM_LBUTTONUP);

  // The capture window gets the stylus wherever it is, in its own
  // coordinates.
  SetCapture(modal);
  ClearLog();
  input::StylusMove(10, 210);
  Pump();
  EXPECT_EQ(Log({WM_MOUSEMOVE}),
            (std::vector<Logged>{{modal, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)}}));
}

TEST_F(WindowManagerTest, SentMessagesRunAtOncePostedOnesInOrderLater) {
  HWND a = TopLevel(u"a");
  HWND b = TopLevel(u"b");
  React([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (hwnd == a && message == WM_USER) {
      PostMessage(b, WM_USER + 1, 0, 0);
      PostMessage(a, WM_USER + 2, 0, 0);
      return SendMessage(b, WM_USER + 3, 0, 0) + 1;
    }
    if (message == WM_USER + 3) return 41;
    return std::nullopt;
  });
  ClearLog();
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 42);
  Pump();
  std::vector<UINT> order;
  for (const Logged& l : Log({WM_USER, WM_USER + 1, WM_USER + 2, WM_USER + 3})) {
    order.push_back(l.message - WM_USER);
  }
  EXPECT_EQ(order, (std::vector<UINT>{0, 3, 1, 2}));
}

TEST_F(WindowManagerTest, AnotherThreadsSendWaitsForTheWindowsThread) {
  HWND w = TopLevel(u"w");
  React([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_USER) return std::nullopt;
    PostQuitMessage(0);
    return static_cast<LRESULT>(wParam * 2);
  });
  LRESULT result = 0;
  std::thread sender([&] { result = SendMessage(w, WM_USER, 21, 0); });
  platform::clock::UseReal();
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
  sender.join();
  EXPECT_EQ(result, 42);
}

using InputTest = ui_test::WindowTest;

std::u16string Typed(const std::vector<ui_test::Logged>& log) {
  std::u16string text;
  for (const auto& l : log) text += static_cast<char16_t>(l.wParam);
  return text;
}

TEST_F(InputTest, KeysBecomeCharactersOnceEvenWhenTheHostSendsThemToo) {
  HWND w = TopLevel(u"w");
  HWND edit = Child(w, 1, {0, 0, 100, 20});
  SetFocus(edit);
  ClearLog();
  input::Key('A');
  input::Key('7');
  input::Key(VK_F1);      // no character
  input::Key(VK_RETURN);  // control characters as the handheld makes them
  input::KeyDown(VK_SHIFT);
  input::Key('B');
  input::KeyUp(VK_SHIFT);
  // The host's keyboard reports the character itself.
  input::KeyDown('C');
  input::Char(u'ç');
  input::KeyUp('C');
  input::Char(u'€');  // typed without a key
  Pump();
  const auto chars = Log({WM_CHAR});
  for (const auto& l : chars) EXPECT_EQ(l.hwnd, edit);
  EXPECT_EQ(Typed(chars), u"a7\rBç€");
  EXPECT_EQ(Log({WM_KEYDOWN}).size(), 7u);
  EXPECT_EQ(Log({WM_KEYUP}).size(), 7u);
}

TEST_F(InputTest, KeysGoToTheActiveWindowWhenNothingHasFocusAndAreDroppedWithoutOne) {
  HWND w = TopLevel(u"w");
  SetFocus(nullptr);
  ClearLog();
  input::Key(VK_ESCAPE);
  Pump();
  EXPECT_EQ(Log({WM_KEYDOWN}).size(), 1u);
  EXPECT_EQ(Log({WM_KEYDOWN})[0].hwnd, w);
  DestroyWindow(w);
  ClearLog();
  input::Key(VK_ESCAPE);
  Pump();
  EXPECT_TRUE(Log({WM_KEYDOWN, WM_CHAR, WM_KEYUP}).empty());
}

TEST_F(InputTest, RegisteredButtonsGoOnlyToTheirWindowAsHotKeys) {
  HWND lock = TopLevel(u"lock");
  HWND field = Child(lock, 1, {0, 0, 100, 20});
  SetFocus(field);
  for (UINT key = VK_APP1; key <= VK_APP15; ++key) {
    ASSERT_TRUE(RegisterHotKey(lock, static_cast<int>(key), MOD_WIN, key));
  }
  HWND other = TopLevel(u"other");
  SetLastError(0);
  EXPECT_FALSE(RegisterHotKey(other, 1, MOD_WIN, VK_APP1));
  EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
  SetFocus(field);

  ClearLog();
  input::Key(VK_APP1 + 2);
  Pump();
  const std::vector<ui_test::Logged> expected = {
      {lock, WM_HOTKEY, VK_APP1 + 2, MAKELPARAM(MOD_WIN, VK_APP1 + 2)}};
  EXPECT_EQ(Log({WM_HOTKEY, WM_KEYDOWN, WM_KEYUP, WM_CHAR}), expected);

  // Unregistered, the button is an ordinary key for the focus window.
  EXPECT_TRUE(UnregisterHotKey(lock, VK_APP1 + 2));
  EXPECT_FALSE(UnregisterHotKey(lock, VK_APP1 + 2));
  ClearLog();
  input::Key(VK_APP1 + 2);
  Pump();
  EXPECT_EQ(Log({WM_KEYDOWN, WM_KEYUP}).size(), 2u);
  EXPECT_EQ(Log({WM_KEYDOWN})[0].hwnd, field);

  // A destroyed window's keys are free again.
  DestroyWindow(lock);
  EXPECT_TRUE(RegisterHotKey(other, 1, MOD_WIN, VK_APP1));
}

}  // namespace
