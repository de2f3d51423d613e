// Fixture of the shell, input-panel and soft-keyboard tests: a device on
// the virtual clock with the shell started, top-level windows that record
// what they are sent, and taps through the device's input.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/message_loop.h"
#include "tests/support/temp_device.h"

namespace testing_support {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
};

inline std::vector<Received>& ReceivedLog() {
  static std::vector<Received> log;
  return log;
}

inline LRESULT RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR || message == WM_KEYDOWN || message == WM_COMMAND ||
      message == WM_SETTINGCHANGE) {
    ReceivedLog().push_back({window, message, wParam});
  }
  return DefWindowProc(window, message, wParam, lParam);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::UseVirtual(0);
    // No clock target left over from an earlier test.
    platform::ui::AdvanceClockTo(0);
    WNDCLASS wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.lpszClassName = u"ShellTestWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClass(&wc);
    ReceivedLog().clear();
    platform::ui::shell::Start();
    Pump();
  }

  void TearDown() override {
    for (HWND w : windows_) {
      if (IsWindow(w)) DestroyWindow(w);
    }
    platform::ui::shell::Stop();
    Pump();
    platform::faults::Clear();
    ReceivedLog().clear();
  }

  // A visible top-level window in front, with the focus.
  HWND MakeWindow(LPCWSTR title, DWORD exStyle = 0, HWND owner = nullptr) {
    HWND w = CreateWindowEx(exStyle, u"ShellTestWindow", title, WS_POPUP | WS_VISIBLE, 0, 26, 240,
                            268, owner, 0, nullptr, nullptr);
    EXPECT_NE(w, nullptr);
    windows_.push_back(w);
    SetForegroundWindow(w);
    SetFocus(w);
    Pump();
    return w;
  }

  // Runs everything that is due now, including painting the screen.
  static void Pump() {
    for (int round = 0; round < 1000; ++round) {
      MSG msg{};
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      if (platform::ui::IsIdle()) return;
    }
    ADD_FAILURE() << "the message loop never became idle";
  }

  static void Tap(const RECT& r) {
    platform::ui::input::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump();
  }

  // The characters the window got as WM_CHAR, in order.
  static std::u16string Typed(HWND window) {
    std::u16string text;
    for (const Received& r : ReceivedLog()) {
      if (r.window == window && r.message == WM_CHAR)
        text.push_back(static_cast<char16_t>(r.wParam));
    }
    return text;
  }

  static int CountOf(HWND window, UINT message, WPARAM wParam) {
    int n = 0;
    for (const Received& r : ReceivedLog()) {
      if (r.window == window && r.message == message && r.wParam == wParam) ++n;
    }
    return n;
  }

  static bool Equal(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }

  TempDevice device_;
  std::vector<HWND> windows_;
};

}  // namespace testing_support
