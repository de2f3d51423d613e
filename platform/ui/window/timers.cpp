// Timers on the device clock. A timer belongs to the queue of its window's
// thread; its WM_TIMER is made when the queue is looked at and the timer is
// due, never queued ahead, so a killed timer can't fire late.
#include <algorithm>

#include "platform/clock.h"
#include "platform/ui/window/window_manager_state.h"

namespace platform::ui::wm {
namespace {

bool Before(DWORD a, DWORD b) {
  return static_cast<std::int32_t>(a - b) < 0;
}

bool TimerMatches(const Timer& t, HWND filter) {
  if (!filter || t.hwnd == filter) return true;
  const Window* f = Find(filter);
  const Window* w = Find(t.hwnd);
  return f && w && IsDescendant(f, w);
}

}  // namespace

bool DueTimerLocked(Queue& q, HWND filter, DWORD now, std::size_t* index) {
  bool found = false;
  for (std::size_t i = 0; i < q.timers.size(); ++i) {
    const Timer& t = q.timers[i];
    if (Before(now, t.due) || !TimerMatches(t, filter)) continue;
    if (!found || Before(t.due, q.timers[*index].due) ||
        (t.due == q.timers[*index].due && t.order < q.timers[*index].order)) {
      *index = i;
      found = true;
    }
  }
  return found;
}

bool NextDueLocked(const Queue& q, DWORD* tick) {
  bool found = false;
  for (const Timer& t : q.timers) {
    if (!found || Before(t.due, *tick)) *tick = t.due;
    found = true;
  }
  return found;
}

void KillTimersLocked(HWND hwnd) {
  if (const Window* w = Find(hwnd); w && w->queue) {
    std::erase_if(w->queue->timers, [&](const Timer& t) { return t.hwnd == hwnd; });
  }
}

}  // namespace platform::ui::wm

using namespace platform::ui::wm;

std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT elapse, TIMERPROC proc) {
  std::shared_ptr<Queue> queue;
  if (!window) queue = CurrentQueue();
  Lock lock(S().mutex);
  State& s = S();
  if (window) {
    const Window* w = FindOrFail(window);
    if (!w || w->destroying) return 0;
    queue = w->queue;
  }
  // A zero period would fire on every look at the queue.
  elapse = std::max<UINT>(elapse, 1);
  const DWORD due = platform::clock::Now() + elapse;
  for (Timer& t : queue->timers) {
    if (t.hwnd == window && t.id == id && (window || id != 0)) {
      // Setting an existing timer again starts its period anew.
      t.elapse = elapse;
      t.due = due;
      t.proc = proc;
      WakeLocked(*queue);
      return window ? (id ? id : 1) : id;
    }
  }
  if (!window) id = s.nextThreadTimerId++;
  queue->timers.push_back({window, id, elapse, due, proc, s.timerOrder++});
  WakeLocked(*queue);
  return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, std::uintptr_t id) {
  std::shared_ptr<Queue> queue;
  if (!window) queue = CurrentQueue();
  Lock lock(S().mutex);
  if (window) {
    const Window* w = FindOrFail(window);
    if (!w) return FALSE;
    queue = w->queue;
  }
  auto& timers = queue->timers;
  const auto it = std::find_if(timers.begin(), timers.end(),
                               [&](const Timer& t) { return t.hwnd == window && t.id == id; });
  if (it == timers.end()) {
    Fail(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  timers.erase(it);
  return TRUE;
}
