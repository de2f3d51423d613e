// Shared by the control tests: controls in a plain parent window on the
// virtual clock, driven by stylus and keys through the input layer, with
// the parent's WM_COMMAND and WM_NOTIFY notifications recorded in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/window/input.h"
#include "platform/ui/window/screen.h"
#include "tests/ui/test_window.h"

namespace controls_test {

struct Command {
  int id;
  WORD code;
  bool operator==(const Command&) const = default;
};

class ControlTest : public ui_test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    parent_ = TopLevel(u"Controls");
    ASSERT_NE(parent_, nullptr);
  }

  HWND Make(LPCWSTR className, LPCWSTR text, DWORD style, RECT r, int id) {
    return CreateWindowEx(0, className, text, style | WS_CHILD | WS_VISIBLE, r.left, r.top,
                          r.right - r.left, r.bottom - r.top, parent_,
                          static_cast<std::uintptr_t>(id), nullptr, nullptr);
  }

  // Stylus input at a point in the client area of `window`.
  static POINT OnScreen(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
  }
  void TapAt(HWND window, int x, int y) {
    const POINT p = OnScreen(window, x, y);
    platform::ui::input::Tap(p.x, p.y);
    Pump();
  }
  void TapScreen(const RECT& r) {
    platform::ui::input::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump();
  }
  void TapCenter(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    TapScreen(r);
  }
  void Type(std::u16string_view text) {
    for (char16_t c : text) platform::ui::input::Char(c);
    Pump();
  }
  void Press(UINT key) {
    platform::ui::input::Key(key);
    Pump();
  }

  // WM_COMMAND notifications the parent received, in order.
  std::vector<Command> Commands() const {
    std::vector<Command> out;
    for (const ui_test::Logged& l : Log({WM_COMMAND})) {
      if (l.hwnd != parent_) continue;
      out.push_back({LOWORD(static_cast<DWORD>(l.wParam)), HIWORD(static_cast<DWORD>(l.wParam))});
    }
    return out;
  }
  std::vector<WORD> CodesFrom(int id) const {
    std::vector<WORD> out;
    for (const Command& c : Commands()) {
      if (c.id == id) out.push_back(c.code);
    }
    return out;
  }

  static std::u16string Text(HWND window) {
    WCHAR buffer[512] = {};
    GetWindowText(window, buffer, 512);
    return buffer;
  }

  // Paints the screen with the real painter and tells whether the window's
  // area shows more than one colour.
  static bool Drawn(HWND window) {
    platform::ui::screen::Compose();
    RECT r{};
    GetWindowRect(window, &r);
    const auto& pixels = platform::ui::screen::Pixels();
    const std::uint32_t first =
        pixels[static_cast<std::size_t>(r.top) * platform::ui::screen::kWidth + r.left];
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) {
        if (pixels[static_cast<std::size_t>(y) * platform::ui::screen::kWidth + x] != first) {
          return true;
        }
      }
    }
    return false;
  }

  HWND parent_ = nullptr;
};

}  // namespace controls_test
