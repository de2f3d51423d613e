// A minimal window class for the window-system tests: it logs every
// message it gets and lets a test react to chosen ones. Each test starts on
// the virtual clock with no windows, hooks or pending messages.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/window.h"

namespace ui_test {

struct Logged {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Logged&) const = default;
};

inline constexpr LPCWSTR kTestClass = u"TestWindow";
// Extra bytes of the test class: room for the three dialog longs.
inline constexpr int kTestExtraBytes = 12;

std::vector<Logged>& TheLog();

// Reacts to a message; an empty answer hands it to DefWindowProc.
using Reaction = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A top-level popup, visible by default (and so active).
  HWND TopLevel(LPCWSTR title, RECT rect = {0, 0, 240, 320}, DWORD style = WS_POPUP | WS_VISIBLE,
                HWND owner = nullptr, DWORD exStyle = 0);
  HWND Child(HWND parent, int id, RECT rect, DWORD style = WS_CHILD | WS_VISIBLE);

  // The logged messages of the given kinds, in order.
  std::vector<Logged> Log(std::initializer_list<UINT> messages) const;
  std::vector<UINT> MessagesOf(HWND hwnd) const;
  void ClearLog() { TheLog().clear(); }
  void React(Reaction reaction);
  // Dispatches what is waiting now, without the idle hook or clock moves.
  void Pump();
};

}  // namespace ui_test
