#include "tests/ui/test_window.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/ui/window/window_internal.h"

namespace ui_test {
namespace {

Reaction g_reaction;

LRESULT TestProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TheLog().push_back({hwnd, message, wParam, lParam});
  if (g_reaction) {
    // A copy: the reaction may replace itself.
    const Reaction reaction = g_reaction;
    if (const auto result = reaction(hwnd, message, wParam, lParam)) return *result;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

void DestroyAll() {
  while (HWND w = FindWindow(kTestClass, nullptr)) {
    if (!DestroyWindow(w)) break;
  }
}

}  // namespace

std::vector<Logged>& TheLog() {
  static std::vector<Logged> log;
  return log;
}

void WindowTest::SetUp() {
  platform::clock::UseVirtual(1000);
  WNDCLASS cls{};
  cls.lpfnWndProc = TestProc;
  cls.cbWndExtra = kTestExtraBytes;
  cls.lpszClassName = kTestClass;
  if (!GetClassInfo(nullptr, kTestClass, nullptr)) {
    ASSERT_NE(RegisterClass(&cls), 0);
  }
  g_reaction = nullptr;
  // Frames are counted where a test cares; the painter is not under test.
  platform::ui::SetComposer([] {});
  DestroyAll();
  Pump();
  TheLog().clear();
}

void WindowTest::TearDown() {
  // The hooks of a test refer to its locals: they go first.
  g_reaction = nullptr;
  platform::ui::SetIdleHook(nullptr);
  platform::ui::SetIdleExhaustedHandler(nullptr);
  platform::ui::SetComposer([] {});
  platform::ui::SetFrameObserver(nullptr);
  DestroyAll();
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  ReleaseCapture();
  TheLog().clear();
  platform::ui::SetComposer(nullptr);
}

HWND WindowTest::TopLevel(LPCWSTR title, RECT rect, DWORD style, HWND owner, DWORD exStyle) {
  return CreateWindowEx(exStyle, kTestClass, title, style, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, owner, 0, nullptr, nullptr);
}

HWND WindowTest::Child(HWND parent, int id, RECT rect, DWORD style) {
  return CreateWindowEx(0, kTestClass, u"", style | WS_CHILD, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, parent,
                        static_cast<std::uintptr_t>(id), nullptr, nullptr);
}

std::vector<Logged> WindowTest::Log(std::initializer_list<UINT> messages) const {
  std::vector<Logged> out;
  for (const Logged& l : TheLog()) {
    if (std::find(messages.begin(), messages.end(), l.message) != messages.end()) out.push_back(l);
  }
  return out;
}

std::vector<UINT> WindowTest::MessagesOf(HWND hwnd) const {
  std::vector<UINT> out;
  for (const Logged& l : TheLog()) {
    if (l.hwnd == hwnd) out.push_back(l.message);
  }
  return out;
}

void WindowTest::React(Reaction reaction) {
  g_reaction = std::move(reaction);
}

void WindowTest::Pump() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

}  // namespace ui_test
