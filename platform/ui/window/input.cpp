// Input from the person at the device. Each call queues the input as the
// device's input system would and wakes the loop; the window that gets it
// is decided when the loop takes it from the queue (focus and capture as
// they are then), see RouteLocked in message_queue.cpp.
#include "platform/ui/window/input.h"

#include <atomic>

#include "platform/clock.h"
#include "platform/ui/window/window_manager_state.h"

namespace platform::ui::input {
namespace {

using namespace wm;

std::atomic<bool> g_stylusDown{false};

void QueueInput(UINT message, WPARAM wParam, LPARAM lParam, POINT point, Route route) {
  std::shared_ptr<Queue> fallback = CurrentQueue();
  Lock lock(S().mutex);
  State& s = S();
  std::shared_ptr<Queue> queue = InputQueueLocked();
  if (!queue) queue = fallback;
  if (route == Route::kPoint) s.lastPoint = point;
  PushLocked(*queue, MSG{nullptr, message, wParam, lParam, clock::Now(), point}, route);
}

void Stylus(UINT message, int x, int y) {
  QueueInput(message, g_stylusDown ? MK_LBUTTON : 0, 0, POINT{x, y}, Route::kPoint);
}

POINT LastPoint() {
  Lock lock(S().mutex);
  return S().lastPoint;
}

}  // namespace

void StylusDown(int x, int y) {
  g_stylusDown = true;
  Stylus(WM_LBUTTONDOWN, x, y);
}

void StylusMove(int x, int y) {
  Stylus(WM_MOUSEMOVE, x, y);
}

void StylusUp(int x, int y) {
  g_stylusDown = false;
  Stylus(WM_LBUTTONUP, x, y);
}

void Tap(int x, int y) {
  StylusDown(x, y);
  StylusUp(x, y);
}

void KeyDown(UINT virtualKey) {
  QueueInput(WM_KEYDOWN, virtualKey, 1, LastPoint(), Route::kFocus);
}

void KeyUp(UINT virtualKey) {
  // Bits 30 and 31: the key was down and is being released.
  QueueInput(WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u), LastPoint(), Route::kFocus);
}

void Key(UINT virtualKey) {
  KeyDown(virtualKey);
  KeyUp(virtualKey);
}

void Char(WCHAR character) {
  {
    Lock lock(S().mutex);
    std::shared_ptr<Queue> queue = InputQueueLocked();
    if (queue) {
      // The character of a key still waiting in the queue comes from here,
      // not from TranslateMessage.
      for (auto it = queue->posted.rbegin(); it != queue->posted.rend(); ++it) {
        if (it->route != Route::kFocus) continue;
        if (it->msg.message == WM_KEYDOWN) it->msg.lParam |= kKeyCharDelivered;
        break;
      }
    }
  }
  QueueInput(WM_CHAR, character, 1, LastPoint(), Route::kFocus);
}

}  // namespace platform::ui::input
